// --find: every place where a byte string occurs in a snapshot's memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "memory_view.hpp"

namespace quillet::info {

struct SearchPattern {
    std::string hex;  // as given
    std::vector<std::uint8_t> bytes;
};

// Decodes `hex` by the rules of quillet's -hex (pairs of hexadecimal digits,
// either case). Returns null, or what is wrong with it for a usage error
// that names `hex`.
const char* parse_search_pattern(const char* hex, SearchPattern* pattern);

struct PagePlace {
    int page;
    long offset;
};

struct SearchMatches {
    std::vector<long> addresses;  // in the 64 KB address space, across block boundaries
    std::vector<PagePlace> pages;  // in the mapper pages 4..15
};

// Every start of `bytes` where all of them are present and equal, matches
// that overlap included, in ascending order.
SearchMatches find_bytes(const MemoryView& view, const std::vector<std::uint8_t>& bytes);

// The bytes as lower-case hexadecimal digits.
std::string hex_text(const std::vector<std::uint8_t>& bytes);

}  // namespace quillet::info
