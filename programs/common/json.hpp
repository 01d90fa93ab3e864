// Pieces of JSON output: strings with their escapes, booleans, and the
// members that name a range of memory.
#pragma once

#include <cstddef>
#include <cstdio>

#include "memory_range.hpp"

namespace quillet::common {

// Writes `text` as a JSON string, quotes included: '"' and '\' escaped with
// a backslash, control characters below 0x20 as \u00XX, every other byte
// (UTF-8 included) as it is.
void print_json_string(std::FILE* out, const char* text);

// Writes the `length` bytes at `data` (a name a file stores, say: any
// bytes) as a JSON string: printable ASCII as it is ('"' and '\' escaped
// with a backslash), every other byte as \u00XX, the character of its
// value, so that the text is valid JSON and gives back every byte.
void print_json_bytes(std::FILE* out, const char* data, std::size_t length);

// "true" or "false".
const char* json_boolean(bool value);

// The members that name `range`, each followed by ", ": "page" (null for
// the address space, else the page), "first" and "last".
void print_range_members(std::FILE* out, const MemoryRange& range);

}  // namespace quillet::common
