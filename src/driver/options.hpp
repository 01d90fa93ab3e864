// Command-line parsing: turns the argument vector into a filled BuildContext.
#pragma once

#include "image/build_context.hpp"

namespace quillet {

// Creates the context (stored in `context_slot` before any option is looked
// at, so the caller can release it whatever happens), walks the arguments
// from index 1, stores each option's values, queues the load requests and
// makes the final checks. Returns 0; USAGE_REQUESTED when "-h" was met
// (nothing printed); otherwise the code of the first failure, already
// reported. The final combination checks can report up to three failures
// and still return one ERR_BAD_COMBINATION.
int parse_command_line(int argument_count, char** argument_vector, BuildContext** context_slot);

// The value of a non-negative number written in decimal, octal (leading 0) or
// hexadecimal (leading 0x or 0X), converted as strtol with base 0 does and
// clamped to 32-bit signed; -1 when the text is no such number. A non-zero
// number followed by other characters counts with its leading value (12abc is
// 12); a zero followed by other characters (0abc, 08, 0x) is rejected. The
// empty text is 0. Prints nothing.
int parse_number(const char* text);

// Compares two texts after mapping a..z to upper case; true when equal in full.
bool equal_ignoring_case(const char* a, const char* b);

}  // namespace quillet
