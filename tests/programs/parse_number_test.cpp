#include <gtest/gtest.h>

#include "command_line.hpp"

namespace quillet::cli {
namespace {

using namespace common;

constexpr int REJECTED = -1;
constexpr int INT32_MAXIMUM = 2147483647;

struct NumberCase {
    const char* name;
    const char* text;
    int expected;
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << c.name; }

class ParseNumber : public testing::TestWithParam<NumberCase> {};

TEST_P(ParseNumber, ConvertsOrRejects) {
    EXPECT_EQ(parse_number(GetParam().text), GetParam().expected) << '"' << GetParam().text << '"';
}

const NumberCase NUMBER_CASES[] = {
    // The three bases.
    {"Decimal", "12345", 12345},
    {"PlainZero", "0", 0},
    {"OctalLeadingZero", "0177", 127},
    {"OctalTenIsEight", "010", 8},
    {"HexLowerPrefix", "0x7f", 127},
    {"HexUpperPrefixAndDigits", "0X7F", 127},
    {"HexMixedCaseDigits", "0xaBc", 0xabc},
    // What comes before the digits.
    {"LeadingWhiteSpaceSkipped", " \t\n42", 42},
    {"WhiteSpaceBeforeZero", "  0", 0},
    {"PlusSign", "+42", 42},
    {"PlusSignBeforeHex", "+0x10", 16},
    {"MinusZeroIsZero", "-0", 0},
    {"NegativeRejected", "-5", REJECTED},
    {"NegativeHexRejected", "-0x1", REJECTED},
    // Clamping to 32-bit signed, although the conversion is wider.
    {"LargestInt32", "2147483647", INT32_MAXIMUM},
    {"JustAboveInt32Clamped", "2147483648", INT32_MAXIMUM},
    {"Above32BitsClamped", "99999999999", INT32_MAXIMUM},
    {"HexAbove32BitsClamped", "0x7fffffffff", INT32_MAXIMUM},
    {"Above64BitsClamped", "99999999999999999999999", INT32_MAXIMUM},
    {"FarBelowInt32Rejected", "-99999999999", REJECTED},
    // A zero value that did not use up the text.
    {"OctalWithDigit8", "08", REJECTED},
    {"OctalWithDigit9", "09", REJECTED},
    {"ZeroThenLetters", "0abc", REJECTED},
    {"ZeroThenSpace", "0 ", REJECTED},
    {"HexPrefixAlone", "0x", REJECTED},
    {"HexPrefixWithoutHexDigit", "0xg", REJECTED},
    {"NoDigitsAtAll", "abc", REJECTED},
    {"WhiteSpaceOnly", "   ", REJECTED},
    {"SignAlone", "+", REJECTED},
    // A non-zero number keeps its leading value.
    {"DecimalThenLetters", "12abc", 12},
    {"HexThenNonHex", "0x10zz", 16},
    {"OctalStopsAtDigit8", "0178", 15},
    {"DecimalThenSpace", "12 ", 12},
    {"EmptyTextIsZero", "", 0},
};

INSTANTIATE_TEST_SUITE_P(Forms, ParseNumber, testing::ValuesIn(NUMBER_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillet::cli
