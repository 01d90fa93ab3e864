// Output targets outside the usual new-or-existing regular file: a pipe
// (written directly, its failing seek tolerated), a symbolic link with an
// absolute target (followed, the link kept) and an empty name (refused).
#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "support/process.hpp"
#include "support/target.hpp"
#include "support/temp_dir.hpp"

namespace quillet_test {
namespace {

constexpr const char* BANNER = "Quillet 1.0 - ZVK snapshot builder for PMD 85 emulators\n\n";
constexpr std::size_t HEADER_V1 = 56;
constexpr std::size_t PAGE_BYTES = 16384;

ProcessResult run_quillet(const TempDir& dir, const std::vector<std::string>& arguments) {
    ProcessSetup setup;
    setup.working_directory = dir.path();
    return run_process(program_under_test(QUILLET_EXECUTABLE), arguments, setup);
}

TEST(OutputTargets, PipeIsWrittenDirectly) {
    QUILLET_REQUIRE(Facility::DEVICE_FILES);
    TempDir dir;
    // Standard output is the pipe the test reads. It carries the progress
    // text, the snapshot, and the final empty line, in that order.
    const ProcessResult r = run_quillet(dir, {"-hex", "0", "C30001", "-o", "/dev/stdout"});
    ASSERT_EQ(0, r.exit_status) << r.standard_error;
    const std::string& out = r.standard_output;
    const std::string before = std::string(BANNER) + "Saving final Snapshot `/dev/stdout`\n";
    const std::size_t start = before.size();
    ASSERT_EQ(before, out.substr(0, start));
    ASSERT_EQ("ZVK\x01", out.substr(start, 4));
    ASSERT_LE(start + HEADER_V1 + PAGE_BYTES, out.size());
    EXPECT_EQ(std::string("\xC3\x00\x01", 3), out.substr(start + HEADER_V1, 3));
    EXPECT_EQ("\n", out.substr(start + HEADER_V1 + PAGE_BYTES));
    EXPECT_EQ("", r.standard_error);
}

TEST(OutputTargets, AbsoluteSymbolicLinkIsFollowed) {
    QUILLET_REQUIRE(Facility::SYMBOLIC_LINKS);
    TempDir dir;
    dir.make_directory("real");
    ASSERT_EQ(0, symlink(dir.file("real/out.zvk").c_str(), dir.file("link.zvk").c_str()));
    const ProcessResult r = run_quillet(dir, {"-hex", "0", "C3", "-o", "link.zvk"});
    ASSERT_EQ(0, r.exit_status) << r.standard_error;
    struct stat status {};
    ASSERT_EQ(0, lstat(dir.file("link.zvk").c_str(), &status));
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_EQ(HEADER_V1 + PAGE_BYTES, dir.read("real/out.zvk").size());
    EXPECT_EQ((std::vector<std::string>{"out.zvk"}), dir.entries("real"));
}

TEST(OutputTargets, EmptyNameCannotBeOpened) {
    TempDir dir;
    const ProcessResult r = run_quillet(dir, {"-hex", "0", "C3", "-o", ""});
    EXPECT_EQ(10, r.exit_status);
    EXPECT_EQ(native_text("Can't open output file ''!\n\n"), r.standard_error);
    EXPECT_EQ(std::vector<std::string>{}, dir.entries());
}

}  // namespace
}  // namespace quillet_test
