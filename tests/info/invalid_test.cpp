// Invalid snapshots get template loading's codes and messages; several
// files are each reported; the command line of quillet-info itself.
#include <algorithm>
#include <string>
#include <vector>

#include "info_test_support.hpp"
#include "mini_json.hpp"
#include "support/target.hpp"
#include "snapshot/snapshot_format.hpp"

namespace info_test {
namespace {

using namespace quillet;

void put_word(Bytes& bytes, int offset, unsigned value) {
    bytes[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[static_cast<std::size_t>(offset) + 1] = static_cast<std::uint8_t>(value >> 8);
}

// A header of `length` bytes (at least the 7 bytes checked first) with the
// magic, no ROM image and no blocks.
Bytes header(int version, int length, int model) {
    Bytes bytes(static_cast<std::size_t>(std::max(length, HEADER_PROBE_SIZE)), 0);
    std::copy(MAGIC, MAGIC + MAGIC_SIZE, bytes.begin());
    bytes[OFFSET_VERSION] = static_cast<std::uint8_t>(version);
    put_word(bytes, OFFSET_HEADER_LENGTH, static_cast<unsigned>(length));
    bytes[OFFSET_COMPUTER_MODEL] = static_cast<std::uint8_t>(model);
    return bytes;
}

Bytes with_block_word(Bytes bytes, int block, unsigned word, const Bytes& data) {
    put_word(bytes, OFFSET_BLOCK_LENGTHS_LOW + 2 * block, word);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

Bytes with_rom(Bytes bytes, unsigned descriptor, const Bytes& data) {
    put_word(bytes, OFFSET_ROM_DESCRIPTOR, descriptor);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

struct InvalidCase {
    const char* name;
    Bytes bytes;
    int status;
    const char* message;  // %s: the path
    const char* detail;   // the line quillet-info adds
};

std::vector<InvalidCase> invalid_cases() {
    const Bytes v1 = header(1, HEADER_SIZE_V1, MODEL_V2A);
    Bytes lower_magic = v1;
    lower_magic[0] = 'z';
    const char* const short_read = "Can't read from the source file '%s'!";
    const char* const bad_header = "Bad or no ZVK header in file: '%s'!";
    const char* const bad_unpack = "Bad size of memory blocks after unpack in ZVK file: '%s'!";
    return {
        {"empty", {}, 9, short_read, "the file is empty"},
        {"six_bytes", Bytes(v1.begin(), v1.begin() + 6), 9, short_read, "the file ends inside the header, 6 of 7 bytes"},
        {"lower_case_magic", lower_magic, 24, bad_header, "the file does not begin with \"ZVK\""},
        {"version_0", header(0, HEADER_SIZE_V1, MODEL_V2A), 25, "Bad ZVK version `0` in file: '%s'!",
         "the version byte at offset 3 is 0; versions 1 and 2 exist"},
        {"version_3_length_0", header(3, 0, MODEL_V2A), 25, "Bad ZVK version `3` in file: '%s'!",
         "the version byte at offset 3 is 3; versions 1 and 2 exist"},
        {"header_length_55", header(1, 55, MODEL_V2A), 24, bad_header,
         "the header length at offset 4 is 55, outside 56 to 124"},
        {"header_length_125", header(2, 125, MODEL_V2A), 24, bad_header,
         "the header length at offset 4 is 125, outside 56 to 124"},
        {"model_8", header(1, HEADER_SIZE_V1, 8), 26, "Unknown computer model `8` in ZVK file: '%s'!",
         "the model byte at offset 6 is 8; models 0 to 7 exist"},
        {"short_header", Bytes(v1.begin(), v1.begin() + 40), 9, short_read,
         "the file ends inside the header, 40 of 56 bytes"},
        {"block_word_16385_unread_block_2", with_block_word(header(1, HEADER_SIZE_V1, MODEL_V1), 2, 16385, {}), 24,
         bad_header, "the length of block 2 at offset 26 is 16,385, above 16,384"},
        {"rom_length_16385", with_rom(v1, 0xC001, {}), 24, bad_header,
         "the ROM image's stored length at offset 20 is 16,385, above 16,384"},
        {"rom_raw_length_0", with_rom(v1, 0x8000, {}), 27, bad_unpack,
         "the ROM image's descriptor at offset 20, 0x8000, gives it no bytes"},
        {"block_cut_short", with_block_word(v1, 0, 100, Bytes(50, 0)), 9, short_read,
         "the file ends inside block 0, 50 of 100 bytes"},
        {"block_of_16384_cut_short", with_block_word(v1, 1, 16384, Bytes(2880, 0)), 9, short_read,
         "the file ends inside block 1, 2,880 of 16,384 bytes"},
        {"block_unpacks_short", with_block_word(v1, 0, 2, {0x00, 0x41}), 27, bad_unpack,
         "block 0 at offset 56 unpacks to 3 of 16,384 bytes"},
        {"block_with_bytes_left_over", with_block_word(v1, 1, 3, {0x7F, 0x41, 0x42}), 27, bad_unpack,
         "block 1 at offset 56 does not unpack to 16,384 bytes: its stored bytes go on"},
    };
}

std::string message(const char* format, const std::string& path) {
    char text[512];
    std::snprintf(text, sizeof text, format, path.c_str());
    return std::string(text) + "\n";
}

// The message and the line of the detail after it.
std::string with_detail(const std::string& message, const std::string& detail) {
    return message + detail + "\n";
}

class InvalidTest : public InfoTest, public ::testing::WithParamInterface<InvalidCase> {};

[[maybe_unused]] void PrintTo(const InvalidCase& c, std::ostream* out) { *out << c.name; }

TEST_P(InvalidTest, ReportedAsForATemplate) {
    const InvalidCase& c = GetParam();
    const std::string file = path("bad.zvk");
    dir_.write("bad.zvk", c.bytes);

    const RunResult text = run_info({file});
    EXPECT_EQ(text.status, c.status);
    EXPECT_EQ(text.err, with_detail(message(c.message, file), c.detail));
    EXPECT_EQ(text.out, "");

    const RunResult json = run_info({"--json", file});
    EXPECT_EQ(json.status, c.status);
    JsonValue value;
    std::string error;
    ASSERT_TRUE(parse_json(json.out, &value, &error)) << error;
    EXPECT_EQ(value.keys, (std::vector<std::string>{"file", "status", "detail"}));
    EXPECT_EQ(value["file"].text, file);
    EXPECT_EQ(value["status"].number, c.status);
    EXPECT_EQ(value["detail"].text, c.detail);
}

INSTANTIATE_TEST_SUITE_P(Files, InvalidTest, ::testing::ValuesIn(invalid_cases()),
                         [](const ::testing::TestParamInfo<InvalidCase>& info) { return std::string(info.param.name); });

TEST_F(InfoTest, MissingFileAndDirectory) {
    const RunResult missing = run_info({path("nothing.zvk")});
    EXPECT_EQ(missing.status, 5);
    EXPECT_EQ(missing.err, message("Can't open source file '%s'!", path("nothing.zvk")));
    const RunResult directory = run_info({path("")});
    EXPECT_EQ(directory.status, 9);
    EXPECT_EQ(directory.err, message("Can't read from the source file '%s'!", path("")));
    EXPECT_EQ(directory.out, "");
}

TEST_F(InfoTest, EachFileIsReportedAndTheFirstFailureSetsTheStatus) {
    const std::string good = path("good.zvk");
    const std::string bad_magic = path("magic.zvk");
    const std::string bad_version = path("version.zvk");
    dir_.write("good.zvk", header(1, HEADER_SIZE_V1, MODEL_V2A));
    Bytes lower = header(1, HEADER_SIZE_V1, MODEL_V2A);
    lower[1] = 'v';
    dir_.write("magic.zvk", lower);
    dir_.write("version.zvk", header(7, HEADER_SIZE_V1, MODEL_V2A));

    const RunResult text = run_info({bad_magic, good, bad_version});
    EXPECT_EQ(text.status, 24);
    EXPECT_EQ(text.err, with_detail(message("Bad or no ZVK header in file: '%s'!", bad_magic),
                                    "the file does not begin with \"ZVK\"") +
                            with_detail(message("Bad ZVK version `7` in file: '%s'!", bad_version),
                                        "the version byte at offset 3 is 7; versions 1 and 2 exist"));
    EXPECT_EQ(text.out.rfind("File:", 0), 0u) << "no blank line or banner before the only summary";
    EXPECT_EQ(text_field(text.out, "File:"), good);

    const RunResult json = run_info({"-j", good, bad_version, bad_magic});
    EXPECT_EQ(json.status, 25);
    JsonValue value;
    std::string error;
    ASSERT_TRUE(parse_json(json.out, &value, &error)) << error;
    ASSERT_EQ(value.kind, JsonValue::ARRAY);
    ASSERT_EQ(value.items.size(), 3u);
    EXPECT_EQ(value[0]["file"].text, good);
    EXPECT_EQ(value[0]["status"].number, 0);
    EXPECT_EQ(value[0]["model"].text, "V2A");
    EXPECT_EQ(value[1]["status"].number, 25);
    EXPECT_EQ(value[2]["status"].number, 24);
}

// Files that quillet never writes but that are valid: what the reader
// makes of them is shown as it is.
TEST_F(InfoTest, UnusualValidFilesAreShownAsTheyAre) {
    Bytes v1_model = header(1, HEADER_SIZE_V1, MODEL_V1);
    v1_model[OFFSET_ALLRAM] = 0x12;
    v1_model[OFFSET_INTERRUPTS_ENABLED] = 1;
    v1_model = with_block_word(v1_model, 1, 1, {0x11});
    v1_model = with_block_word(v1_model, 2, 5000, {});  // model V1: no data follows
    v1_model = with_block_word(v1_model, 3, 1, {0x33});
    v1_model.insert(v1_model.end(), {9, 9, 9, 9, 9});
    const std::string file = path("odd.zvk");
    dir_.write("odd.zvk", v1_model);

    const RunResult text = run_info({file, "-m", path("memory.bin")});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text_field(text.out, "AllRAM:"), "0x12");
    EXPECT_EQ(text_field(text.out, "Interrupts:"), "enabled");
    EXPECT_EQ(block_line(text.out, 2), "0x8000-0xBFFF   not stored for this model (length word 5000 ignored)");
    EXPECT_EQ(block_line(text.out, 3), "0xC000-0xFFFF   present, fill form, 1 byte stored at offset 57");
    EXPECT_EQ(text_field(text.out, "File size:"), "63 bytes");
    EXPECT_EQ(text_field(text.out, "After last piece:"), "5 bytes from offset 58");
    const Bytes memory = dir_.read("memory.bin");
    ASSERT_EQ(memory.size(), 65536u);
    EXPECT_EQ(memory[0x4000], 0x11);
    EXPECT_EQ(memory[0x7FFF], 0x11);
    EXPECT_EQ(memory[0x8000], 0x00);
    EXPECT_EQ(memory[0xC000], 0x33);
    EXPECT_EQ(memory[0xFFFF], 0x33);

    const RunResult json = run_info({"--json", file});
    JsonValue value;
    std::string error;
    ASSERT_TRUE(parse_json(json.out, &value, &error)) << error;
    EXPECT_EQ(value["allram"].text, "other");
    EXPECT_EQ(value["allram_byte"].number, 0x12);
    EXPECT_EQ(value["blocks"][2]["length_word"].number, 5000);
    EXPECT_EQ(value["blocks"][2]["stored_length"].number, 0);
    EXPECT_EQ(value["trailing_bytes"].number, 5);
    EXPECT_EQ(value["end_offset"].number, 58);
}

TEST_F(InfoTest, ShortVersion2HeaderAndLongVersion1Header) {
    // Version 2 with a 56-byte header: the add-on bytes beyond it read as 0.
    const std::string short_v2 = path("short.zvk");
    dir_.write("short.zvk", header(2, HEADER_SIZE_V1, MODEL_V3));
    const RunResult text = run_info({short_v2});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text_field(text.out, "VideoCPU circuit:"), "unknown state 0x00");
    EXPECT_EQ(text_field(text.out, "Memory mapper:"), "port value 0");
    EXPECT_EQ(text_field(text.out, "MIF 85:"), "plugged, CT0 interrupt disabled");
    EXPECT_EQ(block_line(text.out, 15), "mapper page 15  absent");

    // Version 1 with a 100-byte header: the ROM image starts at 100.
    const std::string long_v1 = path("long.zvk");
    dir_.write("long.zvk", with_rom(header(1, 100, MODEL_V2A), 0x8001, {0x77}));
    const RunResult rom = run_info({long_v1, "-x", path("")});
    ASSERT_EQ(rom.status, 0) << rom.err;
    EXPECT_EQ(text_field(rom.out, "Header length:"), "100 bytes");
    EXPECT_EQ(text_field(rom.out, "ROM image:"), "raw form, 1 byte stored at offset 100, 1 byte unpacked");
    EXPECT_EQ(dir_.read("rom.bin"), Bytes{0x77});
}

TEST_F(InfoTest, JsonEscapesTheFileName) {
    QUILLET_REQUIRE(quillet_test::Facility::ANY_NAME_CHARACTER);
    const std::string odd = path("quote\"back\\slash\ttab.zvk");
    dir_.write("quote\"back\\slash\ttab.zvk", header(1, HEADER_SIZE_V1, MODEL_C2717));
    const RunResult json = run_info({"--json", odd});
    ASSERT_EQ(json.status, 0) << json.err;
    JsonValue value;
    std::string error;
    ASSERT_TRUE(parse_json(json.out, &value, &error)) << error << json.out;
    EXPECT_EQ(value["file"].text, odd);
    EXPECT_EQ(value["model"].text, "C2717");
}

TEST(InfoCommandLine, HelpAndVersion) {
    const RunResult version = run_info({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "quillet-info 1.0\n");
    EXPECT_EQ(version.err, "");
    for (const char* help : {"-h", "--help"}) {
        const RunResult run = run_info({help});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out.rfind("Usage: quillet-info [OPTION]... FILE...\n", 0), 0u) << run.out;
        EXPECT_EQ(run.err, "");
    }
}

TEST(InfoCommandLine, UsageErrorsExitWith64) {
    const struct {
        std::vector<std::string> arguments;
        const char* first_line;
    } cases[] = {
        {{}, "quillet-info: no snapshot FILE given\n"},
        {{"--bogus", "a.zvk"}, "quillet-info: unknown option '--bogus'\n"},
        {{"-jq", "a.zvk"}, "quillet-info: unknown option '-q'\n"},
        {{"--json", "-qj", "a.zvk"}, "quillet-info: unknown option '-q'\n"},
        {{"--json=1", "a.zvk"}, "quillet-info: option takes no value '--json=1'\n"},
        {{"--version=1"}, "quillet-info: option takes no value '--version=1'\n"},
        {{"a.zvk", "-x"}, "quillet-info: missing value for '-x'\n"},
        {{"a.zvk", "--memory"}, "quillet-info: missing value for '--memory'\n"},
    };
    for (const auto& c : cases) {
        const RunResult run = run_info(c.arguments);
        EXPECT_EQ(run.status, 64) << c.first_line;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind(c.first_line, 0), 0u) << run.err;
    }
}

}  // namespace
}  // namespace info_test
