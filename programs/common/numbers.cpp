#include "numbers.hpp"

namespace quillet::common {
namespace {

constexpr int DECIMAL = 10;
constexpr int HEXADECIMAL = 16;

// The value of `c` as a digit of `base`, or -1.
int digit_value(char c, int base) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    return digit < base ? digit : -1;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool parse_number_text(const std::string& text, std::uint64_t limit, std::uint64_t* value) {
    if (text.empty() || !is_digit(text[0])) return false;
    std::size_t first = 0;
    std::size_t end = text.size();
    int base = DECIMAL;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        first = 2;
        base = HEXADECIMAL;
    } else if (text.back() == 'H' || text.back() == 'h') {
        end -= 1;
        base = HEXADECIMAL;
    }
    std::uint64_t number = 0;
    for (std::size_t i = first; i < end; ++i) {
        const int digit = digit_value(text[i], base);
        if (digit < 0) return false;
        if (static_cast<std::uint64_t>(digit) > limit ||
            number > (limit - static_cast<std::uint64_t>(digit)) / static_cast<std::uint64_t>(base)) return false;
        number = number * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    }
    *value = number;
    return true;
}

bool parse_strict_number(const std::string& text, long limit, long* value) {
    std::uint64_t number = 0;
    if (limit < 0 || !parse_number_text(text, static_cast<std::uint64_t>(limit), &number)) return false;
    *value = static_cast<long>(number);
    return true;
}

}  // namespace quillet::common
