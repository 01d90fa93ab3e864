// Symbol files and the addresses that name labels.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "symbols.hpp"

namespace quillet::common {
namespace {

// The end of the listing asm80 1.11.14 writes for examples/checks.asm.
constexpr const char* ASM80_LISTING =
    "0022   C3 22 00       DONE:   JMP   done   \n"
    "0036                          END   start   \n"
    "\n\n"
    "START:              0000 DEFINED AT LINE 2\n"
    "                    > USED AT LINE 39\n"
    "LINE:               0006 DEFINED AT LINE 5\n"
    "                    > USED AT LINE 19\n"
    "DONE:               0022 DEFINED AT LINE 20\n"
    "                    > USED AT LINE 20\n"
    "VADDR:              0025 DEFINED AT LINE 24\n"
    "                    > USED AT LINE 7\n";

TEST(SymbolFile, ReadsEachForm) {
    struct Case {
        const char* text;
        const char* name;
        long value;
    } cases[] = {
        {ASM80_LISTING, "vaddr", 0x25},
        {"done EQU 0022H\n", "DONE", 0x22},
        {"done: equ 0x22 ; the end\n", "done", 0x22},
        {"done = $22\n", "done", 0x22},
        {"done=34\n", "done", 34},
        {"# map\r\ndone 0FFFFh\r\n", "done", 0xFFFF},
        {"\n  ; nothing but a comment\n_x.y?@ 1\n", "_X.Y?@", 1},
    };
    for (const Case& c : cases) {
        SymbolTable table;
        ASSERT_EQ(table.add_text("f.sym", c.text), "") << c.text;
        const Symbol* symbol = table.find(c.name);
        ASSERT_NE(symbol, nullptr) << c.text;
        EXPECT_EQ(symbol->value, c.value) << c.text;
    }
}

TEST(SymbolFile, WhatIsNotASymbolFileNamesTheFirstBadLine) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"a 1\nb c d e\nf\n", "f.sym:2: not a symbol definition: 'b c d e'"},
        {"a 65536\n", "f.sym:1: value past 0xFFFF: 'a 65536'"},
        {"a EQU 10000h\n", "f.sym:1: value past 0xFFFF: 'a EQU 10000h'"},
        {"a = 0xFFFFFFFF\n", "f.sym:1: value past 0xFFFF: 'a = 0xFFFFFFFF'"},
        {"a 0x100000000\n", "f.sym:1: not a symbol definition: 'a 0x100000000'"},
        {"1a 5\n", "f.sym:1: not a symbol definition: '1a 5'"},
        {"a MOV 5\n", "f.sym:1: not a symbol definition: 'a MOV 5'"},
        {"a FFh\n", "f.sym:1: not a symbol definition: 'a FFh'"},
        {"a 0x\r\n", "f.sym:1: not a symbol definition: 'a 0x'"},
        {"a 1\nA 2\n", "f.sym:2: label 'A' is 0x0002 here but 0x0001 at f.sym:1"},
        // what a terminal would act on, escaped; a long line cut
        {"a 1\n\x1b]0;title\x07 2\n", "f.sym:2: not a symbol definition: '\\x1B]0;title\\x07 2'"},
        {"\xC3\xA9t\xC3\xA9 1\n", "f.sym:1: not a symbol definition: '\\xC3\\xA9t\\xC3\\xA9 1'"},
    };
    for (const Case& c : cases) {
        SymbolTable table;
        EXPECT_EQ(table.add_text("f.sym", c.text), c.error) << c.text;
        EXPECT_TRUE(table.empty()) << c.text;
    }
}

TEST(SymbolFile, TwoFilesAgreeingOrNot) {
    SymbolTable table;
    ASSERT_EQ(table.add_text("one.lst", ASM80_LISTING), "");
    EXPECT_EQ(table.add_text("two.sym", "done equ 22h\n"), "");  // the same value again
    EXPECT_EQ(table.symbols().size(), 4U);
    EXPECT_EQ(table.add_text("two.sym", "x 1\ndone equ 23h\n"),
              "two.sym:2: label 'done' is 0x0023 here but 0x0022 at one.lst:9");
    EXPECT_EQ(table.find("x"), nullptr);
}

