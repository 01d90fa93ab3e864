// Labels in listings and traces: the label lines of an address and the
// jump and call targets named.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "labelled_code.hpp"
#include "quillet/quillet.h"

namespace quillet::common {
namespace {

SymbolTable table() {
    SymbolTable symbols;
    EXPECT_EQ(symbols.add_text("t.sym", "loop EQU 0100H\nagain EQU 0100H\nvaddr EQU 0025H\nbuffer EQU 0C000H\n"), "");
    return symbols;
}

TEST(LabelledCode, NamesTheTargetsOfJumpsAndCallsOnly) {
    const SymbolTable symbols = table();
    const struct {
        std::vector<std::uint8_t> bytes;
        const char* text;
    } cases[] = {
        {{0xC2, 0x00, 0x01}, "JNZ loop (0x0100)"},
        {{0xC3, 0x00, 0x01}, "JMP loop (0x0100)"},
        {{0xCD, 0x25, 0x00}, "CALL vaddr (0x0025)"},
        {{0xFC, 0x25, 0x00}, "CM vaddr (0x0025)"},
        {{0xC3, 0x01, 0x01}, "JMP 0101H"},         // no label there
        {{0xFE, 0x25}, "CPI 25H"},                 // a C that compares
        {{0x21, 0x00, 0xC0}, "LXI H,0C000H"},      // a value, which may be no address
        {{0x32, 0x00, 0xC0}, "STA 0C000H"},
        {{0xCB, 0x00, 0x01}, "DB 0CBH,00H,01H ; JMP 0100H"},  // shown as data, left so
    };
    for (const auto& c : cases) {
        char text[QUILLET_DISASSEMBLY_MAX];
        const int length = quillet_disassemble(c.bytes.data(), c.bytes.size(), text, sizeof text);
        ASSERT_EQ(length, static_cast<int>(c.bytes.size())) << c.text;
        EXPECT_EQ(labelled_instruction(symbols, c.bytes.data(), length, text), c.text);
        EXPECT_EQ(labelled_instruction(SymbolTable(), c.bytes.data(), length, text), text) << "no labels";
    }
}

TEST(LabelledCode, ALineForEachLabelAtAnAddress) {
    const SymbolTable symbols = table();
    EXPECT_EQ(label_lines(symbols, 0x0100), (std::vector<std::string>{"loop:", "again:"}));
    EXPECT_EQ(label_lines(symbols, 0x0025), std::vector<std::string>{"vaddr:"});
    EXPECT_TRUE(label_lines(symbols, 0x0026).empty());
}

}  // namespace
}  // namespace quillet::common
