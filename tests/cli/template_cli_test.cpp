// Templates given with -zvk: hand-built files that fail with their exact
// messages, and what a valid template carries into the output.
#include "cli_test.hpp"

namespace quillet_test {
namespace {

constexpr std::uint16_t RAW_PAGE = PAGE_BYTES;
const std::string LOADING = "Loading template Snapshot `t.zvk`\n";

Bytes with_header(const HeaderFields& fields, const Bytes& data) { return join({header_bytes(fields), data}); }

// 126 repeat runs of 130 zeros: 16380 bytes, four short of a block.
Bytes zero_runs() {
    Bytes stored;
    for (int i = 0; i < 126; ++i) stored.insert(stored.end(), {0x7F, 0x00});
    return stored;
}

// A minimal valid template: version 1, model V2A, block 0 in fill form.
HeaderFields fill_block_0() {
    HeaderFields fields;
    fields.block_lengths[0] = 1;
    return fields;
}

using TemplateTest = CliTest;

struct TemplateFailure {
    std::string name;
    Bytes file;
    int status;
    std::string message;
};

void PrintTo(const TemplateFailure& c, std::ostream* os) { *os << c.name; }

class TemplateFailureTest : public CliTest, public ::testing::WithParamInterface<TemplateFailure> {};

TEST_P(TemplateFailureTest, ReportsAndWritesNothing) {
    dir.write("t.zvk", GetParam().file);
    EXPECT_TRUE(failed_with(run({"-zvk", "t.zvk", "-o", "out.zvk"}), GetParam().status, GetParam().message, LOADING));
    EXPECT_EQ(std::vector<std::string>{"t.zvk"}, dir.entries());
}

TemplateFailure header_failure(const std::string& name, HeaderFields fields, std::size_t size, int status,
                               const std::string& message) {
    return {name, join({header_bytes(fields, size), {0xE5}}), status, message};
}

HeaderFields changed(HeaderFields fields, void (*change)(HeaderFields&)) {
    change(fields);
    return fields;
}

const std::string BAD_HEADER = "Bad or no ZVK header in file: 't.zvk'!";
const std::string CANNOT_READ = "Can't read from the source file 't.zvk'!";
const std::string BAD_BLOCK = "Bad size of memory blocks after unpack in ZVK file: 't.zvk'!";

INSTANTIATE_TEST_SUITE_P(
    Headers, TemplateFailureTest,
    ::testing::Values(
        TemplateFailure{"empty", {}, 9, CANNOT_READ},
        TemplateFailure{"six bytes", header_bytes(fill_block_0(), 6), 9, CANNOT_READ},
        header_failure("short header", version_2(fill_block_0()), 100, 9, CANNOT_READ),
        header_failure("lower-case magic",
                       changed(fill_block_0(),
                               [](HeaderFields& h) {
                                   h.magic = {'z', 'v', 'k'};
                               }),
                       56, 24, BAD_HEADER),
        header_failure("bad magic before bad version",
                       changed(fill_block_0(),
                               [](HeaderFields& h) {
                                   h.magic = {'Z', 'V', 'k'};
                                   h.version = 9;
                               }),
                       56, 24, BAD_HEADER),
        header_failure("version 0", changed(fill_block_0(), [](HeaderFields& h) { h.version = 0; }), 56, 25,
                       "Bad ZVK version `0` in file: 't.zvk'!"),
        header_failure("version 3 with length 0",
                       changed(fill_block_0(),
                               [](HeaderFields& h) {
                                   h.version = 3;
                                   h.header_length = 0;
                               }),
                       56, 25, "Bad ZVK version `3` in file: 't.zvk'!"),
        header_failure("version 255", changed(fill_block_0(), [](HeaderFields& h) { h.version = 255; }), 56, 25,
                       "Bad ZVK version `255` in file: 't.zvk'!"),
        header_failure("length 55", changed(fill_block_0(), [](HeaderFields& h) { h.header_length = 55; }), 56, 24,
                       BAD_HEADER),
        header_failure("length 125", changed(fill_block_0(), [](HeaderFields& h) { h.header_length = 125; }), 125, 24,
                       BAD_HEADER),
        header_failure("model 8", changed(fill_block_0(), [](HeaderFields& h) { h.model = 8; }), 56, 26,
                       "Unknown computer model `8` in ZVK file: 't.zvk'!"),
        header_failure("model 200", changed(fill_block_0(), [](HeaderFields& h) { h.model = 200; }), 56, 26,
                       "Unknown computer model `200` in ZVK file: 't.zvk'!"),
        // Block 2 of a V1 template is never read, but its length is checked.
        header_failure("V1 block 2 of 16385",
                       changed(fill_block_0(),
                               [](HeaderFields& h) {
                                   h.model = V1;
                                   h.block_lengths[2] = 16385;
                               }),
                       56, 24, BAD_HEADER),
        header_failure("block 15 of 16385",
                       changed(version_2(fill_block_0()), [](HeaderFields& h) { h.block_lengths[15] = 16385; }), 124,
                       24, BAD_HEADER),
        header_failure("ROM 0x4001", changed(fill_block_0(), [](HeaderFields& h) { h.rom_descriptor = 0x4001; }), 56,
                       24, BAD_HEADER),
        header_failure("ROM 0xC001", changed(fill_block_0(), [](HeaderFields& h) { h.rom_descriptor = 0xC001; }), 56,
                       24, BAD_HEADER),
        header_failure("ROM 0x8000", changed(fill_block_0(), [](HeaderFields& h) { h.rom_descriptor = 0x8000; }), 56,
                       27, BAD_BLOCK)));

HeaderFields block_0_of(std::size_t stored_length) {
    HeaderFields fields;
    fields.block_lengths[0] = static_cast<std::uint16_t>(stored_length);
    return fields;
}

HeaderFields rom_of(std::uint16_t descriptor) {
    HeaderFields fields = fill_block_0();
    fields.rom_descriptor = descriptor;
    return fields;
}

TemplateFailure block_failure(const std::string& name, const Bytes& stored, int status, const std::string& message) {
    return {name, with_header(block_0_of(stored.size()), stored), status, message};
}

INSTANTIATE_TEST_SUITE_P(
    Data, TemplateFailureTest,
    ::testing::Values(TemplateFailure{"file ends inside the ROM image", with_header(rom_of(0x8400), repeated(100, 1)),
                                      9, CANNOT_READ},
                      TemplateFailure{"file ends inside a block",
                                      with_header(block_0_of(PAGE_BYTES), repeated(1000, 1)), 9, CANNOT_READ},
                      block_failure("block of 16383 bytes", join({zero_runs(), {0x00, 0x00}}), 27, BAD_BLOCK),
                      block_failure("block of 3 bytes", {0x00, 0x41}, 27, BAD_BLOCK),
                      block_failure("bytes left over", join({zero_runs(), {0x01, 0x00, 0x80, 0xAA}}), 27, BAD_BLOCK),
                      block_failure("literal run cut short", join({zero_runs(), {0x83, 0x00, 0x00}}), 27, BAD_BLOCK),
                      block_failure("control byte last", join({zero_runs(), {0x00, 0x00, 0x80}}), 27, BAD_BLOCK),
                      TemplateFailure{"ROM run form with a control byte last",
                                      with_header(rom_of(3), {0x05, 0x41, 0x42, 0xE5}), 27, BAD_BLOCK}));

TEST_F(TemplateTest, MissingTemplateIsReported) {
    EXPECT_TRUE(failed_with(run({"-zvk", "t.zvk", "-o", "out.zvk"}), 5, "Can't open source file 't.zvk'!", LOADING));
    EXPECT_TRUE(dir.entries().empty());
}

TEST_F(TemplateTest, DirectoryAsTemplateIsReported) {
    dir.make_directory("sub");
    EXPECT_TRUE(failed_with(run({"-zvk", "sub", "-o", "out.zvk"}), 9, "Can't read from the source file 'sub'!",
                            "Loading template Snapshot `sub`\n"));
    EXPECT_EQ(std::vector<std::string>{"sub"}, dir.entries());
}

std::array<std::uint8_t, 26> odd_peripheral_state() {
    std::array<std::uint8_t, 26> state{};
    for (std::size_t i = 0; i < state.size(); ++i) state[i] = static_cast<std::uint8_t>(3 * i + 1);
    return state;
}

// A version 1 header of 100 bytes: the ROM image starts at offset 100, the
// words at 58..80 are no block slots, and block 2 of a V1 template is not
// read although its word is not 0. Model and interrupt flag are not taken
// over; registers (AF with bits 3 and 5 set) and peripheral state are.
TEST_F(TemplateTest, Version1WithLongHeaderCarriesRegistersRomAndBlocks) {
    HeaderFields t;
    t.header_length = 100;
    t.model = V1;
    t.interrupts_enabled = 1;
    t.registers = {0x12FF, 0x3344, 0x5566, 0x7788, 0x99AA, 0xBBCC};
    t.peripheral_state = odd_peripheral_state();
    t.rom_descriptor = 0x8400;
    t.block_lengths = {1, 0, 5000, RAW_PAGE, 16385, 16385, 16385};
    const Bytes rom = varied(1024, 7);
    const Bytes block_3 = varied(PAGE_BYTES, 3);
    dir.write("t.zvk", join({header_bytes(t), rom, {0xE5}, block_3}));

    HeaderFields expected = t;
    expected.header_length = HEADER_V1_BYTES;
    expected.model = V2A;
    expected.interrupts_enabled = 0;
    expected.block_lengths = {RAW_PAGE, 0, 0, RAW_PAGE};
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), rom, repeated(PAGE_BYTES, 0xE5), block_3}),
                           build("out.zvk", {"-zvk", "t.zvk"})));
}

