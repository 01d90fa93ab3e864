// Every allocation of a run may fail, the library's (calloc) and the
// programs' own (operator new, which throws): for each command line of each
// of the three programs, the test counts the allocations of a successful
// run and then fails each one in turn. Every such run must end with "Out of
// memory!" and status 2, and leave no output file behind; quillet also
// allocates nothing after the failure.
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
RunResult run_tool(Tool tool, std::vector<std::string> arguments, int failing_call, int* calls) {
    fail_allocation_call(failing_call);
    RunResult result = run_tool_in_process(tool, std::move(arguments), arm_allocation_faults);
    *calls = stop_allocation_faults();
    return result;
}

RunResult run_tool(std::vector<std::string> arguments, int failing_call, int* calls) {
    return run_tool(Tool::quillet, std::move(arguments), failing_call, calls);
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

    // Fails every allocation of the run in turn. quillet allocates nothing
    // after the failure and writes nothing; quillet-info and quillet-run
    // write their files before the report, so a failure in the report finds
    // out.zvk already written, and then whole.
    void sweep(const std::vector<std::string>& arguments, Tool tool = Tool::quillet) {
        int allocations = 0;
        const RunResult clean = run_tool(tool, arguments, 0, &allocations);
        ASSERT_EQ(0, clean.status) << clean.errors;
        ASSERT_GT(allocations, 0);
        const Bytes whole = dir.exists("out.zvk") ? dir.read("out.zvk") : Bytes{};
        std::remove(file("out.zvk").c_str());
        std::remove(file("trace.txt").c_str());  // each run starts where the first did
        for (int n = 1; n <= allocations; ++n) {
            SCOPED_TRACE("allocation " + std::to_string(n) + " of " + std::to_string(allocations));
            int calls = 0;
            const RunResult r = run_tool(tool, arguments, n, &calls);
            EXPECT_EQ(2, r.status);
            // quillet's messages have an empty line after them; the others' do not.
            EXPECT_EQ(tool == Tool::quillet ? "Out of memory!\n\n" : "Out of memory!\n", r.errors);
            EXPECT_GE(calls, n);  // the planned failure happened
            if (tool == Tool::quillet) {
                EXPECT_EQ(n, calls);  // nothing is allocated after the failure
                EXPECT_FALSE(dir.exists("out.zvk"));
            } else if (dir.exists("out.zvk")) {
                EXPECT_EQ(dir.read("out.zvk"), whole);
                std::remove(file("out.zvk").c_str());
            }
            std::remove(file("trace.txt").c_str());
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

// A program that halts at once: HLT at 0x8000, in the RAM of a PMD 85-3,
// where the snapshot starts.
class ProgramAllocationFailureTest : public AllocationFailureTest {
protected:
    void SetUp() override {
        AllocationFailureTest::SetUp();
        if (IsSkipped()) return;
        int calls = 0;
        ASSERT_EQ(0, run_tool({"-o", file("halt.zvk"), "-cm", "V3", "-reg", "PC", "0x8000", "-hex", "0x8000", "76"}, 0,
                               &calls).status);
    }
};

TEST_F(ProgramAllocationFailureTest, EveryAllocationOfAnInspection) {
    sweep({"-m", file("out.zvk"), file("halt.zvk")}, Tool::quillet_info);
    sweep({"--json", "--peek", "0x8000+16", "--disassemble", "0x8000+4", "--find", "76", file("halt.zvk")},
          Tool::quillet_info);
}

TEST_F(ProgramAllocationFailureTest, EveryAllocationOfARun) {
    sweep({"--expect-mem", "0x8000=76", "--expect", "A=0", "--peek", "0x8000+4", "--trace", file("trace.txt"), "-o",
           file("out.zvk"), file("halt.zvk")},
          Tool::quillet_run);
    sweep({"--json", "--call", "0x8000", "--expect-stop", "halt", file("halt.zvk")}, Tool::quillet_run);
}

}  // namespace
}  // namespace quillet_test
