// Fault plan for the stream positioning calls of the seam test binary.
//
// That binary links failing_stream_calls.cpp, whose seek_stream() and
// tell_stream() replace the library's forwarding versions at link time: they
// behave exactly like fseek and ftell until the plan says that a call fails.
#pragma once

namespace quillet_test {

// Clears the plan and the call counts.
void reset_stream_faults();

// The `n`-th seek call from now on (1 for the next one) fails with EIO.
void fail_seek_call(int n);

// The `n`-th tell call from now on fails with EIO.
void fail_tell_call(int n);

// Calls made since the last reset.
int seek_calls();
int tell_calls();

}  // namespace quillet_test
