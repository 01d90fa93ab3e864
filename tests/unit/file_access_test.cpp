#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

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

// A source that hands out `total` bytes of ascending values in pieces of
// at most `piece` bytes, counting what it was asked for; -1 from `fail_at`
// bytes on.
struct PieceSource {
    std::size_t total;
    std::size_t piece;
    std::size_t fail_at = static_cast<std::size_t>(-1);
    std::size_t given = 0;
    int calls = 0;

    static long read(void* user, std::uint8_t* data, std::size_t capacity) {
        auto* s = static_cast<PieceSource*>(user);
        ++s->calls;
        if (s->given >= s->fail_at) return -1;
        std::size_t n = std::min({capacity, s->piece, s->total - s->given});
        for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<std::uint8_t>(s->given + i);
        s->given += n;
        return static_cast<long>(n);
    }
};

TEST(ReadToEnd, ReadsInPiecesUpToTheLimit) {
    for (const std::size_t total : {std::size_t{0}, std::size_t{1}, std::size_t{LIMIT}}) {
        PieceSource source{total, 7};
        ByteBuffer content;
        ReportLog log;
        EXPECT_EQ(read_to_end(PieceSource::read, &source, LIMIT, &content, "in", log.reporter()),
                  static_cast<long>(total));
        EXPECT_EQ(Bytes(content.data(), content.data() + content.size()), ascending(total));
        EXPECT_EQ(log.reports, Reports{});
    }
}

// One byte beyond the limit is too long, and nothing after it is asked for:
// an endless source ends.
TEST(ReadToEnd, OneByteBeyondTheLimitIsTooLongAndTheRestIsNotRead) {
    PieceSource source{static_cast<std::size_t>(-1) / 2, 1000};
    ByteBuffer content;
    ReportLog log;
    EXPECT_EQ(read_to_end(PieceSource::read, &source, LIMIT, &content, "in", log.reporter()), ERR_SOURCE_TOO_LONG);
    EXPECT_EQ(source.given, static_cast<std::size_t>(LIMIT + 1));
    EXPECT_EQ(log.reports, (Reports{{ERR_SOURCE_TOO_LONG, "Source file 'in' is too long! Max length 100 bytes."}}));
}

TEST(ReadToEnd, AReadErrorIsAFailedRead) {
    PieceSource source{LIMIT, 10, 30};
    ByteBuffer content;
    ReportLog log;
    EXPECT_EQ(read_to_end(PieceSource::read, &source, LIMIT, &content, "in", log.reporter()), ERR_SOURCE_READ);
    EXPECT_EQ(log.reports, (Reports{{ERR_SOURCE_READ, "Can't read from the source file 'in'!"}}));
}

TEST(ReadWholeFile, ARegularFileIsReadUpToTheLimitAndNoFurther) {
    TempDir dir;
    dir.write("fits", ascending(LIMIT));
    dir.write("long", ascending(LIMIT + 1));
    ByteBuffer content;
    ReportLog log;
    EXPECT_EQ(read_whole_file(dir.file("fits").c_str(), LIMIT, &content, log.reporter()), LIMIT);
    EXPECT_EQ(read_whole_file(dir.file("long").c_str(), LIMIT, &content, log.reporter()), LIMIT);
    EXPECT_EQ(Bytes(content.data(), content.data() + LIMIT), ascending(LIMIT));
    EXPECT_TRUE(log.reports.empty());
}

// write_files_into() with the names and contents given.
int write_set(const std::string& directory, const std::vector<std::pair<std::string, Bytes>>& files,
              const std::vector<const char*>& stale, ReportLog* log) {
    std::vector<NamedOutput> outputs;
    for (const auto& file : files) {
        outputs.push_back(NamedOutput{file.first.c_str(), ConstByteRange{file.second.data(), file.second.size()}});
    }
    return write_files_into(directory.c_str(), outputs.data(), outputs.size(), stale.data(), stale.size(),
                            log->reporter());
}

TEST(WriteFilesInto, WritesTheSetCreatesTheDirectoryAndRemovesStaleFiles) {
    TempDir dir;
    ReportLog log;
    ASSERT_EQ(write_set(dir.file("new"), {{"a.bin", {1}}, {"b.bin", {2, 2}}}, {"c.bin"}, &log), 0);
    EXPECT_EQ(dir.entries("new"), (std::vector<std::string>{"a.bin", "b.bin"}));
    dir.write("new/c.bin", {3});
    dir.write("new/other", {4});
    ASSERT_EQ(write_set(dir.file("new"), {{"a.bin", {5}}}, {"b.bin", "c.bin", "d.bin"}, &log), 0);
    EXPECT_EQ(dir.entries("new"), (std::vector<std::string>{"a.bin", "other"}));
    EXPECT_EQ(dir.read("new/a.bin"), Bytes{5});
    EXPECT_EQ(log.reports, Reports{});
}

// A file of the set that cannot be written (here: a name longer than any
// file system allows) leaves the directory as it was, the files before it
// in the set included.
TEST(WriteFilesInto, AFailureLeavesTheDirectoryAsItWas) {
    TempDir dir;
    dir.make_directory("out");
    dir.write("out/a.bin", {9});
    dir.write("out/stale.bin", {8});
    const std::string long_name(300, 'n');
    ReportLog log;
    EXPECT_EQ(write_set(dir.file("out"), {{"a.bin", {1}}, {long_name, {2}}}, {"stale.bin"}, &log), ERR_OUTPUT_OPEN);
    EXPECT_EQ(log.reports,
              (Reports{{ERR_OUTPUT_OPEN, message("Can't open output file '%s'!", dir.file("out/" + long_name))}}));
    EXPECT_EQ(dir.entries("out"), (std::vector<std::string>{"a.bin", "stale.bin"}));
    EXPECT_EQ(dir.read("out/a.bin"), Bytes{9});
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

// A name the system refuses is refused before anything is written: 10,
// not a failure to put the file in place (12).
TEST(WriteFileWhole, ANameTheSystemRefusesCannotBeOpened) {
    TempDir dir;
    std::vector<std::string> refused = {dir.file(std::string(300, 'n'))};
    if (windows_target()) refused.push_back(dir.file("what?.zvk"));
    for (const std::string& path : refused) {
        ReportLog log;
        EXPECT_EQ(write_output(path, {{1}}, &log), ERR_OUTPUT_OPEN) << path;
        EXPECT_EQ(log.reports, (Reports{{ERR_OUTPUT_OPEN, message("Can't open output file '%s'!", path)}}));
    }
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
