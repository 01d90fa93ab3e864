// Link-time replacement of src/image/stream_calls.cpp for the seam tests:
// the same calls, made to fail on demand.
#include <cerrno>

#include "image/stream_calls.hpp"
#include "seams/stream_faults.hpp"

namespace quillet_test {
namespace {

struct FaultPlan {
    int seek_calls = 0;
    int tell_calls = 0;
    int failing_seek = 0;  // the call number that fails; 0 for none
    int failing_tell = 0;
};

FaultPlan plan;

}  // namespace

void reset_stream_faults() { plan = FaultPlan{}; }
void fail_seek_call(int n) { plan.failing_seek = plan.seek_calls + n; }
void fail_tell_call(int n) { plan.failing_tell = plan.tell_calls + n; }
int seek_calls() { return plan.seek_calls; }
int tell_calls() { return plan.tell_calls; }

}  // namespace quillet_test

namespace quillet {

int seek_stream(std::FILE* stream, long offset, int origin) {
    using quillet_test::plan;
    if (++plan.seek_calls == plan.failing_seek) {
        errno = EIO;
        return -1;
    }
    return std::fseek(stream, offset, origin);
}

long tell_stream(std::FILE* stream) {
    using quillet_test::plan;
    if (++plan.tell_calls == plan.failing_tell) {
        errno = EIO;
        return -1;
    }
    return std::ftell(stream);
}

}  // namespace quillet
