// The usage screen shown without arguments or with "-h".
#pragma once

namespace quillet::cli {

// Prints the option list, pauses with wait_for_enter(), then prints the
// number forms. Everything goes to standard output.
void print_usage();

// Prints "\nPress ENTER ..." and reads standard input up to and including a
// line end, to end of input, or for at most 4096 characters.
void wait_for_enter();

}  // namespace quillet::cli
