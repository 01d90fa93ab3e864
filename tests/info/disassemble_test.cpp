// quillet-info --disassemble over a snapshot with known code: documented
// and undocumented opcodes, instructions that run past the range's end, over
// a block boundary, into absent memory and past the end of the space or the
// page, and absent blocks shown as absent; the text listing and its JSON.
#include <fstream>
#include <string>
#include <vector>

#include "info_test_support.hpp"
#include "mini_json.hpp"

namespace info_test {
namespace {

constexpr int PAGE = 16384;

// Eight blank byte columns of a hex dump line.
#define EIGHT_BLANK "                        "

// Blocks 0, 1 and 3 are present, block 2 is absent.
const std::vector<std::string> CODE = {
    // 0x0100: MOV A,M; MVI B,3EH; LXI H,0C000H; JNZ 0105H; RST 7;
    // undocumented 0CBH (JMP) and 08H (NOP); CALL 1234H.
    "-hex", "0x0100", "7e063e2100c0c20501ffcb050108cd3412",
    // 0x3FFD: MVI A,01H, and a JMP 0100H whose operand lies in block 1.
    "-hex", "0x3FFD", "3e01c30001",
    // 0x7FFF: a CALL whose operand would lie in the absent block 2.
    "-hex", "0x7FFF", "cd",
    // 0xC000: NOP; 0xFFFE: an LXI B cut short by the end of memory.
    "-hex", "0xC000", "00", "-hex", "0xFFFE", "0134",
};

class DisassembleTest : public InfoTest {
protected:
    std::string snapshot() { return make_snapshot("code.zvk", CODE); }
};

struct ListingCase {
    const char* name;
    const char* range;
    const char* text;  // the whole standard output
};

const ListingCase LISTING_CASES[] = {
    {"documented_and_undocumented_opcodes", "0x0100-0x010E",
     "0100  7e        MOV A,M\n"
     "0101  06 3e     MVI B,3EH\n"
     "0103  21 00 c0  LXI H,0C000H\n"
     "0106  c2 05 01  JNZ 0105H\n"
     "0109  ff        RST 7\n"
     "010a  cb 05 01  DB 0CBH,05H,01H ; JMP 0105H\n"
     "010d  08        DB 08H ; NOP\n"
     "010e  cd 34 12  CALL 1234H\n"},
    {"last_instruction_across_the_range_end_and_a_block_boundary", "0x3FFD+3",
     "3ffd  3e 01     MVI A,01H\n"
     "3fff  c3 00 01  JMP 0100H\n"},
    {"cut_short_by_an_absent_block_which_is_one_line", "0x7FFF-0xC000",
     "7fff  cd        DB 0CDH ; cut short (3-byte instruction)\n"
     "8000  --        (absent, 16384 bytes)\n"
     "c000  00        NOP\n"},
    {"starting_in_absent_memory", "0xBFFF+2",
     "bfff  --        (absent, 1 byte)\n"
     "c000  00        NOP\n"},
    {"cut_short_by_the_end_of_memory", "0xFFFE",
     "fffe  01 34     DB 01H,34H ; cut short (3-byte instruction)\n"},
    // Offset 0x3FFF is the last of page 0: the JMP there does not reach
    // into page 1 as it does at address 0x3FFF.
    {"cut_short_by_the_end_of_a_page", "p0:0x3FFD-0x3FFF",
     "p0:3ffd  3e 01     MVI A,01H\n"
     "p0:3fff  c3        DB 0C3H ; cut short (3-byte instruction)\n"},
};

TEST_F(DisassembleTest, ListsOneInstructionALineAndAbsentRunsWithoutDecoding) {
    const std::string file = snapshot();
    for (const ListingCase& c : LISTING_CASES) {
        SCOPED_TRACE(c.name);
        const RunResult run = run_info({"--disassemble", c.range, file});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, c.text);
        EXPECT_EQ(run.err, "");
    }
}

TEST_F(DisassembleTest, LabelsStandOnTheirOwnLinesAndNameJumpTargets) {
    // A label inside the LXI (no line: no instruction starts there, but a
    // jump's target may name it), two at the JNZ, one at the CALL's target;
    // the undocumented JMP stays data, and a page's listing has no labels.
    const std::string file = snapshot();
    std::ofstream(path("code.sym")) << "start EQU 0100H\nmiddle EQU 0105H\nagain EQU 0106H\nretry EQU 0106H\n"
                                       "far EQU 1234H\n";
    const RunResult run = run_info({"--symbols", path("code.sym"), "--disassemble", "start..0x010E", file,
                                    "--disassemble", "p0:0x0106-0x0108"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "start:\n"
              "0100  7e        MOV A,M\n"
              "0101  06 3e     MVI B,3EH\n"
              "0103  21 00 c0  LXI H,0C000H\n"
              "again:\n"
              "retry:\n"
              "0106  c2 05 01  JNZ middle (0x0105)\n"
              "0109  ff        RST 7\n"
              "010a  cb 05 01  DB 0CBH,05H,01H ; JMP 0105H\n"
              "010d  08        DB 08H ; NOP\n"
              "010e  cd 34 12  CALL far (0x1234)\n"
              "\n"
              "p0:0106  c2 05 01  JNZ 0105H\n");
}

TEST_F(DisassembleTest, AnswersComeAfterThePeeksAndBeforeTheFinds) {
    const std::string file = snapshot();
    const RunResult run = run_info({"--find", "cd3412", "--disassemble", "0x0109", file, "--peek", "0x0109+2",
                                    "--disassemble", "0xFFFF"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "0109  ff cb                    " EIGHT_BLANK " |..|\n"
              "\n"
              "0109  ff        RST 7\n"
              "\n"
              "ffff  34        INR M\n"
              "\n"
              "cd3412: 1 match\n"
              "  0x010E\n");
}

struct JsonEntry {
    double address;
    std::string bytes;
    const char* text;  // null: an absent run, whose text is null
};

TEST_F(DisassembleTest, JsonHasOneListingPerRangeWithTheLinesOfTheText) {
    const std::string file = snapshot();
    const RunResult run =
        run_info({"--json", "--disassemble", "0x010A-0x010D", "--disassemble", "0x7FFF-0xC000", "--disassemble",
                  "p0:0x3FFF", file});
    EXPECT_EQ(run.status, 0) << run.err;
    JsonValue json;
    std::string error;
    ASSERT_TRUE(parse_json(run.out, &json, &error)) << error << "\n" << run.out;
    const struct {
        double page;  // -1: the address space
        double first, last;
        std::vector<JsonEntry> listing;
    } ranges[] = {
        {-1, 0x010A, 0x010D, {{0x010A, "cb0501", "DB 0CBH,05H,01H ; JMP 0105H"}, {0x010D, "08", "DB 08H ; NOP"}}},
        {-1, 0x7FFF, 0xC000,
         {{0x7FFF, "cd", "DB 0CDH ; cut short (3-byte instruction)"},
          {0x8000, std::string(2 * PAGE, '-'), nullptr},
          {0xC000, "00", "NOP"}}},
        {0, 0x3FFF, 0x3FFF, {{0x3FFF, "c3", "DB 0C3H ; cut short (3-byte instruction)"}}},
    };
    const JsonValue& disassembly = json["disassembly"];
    ASSERT_EQ(disassembly.items.size(), std::size(ranges));
    for (std::size_t r = 0; r < std::size(ranges); ++r) {
        SCOPED_TRACE(r);
        const JsonValue& range = disassembly[r];
        EXPECT_EQ(range.keys, (std::vector<std::string>{"page", "first", "last", "listing"}));
        if (ranges[r].page < 0) {
            EXPECT_TRUE(range["page"].is_null());
        } else {
            EXPECT_EQ(range["page"].number, ranges[r].page);
        }
        EXPECT_EQ(range["first"].number, ranges[r].first);
        EXPECT_EQ(range["last"].number, ranges[r].last);
        const std::vector<JsonEntry>& expected = ranges[r].listing;
        ASSERT_EQ(range["listing"].items.size(), expected.size());
        for (std::size_t e = 0; e < expected.size(); ++e) {
            const JsonValue& entry = range["listing"][e];
            EXPECT_EQ(entry.keys, (std::vector<std::string>{"address", "bytes", "text"}));
            EXPECT_EQ(entry["address"].number, expected[e].address);
            EXPECT_EQ(entry["bytes"].text, expected[e].bytes);
            if (expected[e].text) {
                EXPECT_EQ(entry["text"].kind, JsonValue::STRING);
                EXPECT_EQ(entry["text"].text, expected[e].text);
            } else {
                EXPECT_TRUE(entry["text"].is_null());
            }
        }
    }
}

}  // namespace
}  // namespace info_test
