// Pieces of JSON output: strings with their escapes, and booleans.
#pragma once

#include <cstdio>

namespace quillet::common {

// Writes `text` as a JSON string, quotes included: '"' and '\' escaped with
// a backslash, control characters below 0x20 as \u00XX, every other byte
// (UTF-8 included) as it is.
void print_json_string(std::FILE* out, const char* text);

// "true" or "false".
const char* json_boolean(bool value);

}  // namespace quillet::common
