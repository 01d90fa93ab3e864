// The number reader of quillet-info and quillet-run: the three forms, and
// what is not a number.
#include <gtest/gtest.h>

#include <cstdint>

#include "numbers.hpp"

namespace quillet::common {
namespace {

constexpr std::uint64_t REJECTED = 0xDEADu;

std::uint64_t read(const char* text, std::uint64_t limit = UINT64_MAX) {
    std::uint64_t value = REJECTED;
    return parse_number_text(text, limit, &value) ? value : REJECTED;
}

TEST(Numbers, ReadsTheThreeFormsAsAnAssemblerWritesThem) {
    const struct {
        const char* text;
        std::uint64_t limit;
        std::uint64_t value;
    } cases[] = {
        {"49152", UINT64_MAX, 49152},
        {"010", UINT64_MAX, 10},  // a leading zero is decimal
        {"0", UINT64_MAX, 0},
        {"0xC000", UINT64_MAX, 0xC000},
        {"0Xc000", UINT64_MAX, 0xC000},
        {"0C000H", UINT64_MAX, 0xC000},
        {"0c000h", UINT64_MAX, 0xC000},
        {"10H", UINT64_MAX, 16},
        {"18446744073709551615", UINT64_MAX, UINT64_MAX},
        {"0FFFFH", 0xFFFF, 0xFFFF},
        // Not numbers, or too large.
        {"C000H", UINT64_MAX, REJECTED},  // an assembler's symbol: no leading digit
        {"0x", UINT64_MAX, REJECTED},
        {"H", UINT64_MAX, REJECTED},
        {"0xC000H", UINT64_MAX, REJECTED},
        {"12a", UINT64_MAX, REJECTED},
        {"0x1G", UINT64_MAX, REJECTED},
        {"", UINT64_MAX, REJECTED},
        {" 1", UINT64_MAX, REJECTED},
        {"+1", UINT64_MAX, REJECTED},
        {"1 ", UINT64_MAX, REJECTED},
        {"18446744073709551616", UINT64_MAX, REJECTED},
        {"10000H", 0xFFFF, REJECTED},
        {"65536", 0xFFFF, REJECTED},
        {"9", 8, REJECTED},
    };
    for (const auto& item : cases) {
        EXPECT_EQ(read(item.text, item.limit), item.value) << '"' << item.text << '"';
    }
}

TEST(Numbers, ALongIsReadTheSameWay) {
    long value = -1;
    EXPECT_TRUE(parse_strict_number("0FFH", 255, &value));
    EXPECT_EQ(value, 255);
    EXPECT_FALSE(parse_strict_number("100H", 255, &value));
    EXPECT_EQ(value, 255);
}

}  // namespace
}  // namespace quillet::common
