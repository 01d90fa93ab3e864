// The exact bytes of the snapshots that quillet writes without a template:
// header fields, block selection and the stored forms.
#include <algorithm>
#include <functional>

#include "cli_test.hpp"

namespace quillet_test {
namespace {

using SnapshotOutputTest = CliTest;

constexpr std::uint16_t RAW_PAGE = PAGE_BYTES;

TEST_F(SnapshotOutputTest, OneFullPageGivesTheDefaultVersion1Snapshot) {
    const Bytes page = varied(PAGE_BYTES);
    dir.write("game.bin", page);
    HeaderFields expected;
    expected.block_lengths[0] = RAW_PAGE;
    const Bytes file = build("out.zvk", {"-mem", "0", "game.bin"});
    EXPECT_EQ(16440u, file.size());
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), page}), file));
}

TEST_F(SnapshotOutputTest, EmptyFileGivesTheHeaderAlone) {
    dir.write("empty.bin", {});
    EXPECT_TRUE(same_bytes(header_bytes(HeaderFields{}), build("out.zvk", {"-mem", "0", "empty.bin"})));
}

TEST_F(SnapshotOutputTest, OptionWordAfterOutputIsTheOutputName) {
    dir.write("empty.bin", {});
    EXPECT_TRUE(same_bytes(header_bytes(HeaderFields{}), build("-vb", {"-mem", "0", "empty.bin"})));
}

// Each case loads one byte at address 0 and changes the header fields.
struct FieldCase {
    std::vector<std::string> options;
    std::function<void(HeaderFields&)> expect;
};

void PrintTo(const FieldCase& c, std::ostream* os) {
    for (const std::string& option : c.options) *os << "'" << option << "' ";
}

class HeaderFieldTest : public CliTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(HeaderFieldTest, WritesTheFields) {
    std::vector<std::string> arguments = GetParam().options;
    arguments.insert(arguments.end(), {"-hex", "0", "A5"});
    HeaderFields expected;
    expected.block_lengths[0] = RAW_PAGE;
    GetParam().expect(expected);
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), page_with({0xA5})}), build("out.zvk", arguments)));
}

FieldCase registers(std::vector<std::string> options, std::array<std::uint16_t, 6> values) {
    return {options, [values](HeaderFields& h) { h.registers = values; }};
}

INSTANTIATE_TEST_SUITE_P(Registers, HeaderFieldTest,
                         ::testing::Values(
                             // AF always has bits 3 and 5 of F clear and bit 1 set.
                             registers({"-reg", "AF", "0xFFFF"}, {0xFFD7, 0, 0, 0, 0x8000, 0x8000}),
                             registers({"-reg", "AF", "0"}, {0x0002, 0, 0, 0, 0x8000, 0x8000}),
                             registers({"-reg", "af", "0x1200", "-reg", "AF", "0x3428"},
                                       {0x3402, 0, 0, 0, 0x8000, 0x8000}),
                             registers({"-reg", "BC", "0x1234", "-reg", "de", "4660", "-reg", "Hl", "0177", "-reg",
                                        "PC", "0", "-reg", "sp", "0xFFFF"},
                                       {0x0046, 0x1234, 0x1234, 0x007F, 0x0000, 0xFFFF})));

FieldCase model(const std::string& name, Model number) {
    return {{"-cm", name}, [number](HeaderFields& h) { h.model = number; }};
}

INSTANTIATE_TEST_SUITE_P(
    Models, HeaderFieldTest,
    ::testing::Values(model("v1", V1), model("V2", V2), model("v2A", V2A), model("V3", V3), model("Mato", MATO),
                      model("ALFA", ALFA), model("alfa2", ALFA2), model("c2717", C2717),
                      FieldCase{{"-cm", "V1", "-cm", "V3"}, [](HeaderFields& h) { h.model = V3; }}));

