#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "driver/failure.hpp"
#include "image/file_access.hpp"
#include "unit/snapshot_test_support.hpp"

namespace quillet {
namespace {

using namespace quillet_test;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

constexpr std::uint8_t UNTOUCHED = 0xAA;
constexpr int LIMIT = 100;

struct ReadResult {
    int result;
    Bytes buffer;
    std::string errors;
};

ReadResult read_into_marked_buffer(const std::string& path, int max_length) {
    Bytes buffer(static_cast<std::size_t>(max_length) + 1, UNTOUCHED);
    CaptureStderr();
    const int result = read_input_file(path.c_str(), buffer.data(), max_length);
    return {result, buffer, GetCapturedStderr()};
}

TEST(ReadInputFile, EmptyFileReadsAsZeroBytes) {
    TempDir dir;
    dir.write("empty", {});
    const ReadResult r = read_into_marked_buffer(dir.file("empty"), LIMIT);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.buffer, repeated(LIMIT + 1, UNTOUCHED));
    EXPECT_EQ(r.errors, "");
}

TEST(ReadInputFile, FileOfExactlyTheLimitIsReadWhole) {
    TempDir dir;
    dir.write("f", ascending(LIMIT));
    const ReadResult r = read_into_marked_buffer(dir.file("f"), LIMIT);
    EXPECT_EQ(r.result, LIMIT);
    EXPECT_EQ(r.buffer, quillet_test::join({ascending(LIMIT), {UNTOUCHED}}));
}

TEST(ReadInputFile, Failures) {
    TempDir dir;
    dir.write("long", ascending(LIMIT + 1));
    struct Case {
        std::string path;
        int code;
        std::string format;
    } cases[] = {
        {dir.file("long"), ERR_SOURCE_TOO_LONG, "Source file '%s' is too long! Max length 100 bytes."},
        {dir.file("missing"), ERR_SOURCE_OPEN, "Can't open source file '%s'!"},
        {dir.path(), ERR_SOURCE_READ, "Can't read from the source file '%s'!"},
    };
    for (const Case& c : cases) {
        const ReadResult r = read_into_marked_buffer(c.path, LIMIT);
        EXPECT_EQ(r.result, c.code) << c.path;
        EXPECT_EQ(r.errors, message(c.format, c.path));
        EXPECT_EQ(r.buffer, repeated(LIMIT + 1, UNTOUCHED)) << c.path;
    }
}

// Writes `pieces` to `path` through one OutputFile; returns the first
// non-zero result, or that of finishing.
int write_output(const std::string& path, std::initializer_list<Bytes> pieces) {
    OutputFile out;
    if (const int result = open_output_file(&out, path.c_str())) return result;
    for (const Bytes& piece : pieces) {
        if (const int result = write_output_file(&out, piece.data(), static_cast<int>(piece.size()))) {
            abandon_output_file(&out);
            return result;
        }
    }
    return finish_output_file(&out);
}

mode_t permission_bits(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

TEST(OutputFile, NewFileGetsItsPiecesAndTheUmaskMode) {
    TempDir dir;
    const mode_t old_mask = umask(027);
    const int result = write_output(dir.file("out"), {{1, 2}, {}, {3}});
    umask(old_mask);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(dir.read("out"), (Bytes{1, 2, 3}));
    EXPECT_EQ(permission_bits(dir.file("out")), 0640u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out"});
}

TEST(OutputFile, ExistingFileIsReplacedAndKeepsItsPermissionBits) {
    TempDir dir;
    dir.write("out", ascending(50));
    ASSERT_EQ(chmod(dir.file("out").c_str(), 0604), 0);
    EXPECT_EQ(write_output(dir.file("out"), {{9, 8, 7}}), 0);
    EXPECT_EQ(dir.read("out"), (Bytes{9, 8, 7}));
    EXPECT_EQ(permission_bits(dir.file("out")), 0604u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out"});
}

TEST(OutputFile, SymbolicLinkIsFollowedAndItsTargetReplaced) {
    TempDir dir;
    dir.write("target", ascending(50));
    ASSERT_EQ(symlink("target", dir.file("link").c_str()), 0);
    EXPECT_EQ(write_output(dir.file("link"), {{5, 6}}), 0);
    struct stat status {};
    ASSERT_EQ(lstat(dir.file("link").c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_EQ(dir.read("target"), (Bytes{5, 6}));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"link", "target"}));
}

TEST(OutputFile, DeviceIsWrittenDirectly) {
    EXPECT_EQ(write_output("/dev/null", {ascending(300)}), 0);
}

TEST(OutputFile, FullDeviceFailsToWriteOnce) {
    OutputFile out;
    ASSERT_EQ(open_output_file(&out, "/dev/full"), 0);
    const Bytes data = ascending(10);
    CaptureStderr();
    // The failure may show at the write or only at the flush; it is
    // reported once either way.
    int result = write_output_file(&out, data.data(), 10);
    if (result == 0) {
        result = finish_output_file(&out);
    } else {
        abandon_output_file(&out);
    }
    EXPECT_EQ(result, ERR_OUTPUT_WRITE);
    EXPECT_EQ(GetCapturedStderr(), message("Can't write to the output file '%s'!", "/dev/full"));
}

TEST(OutputFile, MissingDirectoryCannotBeOpened) {
    TempDir dir;
    const std::string path = dir.file("no/such/out");
    CaptureStderr();
    EXPECT_EQ(write_output(path, {{1}}), ERR_OUTPUT_OPEN);
    EXPECT_EQ(GetCapturedStderr(), message("Can't open output file '%s'!", path));
    EXPECT_TRUE(dir.entries().empty());
}

TEST(OutputFile, AbandonedOutputLeavesTheExistingFileAndNoTemporary) {
    TempDir dir;
    dir.write("out", ascending(50));
    OutputFile out;
    ASSERT_EQ(open_output_file(&out, dir.file("out").c_str()), 0);
    const Bytes data = repeated(20, 0x11);
    ASSERT_EQ(write_output_file(&out, data.data(), 20), 0);
    abandon_output_file(&out);
    EXPECT_EQ(dir.read("out"), ascending(50));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out"});
}

TEST(OutputFile, NothingIsCreatedBeforeFinishing) {
    TempDir dir;
    OutputFile out;
    ASSERT_EQ(open_output_file(&out, dir.file("out").c_str()), 0);
    const Bytes data = ascending(20);
    ASSERT_EQ(write_output_file(&out, data.data(), 20), 0);
    for (const std::string& name : dir.entries()) EXPECT_NE(name, "out");
    EXPECT_EQ(finish_output_file(&out), 0);
    EXPECT_EQ(dir.read("out"), data);
}

}  // namespace
}  // namespace quillet
