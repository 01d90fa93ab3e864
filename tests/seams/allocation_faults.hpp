// Fault plan for memory allocation in the seam test binary.
//
// failing_allocation.cpp replaces calloc (the one allocation call quillet's
// ensure_buffer makes) with a version that fails on demand, and the
// throwing operator new, which then throws std::bad_alloc, so that the
// programs' own containers fail too. Both count only while armed: around
// the program's run, not the test's own work. The replacement
// cannot coexist with AddressSanitizer's own allocator, so it is left out of
// sanitizer builds, where allocation_faults_available() is false.
#pragma once

namespace quillet_test {

bool allocation_faults_available();

// Plans a sweep step: once armed, the `n`-th allocation fails (0: none).
void fail_allocation_call(int n);

// Counts (and fails) allocations only between arm(true) and arm(false).
void arm_allocation_faults(bool armed);

// Stops counting and failing; returns the calls counted since the last
// fail_allocation_call().
int stop_allocation_faults();

}  // namespace quillet_test