INSTANTIATE_TEST_SUITE_P(
    Switches, HeaderFieldTest,
    ::testing::Values(FieldCase{{"-ei"}, [](HeaderFields& h) { h.interrupts_enabled = 1; }},
                      FieldCase{{"-allram"}, [](HeaderFields& h) { h.peripheral_state[0] = ALLRAM_ON; }},
                      FieldCase{{"-allram", "-cm", "C2717"},
                                [](HeaderFields& h) {
                                    h.peripheral_state[0] = ALLRAM_ON;
                                    h.model = C2717;
                                }},
                      // Unknown words and option words in another letter case are skipped.
                      FieldCase{{"-CM", "V9", "--o", "stray", "-PACK", "-VB"}, [](HeaderFields&) {}}));

FieldCase version_2_case(std::vector<std::string> options, std::function<void(HeaderFields&)> change) {
    return {options, [change](HeaderFields& h) {
                h = version_2(h);
                change(h);
            }};
}

INSTANTIATE_TEST_SUITE_P(
    AddOnHardware, HeaderFieldTest,
    ::testing::Values(version_2_case({"-mus"}, [](HeaderFields& h) { h.musica_state = MUSICA_PLUGGED; }),
                      version_2_case({"-vpi", "0"}, [](HeaderFields& h) { h.vcpu_interrupt_circuit = 0x07; }),
                      version_2_case({"-vpi", "1", "-cm", "V3"},
                                     [](HeaderFields& h) {
                                         h.vcpu_interrupt_circuit = 0x87;
                                         h.model = V3;
                                     }),
                      version_2_case({"-mif85", "0"}, [](HeaderFields& h) { h.mif85_state = 0; }),
                      version_2_case({"-mif85", "1"}, [](HeaderFields& h) { h.mif85_state = 1; }),
                      version_2_case({"-mm", "127"}, [](HeaderFields& h) { h.mapper_port_value = 127; }),
                      version_2_case({"-mm", "0x7f"}, [](HeaderFields& h) { h.mapper_port_value = 127; }),
                      version_2_case({"-mm", "010"}, [](HeaderFields& h) { h.mapper_port_value = 8; }),
                      version_2_case({"-mm", "12abc"}, [](HeaderFields& h) { h.mapper_port_value = 12; }),
                      version_2_case({"-mm", ""}, [](HeaderFields& h) { h.mapper_port_value = 0; })));

// Block 2 (0x8000..0xBFFF) is stored only for V2A, V3 and C2717.
struct Block2Case {
    std::string name;
    Model model;
    bool stored;
};

void PrintTo(const Block2Case& c, std::ostream* os) { *os << c.name; }

class Block2Test : public CliTest, public ::testing::WithParamInterface<Block2Case> {};

TEST_P(Block2Test, StoredOnlyForItsModels) {
    const Bytes memory = varied(4 * PAGE_BYTES, 1);
    dir.write("all.bin", memory);
    Bytes blocks = memory;
    if (!GetParam().stored) blocks.erase(blocks.begin() + 2 * PAGE_BYTES, blocks.begin() + 3 * PAGE_BYTES);
    HeaderFields expected;
    expected.model = GetParam().model;
    expected.block_lengths = {RAW_PAGE, RAW_PAGE, GetParam().stored ? RAW_PAGE : std::uint16_t{0}, RAW_PAGE};
    const Bytes file = build("out.zvk", {"-cm", GetParam().name, "-mem", "0", "all.bin"});
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), blocks}), file));
}

INSTANTIATE_TEST_SUITE_P(EveryModel, Block2Test,
                         ::testing::Values(Block2Case{"V1", V1, false}, Block2Case{"V2", V2, false},
                                           Block2Case{"V2A", V2A, true}, Block2Case{"V3", V3, true},
                                           Block2Case{"MATO", MATO, false}, Block2Case{"ALFA", ALFA, false},
                                           Block2Case{"ALFA2", ALFA2, false}, Block2Case{"C2717", C2717, true}));

