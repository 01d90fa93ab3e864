// A snapshot named on a command line: a file, or standard input for "-",
// read through the library's reader. A failure is printed as quillet
// prints it, followed by a line that says where the file ends or what is
// wrong with it, when the reader knows.
#pragma once

#include <string>

#include "quillet/quillet.h"

namespace quillet::common {

// The operand that stands for standard input.
constexpr const char* STANDARD_INPUT_NAME = "-";
bool is_standard_input(const char* path);

// Reads the snapshot `path`, or standard input for "-" (to its end, at most
// the largest snapshot), into `snapshot`; the size of what was read into
// `file_size` (-1 when it cannot be learned), the detail of a failure into
// `detail` ("" when there is none). Afterwards `snapshot` reports on the
// console. Returns 0 or the failure code.
int read_snapshot_input(const char* path, quillet_snapshot* snapshot, long* file_size, std::string* detail);

// Whether the snapshot's file stored any of its pieces packed: then a
// snapshot written from it is packed too.
bool stored_packed(const quillet_snapshot* snapshot);

// Makes `copy` (a new snapshot) the same as `source`, stored packed when
// `source` was: one snapshot read once and run many times. Returns 0 or the
// failure code (memory ran out), reported on the console.
int copy_snapshot(const quillet_snapshot* source, quillet_snapshot* copy);

}  // namespace quillet::common
