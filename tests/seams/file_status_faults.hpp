// Fault plan for the file status query of the seam test binary.
//
// That binary links failing_file_status.cpp, whose query_file_status()
// replaces the library's own at link time: it answers exactly as the system
// does until the plan says that a call fails, or reports no usable length.
#pragma once

namespace quillet_test {

// Clears the plan and the call count.
void reset_file_status_faults();

// The `n`-th status query from now on (1 for the next one) fails.
void fail_status_call(int n);

// The `n`-th status query from now on reports a file without a usable length.
void hide_length_in_call(int n);

// Queries made since the last reset.
int status_calls();

}  // namespace quillet_test