TEST_F(SnapshotOutputTest, V1HalfMemoryAtBlock2LeavesOnlyBlock3) {
    const Bytes upper = varied(2 * PAGE_BYTES, 9);
    dir.write("upper.bin", upper);
    HeaderFields expected;
    expected.model = V1;
    expected.block_lengths[3] = RAW_PAGE;
    const Bytes file = build("out.zvk", {"-cm", "V1", "-mem", "0x8000", "upper.bin"});
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), Bytes(upper.begin() + PAGE_BYTES, upper.end())}), file));
}

TEST_F(SnapshotOutputTest, MapperPortAndHighPageWalkAllSixteenBlocks) {
    const Bytes small = varied(100, 4);
    dir.write("small.bin", small);
    HeaderFields expected = version_2(HeaderFields{});
    expected.mapper_port_value = 5;
    expected.block_lengths[9] = RAW_PAGE;
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), page_with(small)}),
                           build("out.zvk", {"-mm", "5", "-pg", "9", "small.bin"})));
}

TEST_F(SnapshotOutputTest, PageAbove3ImpliesMapperPort0) {
    dir.write("empty.bin", {});
    HeaderFields expected = version_2(HeaderFields{});
    expected.mapper_port_value = 0;
    expected.block_lengths[4] = RAW_PAGE;  // an empty page file still creates its page
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), page_with({})}), build("out.zvk", {"-pg", "4", "empty.bin"})));
}

TEST_F(SnapshotOutputTest, PackStoresFillRunAndRawForms) {
    const Bytes noisy = varied(PAGE_BYTES, 2);
    dir.write("noisy.bin", noisy);
    // Page 0 holds 01 02 and 16382 zeros: a literal run of two bytes, 126
    // repeat runs of 130 zeros, and the two zeros left as a literal run.
    Bytes run_form = {0x81, 0x01, 0x02};
    for (int i = 0; i < 126; ++i) run_form.insert(run_form.end(), {0x7F, 0x00});
    run_form.insert(run_form.end(), {0x81, 0x00, 0x00});
    HeaderFields expected;
    expected.block_lengths = {static_cast<std::uint16_t>(run_form.size()), RAW_PAGE, 0, 1};
    const Bytes file =
        build("out.zvk", {"-pack", "-hex", "0", "0102", "-pg", "1", "noisy.bin", "-hex", "0xC000", "00"});
    EXPECT_EQ(258u, run_form.size());
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), run_form, noisy, {0x00}}), file));
}

TEST_F(SnapshotOutputTest, HexStringsCrossPageBoundariesAndReachTheTop) {
    HeaderFields expected;
    expected.block_lengths = {RAW_PAGE, RAW_PAGE, 0, RAW_PAGE};
    const Bytes file = build("out.zvk", {"-hex", "16383", "0aFf", "-hex", "65535", "ab"});
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), page_with({0x0A}, PAGE_BYTES - 1), page_with({0xFF}),
                                 page_with({0xAB}, PAGE_BYTES - 1)}),
                           file));
}

TEST_F(SnapshotOutputTest, LaterLoadsOverwriteEarlierOnes) {
    dir.write("full.bin", repeated(PAGE_BYTES, 0x11));
    dir.write("short.bin", repeated(100, 0x22));
    Bytes page = page_with(repeated(100, 0x22), 0, 0x11);
    page[50] = 0x33;
    HeaderFields expected;
    expected.block_lengths[0] = RAW_PAGE;
    const Bytes file =
        build("out.zvk", {"-hex", "60", "44", "-mem", "0", "full.bin", "-pg", "0", "short.bin", "-hex", "50", "33"});
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), page}), file));
}

TEST_F(SnapshotOutputTest, VerboseModePrintsEachItem) {
    dir.write("a.bin", repeated(10, 1));
    dir.write("b.bin", repeated(10, 2));
    dir.write("rom.bin", repeated(10, 3));
    const ProcessResult result = run({"-vb", "-hex", "16383", "0aFf", "-mem", "100", "a.bin", "-pg", "9", "b.bin",
                                      "-rom", "rom.bin", "-o", "out.zvk"});
    EXPECT_TRUE(succeeded(result,
                          "Parsing hexdata string `0aFf` and storing from address 16383\n"
                          "Loading file `a.bin` from address 100\n"
                          "Loading file `b.bin` into page 9\n"
                          "Loading ROM file `rom.bin`\n" +
                              saved("out.zvk")));
}

