// The output file is replaced only by a complete snapshot: failures leave an
// existing file as it was and no temporary file behind.
#include <sys/stat.h>
#include <unistd.h>

#include "cli_test.hpp"

namespace quillet_test {
namespace {

constexpr mode_t PERMISSION_BITS = 07777;

class OutputSafetyTest : public CliTest {
protected:
    void SetUp() override { dir.write("in.bin", page); }

    // What "-mem 0 in.bin" writes.
    Bytes expected_output() const {
        HeaderFields fields;
        fields.block_lengths[0] = PAGE_BYTES;
        return join({header_bytes(fields), page});
    }

    mode_t mode_of(const std::string& name) const {
        struct stat status {};
        EXPECT_EQ(0, stat(dir.file(name).c_str(), &status));
        return status.st_mode & PERMISSION_BITS;
    }

    const Bytes page = varied(PAGE_BYTES, 3);
    const Bytes previous = repeated(100, 0x42);
};

TEST_F(OutputSafetyTest, MissingDirectoryFailsBeforeWriting) {
    EXPECT_TRUE(failed_with(run({"-mem", "0", "in.bin", "-o", "nodir/out.zvk"}), 10,
                            "Can't open output file 'nodir/out.zvk'!", "Saving final Snapshot `nodir/out.zvk`\n"));
    EXPECT_EQ(std::vector<std::string>{"in.bin"}, dir.entries());
}

// A name the system refuses (longer than the file system allows) cannot be
// opened: 10 before anything is written, not a failed write.
TEST_F(OutputSafetyTest, ANameTheSystemRefusesCannotBeOpened) {
    const std::string name(300, 'n');
    EXPECT_TRUE(failed_with(run({"-mem", "0", "in.bin", "-o", name}), 10, "Can't open output file '" + name + "'!",
                            "Saving final Snapshot `" + name + "`\n"));
    EXPECT_EQ(std::vector<std::string>{"in.bin"}, dir.entries());
}

// A header alone stays in the stream's buffer: its write fails only when
// the output is flushed.
TEST_F(OutputSafetyTest, FullDeviceIsAWriteFailure) {
    QUILLET_REQUIRE(Facility::DEVICE_FILES);
    dir.write("empty.bin", {});
    for (const char* input : {"in.bin", "empty.bin"}) {
        EXPECT_TRUE(failed_with(run({"-mem", "0", input, "-o", "/dev/full"}), 12,
                                "Can't write to the output file '/dev/full'!", "Saving final Snapshot `/dev/full`\n"))
            << input;
    }
}

TEST_F(OutputSafetyTest, NullDeviceIsWrittenDirectly) {
    EXPECT_TRUE(succeeded(run({"-mem", "0", "in.bin", "-o", null_device()}), saved(null_device())));
    EXPECT_EQ(std::vector<std::string>{"in.bin"}, dir.entries());
}

// Under a file size limit smaller than the snapshot the write fails; the
// existing output keeps its bytes and no temporary file stays.
TEST_F(OutputSafetyTest, FailedWriteKeepsExistingOutput) {
    QUILLET_REQUIRE(Facility::RESOURCE_LIMITS);
    dir.write("out.zvk", previous);
    ProcessSetup limited;
    limited.file_size_limit = 4096;
    EXPECT_TRUE(failed_with(run({"-mem", "0", "in.bin", "-o", "out.zvk"}, limited), 12,
                            "Can't write to the output file 'out.zvk'!", "Saving final Snapshot `out.zvk`\n"));
    EXPECT_TRUE(same_bytes(previous, dir.read("out.zvk")));
    EXPECT_EQ((std::vector<std::string>{"in.bin", "out.zvk"}), dir.entries());
}

TEST_F(OutputSafetyTest, FailedWriteCreatesNoFile) {
    QUILLET_REQUIRE(Facility::RESOURCE_LIMITS);
    dir.write("empty.bin", {});
    ProcessSetup limited;
    limited.file_size_limit = 20;
    for (const char* input : {"in.bin", "empty.bin"}) {
        EXPECT_TRUE(failed_with(run({"-mem", "0", input, "-o", "out.zvk"}, limited), 12,
                                "Can't write to the output file 'out.zvk'!", "Saving final Snapshot `out.zvk`\n"))
            << input;
    }
    EXPECT_EQ((std::vector<std::string>{"empty.bin", "in.bin"}), dir.entries());
}

TEST_F(OutputSafetyTest, RunFailingBeforeSavingLeavesOutputUntouched) {
    dir.write("out.zvk", previous);
    EXPECT_TRUE(
        failed_with(run({"-mem", "0", "missing.bin", "-o", "out.zvk"}), 5, "Can't open source file 'missing.bin'!"));
    EXPECT_TRUE(
        failed_with(run({"-mem", "0", "in.bin", "-o", "out.zvk", "-cm", "V9"}), 19, "Bad computer model 'V9'!"));
    EXPECT_TRUE(same_bytes(previous, dir.read("out.zvk")));
}

// Whether every directory above `path` lets other users pass, as the
// unprivileged user needs to run the program and to reach its files.
bool everyone_can_reach(const std::string& path) {
    std::string at = path;
    while (at.size() > 1) {
        at = at.substr(0, at.find_last_of('/') == 0 ? 1 : at.find_last_of('/'));
        struct stat status;
        if (stat(at.c_str(), &status) != 0 || !(status.st_mode & S_IXOTH)) return false;
    }
    return true;
}

// A file that may not be written is refused before anything is written,
// and stays as it was. Root may write any file on POSIX systems: the
// program then runs as an unprivileged user. Windows refuses a read-only
// file to everybody.
TEST_F(OutputSafetyTest, ReadOnlyOutputIsRefusedAndKept) {
    if (!windows_target() && geteuid() == 0 &&
        !(everyone_can_reach(QUILLET_EXECUTABLE) && everyone_can_reach(dir.path()))) {
        GTEST_SKIP() << "the program or the test directory lies where an unprivileged user cannot reach it";
    }
    dir.write("out.zvk", previous);
    ASSERT_EQ(0, chmod(dir.file("out.zvk").c_str(), 0444));
    // The directory lets everybody replace its files: only the file's own
    // permission can stop the run.
    ASSERT_EQ(0, chmod(dir.path().c_str(), 0777));
    ProcessSetup setup;
    setup.unprivileged = !windows_target();
    EXPECT_TRUE(failed_with(run({"-mem", "0", "in.bin", "-o", "out.zvk"}, setup), 10,
                            "Can't open output file 'out.zvk'!", "Saving final Snapshot `out.zvk`\n"));
    EXPECT_TRUE(same_bytes(previous, dir.read("out.zvk")));
    EXPECT_EQ((std::vector<std::string>{"in.bin", "out.zvk"}), dir.entries());
}

// A directory that lets its file be written but no new file be made there:
// the output is refused rather than rewritten in place, where a failure
// half way would leave half a file.
TEST_F(OutputSafetyTest, OutputWithoutRoomForATemporaryFileIsRefusedAndKept) {
    QUILLET_REQUIRE(Facility::PERMISSION_BITS);
    if (geteuid() == 0 && !(everyone_can_reach(QUILLET_EXECUTABLE) && everyone_can_reach(dir.path()))) {
        GTEST_SKIP() << "the program or the test directory lies where an unprivileged user cannot reach it";
    }
    ASSERT_EQ(0, chmod(dir.path().c_str(), 0755));
    dir.make_directory("locked");
    dir.write("locked/out.zvk", previous);
    ASSERT_EQ(0, chmod(dir.file("locked/out.zvk").c_str(), 0666));
    ASSERT_EQ(0, chmod(dir.file("locked").c_str(), 0555));
    ProcessSetup setup;
    setup.unprivileged = true;
    const ProcessResult result = run({"-mem", "0", "in.bin", "-o", "locked/out.zvk"}, setup);
    ASSERT_EQ(0, chmod(dir.file("locked").c_str(), 0755));
    EXPECT_TRUE(failed_with(result, 10, "Can't open output file 'locked/out.zvk'!",
                            "Saving final Snapshot `locked/out.zvk`\n"));
    EXPECT_TRUE(same_bytes(previous, dir.read("locked/out.zvk")));
    EXPECT_EQ(std::vector<std::string>{"out.zvk"}, dir.entries("locked"));
}

TEST_F(OutputSafetyTest, SymbolicLinkIsFollowedAndKept) {
    QUILLET_REQUIRE(Facility::SYMBOLIC_LINKS);
    dir.make_directory("real");
    dir.write("real/target.zvk", previous);
    ASSERT_EQ(0, symlink("real/target.zvk", dir.file("link.zvk").c_str()));
    EXPECT_TRUE(succeeded(run({"-mem", "0", "in.bin", "-o", "link.zvk"}), saved("link.zvk")));
    struct stat status {};
    ASSERT_EQ(0, lstat(dir.file("link.zvk").c_str(), &status));
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_TRUE(same_bytes(expected_output(), dir.read("real/target.zvk")));
    EXPECT_EQ(std::vector<std::string>{"target.zvk"}, dir.entries("real"));
}

TEST_F(OutputSafetyTest, ReplacedFileKeepsItsPermissionBits) {
    QUILLET_REQUIRE(Facility::PERMISSION_BITS);
    dir.write("out.zvk", previous);
    ASSERT_EQ(0, chmod(dir.file("out.zvk").c_str(), 0640));
    EXPECT_TRUE(succeeded(run({"-mem", "0", "in.bin", "-o", "out.zvk"}), saved("out.zvk")));
    EXPECT_TRUE(same_bytes(expected_output(), dir.read("out.zvk")));
    EXPECT_EQ(0640u, mode_of("out.zvk"));
}

TEST_F(OutputSafetyTest, NewFileGetsTheUsualPermissionBits) {
    QUILLET_REQUIRE(Facility::PERMISSION_BITS);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_TRUE(succeeded(run({"-mem", "0", "in.bin", "-o", "out.zvk"}), saved("out.zvk")));
    EXPECT_EQ(0666u & ~mask, mode_of("out.zvk"));
}

}  // namespace
}  // namespace quillet_test
