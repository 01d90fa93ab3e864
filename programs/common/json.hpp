// Pieces of JSON output: strings with their escapes, booleans, and the
// members that name a range of memory.
#pragma once

#include <cstdio>

#include "memory_range.hpp"

namespace quillet::common {

// Writes `text` as a JSON string, quotes included: '"' and '\' escaped with
// a backslash, control characters below 0x20 as \u00XX, every other byte
// (UTF-8 included) as it is.
void print_json_string(std::FILE* out, const char* text);

// "true" or "false".
const char* json_boolean(bool value);

// The members that name `range`, each followed by ", ": "page" (null for
// the address space, else the page), "first" and "last".
void print_range_members(std::FILE* out, const MemoryRange& range);

}  // namespace quillet::common