TEST_F(TemplateTest, Version2WithShortHeaderAndRegistersOverridden) {
    HeaderFields t = version_2(HeaderFields{});
    t.header_length = HEADER_V1_BYTES;
    t.model = V3;
    t.registers = {0x1111, 0x2222, 0x3333, 0x4444, 0x5555, 0x6666};
    t.block_lengths[0] = RAW_PAGE;
    const Bytes page = varied(PAGE_BYTES, 8);
    dir.write("t.zvk", with_header(t, page));

    HeaderFields expected;
    expected.registers = {0xFFD7, 0x2222, 0x3333, 0x4444, 0x1234, 0x6666};
    expected.block_lengths[0] = RAW_PAGE;
    EXPECT_TRUE(same_bytes(with_header(expected, page),
                           build("out.zvk", {"-zvk", "t.zvk", "-reg", "AF", "0xFFFF", "-reg", "pc", "0x1234"})));
}

// The template's model decides which blocks are read, the command line
// which are written.
TEST_F(TemplateTest, V3TemplateWithoutModelOptionGivesV2A) {
    HeaderFields t;
    t.model = V3;
    t.block_lengths = {1, 1, 1, 1};
    dir.write("t.zvk", with_header(t, {0x10, 0x20, 0x30, 0x40}));

    HeaderFields expected;
    expected.block_lengths = {RAW_PAGE, RAW_PAGE, RAW_PAGE, RAW_PAGE};
    const Bytes pages = join({repeated(PAGE_BYTES, 0x10), repeated(PAGE_BYTES, 0x20), repeated(PAGE_BYTES, 0x30),
                              repeated(PAGE_BYTES, 0x40)});
    EXPECT_TRUE(same_bytes(with_header(expected, pages), build("out.zvk", {"-zvk", "t.zvk"})));

    expected.model = V1;
    expected.block_lengths[2] = 0;
    const Bytes without_block_2 =
        join({repeated(PAGE_BYTES, 0x10), repeated(PAGE_BYTES, 0x20), repeated(PAGE_BYTES, 0x40)});
    EXPECT_TRUE(same_bytes(with_header(expected, without_block_2), build("v1.zvk", {"-zvk", "t.zvk", "-cm", "V1"})));
}

