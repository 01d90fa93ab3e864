// The run sequence of one quillet invocation.
#pragma once

namespace quillet::cli {

// The banner printed first on every run.
extern const char* const BANNER;

// Runs one build: banner, option parsing, template, memory, saving, usage
// screen when asked for. Returns the exit status: 0, or the absolute value
// of the failure code. Progress goes to standard output, failure messages
// (each followed by an empty line) to standard error.
int run_quillet(int argument_count, char** argument_vector);

}  // namespace quillet::cli
