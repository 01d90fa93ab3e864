// The quillet-info run: options, then each FILE in turn, and the files a
// snapshot gives (-x, -m, --screen).
#pragma once

namespace quillet::info {

// Runs quillet-info with the process's arguments and returns its exit
// status: 0; the absolute failure code of the first FILE that failed (each
// FILE is still inspected and reported); USAGE_ERROR_STATUS. The summaries
// go to standard output, failure messages to standard error.
int run_info(int argument_count, char** argument_vector);

}  // namespace quillet::info
