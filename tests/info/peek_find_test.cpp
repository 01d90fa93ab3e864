// quillet-info --peek and --find over snapshots that quillet writes: bytes
// at block boundaries and at the top of memory, absent blocks and block 2
// of a model that does not store it (shown as absent, never matching),
// mapper pages, and the number forms of a RANGE.
#include <algorithm>
#include <string>
#include <vector>

#include "info_test_support.hpp"
#include "mini_json.hpp"

namespace info_test {
namespace {

constexpr int PAGE = 16384;

// The snapshots of the cases, each made by quillet from these arguments.
struct SnapshotRecipe {
    const char* name;
    std::vector<std::string> arguments;  // "page6.bin" is the fixture's mapper page
};

const SnapshotRecipe ONLY_BLOCK_0 = {"only0.zvk", {"-hex", "0x3FF8", "0102030405060708"}};
const SnapshotRecipe ACROSS_0_1 = {"across.zvk", {"-pack", "-hex", "0x3FFC", "41424344454647"}};
const SnapshotRecipe TOP = {"top.zvk", {"-hex", "0xFFFC", "48692100"}};
const SnapshotRecipe BLOCK_2_NOT_STORED = {"alfa.zvk", {"-cm", "ALFA", "-hex", "0x7FFE", "41424344"}};
const SnapshotRecipe MAPPER = {"mapper.zvk", {"-pg", "6", "page6.bin", "-hex", "0x0100", "58595A"}};
const SnapshotRecipe HELLO = {"hello.zvk", {"-hex", "0", "48656c6c6f2c20776f726c6421"}};

class PeekFindTest : public InfoTest {
protected:
    void SetUp() override {
        InfoTest::SetUp();
        Bytes page(PAGE, 0);
        page[0x3FFD] = 'X';
        page[0x3FFE] = 'Y';
        page[0x3FFF] = 'Z';
        dir_.write("page6.bin", page);
    }

    std::string snapshot(const SnapshotRecipe& recipe) {
        std::vector<std::string> arguments = recipe.arguments;
        for (std::string& a : arguments) {
            if (a == "page6.bin") a = path(a);
        }
        return make_snapshot(recipe.name, arguments);
    }

    JsonValue json_of(const std::vector<std::string>& arguments) {
        const RunResult run = run_info(arguments);
        EXPECT_EQ(run.status, 0) << run.err;
        JsonValue value;
        std::string error;
        EXPECT_TRUE(parse_json(run.out, &value, &error)) << error << "\n" << run.out;
        return value;
    }
};

struct PeekCase {
    const char* name;
    const SnapshotRecipe* recipe;
    const char* range;
    const char* text;       // the whole standard output
    const char* json_bytes;
};

// Eight blank byte columns: the second group of a line of eight bytes.
#define EIGHT_BLANK "                        "

const PeekCase PEEK_CASES[] = {
    {"absent_block_after_present", &ONLY_BLOCK_0, "0x3FF8+16",
     "3ff8  01 02 03 04 05 06 07 08  -- -- -- -- -- -- -- --  |........        |\n",
     "0102030405060708----------------"},
    {"across_two_present_blocks", &ACROSS_0_1, "0x3FFA-0x4001",
     "3ffa  00 00 41 42 43 44 45 46  " EIGHT_BLANK " |..ABCDEF|\n", "0000414243444546"},
    {"top_of_memory", &TOP, "0xFFF8-0xFFFF",
     "fff8  00 00 00 00 48 69 21 00  " EIGHT_BLANK " |....Hi!.|\n", "0000000048692100"},
    {"block_2_not_stored", &BLOCK_2_NOT_STORED, "0x7FFE+4",
     "7ffe  41 42 -- --              " EIGHT_BLANK " |AB  |\n", "4142----"},
    {"end_of_a_mapper_page", &MAPPER, "p6:0x3FFD-0x3FFF",
     "p6:3ffd  58 59 5a                 " EIGHT_BLANK " |XYZ|\n", "58595a"},
    {"one_byte", &TOP, "65535", "ffff  00                       " EIGHT_BLANK " |.|\n", "00"},
    {"two_lines", &HELLO, "0+20",
     "0000  48 65 6c 6c 6f 2c 20 77  6f 72 6c 64 21 00 00 00  |Hello, world!...|\n"
     "0010  00 00 00 00              " EIGHT_BLANK " |....|\n",
     "48656c6c6f2c20776f726c642100000000000000"},
};

TEST_F(PeekFindTest, PeekShowsTheBytesAndMarksAbsentOnes) {
    for (const PeekCase& c : PEEK_CASES) {
        SCOPED_TRACE(c.name);
        const std::string file = snapshot(*c.recipe);
        const RunResult text = run_info({"--peek", c.range, file});
        EXPECT_EQ(text.status, 0) << text.err;
        EXPECT_EQ(text.out, c.text);

        const JsonValue json = json_of({"--json", "--peek", c.range, file});
        ASSERT_EQ(json["peek"].items.size(), 1u);
        EXPECT_EQ(json["peek"][0]["bytes"].text, c.json_bytes);
        EXPECT_EQ(json["peek"][0]["last"].number - json["peek"][0]["first"].number + 1,
                  std::string(c.json_bytes).size() / 2);
    }
}

TEST_F(PeekFindTest, EveryNumberFormNamesTheSameRange) {
    const std::string file = snapshot(MAPPER);
    const struct {
        const char* range;
        double page;  // -1: the address space
        double first, last;
    } cases[] = {
        {"0x3FF8+16", -1, 0x3FF8, 0x4007}, {"16376+16", -1, 0x3FF8, 0x4007}, {"3FF8H+10H", -1, 0x3FF8, 0x4007},
        {"0x3ff8-0X4007", -1, 0x3FF8, 0x4007}, {"0xFFFF", -1, 0xFFFF, 0xFFFF}, {"0", -1, 0, 0},
        {"p6:16381+3", 6, 16381, 16383}, {"p06:0x3FFD-0x3FFF", 6, 16381, 16383}, {"p0x0F:0", 15, 0, 0},
    };
    std::vector<std::string> arguments = {"--json"};
    for (const auto& c : cases) arguments.insert(arguments.end(), {"--peek", c.range});
    arguments.push_back(file);
    const JsonValue json = json_of(arguments);
    ASSERT_EQ(json["peek"].items.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].range);
        const JsonValue& peek = json["peek"][i];
        if (cases[i].page < 0) {
            EXPECT_TRUE(peek["page"].is_null());
        } else {
            EXPECT_EQ(peek["page"].number, cases[i].page);
        }
        EXPECT_EQ(peek["first"].number, cases[i].first);
        EXPECT_EQ(peek["last"].number, cases[i].last);
    }
    EXPECT_EQ(json["peek"][6]["bytes"].text, "58595a");
    EXPECT_EQ(json["peek"][8]["bytes"].text, "--") << "page 15 is absent";
}

