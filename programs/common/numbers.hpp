// Numbers on the command lines of quillet-info and quillet-run, read as an
// 8080 programmer writes them, the whole text and nothing else:
//
//   49152     decimal; a leading zero is decimal too ("010" is ten)
//   0xC000    hexadecimal after 0x or 0X
//   0C000H    hexadecimal before H or h, starting with a digit as the
//             assembler wants it
//
// No sign, no white space. quillet reads its own numbers its own way
// (quillet/command_line.hpp).
#pragma once

#include <cstdint>
#include <string>

namespace quillet::common {

// Reads `text` into `value`; false when it is not a number of one of the
// three forms or is above `limit`.
bool parse_number_text(const std::string& text, std::uint64_t limit, std::uint64_t* value);

// The same for a `long` at most `limit`.
bool parse_strict_number(const std::string& text, long limit, long* value);

}  // namespace quillet::common
