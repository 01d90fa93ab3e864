// Every snapshot quillet writes loads back as a template, and rebuilding it
// with the same options gives the same file.
#include "cli_test.hpp"

namespace quillet_test {
namespace {

struct RoundTrip {
    std::vector<std::string> options;  // given to both runs
    std::vector<std::string> loads;    // given to the first run only
};

void PrintTo(const RoundTrip& c, std::ostream* os) {
    for (const std::string& word : c.options) *os << "'" << word << "' ";
    *os << "| ";
    for (const std::string& word : c.loads) *os << "'" << word << "' ";
}

// Both runs store A5 at address 256: in the rebuild it overwrites the same
// byte, so the template's content must come through unchanged.
const std::vector<std::string> HARMLESS_LOAD = {"-hex", "256", "A5"};

class RoundTripTest : public CliTest, public ::testing::WithParamInterface<RoundTrip> {
protected:
    void SetUp() override {
        dir.write("page.bin", varied(PAGE_BYTES, 1));
        dir.write("half.bin", join({varied(PAGE_BYTES, 2), repeated(PAGE_BYTES, 0x3C)}));
        dir.write("small.bin", varied(100, 3));
        dir.write("zeros.bin", repeated(PAGE_BYTES, 0));
        dir.write("rom1k.bin", varied(1024, 4));
        dir.write("romff.bin", repeated(1024, 0xFF));
        dir.write("rom9k.bin", varied(9216, 5));
        dir.write("romrun.bin", join({{1, 2}, repeated(500, 0x66)}));
    }
};

TEST_P(RoundTripTest, RebuildGivesTheSameFile) {
    std::vector<std::string> first = GetParam().options;
    first.insert(first.end(), GetParam().loads.begin(), GetParam().loads.end());
    first.insert(first.end(), HARMLESS_LOAD.begin(), HARMLESS_LOAD.end());
    const Bytes original = build("first.zvk", first);
    ASSERT_FALSE(original.empty());

    std::vector<std::string> again = {"-zvk", "first.zvk"};
    again.insert(again.end(), GetParam().options.begin(), GetParam().options.end());
    again.insert(again.end(), HARMLESS_LOAD.begin(), HARMLESS_LOAD.end());
    const Bytes rebuilt = build("second.zvk", again);
    EXPECT_TRUE(same_bytes(original, rebuilt));
}

INSTANTIATE_TEST_SUITE_P(
    Version1, RoundTripTest,
    ::testing::Values(RoundTrip{{}, {"-mem", "0", "page.bin"}},
                      RoundTrip{{"-pack"}, {"-mem", "0x4000", "half.bin", "-hex", "0xFFFE", "0102"}},
                      RoundTrip{{"-cm", "V1", "-pack"}, {"-mem", "0x8000", "half.bin"}},
                      RoundTrip{{"-cm", "V2", "-reg", "AF", "0xFFFF", "-reg", "SP", "0x1234"},
                                {"-mem", "0", "page.bin", "-rom", "rom1k.bin"}},
                      RoundTrip{{"-cm", "V3", "-pack", "-allram"}, {"-mem", "0", "half.bin", "-rom", "rom9k.bin"}},
                      RoundTrip{{"-cm", "V3"}, {"-rom", "rom9k.bin"}},
                      RoundTrip{{"-cm", "MATO", "-ei"}, {"-pg", "3", "small.bin"}},
                      RoundTrip{{"-cm", "ALFA", "-pack"}, {"-rom", "romff.bin", "-hex", "0xC000", "00"}},
                      RoundTrip{{"-cm", "ALFA2", "-pack"}, {"-rom", "romrun.bin", "-pg", "1", "zeros.bin"}},
                      RoundTrip{{"-cm", "C2717", "-allram"}, {"-mem", "0x8000", "half.bin", "-rom", "small.bin"}},
                      RoundTrip{{"-pack"}, {"-pg", "0", "page.bin", "-pg", "2", "zeros.bin", "-rom", "rom1k.bin"}}));

INSTANTIATE_TEST_SUITE_P(
    Version2, RoundTripTest,
    ::testing::Values(RoundTrip{{"-mus", "-pack"}, {"-mem", "0", "page.bin"}},
                      RoundTrip{{"-vpi", "1", "-ei", "-cm", "V3"}, {"-rom", "small.bin"}},
                      RoundTrip{{"-mif85", "0", "-allram", "-cm", "C2717"}, {"-mem", "0x8000", "half.bin"}},
                      RoundTrip{{"-mm", "5", "-pack"},
                                {"-pg", "9", "page.bin", "-pg", "15", "zeros.bin", "-rom", "romrun.bin"}},
                      // A page above 3 implies port value 0; the rebuild,
                      // without that page request, must name it.
                      RoundTrip{{"-mm", "0"}, {"-pg", "4", "small.bin", "-mem", "0", "page.bin"}},
                      RoundTrip{{"-mm", "127", "-vpi", "0", "-mif85", "1", "-cm", "V3", "-pack"},
                                {"-mem", "0", "half.bin", "-pg", "12", "page.bin", "-rom", "romff.bin"}}));

}  // namespace
}  // namespace quillet_test