TEST_F(PeekFindTest, SeveralAnswersComeInOrderWithABlankLineBetween) {
    const std::string file = snapshot(TOP);
    const RunResult run = run_info({"--find", "4869", "--peek", "0xFFFE+2", file, "--peek", "0xFFFF"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "fffe  21 00                    " EIGHT_BLANK " |!.|\n"
                       "\n"
                       "ffff  00                       " EIGHT_BLANK " |.|\n"
                       "\n"
                       "4869: 1 match\n"
                       "  0xFFFC\n");
}

TEST_F(PeekFindTest, FindCrossesBlockBoundariesOnlyWhereBothBlocksArePresent) {
    const std::string across = snapshot(ACROSS_0_1);
    EXPECT_EQ(run_info({"--find", "4445", across}).out, "4445: 1 match\n  0x3FFF\n");
    const std::string alfa = snapshot(BLOCK_2_NOT_STORED);
    const RunResult run = run_info({"--find", "4142", "--find", "414243", alfa});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "4142: 1 match\n  0x7FFE\n\n414243: no match\n");
}

TEST_F(PeekFindTest, FindReportsAddressesAndMapperPages) {
    const std::string file = snapshot(MAPPER);
    EXPECT_EQ(run_info({"--find", "58595a", file}).out, "58595a: 2 matches\n  0x0100\n  p6:0x3FFD\n");
    const JsonValue json = json_of({"-j", "--find", "58595A", "--find", "5A", file});
    ASSERT_EQ(json["find"].items.size(), 2u);
    const JsonValue& found = json["find"][0];
    EXPECT_EQ(found["hex"].text, "58595a");
    ASSERT_EQ(found["addresses"].items.size(), 1u);
    EXPECT_EQ(found["addresses"][0].number, 0x100);
    ASSERT_EQ(found["pages"].items.size(), 1u);
    EXPECT_EQ(found["pages"][0]["page"].number, 6);
    EXPECT_EQ(found["pages"][0]["offset"].number, 0x3FFD);
    EXPECT_EQ(json["find"][1]["addresses"][0].number, 0x102);
    EXPECT_EQ(json["find"][1]["pages"][0]["offset"].number, 0x3FFF);
}

// Block 0 holds 0x3FF8 zero bytes and then 01..08; blocks 1 to 3 are
// absent and hold no zeros to find. Overlapping matches all count.
TEST_F(PeekFindTest, AbsentBytesNeverMatch) {
    const std::string file = snapshot(ONLY_BLOCK_0);
    const JsonValue json = json_of({"--json", "--find", "00", "--find", "0000", "--find", "0800", file});
    const std::vector<JsonValue>& single = json["find"][0]["addresses"].items;
    ASSERT_EQ(single.size(), 0x3FF8u);
    EXPECT_EQ(single.front().number, 0);
    EXPECT_EQ(single.back().number, 0x3FF7);
    EXPECT_EQ(json["find"][1]["addresses"].items.size(), 0x3FF7u);
    EXPECT_TRUE(json["find"][2]["addresses"].items.empty());
    EXPECT_TRUE(json["find"][2]["pages"].items.empty());
}

}  // namespace
}  // namespace info_test
