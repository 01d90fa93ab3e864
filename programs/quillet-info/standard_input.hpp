// Reading a snapshot from standard input ("-" as FILE). The program reads
// it, not the library, which never touches the console.
#pragma once

#include <cstdint>
#include <vector>

namespace quillet::info {

// The FILE operand that stands for standard input.
constexpr const char* STANDARD_INPUT_NAME = "-";
bool is_standard_input(const char* path);

// Reads standard input to its end: its first `keep` bytes into `data`
// (replaced), the rest only counted. Returns the number of bytes it held.
// A read error ends the reading early; what a snapshot then lacks, its
// reader reports. Standard input must be in binary mode (as it always is
// on POSIX systems).
long read_standard_input(std::size_t keep, std::vector<std::uint8_t>* data);

}  // namespace quillet::info