// A ROM file, stored after the header and before the blocks.
struct RomCase {
    Bytes file;
    std::vector<std::string> options;
    std::uint16_t descriptor;
    Bytes stored;
};

void PrintTo(const RomCase& c, std::ostream* os) {
    *os << c.file.size() << "-byte ROM file ";
    for (const std::string& option : c.options) *os << "'" << option << "' ";
}

class RomImageTest : public CliTest, public ::testing::WithParamInterface<RomCase> {};

TEST_P(RomImageTest, StoresTheImageWithItsDescriptor) {
    const RomCase& c = GetParam();
    dir.write("rom.bin", c.file);
    std::vector<std::string> arguments = c.options;
    arguments.insert(arguments.end(), {"-rom", "rom.bin", "-hex", "0", "A5"});
    const bool packed = std::find(c.options.begin(), c.options.end(), "-pack") != c.options.end();
    // Page 0: A5 then zeros; packed: a literal byte, 126 runs of 130 zeros,
    // one run of the 3 zeros left.
    Bytes page = page_with({0xA5});
    if (packed) {
        page = {0x80, 0xA5};
        for (int i = 0; i < 126; ++i) page.insert(page.end(), {0x7F, 0x00});
        page.insert(page.end(), {0x00, 0x00});
    }
    HeaderFields expected;
    expected.model = std::find(c.options.begin(), c.options.end(), "V3") != c.options.end() ? V3 : V2A;
    expected.rom_descriptor = c.descriptor;
    expected.block_lengths[0] = static_cast<std::uint16_t>(page.size());
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), c.stored, page}), build("out.zvk", arguments)));
}

Bytes first(const Bytes& bytes, std::size_t count) { return Bytes(bytes.begin(), bytes.begin() + count); }

// 01 02, eight zeros, then 1014 bytes 0xFF up to 1024: a literal run, a
// repeat run of 8 zeros, seven runs of 130 0xFF and one of 104.
Bytes rom_run_form() {
    Bytes stored = {0x81, 0x01, 0x02, 0x05, 0x00};
    for (int i = 0; i < 7; ++i) stored.insert(stored.end(), {0x7F, 0xFF});
    stored.insert(stored.end(), {0x65, 0xFF});
    return stored;
}

INSTANTIATE_TEST_SUITE_P(Descriptors, RomImageTest,
                         ::testing::Values(RomCase{varied(1024), {}, 0x8400, varied(1024)},
                                           RomCase{{0x5A}, {}, 0x8400, join({{0x5A}, repeated(1023, 0xFF)})},
                                           RomCase{varied(5000), {}, 0x9400, join({varied(5000), repeated(120, 0xFF)})},
                                           RomCase{varied(PAGE_BYTES), {}, 0xC000, varied(PAGE_BYTES)},
                                           RomCase{varied(9216), {}, 0xA400, varied(9216)},
                                           RomCase{varied(9216), {"-cm", "V3"}, 0xA000, first(varied(9216), 8192)},
                                           RomCase{repeated(1024, 0xFF), {"-pack"}, 0x0001, {0xFF}},
                                           RomCase{varied(1024), {"-pack"}, 0x8400, varied(1024)},
                                           RomCase{
                                               join({{0x01, 0x02}, repeated(8, 0)}), {"-pack"}, 21, rom_run_form()}));

TEST_F(SnapshotOutputTest, EmptyRomFileStoresNoRomImage) {
    dir.write("rom.bin", {});
    HeaderFields expected;
    expected.block_lengths[0] = RAW_PAGE;
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), page_with({0xA5})}),
                           build("out.zvk", {"-rom", "rom.bin", "-hex", "0", "A5"})));
}

}  // namespace
}  // namespace quillet_test
