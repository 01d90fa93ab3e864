// Writing a program's output files whole or not at all, through the
// library (a temporary file put in place at the end), with failures printed
// on the console.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillet::common {

// Writes `length` bytes as the file `path`. Returns 0, QUILLET_ERR_OUTPUT_OPEN
// or QUILLET_ERR_OUTPUT_WRITE.
int write_output(const char* path, const std::uint8_t* data, std::size_t length);

// Writes the file `name` inside `directory`, refusing to follow anything
// that already stands there and is not a regular file (a symbolic link, a
// device): that is ERR_OUTPUT_ACCESS, with the file's path.
int write_into_directory(const char* directory, const char* name, const std::uint8_t* data, std::size_t length);

}  // namespace quillet::common
