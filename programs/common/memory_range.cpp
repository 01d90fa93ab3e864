#include "memory_range.hpp"

#include <cstdio>

#include "quillet/quillet.h"

namespace quillet::common {
namespace {

constexpr char PAGE_PREFIX = 'p';
constexpr char PAGE_SEPARATOR = ':';
constexpr char THROUGH = '-';
constexpr char COUNT = '+';
constexpr const char* RANGE_OPERATORS = "-+";
constexpr long NUMBER_LIMIT = 1L << 30;     // far above any size here; keeps sums in range
constexpr int PLACE_TEXT_SIZE = 16;

const char* const BAD_RANGE = "bad range";
const char* const BAD_PAGE = "bad page in range";
const char* const EMPTY_RANGE = "empty range";
const char* const PAST_ADDRESS_SPACE = "range past 0xFFFF";
const char* const PAST_PAGE = "range past the end of its page (0x3FFF)";

}  // namespace

long space_size(int space) { return space == ADDRESS_SPACE ? QUILLET_ADDRESS_SPACE : QUILLET_PAGE_SIZE; }

const char* parse_memory_range(const char* text, MemoryRange* range) {
    std::string rest = text;
    range->space = ADDRESS_SPACE;
    if (!rest.empty() && rest[0] == PAGE_PREFIX) {
        const std::size_t colon = rest.find(PAGE_SEPARATOR);
        if (colon == std::string::npos) return BAD_RANGE;
        long page = 0;
        if (!parse_strict_number(rest.substr(1, colon - 1), QUILLET_PAGE_COUNT - 1, &page)) return BAD_PAGE;
        range->space = static_cast<int>(page);
        rest = rest.substr(colon + 1);
    }
    const std::size_t split = rest.find_first_of(RANGE_OPERATORS);
    long first = 0;
    if (!parse_strict_number(rest.substr(0, split), NUMBER_LIMIT, &first)) return BAD_RANGE;
    long last = first;
    if (split != std::string::npos) {
        long second = 0;
        if (!parse_strict_number(rest.substr(split + 1), NUMBER_LIMIT, &second)) return BAD_RANGE;
        if (rest[split] == COUNT) {
            if (second == 0) return EMPTY_RANGE;
            last = first + second - 1;
        } else if (rest[split] == THROUGH) {
            if (second < first) return EMPTY_RANGE;
            last = second;
        }
    }
    if (last >= space_size(range->space)) return range->space == ADDRESS_SPACE ? PAST_ADDRESS_SPACE : PAST_PAGE;
    range->first = first;
    range->last = last;
    return nullptr;
}

std::string place_text(int space, long position, PlaceStyle style) {
    char text[PLACE_TEXT_SIZE];
    const char* number = style == PlaceStyle::dump ? "%04lx" : "0x%04lX";
    int used = 0;
    if (space != ADDRESS_SPACE) used = std::snprintf(text, sizeof text, "p%d:", space);
    std::snprintf(text + used, sizeof text - static_cast<std::size_t>(used), number, position);
    return text;
}

}  // namespace quillet::common
