#include "registers.hpp"

#include <cctype>

#include "quillet/quillet.h"

namespace quillet::common {
namespace {

struct SingleRegister {
    const char* name;
    int number;
};
constexpr SingleRegister SINGLE_REGISTERS[] = {
    {"A", QUILLET_CPU_A}, {"F", QUILLET_CPU_F}, {"B", QUILLET_CPU_B}, {"C", QUILLET_CPU_C},
    {"D", QUILLET_CPU_D}, {"E", QUILLET_CPU_E}, {"H", QUILLET_CPU_H}, {"L", QUILLET_CPU_L},
};

bool same_name(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (std::toupper(static_cast<unsigned char>(*a)) != std::toupper(static_cast<unsigned char>(*b))) return false;
    }
    return *a == *b;
}

}  // namespace

bool parse_register_name(const char* name, RegisterName* reg) {
    for (int pair = 0; pair < QUILLET_REGISTER_COUNT; ++pair) {
        if (same_name(name, quillet_register_name(pair))) {
            *reg = RegisterName{true, pair};
            return true;
        }
    }
    for (const SingleRegister& single : SINGLE_REGISTERS) {
        if (same_name(name, single.name)) {
            *reg = RegisterName{false, single.number};
            return true;
        }
    }
    return false;
}

const char* register_name_text(const RegisterName& reg) {
    if (reg.pair) return quillet_register_name(reg.number);
    for (const SingleRegister& single : SINGLE_REGISTERS) {
        if (single.number == reg.number) return single.name;
    }
    return "";
}

const FlagBit* find_flag(const char* name) {
    for (const FlagBit& bit : FLAG_BITS) {
        if (same_name(name, bit.name)) return &bit;
    }
    return nullptr;
}

}  // namespace quillet::common