TEST(SymbolFile, ALongBadLineIsCut) {
    SymbolTable table;
    EXPECT_EQ(table.add_text("f.sym", "a " + std::string(1000000, 'b') + "\n"),
              "f.sym:1: not a symbol definition: 'a " + std::string(78, 'b') + "...'");
}

// Each label is found without passing every earlier one: a file of many
// labels reads in time linear in its size (it took minutes when each line
// searched all the labels before it), and a label defined twice is still
// found as defined twice.
TEST(SymbolFile, ManyLabelsReadInLinearTime) {
    constexpr int COUNT = 60000;
    std::string text;
    for (int i = 0; i < COUNT; ++i) text += "label_" + std::to_string(i) + " EQU " + std::to_string(i % 65536) + "\n";
    SymbolTable table;
    // Processor time, which other work on the machine does not stretch.
    const std::clock_t start = std::clock();
    ASSERT_EQ(table.add_text("many.sym", text), "");
    const std::string clash = table.add_text("more.sym", "LABEL_59999 EQU 1\n");
    const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    EXPECT_EQ(table.symbols().size(), static_cast<std::size_t>(COUNT));
    EXPECT_EQ(clash, "more.sym:1: label 'LABEL_59999' is 0x0001 here but 0xEA5F at many.sym:60000");
    ASSERT_NE(table.find("Label_12345"), nullptr);
    EXPECT_EQ(table.find("Label_12345")->value, 12345);
    ASSERT_NE(table.at(100), nullptr);
    EXPECT_EQ(table.at(100)->name, "label_100");
    EXPECT_EQ(table.all_at(100).size(), 1u);
    EXPECT_EQ(table.describe(60002, 0xFF), "label_59999+3");
    EXPECT_LT(seconds, 10.0) << "reading " << COUNT << " labels";
}

TEST(SymbolAddress, LabelsOffsetsAndNumbers) {
    SymbolTable table;
    ASSERT_EQ(table.add_text("checks.lst", ASM80_LISTING), "");
    struct Case {
        const char* text;
        long limit;
        const char* error;
        long value;
    } cases[] = {
        {"done", 0xFFFF, "", 0x22},
        {"Vaddr+3", 0xFFFF, "", 0x28},
        {"vaddr-0x25", 0xFFFF, "", 0},
        {"0x8000+16", 0xFFFF, "", 0x8010},
        {"start-1", 0xFFFF, "address out of range (0 to 0xFFFF) 'start-1'", 0},
        {"vaddr", 0x20, "address out of range (0 to 0x20) 'vaddr'", 0},
        {"vaddr+", 0xFFFF, "bad address 'vaddr+'", 0},
        {"va%dr", 0xFFFF, "bad address 'va%dr'", 0},
        {"dnoe", 0xFFFF, "unknown label 'dnoe' (nearest: DONE, LINE, START)", 0},
        {"vadr+2", 0xFFFF, "unknown label 'vadr' (nearest: VADDR, START, LINE)", 0},
    };
    for (const Case& c : cases) {
        long value = -1;
        EXPECT_EQ(parse_address(c.text, table, c.limit, &value), c.error) << c.text;
        if (*c.error == '\0') {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
    long value = 0;
    EXPECT_EQ(parse_address("done", SymbolTable(), 0xFFFF, &value), "bad address 'done'");  // no labels at all
}

TEST(SymbolAddress, DescribedByTheLabelAtOrBelow) {
    SymbolTable table;
    ASSERT_EQ(table.add_text("checks.lst", ASM80_LISTING), "");
    EXPECT_EQ(table.describe(0x22, 0xFFFF), "DONE");
    EXPECT_EQ(table.describe(0x24, 0xFFFF), "DONE+2");
    EXPECT_EQ(table.describe(0x8000, 0x100), "");
    ASSERT_NE(table.at(0x25), nullptr);
    EXPECT_EQ(table.at(0x25)->name, "VADDR");
    EXPECT_EQ(table.at(0x26), nullptr);
    // Two labels at one address: the first defined names it, both are there.
    ASSERT_EQ(table.add_text("more.sym", "again 25h\n"), "");
    EXPECT_EQ(table.at(0x25)->name, "VADDR");
    EXPECT_EQ(table.describe(0x27, 0xFFFF), "VADDR+2");
    ASSERT_EQ(table.all_at(0x25).size(), 2u);
    EXPECT_EQ(table.all_at(0x25)[1]->name, "again");
}

}  // namespace
}  // namespace quillet::common
