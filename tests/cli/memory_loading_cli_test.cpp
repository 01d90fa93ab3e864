// Load requests and ROM files that fail: the exact message, the exit status,
// the progress printed up to the failure, and no output file.
#include "cli_test.hpp"

namespace quillet_test {
namespace {

struct LoadFailure {
    std::vector<std::string> arguments;
    int status;
    std::string message;
    std::string output = "";  // standard output after the banner
};

void PrintTo(const LoadFailure& c, std::ostream* os) {
    for (const std::string& argument : c.arguments) *os << "'" << argument << "' ";
}

class LoadFailureTest : public CliTest, public ::testing::WithParamInterface<LoadFailure> {};

TEST_P(LoadFailureTest, ReportsAndWritesNothing) {
    if (names_a_device(GetParam().arguments)) QUILLET_REQUIRE(Facility::DEVICE_FILES);
    dir.write("16385.bin", repeated(PAGE_BYTES + 1, 1));
    dir.write("65536.bin", repeated(4 * PAGE_BYTES, 2));
    dir.make_directory("sub");
    const std::vector<std::string> inputs = dir.entries();
    std::vector<std::string> arguments = {"-o", "out.zvk"};
    arguments.insert(arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());
    EXPECT_TRUE(failed_with(run(arguments), GetParam().status, GetParam().message, GetParam().output));
    EXPECT_EQ(inputs, dir.entries());
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoadFailureTest,
    ::testing::Values(
        LoadFailure{{"-mem", "0", "missing.bin"}, 5, "Can't open source file 'missing.bin'!"},
        LoadFailure{{"-pg", "7", "missing.bin"}, 5, "Can't open source file 'missing.bin'!"},
        LoadFailure{{"-hex", "0", "00", "-rom", "missing.bin"}, 5, "Can't open source file 'missing.bin'!"},
        LoadFailure{{"-mem", "49152", "16385.bin"}, 8, "Source file '16385.bin' is too long! Max length 16384 bytes."},
        LoadFailure{{"-mem", "1", "65536.bin"}, 8, "Source file '65536.bin' is too long! Max length 65535 bytes."},
        LoadFailure{{"-mem", "65535", "16385.bin"}, 8, "Source file '16385.bin' is too long! Max length 1 bytes."},
        LoadFailure{{"-pg", "0", "16385.bin"}, 8, "Source file '16385.bin' is too long! Max length 16384 bytes."},
        LoadFailure{{"-hex", "0", "00", "-rom", "16385.bin"},
                    8,
                    "Source file '16385.bin' is too long! Max length 16384 bytes."},
        // Anything but a regular file cannot be read as a memory image.
        LoadFailure{{"-mem", "0", "sub"}, 9, "Can't read from the source file 'sub'!"},
        LoadFailure{{"-pg", "3", "sub"}, 9, "Can't read from the source file 'sub'!"},
        LoadFailure{{"-hex", "0", "00", "-rom", "sub"}, 9, "Can't read from the source file 'sub'!"},
        LoadFailure{{"-pg", "0", "/dev/zero"}, 9, "Can't read from the source file '/dev/zero'!"},
        LoadFailure{{"-mem", "0", "/dev/null"}, 9, "Can't read from the source file '/dev/null'!"}));

INSTANTIATE_TEST_SUITE_P(
    HexStrings, LoadFailureTest,
    ::testing::Values(LoadFailure{{"-hex", "0", "abc"}, 28, "Invalid hexstring: 'abc'!"},
                      LoadFailure{{"-hex", "0", "0g"}, 28, "Invalid hexstring: '0g'!"},
                      LoadFailure{{"-hex", "0", "00 1"}, 28, "Invalid hexstring: '00 1'!"},
                      LoadFailure{{"-hex", "65535", "0102"},
                                  29,
                                  "Bytes from hexstring '0102' do not fit into memory from address 65535."},
                      // The checks run in the order odd length, fit, digits.
                      LoadFailure{{"-hex", "65535", "012"}, 28, "Invalid hexstring: '012'!"},
                      LoadFailure{{"-hex", "65535", "zzzz"},
                                  29,
                                  "Bytes from hexstring 'zzzz' do not fit into memory from address 65535."}));

INSTANTIATE_TEST_SUITE_P(FirstFailureStops, LoadFailureTest,
                         ::testing::Values(LoadFailure{{"-vb", "-hex", "0", "0g"},
                                                       28,
                                                       "Invalid hexstring: '0g'!",
                                                       "Parsing hexdata string `0g` and storing from address 0\n"},
                                           // Later requests and the ROM file are not processed.
                                           LoadFailure{{"-vb", "-hex", "0", "00", "-mem", "16", "missing.bin", "-hex",
                                                        "0", "zz", "-rom", "sub"},
                                                       5,
                                                       "Can't open source file 'missing.bin'!",
                                                       "Parsing hexdata string `00` and storing from address 0\n"
                                                       "Loading file `missing.bin` from address 16\n"},
                                           LoadFailure{{"-vb", "-rom", "missing-rom.bin", "-pg", "2", "16385.bin"},
                                                       8,
                                                       "Source file '16385.bin' is too long! Max length 16384 bytes.",
                                                       "Loading file `16385.bin` into page 2\n"}));

}  // namespace
}  // namespace quillet_test
