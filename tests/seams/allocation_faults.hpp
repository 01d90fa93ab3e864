// Fault plan for memory allocation in the seam test binary.
//
// failing_allocation.cpp replaces calloc (the one allocation call quillet's
// ensure_buffer makes) with a version that fails on demand. The replacement
// cannot coexist with AddressSanitizer's own allocator, so it is left out of
// sanitizer builds, where allocation_faults_available() is false.
#pragma once

namespace quillet_test {

bool allocation_faults_available();

// Starts counting calloc calls; the `n`-th one from now fails (0: none).
void fail_allocation_call(int n);

// Stops counting and failing; returns the calls counted since the last
// fail_allocation_call().
int stop_allocation_faults();

}  // namespace quillet_test
