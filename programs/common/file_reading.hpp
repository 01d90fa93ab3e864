// Small input files read whole into memory: symbol files, reference
// pictures, coverage files, lists of test cases. They are read through the
// library (quillet_read_whole_file) as every other input is: a path in
// UTF-8 on every system, a pipe or FIFO to its end.
#pragma once

#include <cstddef>
#include <string>

namespace quillet::common {

// The most such a file may hold: far more than the largest of them (the
// coverage of all 64 KB is a few megabytes).
constexpr std::size_t INPUT_FILE_LIMIT = 64u << 20;

// Reads the file `path` into `contents`. False when it cannot be opened or
// read (a missing file, a directory) or holds more than INPUT_FILE_LIMIT
// bytes.
bool read_whole_file(const char* path, std::string* contents);

}  // namespace quillet::common
