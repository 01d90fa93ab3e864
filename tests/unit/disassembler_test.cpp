#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>

#include "cpu/disassembler.hpp"

namespace quillet {
namespace {

struct TextCase {
    std::uint8_t bytes[3];
    int length;
    const char* text;
};

// At least one opcode of every form, the edges of each register and pair
// field, and all twelve undefined opcodes.
const TextCase TEXT_CASES[] = {
    {{0x00}, 1, "NOP"},
    {{0x7E}, 1, "MOV A,M"},
    {{0x40}, 1, "MOV B,B"},
    {{0x77}, 1, "MOV M,A"},
    {{0x6B}, 1, "MOV L,E"},
    {{0x76}, 1, "HLT"},
    {{0x06, 0x3E}, 2, "MVI B,3EH"},
    {{0x36, 0xFE}, 2, "MVI M,0FEH"},
    {{0x3E, 0x00}, 2, "MVI A,00H"},
    {{0x01, 0x34, 0x12}, 3, "LXI B,1234H"},
    {{0x21, 0x00, 0xC0}, 3, "LXI H,0C000H"},
    {{0x31, 0xFF, 0xFF}, 3, "LXI SP,0FFFFH"},
    {{0x09}, 1, "DAD B"},
    {{0x39}, 1, "DAD SP"},
    {{0x02}, 1, "STAX B"},
    {{0x0A}, 1, "LDAX B"},
    {{0x12}, 1, "STAX D"},
    {{0x1A}, 1, "LDAX D"},
    {{0x22, 0x00, 0x01}, 3, "SHLD 0100H"},
    {{0x2A, 0x0A, 0x00}, 3, "LHLD 000AH"},
    {{0x32, 0xCD, 0xAB}, 3, "STA 0ABCDH"},
    {{0x3A, 0x05, 0x01}, 3, "LDA 0105H"},
    {{0x23}, 1, "INX H"},
    {{0x3B}, 1, "DCX SP"},
    {{0x04}, 1, "INR B"},
    {{0x35}, 1, "DCR M"},
    {{0x3C}, 1, "INR A"},
    {{0x07}, 1, "RLC"},
    {{0x0F}, 1, "RRC"},
    {{0x17}, 1, "RAL"},
    {{0x1F}, 1, "RAR"},
    {{0x27}, 1, "DAA"},
    {{0x2F}, 1, "CMA"},
    {{0x37}, 1, "STC"},
    {{0x3F}, 1, "CMC"},
    {{0x80}, 1, "ADD B"},
    {{0x8E}, 1, "ADC M"},
    {{0x92}, 1, "SUB D"},
    {{0x9F}, 1, "SBB A"},
    {{0xA4}, 1, "ANA H"},
    {{0xAF}, 1, "XRA A"},
    {{0xB1}, 1, "ORA C"},
    {{0xBE}, 1, "CMP M"},
    {{0xC6, 0x05}, 2, "ADI 05H"},
    {{0xCE, 0x80}, 2, "ACI 80H"},
    {{0xD6, 0x01}, 2, "SUI 01H"},
    {{0xDE, 0xFF}, 2, "SBI 0FFH"},
    {{0xE6, 0x0F}, 2, "ANI 0FH"},
    {{0xEE, 0xA0}, 2, "XRI 0A0H"},
    {{0xF6, 0x10}, 2, "ORI 10H"},
    {{0xFE, 0x3A}, 2, "CPI 3AH"},
    {{0xC2, 0x05, 0x01}, 3, "JNZ 0105H"},
    {{0xCA, 0x05, 0x01}, 3, "JZ 0105H"},
    {{0xD2, 0x05, 0x01}, 3, "JNC 0105H"},
    {{0xDA, 0x05, 0x01}, 3, "JC 0105H"},
    {{0xE2, 0x05, 0x01}, 3, "JPO 0105H"},
    {{0xEA, 0x05, 0x01}, 3, "JPE 0105H"},
    {{0xF2, 0x05, 0x01}, 3, "JP 0105H"},
    {{0xFA, 0x05, 0x01}, 3, "JM 0105H"},
    {{0xC3, 0x00, 0x00}, 3, "JMP 0000H"},
    {{0xC4, 0x00, 0xF0}, 3, "CNZ 0F000H"},
    {{0xFC, 0x34, 0x12}, 3, "CM 1234H"},
    {{0xCD, 0x05, 0x00}, 3, "CALL 0005H"},
    {{0xC0}, 1, "RNZ"},
    {{0xF8}, 1, "RM"},
    {{0xC9}, 1, "RET"},
    {{0xC1}, 1, "POP B"},
    {{0xF1}, 1, "POP PSW"},
    {{0xD5}, 1, "PUSH D"},
    {{0xF5}, 1, "PUSH PSW"},
    {{0xE9}, 1, "PCHL"},
    {{0xF9}, 1, "SPHL"},
    {{0xE3}, 1, "XTHL"},
    {{0xEB}, 1, "XCHG"},
    {{0xF3}, 1, "DI"},
    {{0xFB}, 1, "EI"},
    {{0xDB, 0x10}, 2, "IN 10H"},
    {{0xD3, 0xFE}, 2, "OUT 0FEH"},
    {{0xC7}, 1, "RST 0"},
    {{0xFF}, 1, "RST 7"},
    {{0x08}, 1, "DB 08H ; NOP"},
    {{0x10}, 1, "DB 10H ; NOP"},
    {{0x18}, 1, "DB 18H ; NOP"},
    {{0x20}, 1, "DB 20H ; NOP"},
    {{0x28}, 1, "DB 28H ; NOP"},
    {{0x30}, 1, "DB 30H ; NOP"},
    {{0x38}, 1, "DB 38H ; NOP"},
    {{0xD9}, 1, "DB 0D9H ; RET"},
    {{0xCB, 0x05, 0x01}, 3, "DB 0CBH,05H,01H ; JMP 0105H"},
    {{0xDD, 0x34, 0x12}, 3, "DB 0DDH,34H,12H ; CALL 1234H"},
    {{0xED, 0x00, 0xC0}, 3, "DB 0EDH,00H,0C0H ; CALL 0C000H"},
    {{0xFD, 0xFF, 0xFF}, 3, "DB 0FDH,0FFH,0FFH ; CALL 0FFFFH"},
};

TEST(Disassembler, TextsOfOpcodes) {
    for (const TextCase& c : TEXT_CASES) {
        char text[DISASSEMBLY_TEXT_CAPACITY];
        EXPECT_EQ(disassemble_8080(c.bytes, 3, text, sizeof text), c.length) << c.text;
        EXPECT_STREQ(text, c.text);
    }
}

// The opcodes with operands, from the instruction set's tables; all others
// take one byte.
const std::set<int> THREE_BYTE_OPCODES = {0x01, 0x11, 0x21, 0x31, 0x22, 0x2A, 0x32, 0x3A, 0xC2, 0xC3,
                                          0xC4, 0xCA, 0xCB, 0xCC, 0xCD, 0xD2, 0xD4, 0xDA, 0xDC, 0xDD,
                                          0xE2, 0xE4, 0xEA, 0xEC, 0xED, 0xF2, 0xF4, 0xFA, 0xFC, 0xFD};
const std::set<int> TWO_BYTE_OPCODES = {0x06, 0x0E, 0x16, 0x1E, 0x26, 0x2E, 0x36, 0x3E, 0xC6,
                                        0xCE, 0xD3, 0xD6, 0xDB, 0xDE, 0xE6, 0xEE, 0xF6, 0xFE};

TEST(Disassembler, LengthOfEveryOpcode) {
    for (int opcode = 0; opcode < 256; ++opcode) {
        const int expected = THREE_BYTE_OPCODES.count(opcode) ? 3 : TWO_BYTE_OPCODES.count(opcode) ? 2 : 1;
        const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(opcode), 0x34, 0x12};
        char text[DISASSEMBLY_TEXT_CAPACITY];
        EXPECT_EQ(instruction_length_8080(bytes[0]), expected) << "opcode " << opcode;
        EXPECT_EQ(disassemble_8080(bytes, 3, text, sizeof text), expected) << "opcode " << opcode;
    }
}

// No two defined opcodes read alike, and every text, with the widest
// operands, fits the advertised capacity.
TEST(Disassembler, TextsAreDistinctAndFitTheCapacity) {
    std::set<std::string> seen;
    for (int opcode = 0; opcode < 256; ++opcode) {
        const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(opcode), 0xFF, 0xFF};
        char text[DISASSEMBLY_TEXT_CAPACITY + 8];
        std::memset(text, 'x', sizeof text);
        ASSERT_GT(disassemble_8080(bytes, 3, text, sizeof text), 0);
        const std::size_t size = std::strlen(text);
        EXPECT_LT(size, DISASSEMBLY_TEXT_CAPACITY) << text;
        EXPECT_GT(size, 0u) << "opcode " << opcode;
        if (std::strncmp(text, "DB ", 3) != 0) {
            EXPECT_TRUE(seen.insert(text).second) << text;
        }
    }
    EXPECT_EQ(seen.size(), 244u);  // 256 less the twelve undefined
}