TEST_F(TemplateTest, AllRamChangesOnlyItsByte) {
    HeaderFields t;
    t.registers = {0x12FF, 1, 2, 3, 4, 5};
    t.peripheral_state = odd_peripheral_state();
    t.block_lengths[0] = RAW_PAGE;
    const Bytes page = varied(PAGE_BYTES, 1);
    dir.write("t.zvk", with_header(t, page));
    HeaderFields expected = t;
    expected.peripheral_state[0] = ALLRAM_ON;
    EXPECT_TRUE(same_bytes(with_header(expected, page), build("out.zvk", {"-zvk", "t.zvk", "-allram"})));
}

TEST_F(TemplateTest, StoredFormsOfBlocksAreUnpacked) {
    HeaderFields t;
    const Bytes run_form = join({{0x81, 0x01, 0x02}, zero_runs(), {0x81, 0x00, 0x00}});
    const Bytes raw = varied(PAGE_BYTES, 6);
    t.block_lengths = {static_cast<std::uint16_t>(run_form.size()), 1, 0, RAW_PAGE};
    dir.write("t.zvk", join({header_bytes(t), run_form, {0xE5}, raw}));
    HeaderFields expected;
    expected.block_lengths = {RAW_PAGE, RAW_PAGE, 0, RAW_PAGE};
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), page_with({0x01, 0x02}), repeated(PAGE_BYTES, 0xE5), raw}),
                           build("out.zvk", {"-zvk", "t.zvk"})));
}

