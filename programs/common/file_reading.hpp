// Small input files read whole into memory: symbol files, reference
// pictures, coverage files, lists of test cases.
#pragma once

#include <string>

namespace quillet::common {

// Reads the file `path` into `contents`. False when it cannot be opened or
// read (a missing file, a directory).
bool read_whole_file(const char* path, std::string* contents);

}  // namespace quillet::common
