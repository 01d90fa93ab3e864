// The quillet-tape run: the options, then the tape read and listed,
// extracted, turned into a snapshot or into sound, or a tape made of
// binaries.
#pragma once

namespace quillet::tape_tool {

// Runs quillet-tape with the process's arguments and returns its exit
// status (options.hpp's help text lists them). Listings go to standard
// output, failure messages to standard error.
int run_tape(int argument_count, char** argument_vector);

}  // namespace quillet::tape_tool