TEST_F(TemplateTest, LoadRequestsOverwriteTemplateBytes) {
    HeaderFields t;
    t.block_lengths = {1, RAW_PAGE};
    const Bytes block_1 = varied(PAGE_BYTES, 5);
    dir.write("t.zvk", join({header_bytes(t), {0xE5}, block_1}));
    dir.write("small.bin", repeated(3, 0x77));

    Bytes page_0 = page_with(repeated(3, 0x77), 16, 0xE5);
    Bytes page_1 = block_1;
    page_1[16] = 0x01;
    page_1[17] = 0x02;
    HeaderFields expected;
    expected.block_lengths = {RAW_PAGE, RAW_PAGE};
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), page_0, page_1}),
                           build("out.zvk", {"-zvk", "t.zvk", "-hex", "0x4010", "0102", "-mem", "16", "small.bin"})));
}

struct TemplateRomCase {
    std::string name;
    std::uint16_t template_descriptor;
    Bytes template_rom;
    Bytes rom_file;  // loaded with -rom when not empty
    std::uint16_t descriptor;
    Bytes stored;
};

void PrintTo(const TemplateRomCase& c, std::ostream* os) { *os << c.name; }

class TemplateRomTest : public CliTest, public ::testing::WithParamInterface<TemplateRomCase> {};

TEST_P(TemplateRomTest, RomImageIsTakenOrReplaced) {
    const TemplateRomCase& c = GetParam();
    dir.write("t.zvk", join({header_bytes(rom_of(c.template_descriptor)), c.template_rom, {0xE5}}));
    std::vector<std::string> arguments = {"-zvk", "t.zvk"};
    if (!c.rom_file.empty()) {
        dir.write("rom.bin", c.rom_file);
        arguments.insert(arguments.end(), {"-rom", "rom.bin"});
    }
    HeaderFields expected;
    expected.rom_descriptor = c.descriptor;
    expected.block_lengths[0] = RAW_PAGE;
    EXPECT_TRUE(
        same_bytes(join({header_bytes(expected), c.stored, repeated(PAGE_BYTES, 0xE5)}), build("out.zvk", arguments)));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, TemplateRomTest,
    ::testing::Values(
        TemplateRomCase{"raw 5000 bytes", 0x9388, varied(5000), {}, 0x9388, varied(5000)},
        TemplateRomCase{"fill form", 0x0001, {0xFF}, {}, 0xC000, repeated(PAGE_BYTES, 0xFF)},
        TemplateRomCase{
            "run form of 9 bytes", 4, {0x05, 0x41, 0x80, 0x42}, {}, 0x8009, join({repeated(8, 0x41), {0x42}})},
        TemplateRomCase{"replaced by a ROM file", 0x8800, varied(2048), varied(5000, 1), 0x9400,
                        join({varied(5000, 1), repeated(120, 0xFF)})}));

TEST_F(TemplateTest, OutputMayBeTheTemplateItself) {
    dir.write("t.zvk", with_header(fill_block_0(), {0xE5}));
    HeaderFields expected;
    expected.block_lengths[0] = RAW_PAGE;
    EXPECT_TRUE(same_bytes(with_header(expected, page_with({0x11}, 0, 0xE5)),
                           build("t.zvk", {"-zvk", "t.zvk", "-hex", "0", "11"})));
}