TEST(Disassembler, TooFewBytesGiveZeroAndAnEmptyText) {
    const struct {
        std::uint8_t bytes[3];
        std::size_t available;
    } cases[] = {{{0x00}, 0}, {{0x06, 0x3E}, 1}, {{0xDB, 0x10}, 1}, {{0x21, 0x00, 0xC0}, 2},
                 {{0xCD, 0x05, 0x00}, 1}, {{0xCB, 0x05, 0x01}, 2}, {{0xFD, 0x05, 0x01}, 1}};
    for (const auto& c : cases) {
        char text[DISASSEMBLY_TEXT_CAPACITY];
        std::memset(text, 'x', sizeof text);
        EXPECT_EQ(disassemble_8080(c.bytes, c.available, text, sizeof text), 0)
            << "opcode " << int{c.bytes[0]} << ", " << c.available << " available";
        EXPECT_STREQ(text, "");
    }
    // Bytes beyond the instruction are not its concern.
    const std::uint8_t mvi[3] = {0x3E, 0x01, 0xC3};
    char text[DISASSEMBLY_TEXT_CAPACITY];
    EXPECT_EQ(disassemble_8080(mvi, 3, text, sizeof text), 2);
    EXPECT_STREQ(text, "MVI A,01H");
}

TEST(Disassembler, SmallCapacityCutsTheTextAndStaysWithinIt) {
    const std::uint8_t bytes[3] = {0xCB, 0x05, 0x01};  // "DB 0CBH,05H,01H ; JMP 0105H"
    const struct {
        std::size_t capacity;
        const char* text;
    } cases[] = {{1, ""}, {2, "D"}, {8, "DB 0CBH"}, {27, "DB 0CBH,05H,01H ; JMP 0105"},
                 {28, "DB 0CBH,05H,01H ; JMP 0105H"}};
    for (const auto& c : cases) {
        char text[40];
        std::memset(text, 'x', sizeof text);
        EXPECT_EQ(disassemble_8080(bytes, 3, text, c.capacity), 3) << "capacity " << c.capacity;
        EXPECT_STREQ(text, c.text) << "capacity " << c.capacity;
        for (std::size_t i = c.capacity; i < sizeof text; ++i) ASSERT_EQ(text[i], 'x') << "capacity " << c.capacity;
    }
    char untouched = 'x';
    EXPECT_EQ(disassemble_8080(bytes, 3, &untouched, 0), 3);
    EXPECT_EQ(untouched, 'x');
}

}  // namespace
}  // namespace quillet
