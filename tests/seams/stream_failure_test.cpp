// Failures of the stream positioning calls, which a real file system does
// not produce on regular files: a failing seek on a source file or template
// (-6), a failing tell on a source file (-7) and a failing seek on the output
// (-11). Each case runs the whole tool in-process and checks its exit status,
// its message and that the output was left alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "seams/in_process_run.hpp"
#include "seams/stream_faults.hpp"
#include "support/temp_dir.hpp"

namespace quillet_test {
namespace {

class StreamFailureTest : public testing::Test {
protected:
    void SetUp() override {
        reset_stream_faults();
        dir.write("in.bin", Bytes(100, 0x5A));
        ASSERT_EQ(0, run_tool_in_process({"-o", file("template.zvk"), "-pack", "-hex", "0", "C30001"}).status);
        previous = dir.read("template.zvk");
        reset_stream_faults();
    }
    void TearDown() override { reset_stream_faults(); }

    std::string file(const std::string& name) const { return dir.file(name); }

    TempDir dir;
    Bytes previous;
};

TEST_F(StreamFailureTest, ReplacementIsLinkedIn) {
    ASSERT_EQ(0, run_tool_in_process({"-mem", "0", file("in.bin"), "-o", file("out.zvk")}).status);
    // Seek to the end and back for the source, one seek for the new output.
    EXPECT_EQ(3, seek_calls());
    EXPECT_EQ(1, tell_calls());
}

struct SourceCase {
    const char* what;
    std::vector<std::string> options;  // "@name" stands for a file of the directory
    int failing_seek;                  // 0: no seek fails
    int failing_tell;                  // 0: no tell fails
    int status;
    const char* message;  // %s: the path of the failing file
    const char* failing_file;
};

const SourceCase SOURCE_CASES[] = {
    {"seek to the end of a -mem file", {"-mem", "0", "@in.bin"}, 1, 0, 6,
     "Can't access source file '%s'!", "in.bin"},
    {"seek back to the start of a -mem file", {"-mem", "0", "@in.bin"}, 2, 0, 6,
     "Can't access source file '%s'!", "in.bin"},
    {"tell at the end of a -mem file", {"-mem", "0", "@in.bin"}, 0, 1, 7,
     "Can't retrieve length of the source file '%s'!", "in.bin"},
    {"tell at the end of a -pg file", {"-pg", "1", "@in.bin"}, 0, 1, 7,
     "Can't retrieve length of the source file '%s'!", "in.bin"},
    {"seek in a -pg file", {"-pg", "5", "@in.bin", "-mm", "0"}, 1, 0, 6,
     "Can't access source file '%s'!", "in.bin"},
    {"seek in the ROM file", {"-hex", "0", "00", "-rom", "@in.bin"}, 2, 0, 6,
     "Can't access source file '%s'!", "in.bin"},
    {"first seek in the template", {"-zvk", "@template.zvk"}, 1, 0, 6,
     "Can't access source file '%s'!", "template.zvk"},
    {"second seek in the template", {"-zvk", "@template.zvk"}, 2, 0, 6,
     "Can't access source file '%s'!", "template.zvk"},
    {"seek of the new output file", {"-hex", "0", "00"}, 1, 0, 11,
     "Can't access output file '%s'!", "out.zvk"},
    {"seek of the output after the template", {"-zvk", "@template.zvk", "-hex", "0", "00"}, 3, 0, 11,
     "Can't access output file '%s'!", "out.zvk"},
};

std::string formatted(const char* format, const std::string& path) {
    std::vector<char> text(std::string(format).size() + path.size() + 1);
    std::snprintf(text.data(), text.size(), format, path.c_str());
    return std::string(text.data()) + "\n\n";
}

TEST_F(StreamFailureTest, FailingCallEndsTheRunWithItsCode) {
    for (const SourceCase& c : SOURCE_CASES) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> arguments;
        for (const std::string& option : c.options) {
            arguments.push_back(option[0] == '@' ? file(option.substr(1)) : option);
        }
        arguments.insert(arguments.end(), {"-o", file("out.zvk")});
        reset_stream_faults();
        if (c.failing_seek) fail_seek_call(c.failing_seek);
        if (c.failing_tell) fail_tell_call(c.failing_tell);

        const RunResult r = run_tool_in_process(arguments);
        EXPECT_EQ(c.status, r.status);
        EXPECT_EQ(formatted(c.message, file(c.failing_file)), r.errors);
        // Nothing written: no output and no temporary file beside it.
        EXPECT_EQ((std::vector<std::string>{"in.bin", "template.zvk"}), dir.entries());
    }
}

TEST_F(StreamFailureTest, FailingOutputSeekKeepsAnExistingOutput) {
    fail_seek_call(1);
    const RunResult r = run_tool_in_process({"-hex", "0", "FF", "-o", file("template.zvk")});
    EXPECT_EQ(11, r.status);
    EXPECT_EQ(formatted("Can't access output file '%s'!", file("template.zvk")), r.errors);
    EXPECT_EQ(previous, dir.read("template.zvk"));
    EXPECT_EQ((std::vector<std::string>{"in.bin", "template.zvk"}), dir.entries());
}

TEST_F(StreamFailureTest, FailingSeekOnADeviceOutput) {
    // A device is written directly; its seek failing is the same failure.
    fail_seek_call(1);
    const RunResult r = run_tool_in_process({"-hex", "0", "FF", "-o", "/dev/null"});
    EXPECT_EQ(11, r.status);
    EXPECT_EQ(formatted("Can't access output file '%s'!", "/dev/null"), r.errors);
}

}  // namespace
}  // namespace quillet_test
