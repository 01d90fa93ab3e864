// The reader of quillet-run --tests files: lines into the words and names
// of cases, and the line an error names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_list.hpp"

namespace quillet::run {
namespace {

TEST(TestList, SplitsEachLineIntoWordsAndAName) {
    const struct {
        const char* line;
        std::vector<std::string> words;
        const char* name;
    } cases[] = {
        {"--call mul16 --expect HL=42   # mul16 7*6  ", {"--call", "mul16", "--expect", "HL=42"}, "mul16 7*6"},
        {"\t--until done\t--expect-mem 0xC200=3f  ", {"--until", "done", "--expect-mem", "0xC200=3f"},
         "--until done\t--expect-mem 0xC200=3f"},
        {"--screen \"after fill.png\"#x", {"--screen", "after fill.png#x"}, "--screen \"after fill.png\"#x"},
        {"--screen=\"a b.png\" --trace 'it''s'", {"--screen=a b.png", "--trace", "its"},
         "--screen=\"a b.png\" --trace 'it''s'"},
        {"--poke \"0x10=3e\"'ff'  #  two # marks", {"--poke", "0x10=3eff"}, "two # marks"},
        {"--screen 'say \"hi\".png' --until a#b", {"--screen", "say \"hi\".png", "--until", "a#b"},
         "--screen 'say \"hi\".png' --until a#b"},
        {"--trace C:\\out\\t.txt #", {"--trace", "C:\\out\\t.txt"}, "--trace C:\\out\\t.txt"},
        {"'' --json", {"", "--json"}, "'' --json"},
    };
    for (const auto& c : cases) {
        std::vector<TestCase> tests;
        EXPECT_EQ(read_test_list("t.txt", c.line, &tests), "") << c.line;
        ASSERT_EQ(tests.size(), 1u) << c.line;
        EXPECT_EQ(tests[0].words, c.words) << c.line;
        EXPECT_EQ(tests[0].name, c.name) << c.line;
        EXPECT_EQ(tests[0].line, 1) << c.line;
    }
}

TEST(TestList, PassesOverLinesWithoutWordsAndCountsEveryLine) {
    std::vector<TestCase> tests;
    const std::string text = "# the list\r\n\r\n   \t\n--until done\r\n  # indented comment\n--call vaddr";
    EXPECT_EQ(read_test_list("t.txt", text, &tests), "");
    ASSERT_EQ(tests.size(), 2u);
    EXPECT_EQ(tests[0].line, 4);
    EXPECT_EQ(tests[0].words, (std::vector<std::string>{"--until", "done"}));
    EXPECT_EQ(tests[0].name, "--until done");
    EXPECT_EQ(tests[1].line, 6);
    EXPECT_EQ(tests[1].name, "--call vaddr");
    tests.clear();
    EXPECT_EQ(read_test_list("t.txt", "", &tests), "");
    EXPECT_TRUE(tests.empty());
}

TEST(TestList, AnUnclosedQuoteNamesTheFileAndLineAndAddsNothing) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"--until done\n--screen \"a b.png\n--call vaddr\n", "cases.txt:2: unclosed quote in a case"},
        {"--until done\r\n\r\n--screen 'it\"s\r\n", "cases.txt:3: unclosed quote in a case"},
        {"# a comment's quote counts for nothing\n--until 'done\n", "cases.txt:2: unclosed quote in a case"},
        {"--screen \"a\nb.png\"\n", "cases.txt:1: unclosed quote in a case"},
    };
    for (const auto& c : cases) {
        std::vector<TestCase> tests(1, TestCase{9, {"kept"}, "kept"});
        EXPECT_EQ(read_test_list("cases.txt", c.text, &tests), c.error) << c.text;
        ASSERT_EQ(tests.size(), 1u) << c.text;
        EXPECT_EQ(tests[0].name, "kept");
    }
}

}  // namespace
}  // namespace quillet::run
