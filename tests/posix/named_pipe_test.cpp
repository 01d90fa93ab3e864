// What only POSIX systems have: named pipes whose writer comes and goes
// on its own schedule, read through the platform layer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/platform.hpp"
#include "support/temp_dir.hpp"

namespace quillet {
namespace {

// A writer that opened the pipe, wrote and closed it before the reader
// waits: its bytes are read, and the wait does not hang for another writer.
TEST(NamedPipe, AWriterThatCameAndWentBeforeTheWaitIsRead) {
    quillet_test::TempDir dir;
    const std::string path = dir.file("pipe");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    platform::FileHandle file = platform::open_for_reading(path.c_str());
    ASSERT_NE(file, platform::NO_FILE);
    const int writer = open(path.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(write(writer, "abc", 3), 3);
    close(writer);

    file = platform::wait_for_writer(file);
    ASSERT_NE(file, platform::NO_FILE);
    std::uint8_t bytes[8] = {};
    const platform::ByteRange range{bytes, sizeof bytes};
    EXPECT_EQ(platform::read_ranges(file, &range, 1), 3);
    EXPECT_EQ(std::string(bytes, bytes + 3), "abc");
    platform::close_file(file);
}

}  // namespace
}  // namespace quillet
