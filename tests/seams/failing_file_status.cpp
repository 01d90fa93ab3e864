// Link-time replacement of src/base/file_status_posix.cpp for the seam
// tests: the same query, made to fail on demand.
#include <sys/stat.h>

#include "base/platform.hpp"
#include "seams/file_status_faults.hpp"

namespace quillet_test {
namespace {

struct FaultPlan {
    int calls = 0;
    int failing_call = 0;  // the call number that fails; 0 for none
    int lengthless_call = 0;
};

FaultPlan plan;

}  // namespace

void reset_file_status_faults() { plan = FaultPlan{}; }
void fail_status_call(int n) { plan.failing_call = plan.calls + n; }
void hide_length_in_call(int n) { plan.lengthless_call = plan.calls + n; }
int status_calls() { return plan.calls; }

}  // namespace quillet_test

namespace quillet::platform {

int query_file_status(FileHandle file, FileStatus* status) {
    using quillet_test::plan;
    const int call = ++plan.calls;
    if (call == plan.failing_call) return -1;
    struct stat information;
    if (fstat(static_cast<int>(file), &information) != 0) return -1;
    status->regular = S_ISREG(information.st_mode);
    status->pipe = S_ISFIFO(information.st_mode);
    status->size = call == plan.lengthless_call ? -1 : static_cast<std::int64_t>(information.st_size);
    return 0;
}

}  // namespace quillet::platform
