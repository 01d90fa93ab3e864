// Every allocation of a run may fail: for each command line, the test counts
// the allocations of a successful run and then fails each one in turn. Every
// such run must end with "Out of memory!" and status 2, and leave no output
// file behind; the next allocation-free step never runs.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "seams/allocation_faults.hpp"
#include "seams/in_process_run.hpp"
#include "support/temp_dir.hpp"

namespace quillet_test {
namespace {

// Runs the tool in-process; the `failing_call`-th allocation fails (0: none).
RunResult run_tool(std::vector<std::string> arguments, int failing_call, int* calls) {
    fail_allocation_call(failing_call);
    RunResult result = run_tool_in_process(std::move(arguments));
    *calls = stop_allocation_faults();
    return result;
}

class AllocationFailureTest : public testing::Test {
protected:
    void SetUp() override {
        if (!allocation_faults_available()) GTEST_SKIP() << "calloc cannot be replaced next to a sanitizer";
        dir.write("page.bin", Bytes(16000, 0x33));
        dir.write("rom.bin", Bytes(3000, 0x44));
        int calls = 0;
        ASSERT_EQ(0, run_tool({"-o", file("template.zvk"), "-cm", "V3", "-mm", "0", "-rom", file("rom.bin"),
                               "-pg", "6", file("page.bin"), "-hex", "0", "C3", "-pack"},
                              0, &calls)
                         .status);
    }

    std::string file(const std::string& name) const { return dir.file(name); }

    // Fails every allocation of the run in turn.
    void sweep(const std::vector<std::string>& arguments) {
        int allocations = 0;
        ASSERT_EQ(0, run_tool(arguments, 0, &allocations).status);
        ASSERT_GT(allocations, 0);
        std::remove(file("out.zvk").c_str());
        for (int n = 1; n <= allocations; ++n) {
            SCOPED_TRACE("allocation " + std::to_string(n) + " of " + std::to_string(allocations));
            int calls = 0;
            const RunResult r = run_tool(arguments, n, &calls);
            EXPECT_EQ(2, r.status);
            EXPECT_EQ("Out of memory!\n\n", r.errors);
            EXPECT_EQ(n, calls);  // nothing is allocated after the failure
            EXPECT_FALSE(dir.exists("out.zvk"));
        }
    }

    TempDir dir;
};

TEST_F(AllocationFailureTest, EveryAllocationOfABuildFromFiles) {
    sweep({"-o", file("out.zvk"), "-mm", "1", "-pg", "9", file("page.bin"), "-mem", "100", file("page.bin"),
           "-hex", "65534", "0102", "-rom", file("rom.bin"), "-pack"});
}

TEST_F(AllocationFailureTest, EveryAllocationOfABuildFromATemplate) {
    sweep({"-o", file("out.zvk"), "-zvk", file("template.zvk"), "-hex", "16384", "AA"});
}

}  // namespace
}  // namespace quillet_test
