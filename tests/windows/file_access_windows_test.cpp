// What the Windows platform layer does beyond the POSIX one: UTF-8 names
// reach the wide system calls, a read-only target or one that another
// program holds open is refused and kept, and the temporary file is made
// beside the target whichever separator its path uses.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/file_access.hpp"
#include "unit/snapshot_test_support.hpp"

namespace quillet {
namespace {

using namespace quillet_test;

constexpr const char* TEMPORARY_PREFIX = ".quillet-";

std::wstring wide(const std::string& utf8) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &text[0], size);
    text.resize(static_cast<std::size_t>(size) - 1);
    return text;
}

int write_bytes(const std::string& path, const Bytes& content, ReportLog* log) {
    const ConstByteRange range{content.data(), content.size()};
    return write_file_whole(path.c_str(), &range, 1, log->reporter());
}

TEST(WindowsFileNames, Utf8NamesAreTheNamesOnDisk) {
    TempDir dir;
    dir.write("hra_č.bin", ascending(300));
    Bytes buffer(300);
    ReportLog log;
    EXPECT_EQ(read_input_file(dir.file("hra_č.bin").c_str(), buffer.data(), 300, log.reporter()), 300);
    EXPECT_EQ(buffer, ascending(300));
    EXPECT_EQ(write_bytes(dir.file("Příklad.zvk"), {1, 2, 3}, &log), 0);
    EXPECT_EQ(log.reports, Reports{});
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"Příklad.zvk", "hra_č.bin"}));
    EXPECT_EQ(dir.read("Příklad.zvk"), (Bytes{1, 2, 3}));
}

TEST(WindowsFileNames, NameThatIsNoUtf8CannotBeOpened) {
    TempDir dir;
    const std::string broken = dir.file("bad\xC3(.bin");
    Bytes buffer(10);
    ReportLog log;
    EXPECT_EQ(read_input_file(broken.c_str(), buffer.data(), 10, log.reporter()), ERR_SOURCE_OPEN);
    EXPECT_EQ(write_bytes(broken, {1}, &log), ERR_OUTPUT_OPEN);
    EXPECT_EQ(log.reports, (Reports{{ERR_SOURCE_OPEN, message("Can't open source file '%s'!", broken)},
                                    {ERR_OUTPUT_OPEN, message("Can't open output file '%s'!", broken)}}));
    EXPECT_TRUE(dir.entries().empty());
}

TEST(WindowsReplacement, ReadOnlyTargetIsRefusedAndKept) {
    TempDir dir;
    dir.write("out.zvk", ascending(50));
    const std::wstring target = wide(dir.file("out.zvk"));
    ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
    ReportLog log;
    const int result = write_bytes(dir.file("out.zvk"), {9, 9}, &log);
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);  // so that the directory can go
    EXPECT_EQ(result, ERR_OUTPUT_OPEN);
    EXPECT_EQ(log.reports, (Reports{{ERR_OUTPUT_OPEN, message("Can't open output file '%s'!", dir.file("out.zvk"))}}));
    EXPECT_EQ(dir.read("out.zvk"), ascending(50));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.zvk"});
}

// Windows does not replace a file that is open without FILE_SHARE_DELETE
// (an emulator that has the snapshot loaded, say): the write fails and
// leaves it whole. Once it is closed, the same write succeeds.
TEST(WindowsReplacement, TargetHeldOpenIsKeptUntilItIsClosed) {
    TempDir dir;
    dir.write("out.zvk", ascending(50));
    const HANDLE held = CreateFileW(wide(dir.file("out.zvk")).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ReportLog log;
    const int while_open = write_bytes(dir.file("out.zvk"), {7, 7, 7}, &log);
    CloseHandle(held);
    EXPECT_EQ(while_open, ERR_OUTPUT_WRITE);
    EXPECT_EQ(log.reports,
              (Reports{{ERR_OUTPUT_WRITE, message("Can't write to the output file '%s'!", dir.file("out.zvk"))}}));
    EXPECT_EQ(dir.read("out.zvk"), ascending(50));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.zvk"});

    EXPECT_EQ(write_bytes(dir.file("out.zvk"), {7, 7, 7}, &log), 0);
    EXPECT_EQ(dir.read("out.zvk"), (Bytes{7, 7, 7}));
}

std::vector<std::string> temporaries(const std::vector<std::string>& names) {
    std::vector<std::string> found;
    for (const std::string& name : names) {
        if (name.rfind(TEMPORARY_PREFIX, 0) == 0) found.push_back(name);
    }
    return found;
}

// The temporary file lies in the target's directory (so that it is moved
// within one volume) for either separator, and for a new or existing file.
TEST(WindowsReplacement, TemporaryFileLiesBesideTheTarget) {
    for (const char* separator : {"\\", "/"}) {
        for (const bool existing : {false, true}) {
            TempDir dir;
            dir.make_directory("sub");
            if (existing) dir.write("sub/out.zvk", ascending(10));
            const std::string path = dir.path() + separator + "sub" + separator + "out.zvk";
            platform::Output output;
            ASSERT_EQ(platform::open_output(path.c_str(), &output), platform::OpenOutputResult::OPENED) << path;
            const Bytes data = ascending(20, 5);
            const ConstByteRange range{data.data(), data.size()};
            ASSERT_EQ(platform::write_ranges(&output, &range, 1), 0);
            EXPECT_EQ(temporaries(dir.entries("sub")).size(), 1u) << path;
            EXPECT_EQ(temporaries(dir.entries()).size(), 0u) << path;
            EXPECT_EQ(platform::commit_output(&output), 0);
            EXPECT_EQ(dir.entries("sub"), std::vector<std::string>{"out.zvk"}) << path;
            EXPECT_EQ(dir.read("sub/out.zvk"), data);
        }
    }
}

}  // namespace
}  // namespace quillet
