// quillet-run's run: a snapshot's program, or a CP/M program, from the
// command line to the exit status.
#pragma once

namespace quillet::run {

// Exit statuses besides the library's failure codes (2 to 29).
constexpr int EXIT_STOPPED = 0;       // the run stopped as asked
constexpr int EXIT_USAGE = 64;        // a usage error
constexpr int EXIT_LIMIT = 66;        // a limit was reached before any stop

// Runs quillet-run with its command line; returns the exit status.
int run_program(int argument_count, char** argument_vector);

}  // namespace quillet::run
