// Small input files read whole into memory: symbol files, typing scripts,
// reference pictures, coverage files, lists of test cases.
#pragma once

#include <cstddef>
#include <string>

namespace quillet::common {

// The most bytes such a file may hold (far more than any of them needs).
constexpr std::size_t TEXT_FILE_MAX = 16 * 1024 * 1024;

// Reads the file `path` whole into `contents`, opening it once (a pipe or
// FIFO to its end). Returns 0, or the library's code of why it cannot be
// read (-5 it cannot be opened, -8 longer than TEXT_FILE_MAX, refused by
// its size before any of it is read, -9 a directory or a device, -2), whose
// message, naming the file, is printed on the console.
int read_text_file(const char* path, std::string* contents);

}  // namespace quillet::common
