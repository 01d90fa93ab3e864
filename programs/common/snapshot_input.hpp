// A snapshot named on a command line: a file, or standard input for "-",
// read through the library's reader with failures printed as quillet
// prints them.
#pragma once

#include "quillet/quillet.h"

namespace quillet::common {

// The operand that stands for standard input.
constexpr const char* STANDARD_INPUT_NAME = "-";
bool is_standard_input(const char* path);

// Reads the snapshot `path`, or standard input for "-", into `snapshot`;
// the size of what was read into `file_size` (-1 when it cannot be
// learned). Returns 0 or the failure code.
int read_snapshot_input(const char* path, quillet_snapshot* snapshot, long* file_size);

}  // namespace quillet::common
