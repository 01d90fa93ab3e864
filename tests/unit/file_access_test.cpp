#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "base/file_access.hpp"
#include "support/target.hpp"
#include "unit/snapshot_test_support.hpp"

namespace quillet {
namespace {

using namespace quillet_test;

constexpr std::uint8_t UNTOUCHED = 0xAA;
constexpr int LIMIT = 100;

struct ReadResult {
    int result;
    Bytes buffer;
    Reports reports;
};

ReadResult read_into_marked_buffer(const std::string& path, int max_length) {
    Bytes buffer(static_cast<std::size_t>(max_length) + 1, UNTOUCHED);
    ReportLog log;
    const int result = read_input_file(path.c_str(), buffer.data(), max_length, log.reporter());
    return {result, buffer, log.reports};
}

TEST(ReadInputFile, EmptyFileReadsAsZeroBytes) {
    TempDir dir;
    dir.write("empty", {});
    const ReadResult r = read_into_marked_buffer(dir.file("empty"), LIMIT);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.buffer, repeated(LIMIT + 1, UNTOUCHED));
    EXPECT_EQ(r.reports, Reports{});
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
        EXPECT_EQ(r.reports, (Reports{{c.code, message(c.format, c.path)}}));
        EXPECT_EQ(r.buffer, repeated(LIMIT + 1, UNTOUCHED)) << c.path;
    }
}

// Writes `pieces` as the file `path` with write_file_whole; the reports go
// into `log` when given.
int write_output(const std::string& path, std::initializer_list<Bytes> pieces, ReportLog* log = nullptr) {
    std::vector<ConstByteRange> ranges;
    for (const Bytes& piece : pieces) ranges.push_back(ConstByteRange{piece.data(), piece.size()});
    const Reporter reporter = log ? log->reporter() : Reporter{};
    return write_file_whole(path.c_str(), ranges.data(), static_cast<int>(ranges.size()), reporter);
}

unsigned permission_bits(const std::string& path) {
    return static_cast<unsigned>(std::filesystem::status(path).permissions() & std::filesystem::perms::mask);
}

TEST(WriteFileWhole, NewFileGetsItsPiecesAndTheUmaskMode) {
    QUILLET_REQUIRE(Facility::PERMISSION_BITS);
    TempDir dir;
    const mode_t old_mask = umask(027);
    const int result = write_output(dir.file("out"), {{1, 2}, {}, {3}});
    umask(old_mask);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(dir.read("out"), (Bytes{1, 2, 3}));
    EXPECT_EQ(permission_bits(dir.file("out")), 0640u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out"});
}

TEST(WriteFileWhole, ExistingFileIsReplacedAndKeepsItsPermissionBits) {
    QUILLET_REQUIRE(Facility::PERMISSION_BITS);
    TempDir dir;
    dir.write("out", ascending(50));
    std::filesystem::permissions(dir.file("out"), static_cast<std::filesystem::perms>(0604));
    EXPECT_EQ(write_output(dir.file("out"), {{9, 8, 7}}), 0);
    EXPECT_EQ(dir.read("out"), (Bytes{9, 8, 7}));
    EXPECT_EQ(permission_bits(dir.file("out")), 0604u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out"});
}

TEST(WriteFileWhole, SymbolicLinkIsFollowedAndItsTargetReplaced) {
    QUILLET_REQUIRE(Facility::SYMBOLIC_LINKS);
    TempDir dir;
    dir.write("target", ascending(50));
    std::filesystem::create_symlink("target", dir.file("link"));
    EXPECT_EQ(write_output(dir.file("link"), {{5, 6}}), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link")));
    EXPECT_EQ(dir.read("target"), (Bytes{5, 6}));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"link", "target"}));
}

TEST(WriteFileWhole, DeviceIsWrittenDirectly) {
    EXPECT_EQ(write_output(null_device(), {ascending(300)}), 0);
}

TEST(WriteFileWhole, FullDeviceFailsToWriteOnce) {
    QUILLET_REQUIRE(Facility::DEVICE_FILES);
    ReportLog log;
    EXPECT_EQ(write_output("/dev/full", {ascending(10)}, &log), ERR_OUTPUT_WRITE);
    EXPECT_EQ(log.reports, (Reports{{ERR_OUTPUT_WRITE, "Can't write to the output file '/dev/full'!"}}));
}

TEST(WriteFileWhole, DirectoryCannotBeOpened) {
    TempDir dir;
    dir.make_directory("sub");
    ReportLog log;
    EXPECT_EQ(write_output(dir.file("sub"), {{1}}, &log), ERR_OUTPUT_OPEN);
    EXPECT_EQ(log.reports, (Reports{{ERR_OUTPUT_OPEN, message("Can't open output file '%s'!", dir.file("sub"))}}));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"sub"});
    EXPECT_TRUE(dir.entries("sub").empty());
}

TEST(WriteFileWhole, MissingDirectoryCannotBeOpened) {
    TempDir dir;
    const std::string path = dir.file("no/such/out");
    ReportLog log;
    EXPECT_EQ(write_output(path, {{1}}, &log), ERR_OUTPUT_OPEN);
    EXPECT_EQ(log.reports, (Reports{{ERR_OUTPUT_OPEN, message("Can't open output file '%s'!", path)}}));
    EXPECT_TRUE(dir.entries().empty());
}

TEST(PlatformOutput, DiscardedOutputLeavesTheExistingFileAndNoTemporary) {
    TempDir dir;
    dir.write("out", ascending(50));
    platform::Output out;
    ASSERT_EQ(platform::open_output(dir.file("out").c_str(), &out), platform::OpenOutputResult::OPENED);
    const Bytes data = repeated(20, 0x11);
    const ConstByteRange range{data.data(), data.size()};
    ASSERT_EQ(platform::write_ranges(&out, &range, 1), 0);
    platform::discard_output(&out);
    EXPECT_EQ(dir.read("out"), ascending(50));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out"});
}

TEST(PlatformOutput, NothingAppearsBeforeTheCommit) {
    TempDir dir;
    platform::Output out;
    ASSERT_EQ(platform::open_output(dir.file("out").c_str(), &out), platform::OpenOutputResult::OPENED);
    const Bytes data = ascending(20);
    const ConstByteRange range{data.data(), data.size()};
    ASSERT_EQ(platform::write_ranges(&out, &range, 1), 0);
    EXPECT_FALSE(dir.exists("out"));
    EXPECT_EQ(platform::commit_output(&out), 0);
    EXPECT_EQ(dir.read("out"), data);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out"});
}

}  // namespace
}  // namespace quillet
