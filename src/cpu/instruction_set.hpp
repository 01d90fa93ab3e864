// The 8080's instruction set in one table, by opcode: how an instruction
// is written, how many bytes it takes, the states it spends, and for the
// twelve opcodes the set leaves undefined, the defined instruction the chip
// executes instead. The disassembler writes its text from it, the
// instruction loop spends its states, and the tests expect them; all at
// compile time, so the loop's states are constants as before.
#pragma once

#include <cstdint>

namespace quillet {

struct Instruction {
    // The text in Intel mnemonics, upper case, with the operand bytes (if
    // any) as its last word in lower case: "d8" a byte of data, "p8" a port,
    // "d16" a word of data, "a16" an address ("MVI B,d8", "LXI SP,d16").
    const char* pattern;
    std::uint8_t length;        // bytes, the operand's included (1..3)
    std::uint8_t states;        // a conditional call or return: when its condition fails
    std::uint8_t states_taken;  // ... when it holds; any other instruction: `states`
    // The opcode itself, or the one an undefined opcode executes as; an
    // undefined opcode's other fields are those of that instruction.
    std::uint8_t executed_as;
};

// Whether `c` begins the operand's word of a pattern.
constexpr bool starts_operand(char c) { return c >= 'a' && c <= 'z'; }

namespace instruction_set_source {

// A row as written below: a defined instruction with its states (both of
// them when it is conditional), or an undefined one by the opcode it
// executes as.
struct Row {
    constexpr Row(const char* text, int spent) : pattern(text), states(spent), states_taken(spent) {}
    constexpr Row(const char* text, int spent, int spent_taken)
        : pattern(text), states(spent), states_taken(spent_taken) {}
    const char* pattern;
    int states;
    int states_taken;
    int alias = -1;  // the opcode executed instead, for an undefined one
};

constexpr Row undefined_as(int opcode) {
    Row row(nullptr, 0);
    row.alias = opcode;
    return row;
}

// The bytes that `pattern` takes: 1 without an operand, 2 or 3 for one of
// 8 or 16 bits (its lower-case word ends in 8 or 16, the pattern's last);
// 0 for a pattern not of that form.
constexpr int length_of(const char* pattern) {
    int at = 0;
    while (pattern[at] != '\0' && !starts_operand(pattern[at])) ++at;
    if (pattern[at] == '\0') return 1;
    ++at;  // the operand's letter
    int bits = 0;
    while (pattern[at] >= '0' && pattern[at] <= '9') bits = bits * 10 + (pattern[at++] - '0');
    if (pattern[at] != '\0') return 0;
    return bits == 8 ? 2 : bits == 16 ? 3 : 0;
}

// By opcode, from the instruction set's documentation: {pattern, states},
// or for a conditional call or return {pattern, states when its condition
// fails, when it holds}; a jump takes as long either way.
constexpr Row ROWS[256] = {
    // 0x00
    {"NOP", 4},           {"LXI B,d16", 10},    {"STAX B", 7},        {"INX B", 5},
    {"INR B", 5},         {"DCR B", 5},         {"MVI B,d8", 7},      {"RLC", 4},
    undefined_as(0x00),   {"DAD B", 10},        {"LDAX B", 7},        {"DCX B", 5},
    {"INR C", 5},         {"DCR C", 5},         {"MVI C,d8", 7},      {"RRC", 4},
    // 0x10
    undefined_as(0x00),   {"LXI D,d16", 10},    {"STAX D", 7},        {"INX D", 5},
    {"INR D", 5},         {"DCR D", 5},         {"MVI D,d8", 7},      {"RAL", 4},
    undefined_as(0x00),   {"DAD D", 10},        {"LDAX D", 7},        {"DCX D", 5},
    {"INR E", 5},         {"DCR E", 5},         {"MVI E,d8", 7},      {"RAR", 4},
    // 0x20
    undefined_as(0x00),   {"LXI H,d16", 10},    {"SHLD a16", 16},     {"INX H", 5},
    {"INR H", 5},         {"DCR H", 5},         {"MVI H,d8", 7},      {"DAA", 4},
    undefined_as(0x00),   {"DAD H", 10},        {"LHLD a16", 16},     {"DCX H", 5},
    {"INR L", 5},         {"DCR L", 5},         {"MVI L,d8", 7},      {"CMA", 4},
    // 0x30
    undefined_as(0x00),   {"LXI SP,d16", 10},   {"STA a16", 13},      {"INX SP", 5},
    {"INR M", 10},        {"DCR M", 10},        {"MVI M,d8", 10},     {"STC", 4},
    undefined_as(0x00),   {"DAD SP", 10},       {"LDA a16", 13},      {"DCX SP", 5},
    {"INR A", 5},         {"DCR A", 5},         {"MVI A,d8", 7},      {"CMC", 4},
    // 0x40
    {"MOV B,B", 5},       {"MOV B,C", 5},       {"MOV B,D", 5},       {"MOV B,E", 5},
    {"MOV B,H", 5},       {"MOV B,L", 5},       {"MOV B,M", 7},       {"MOV B,A", 5},
    {"MOV C,B", 5},       {"MOV C,C", 5},       {"MOV C,D", 5},       {"MOV C,E", 5},
    {"MOV C,H", 5},       {"MOV C,L", 5},       {"MOV C,M", 7},       {"MOV C,A", 5},
    // 0x50
    {"MOV D,B", 5},       {"MOV D,C", 5},       {"MOV D,D", 5},       {"MOV D,E", 5},
    {"MOV D,H", 5},       {"MOV D,L", 5},       {"MOV D,M", 7},       {"MOV D,A", 5},
    {"MOV E,B", 5},       {"MOV E,C", 5},       {"MOV E,D", 5},       {"MOV E,E", 5},
    {"MOV E,H", 5},       {"MOV E,L", 5},       {"MOV E,M", 7},       {"MOV E,A", 5},
    // 0x60
    {"MOV H,B", 5},       {"MOV H,C", 5},       {"MOV H,D", 5},       {"MOV H,E", 5},
    {"MOV H,H", 5},       {"MOV H,L", 5},       {"MOV H,M", 7},       {"MOV H,A", 5},
    {"MOV L,B", 5},       {"MOV L,C", 5},       {"MOV L,D", 5},       {"MOV L,E", 5},
    {"MOV L,H", 5},       {"MOV L,L", 5},       {"MOV L,M", 7},       {"MOV L,A", 5},
    // 0x70
    {"MOV M,B", 7},       {"MOV M,C", 7},       {"MOV M,D", 7},       {"MOV M,E", 7},
    {"MOV M,H", 7},       {"MOV M,L", 7},       {"HLT", 7},           {"MOV M,A", 7},
    {"MOV A,B", 5},       {"MOV A,C", 5},       {"MOV A,D", 5},       {"MOV A,E", 5},
    {"MOV A,H", 5},       {"MOV A,L", 5},       {"MOV A,M", 7},       {"MOV A,A", 5},
    // 0x80
    {"ADD B", 4},         {"ADD C", 4},         {"ADD D", 4},         {"ADD E", 4},
    {"ADD H", 4},         {"ADD L", 4},         {"ADD M", 7},         {"ADD A", 4},
    {"ADC B", 4},         {"ADC C", 4},         {"ADC D", 4},         {"ADC E", 4},
    {"ADC H", 4},         {"ADC L", 4},         {"ADC M", 7},         {"ADC A", 4},
    // 0x90
    {"SUB B", 4},         {"SUB C", 4},         {"SUB D", 4},         {"SUB E", 4},
    {"SUB H", 4},         {"SUB L", 4},         {"SUB M", 7},         {"SUB A", 4},
    {"SBB B", 4},         {"SBB C", 4},         {"SBB D", 4},         {"SBB E", 4},
    {"SBB H", 4},         {"SBB L", 4},         {"SBB M", 7},         {"SBB A", 4},
    // 0xA0
    {"ANA B", 4},         {"ANA C", 4},         {"ANA D", 4},         {"ANA E", 4},
    {"ANA H", 4},         {"ANA L", 4},         {"ANA M", 7},         {"ANA A", 4},
    {"XRA B", 4},         {"XRA C", 4},         {"XRA D", 4},         {"XRA E", 4},
    {"XRA H", 4},         {"XRA L", 4},         {"XRA M", 7},         {"XRA A", 4},
    // 0xB0
    {"ORA B", 4},         {"ORA C", 4},         {"ORA D", 4},         {"ORA E", 4},
    {"ORA H", 4},         {"ORA L", 4},         {"ORA M", 7},         {"ORA A", 4},
    {"CMP B", 4},         {"CMP C", 4},         {"CMP D", 4},         {"CMP E", 4},
    {"CMP H", 4},         {"CMP L", 4},         {"CMP M", 7},         {"CMP A", 4},
    // 0xC0
    {"RNZ", 5, 11},       {"POP B", 10},        {"JNZ a16", 10},      {"JMP a16", 10},
    {"CNZ a16", 11, 17},  {"PUSH B", 11},       {"ADI d8", 7},        {"RST 0", 11},
    {"RZ", 5, 11},        {"RET", 10},          {"JZ a16", 10},       undefined_as(0xC3),
    {"CZ a16", 11, 17},   {"CALL a16", 17},     {"ACI d8", 7},        {"RST 1", 11},
    // 0xD0
    {"RNC", 5, 11},       {"POP D", 10},        {"JNC a16", 10},      {"OUT p8", 10},
    {"CNC a16", 11, 17},  {"PUSH D", 11},       {"SUI d8", 7},        {"RST 2", 11},
    {"RC", 5, 11},        undefined_as(0xC9),   {"JC a16", 10},       {"IN p8", 10},
    {"CC a16", 11, 17},   undefined_as(0xCD),   {"SBI d8", 7},        {"RST 3", 11},
    // 0xE0
    {"RPO", 5, 11},       {"POP H", 10},        {"JPO a16", 10},      {"XTHL", 18},
    {"CPO a16", 11, 17},  {"PUSH H", 11},       {"ANI d8", 7},        {"RST 4", 11},
    {"RPE", 5, 11},       {"PCHL", 5},          {"JPE a16", 10},      {"XCHG", 4},
    {"CPE a16", 11, 17},  undefined_as(0xCD),   {"XRI d8", 7},        {"RST 5", 11},
    // 0xF0
    {"RP", 5, 11},        {"POP PSW", 10},      {"JP a16", 10},       {"DI", 4},
    {"CP a16", 11, 17},   {"PUSH PSW", 11},     {"ORI d8", 7},        {"RST 6", 11},
    {"RM", 5, 11},        {"SPHL", 5},          {"JM a16", 10},       {"EI", 4},
    {"CM a16", 11, 17},   undefined_as(0xCD),   {"CPI d8", 7},        {"RST 7", 11},
};

}  // namespace instruction_set_source

struct InstructionSet {
    Instruction rows[256];
    constexpr const Instruction& operator[](unsigned opcode) const { return rows[opcode]; }
};

namespace instruction_set_source {

constexpr InstructionSet resolve() {
    InstructionSet set{};
    for (int opcode = 0; opcode < 256; ++opcode) {
        const int executed = ROWS[opcode].alias < 0 ? opcode : ROWS[opcode].alias;
        const Row& row = ROWS[executed];
        set.rows[opcode] = {row.pattern, static_cast<std::uint8_t>(length_of(row.pattern)),
                            static_cast<std::uint8_t>(row.states), static_cast<std::uint8_t>(row.states_taken),
                            static_cast<std::uint8_t>(executed)};
    }
    return set;
}

// Every pattern of the form above, every instruction taking states (the
// fewer when its condition fails), every undefined opcode executing a
// defined one.
constexpr bool rows_are_sound() {
    for (const Row& row : ROWS) {
        if (row.alias >= 0) {
            if (row.alias > 255 || ROWS[row.alias].alias >= 0) return false;
        } else if (length_of(row.pattern) == 0 || row.states < 1 || row.states_taken < row.states) {
            return false;
        }
    }
    return true;
}
static_assert(rows_are_sound(), "a row of the instruction set is malformed");

constexpr int fewest_states() {
    int fewest = ROWS[0].states;
    for (const Row& row : ROWS) {
        if (row.alias < 0 && row.states < fewest) fewest = row.states;
    }
    return fewest;
}

}  // namespace instruction_set_source

inline constexpr InstructionSet INSTRUCTION_SET = instruction_set_source::resolve();

// No instruction takes fewer states.
inline constexpr unsigned INSTRUCTION_STATES_MIN = instruction_set_source::fewest_states();

}  // namespace quillet
