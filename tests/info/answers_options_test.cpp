// The command line of the options that look inside a snapshot: usage
// errors that name the bad text and write nothing, -m with --range, and a
// snapshot read from standard input.
#include <string>
#include <vector>

#include "info_test_support.hpp"
#include "mini_json.hpp"
#include "quillet/quillet.h"

namespace info_test {
namespace {

constexpr int PAGE = 16384;

Bytes counting(std::size_t count, std::uint8_t start) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(start + i);
    return bytes;
}

Bytes slice(const Bytes& bytes, std::size_t from, std::size_t count) {
    return Bytes(bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(from + count));
}

TEST_F(InfoTest, BadValuesAndCombinationsAreUsageErrorsThatWriteNothing) {
    const std::string a = path("a.zvk");
    const std::string out = path("out.bin");
    const std::string png = path("out.png");
    const struct {
        std::vector<std::string> arguments;
        std::string first_line;  // after "quillet-info: "
    } cases[] = {
        {{"--peek", "0x10000", a}, "range past 0xFFFF '0x10000'"},
        {{"--peek", "0xFFFF+2", a}, "range past 0xFFFF '0xFFFF+2'"},
        {{"--peek", "0xFFF0-65536", a}, "range past 0xFFFF '0xFFF0-65536'"},
        {{"--peek", "p5:0x4000", a}, "range past the end of its page (0x3FFF) 'p5:0x4000'"},
        {{"--peek", "p15:0x3FFF+2", a}, "range past the end of its page (0x3FFF) 'p15:0x3FFF+2'"},
        {{"--peek", "p16:0", a}, "bad page in range 'p16:0'"},
        {{"--peek", "p:0", a}, "bad page in range 'p:0'"},
        {{"--peek", "p5", a}, "bad range 'p5'"},
        {{"--peek", "10-5", a}, "empty range '10-5'"},
        {{"--peek", "0+0", a}, "empty range '0+0'"},
        {{"--peek", "0x", a}, "bad range '0x'"},
        {{"--peek", "C000H", a}, "bad range 'C000H'"},
        {{"--peek", "-5", a}, "bad range '-5'"},
        {{"--peek", " 5", a}, "bad range ' 5'"},
        {{"--peek", "", a}, "bad range ''"},
        {{"--peek", "0x10-", a}, "bad range '0x10-'"},
        {{"--peek", "5-+6", a}, "bad range '5-+6'"},
        {{"--peek", "12abc", a}, "bad range '12abc'"},
        {{"--disassemble", "0xFFFF+2", a}, "range past 0xFFFF '0xFFFF+2'"},
        {{"--disassemble", "p1:0x3FFF-0x4000", a}, "range past the end of its page (0x3FFF) 'p1:0x3FFF-0x4000'"},
        {{"--find", "ABC", a}, "bad hexadecimal find string 'ABC'"},
        {{"--find", "GG", a}, "bad hexadecimal find string 'GG'"},
        {{"--find", "0x41", a}, "bad hexadecimal find string '0x41'"},
        {{"--find", "", a}, "empty find string ''"},
        {{"--screen", png, "--scale", "0", a}, "bad scale (1 to 4) '0'"},
        {{"--screen", png, "--scale", "5", a}, "bad scale (1 to 4) '5'"},
        {{"--screen", png, "--scale", "2x", a}, "bad scale (1 to 4) '2x'"},
        {{"--screen", png, "--palette", "ff0000,00ff00,0000ff", a},
         "palette needs four colours RRGGBB,RRGGBB,RRGGBB,RRGGBB 'ff0000,00ff00,0000ff'"},
        {{"--screen", png, "--palette", "ff0000,00ff00,0000ff,ffffff,000000", a},
         "palette needs four colours RRGGBB,RRGGBB,RRGGBB,RRGGBB 'ff0000,00ff00,0000ff,ffffff,000000'"},
        {{"--screen", png, "--palette", "ff000,00ff00,0000ff,ffffff", a},
         "bad colour in palette (RRGGBB, hexadecimal) 'ff000,00ff00,0000ff,ffffff'"},
        {{"--screen", png, "--palette", "ff0000,00ff00,0000fg,ffffff", a},
         "bad colour in palette (RRGGBB, hexadecimal) 'ff0000,00ff00,0000fg,ffffff'"},
        {{"-m", out, "--range", "0x10000", a}, "range past 0xFFFF '0x10000'"},
        {{"--range", "0+1", a}, "--range needs -m OUT '0+1'"},
        {{"--scale", "2", a}, "--scale needs --screen OUT.png '2'"},
        {{"--palette", "000000,000000,000000,000000", a},
         "--palette needs --screen OUT.png '000000,000000,000000,000000'"},
        {{"--peek", "0", a, a}, "--peek takes a single snapshot FILE"},
        {{"--disassemble", "0", a, a}, "--disassemble takes a single snapshot FILE"},
        {{"--find", "00", a, a}, "--find takes a single snapshot FILE"},
        {{"--diff", a, a, a}, "--diff takes a single snapshot FILE"},
        {{"--screen", png, a, a}, "--screen takes a single snapshot FILE"},
        {{"-m", out, "--peek", "0", a, a}, "-x and -m take a single snapshot FILE"},
        {{"--diff", a, "--diff", a, a}, "second --diff '" + a + "'"},
        {{"-m", out, "--range", "0", "--range", "1", a}, "second --range '1'"},
        {{"--screen", png, "--screen", png, a}, "second --screen '" + png + "'"},
        {{"-m", out, "--memory", path("other.bin"), a}, "second --memory '" + path("other.bin") + "'"},
        {{"-m=" + out, a}, "short option value starts with '=' '-m=" + out + "'"},
        {{"-", "--diff", "-"}, "standard input named twice: '-'"},
        {{"-", "-"}, "standard input named twice: '-'"},
        {{a, "--peek"}, "missing value for '--peek'"},
        {{a, "--disassemble"}, "missing value for '--disassemble'"},
    };
    make_snapshot("a.zvk", {"-hex", "0xC000", "FF"});
    for (const auto& c : cases) {
        const RunResult run = run_info(c.arguments);
        EXPECT_EQ(run.status, 64) << c.first_line;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')), "quillet-info: " + c.first_line);
    }
    EXPECT_EQ(dir_.entries(), std::vector<std::string>{"a.zvk"});
}

TEST_F(InfoTest, MemoryRangeWritesOnlyThoseBytes) {
    const Bytes program = counting(300, 1);
    Bytes page = counting(PAGE, 7);
    dir_.write("program.bin", program);
    dir_.write("page.bin", page);
    const std::string alfa = make_snapshot("alfa.zvk", {"-pack", "-mem", "0x3F00", path("program.bin"), "-cm",
                                                        "ALFA", "-hex", "0x7FFF", "AABB"});
    const std::string mapper = make_snapshot("mapper.zvk", {"-pg", "9", path("page.bin")});
    const struct {
        const std::string& file;
        const char* range;
        Bytes expected;
    } cases[] = {
        {alfa, "0x3F00+300", program},  // the loaded binary, across blocks 0 and 1
        {alfa, "0x3FFF-0x4000", slice(program, 0xFF, 2)},
        {alfa, "0x7FFE-0x8001", Bytes{0, 0xAA, 0, 0}},  // block 2 is not stored for ALFA: zeros, as with -m
        {alfa, "0xFFFF", Bytes{0}},
        {mapper, "p9:0x3FF0+16", slice(page, 0x3FF0, 16)},
        {mapper, "p9:0", Bytes{7}},
    };
    for (const auto& c : cases) {
        const RunResult run = run_info({"-m", path("out.bin"), "--range", c.range, c.file});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(dir_.read("out.bin"), c.expected) << c.range;
    }
}

TEST_F(InfoTest, StandardInputIsReadAsAFile) {
    dir_.write("page.bin", counting(100, 1));
    make_snapshot("s.zvk", {"-pack", "-pg", "1", path("page.bin")});
    Bytes bytes = dir_.read("s.zvk");
    const RunResult as_file = run_info({path("s.zvk")});
    bytes.insert(bytes.end(), {1, 2, 3});

    const RunResult run = run_info_with_input({"-"}, bytes);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(text_field(run.out, "File:"), "-");
    EXPECT_EQ(text_field(run.out, "Blocks:"), text_field(as_file.out, "Blocks:"));
    EXPECT_EQ(block_line(run.out, 1), block_line(as_file.out, 1));
    EXPECT_EQ(text_field(run.out, "File size:"), std::to_string(bytes.size()) + " bytes");
    EXPECT_EQ(text_field(run.out, "After last piece:"), "3 bytes from offset " + std::to_string(bytes.size() - 3));

    const RunResult peek = run_info_with_input({"--json", "--peek", "0x4000+2", "-"}, bytes);
    JsonValue value;
    std::string error;
    ASSERT_TRUE(parse_json(peek.out, &value, &error)) << error;
    EXPECT_EQ(value["file"].text, "-");
    EXPECT_EQ(value["peek"][0]["bytes"].text, "0102");

    const RunResult empty = run_info_with_input({"-"}, {});
    EXPECT_EQ(empty.status, 9);
    EXPECT_EQ(empty.err, "Can't read from the source file '-'!\nthe file is empty\n");
}

// Standard input is read up to the largest snapshot and one byte more: an
// endless input (/dev/zero) fails. A regular file of that size is read as
// a template is, to its last piece: the bytes after it do not count.
TEST_F(InfoTest, StandardInputBeyondTheLargestSnapshotIsTooLong) {
    const std::string too_long = "Source file '%s' is too long! Max length 278652 bytes.\n"
                                 "the file is longer than 278,652 bytes, the most a snapshot can use\n";
    const auto expected = [&](const std::string& name) {
        std::string text = too_long;
        text.replace(text.find("%s"), 2, name);
        return text;
    };
    make_snapshot("s.zvk", {"-hex", "0", "C9"});
    Bytes bytes = dir_.read("s.zvk");
    bytes.resize(QUILLET_SNAPSHOT_SIZE_MAX, 0);
    const RunResult largest = run_info_with_input({"-"}, bytes);
    EXPECT_EQ(largest.status, 0) << largest.err;
    dir_.write("largest.zvk", bytes);
    EXPECT_EQ(run_info({path("largest.zvk")}).status, 0);

    bytes.push_back(0);
    const RunResult beyond = run_info_with_input({"-"}, bytes);
    EXPECT_EQ(beyond.status, 8);
    EXPECT_EQ(beyond.err, expected("-"));
    EXPECT_EQ(beyond.out, "");
    dir_.write("beyond.zvk", bytes);
    const RunResult file = run_info({path("beyond.zvk")});
    EXPECT_EQ(file.status, 0) << file.err;
    EXPECT_EQ(text_field(file.out, "File size:"), "278653 bytes");

    // Far more input than that ends the same way, without reading it all.
    bytes.resize(3 * QUILLET_SNAPSHOT_SIZE_MAX, 0);
    EXPECT_EQ(run_info_with_input({"-"}, bytes).status, 8);
}

}  // namespace
}  // namespace info_test
