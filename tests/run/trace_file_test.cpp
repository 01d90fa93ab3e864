// --trace goes to its file as the run goes, into a temporary file that
// becomes FILE once the run has ended: a write that fails (a full disk)
// ends the run at once with status 12 and the report, and FILE is left as
// it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "info_test_support.hpp"
#include "support/process.hpp"
#include "support/target.hpp"

namespace {

using info_test::Bytes;
using info_test::RunResult;
using info_test::text_field;

class TraceFileTest : public info_test::InfoTest {
protected:
    RunResult run(const std::vector<std::string>& arguments, const quillet_test::ProcessSetup& setup) {
        const quillet_test::ProcessResult result =
            quillet_test::run_process(quillet_test::program_under_test(QUILLET_RUN_EXECUTABLE), arguments, setup);
        RunResult run{result.exit_status, "", ""};
        EXPECT_TRUE(quillet_test::from_native_text(result.standard_output, &run.out));
        EXPECT_TRUE(quillet_test::from_native_text(result.standard_error, &run.err));
        return run;
    }
};

TEST_F(TraceFileTest, AFullDiskEndsTheRunWithStatus12AndKeepsTheFormerFile) {
    QUILLET_REQUIRE(quillet_test::Facility::RESOURCE_LIMITS);
    const std::string loop = make_snapshot("loop.zvk", {"-hex", "0", "C30000", "-reg", "PC", "0"});
    dir_.write("trace.txt", {'o', 'l', 'd'});
    quillet_test::ProcessSetup setup;
    setup.file_size_limit = 200000;  // a disk that fills after about 1650 lines
    const RunResult result =
        run({"--trace", path("trace.txt"), "--trace-limit", "1000000", "--max-instructions", "1000000", loop}, setup);
    EXPECT_EQ(result.status, 12);
    EXPECT_EQ(result.err, "Can't write to the output file '" + path("trace.txt") + "'!\n");
    // The run ended when the line could not be written, long before its limit.
    EXPECT_EQ(text_field(result.out, "Stopped:"), "requested at 0x0000");
    EXPECT_LT(std::stoul(text_field(result.out, "Instructions:")), 10000u);
    EXPECT_EQ(dir_.read("trace.txt"), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(dir_.entries(), (std::vector<std::string>{"loop.zvk", "trace.txt"}));
}

TEST_F(TraceFileTest, ADeviceThatTakesNothingGivesStatus12) {
    QUILLET_REQUIRE(quillet_test::Facility::DEVICE_FILES);
    const std::string loop = make_snapshot("loop.zvk", {"-hex", "0", "C30000", "-reg", "PC", "0"});
    for (const char* limit : {"10", "1000000"}) {  // the lines in the buffer, and beyond it
        SCOPED_TRACE(limit);
        const RunResult result =
            run({"--trace", "/dev/full", "--trace-limit", limit, "--max-instructions", limit, loop}, {});
        EXPECT_EQ(result.status, 12);
        EXPECT_EQ(result.err, "Can't write to the output file '/dev/full'!\n");
        EXPECT_NE(text_field(result.out, "Stopped:"), "");
    }
}

}  // namespace
