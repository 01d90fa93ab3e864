// What a tape holds, as text or JSON: each file's number (two decimal
// digits, as the monitor takes it), type, start, length, name and whether
// its checksums hold; each block of no file with its length.
#pragma once

#include <cstdio>

#include "quillet/quillet.h"

namespace quillet::tape_tool {

// Lists `tape`, read from `name`. `problem` is the message of what keeps
// it from loading, or null: it ends the JSON object.
void print_listing(std::FILE* out, const quillet_tape* tape, const char* name);
void print_json_listing(std::FILE* out, const quillet_tape* tape, const char* name, const char* problem);

}  // namespace quillet::tape_tool
