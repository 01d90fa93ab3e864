// Failures of the file status query, which a real file system does not
// produce on regular files: a source file or template that cannot be
// examined (-6) and a source file without a usable length (-7). Each case
// runs the whole tool in-process and checks its exit status, its message
// and that nothing was written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "seams/file_status_faults.hpp"
#include "seams/in_process_run.hpp"
#include "support/temp_dir.hpp"

namespace quillet_test {
namespace {

class FileStatusFailureTest : public testing::Test {
protected:
    void SetUp() override {
        dir.write("in.bin", Bytes(100, 0x5A));
        ASSERT_EQ(0, run_tool_in_process({"-o", file("template.zvk"), "-pack", "-hex", "0", "C30001"}).status);
        reset_file_status_faults();
    }
    void TearDown() override { reset_file_status_faults(); }

    std::string file(const std::string& name) const { return dir.file(name); }

    TempDir dir;
};

TEST_F(FileStatusFailureTest, ReplacementIsLinkedIn) {
    ASSERT_EQ(0, run_tool_in_process({"-mem", "0", file("in.bin"), "-rom", file("in.bin"), "-o", file("out.zvk")})
                     .status);
    // One query for each file read.
    EXPECT_EQ(2, status_calls());
}

struct StatusCase {
    const char* what;
    std::vector<std::string> options;  // "@name" stands for a file of the directory
    int failing_call;                  // 0: no query fails
    int lengthless_call;               // 0: every query has a length
    int status;
    const char* message;  // %s: the path of the failing file
    const char* failing_file;
};

const StatusCase STATUS_CASES[] = {
    {"a -mem file", {"-mem", "0", "@in.bin"}, 1, 0, 6, "Can't access source file '%s'!", "in.bin"},
    {"a -pg file", {"-pg", "5", "@in.bin", "-mm", "0"}, 1, 0, 6, "Can't access source file '%s'!", "in.bin"},
    {"the ROM file", {"-hex", "0", "00", "-rom", "@in.bin"}, 1, 0, 6, "Can't access source file '%s'!", "in.bin"},
    {"the template", {"-zvk", "@template.zvk"}, 1, 0, 6, "Can't access source file '%s'!", "template.zvk"},
    {"the second file", {"-mem", "0", "@in.bin", "-pg", "1", "@in.bin"}, 2, 0, 6,
     "Can't access source file '%s'!", "in.bin"},
    {"length of a -mem file", {"-mem", "0", "@in.bin"}, 0, 1, 7,
     "Can't retrieve length of the source file '%s'!", "in.bin"},
    {"length of a -pg file", {"-pg", "1", "@in.bin"}, 0, 1, 7,
     "Can't retrieve length of the source file '%s'!", "in.bin"},
    {"length of the ROM file", {"-hex", "0", "00", "-rom", "@in.bin"}, 0, 1, 7,
     "Can't retrieve length of the source file '%s'!", "in.bin"},
};

std::string formatted(const char* format, const std::string& path) {
    std::vector<char> text(std::string(format).size() + path.size() + 1);
    std::snprintf(text.data(), text.size(), format, path.c_str());
    return std::string(text.data()) + "\n\n";
}

TEST_F(FileStatusFailureTest, FailingQueryEndsTheRunWithItsCode) {
    for (const StatusCase& c : STATUS_CASES) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> arguments;
        for (const std::string& option : c.options) {
            arguments.push_back(option[0] == '@' ? file(option.substr(1)) : option);
        }
        arguments.insert(arguments.end(), {"-o", file("out.zvk")});
        reset_file_status_faults();
        if (c.failing_call) fail_status_call(c.failing_call);
        if (c.lengthless_call) hide_length_in_call(c.lengthless_call);

        const RunResult r = run_tool_in_process(arguments);
        EXPECT_EQ(c.status, r.status);
        EXPECT_EQ(formatted(c.message, file(c.failing_file)), r.errors);
        // Nothing written: no output and no temporary file beside it.
        EXPECT_EQ((std::vector<std::string>{"in.bin", "template.zvk"}), dir.entries());
    }
}

}  // namespace
}  // namespace quillet_test
