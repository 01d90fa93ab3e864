// The 8080's registers and flags by the names the programs show and take:
// the pairs of the snapshot header (AF .. SP), the single registers (A, F,
// B .. L) and the flag bits of F.
#pragma once

namespace quillet::common {

// The flag bits of F (the low byte of AF) by name, most significant first.
struct FlagBit {
    const char* name;
    unsigned mask;
};
constexpr FlagBit FLAG_BITS[] = {{"S", 0x80}, {"Z", 0x40}, {"AC", 0x10}, {"P", 0x04}, {"CY", 0x01}};
constexpr int FLAG_BIT_COUNT = sizeof(FLAG_BITS) / sizeof(FLAG_BITS[0]);

// A register named on a command line: a pair (QUILLET_REG_*) or a single
// register (QUILLET_CPU_*).
struct RegisterName {
    bool pair;
    int number;
};

// Parses `name` in any letter case: "AF" .. "SP", "A", "F", "B" .. "L".
// False for anything else.
bool parse_register_name(const char* name, RegisterName* reg);

// The register's name as parse_register_name takes it, in capitals.
const char* register_name_text(const RegisterName& reg);

// The flag named `name` (any letter case), or null.
const FlagBit* find_flag(const char* name);

}  // namespace quillet::common