TEST_F(TemplateTest, FailedRunLeavesOutputAndTemplateUntouched) {
    const Bytes truncated = with_header(block_0_of(PAGE_BYTES), repeated(1000, 1));
    const Bytes valid = with_header(fill_block_0(), {0xE5});
    const Bytes previous = repeated(77, 0x42);
    dir.write("bad.zvk", truncated);
    dir.write("good.zvk", valid);
    dir.write("out.zvk", previous);

    EXPECT_TRUE(failed_with(run({"-zvk", "bad.zvk", "-o", "out.zvk"}), 9, "Can't read from the source file 'bad.zvk'!",
                            "Loading template Snapshot `bad.zvk`\n"));
    EXPECT_TRUE(failed_with(run({"-zvk", "bad.zvk", "-o", "bad.zvk"}), 9, "Can't read from the source file 'bad.zvk'!",
                            "Loading template Snapshot `bad.zvk`\n"));
    EXPECT_TRUE(failed_with(run({"-zvk", "good.zvk", "-o", "good.zvk", "-mem", "0", "missing.bin"}), 5,
                            "Can't open source file 'missing.bin'!", "Loading template Snapshot `good.zvk`\n"));
    EXPECT_TRUE(same_bytes(previous, dir.read("out.zvk")));
    EXPECT_TRUE(same_bytes(truncated, dir.read("bad.zvk")));
    EXPECT_TRUE(same_bytes(valid, dir.read("good.zvk")));
    EXPECT_EQ((std::vector<std::string>{"bad.zvk", "good.zvk", "out.zvk"}), dir.entries());
}

// A version 2 template with blocks beyond 3; its add-on hardware bytes are
// never taken over.
class MapperTemplateTest : public TemplateTest {
protected:
    void SetUp() override {
        HeaderFields t = version_2(HeaderFields{});
        t.mapper_port_value = 3;
        t.vcpu_interrupt_circuit = 0x87;
        t.mif85_state = 1;
        t.reserved.fill(0x55);
        t.musica_state = MUSICA_PLUGGED;
        t.registers = {0x12FF, 1, 2, 3, 4, 5};
        t.block_lengths[0] = 1;
        t.block_lengths[5] = 1;
        t.block_lengths[15] = RAW_PAGE;
        dir.write("t.zvk", join({header_bytes(t), {0x01}, {0x05}, block_15}));
        kept.registers = t.registers;
    }

    const Bytes block_15 = varied(PAGE_BYTES, 15);
    HeaderFields kept;
};

TEST_F(MapperTemplateTest, AddOnOptionWithoutMapperWritesHighBlockWordsAsZero) {
    HeaderFields expected = version_2(kept);
    expected.musica_state = MUSICA_PLUGGED;
    expected.block_lengths[0] = RAW_PAGE;
    EXPECT_TRUE(
        same_bytes(with_header(expected, repeated(PAGE_BYTES, 0x01)), build("out.zvk", {"-zvk", "t.zvk", "-mus"})));
}

TEST_F(MapperTemplateTest, NoAddOnOptionGivesVersion1) {
    HeaderFields expected = kept;
    expected.block_lengths[0] = RAW_PAGE;
    EXPECT_TRUE(same_bytes(with_header(expected, repeated(PAGE_BYTES, 0x01)), build("out.zvk", {"-zvk", "t.zvk"})));
}

TEST_F(MapperTemplateTest, MapperOptionKeepsEveryBlock) {
    HeaderFields expected = version_2(kept);
    expected.mapper_port_value = 3;
    expected.block_lengths[0] = RAW_PAGE;
    expected.block_lengths[5] = RAW_PAGE;
    expected.block_lengths[15] = RAW_PAGE;
    EXPECT_TRUE(
        same_bytes(with_header(expected, join({repeated(PAGE_BYTES, 0x01), repeated(PAGE_BYTES, 0x05), block_15})),
                   build("out.zvk", {"-zvk", "t.zvk", "-mm", "3"})));
}

}  // namespace
}  // namespace quillet_test
