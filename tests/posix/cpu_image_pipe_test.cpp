// Images read straight into the processor from a pipe, as a script's
// `<(printf '\xc9')` gives one: read to its end within the room below
// 0x10000, with the codes of the snapshot's memory files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <string>
#include <thread>

#include "quillet/quillet.h"
#include "support/temp_dir.hpp"

namespace {

// Writes `count` bytes of `value` into the FIFO `path` (blocking until the
// reader opens it), or until the reader goes away.
std::thread writer(const std::string& path, std::size_t count, std::uint8_t value) {
    return std::thread([path, count, value]() {
        const int fd = open(path.c_str(), O_WRONLY);
        if (fd < 0) return;
        const std::string chunk(4096, static_cast<char>(value));
        for (std::size_t done = 0; done < count;) {
            const std::size_t n = count - done < chunk.size() ? count - done : chunk.size();
            const ssize_t written = write(fd, chunk.data(), n);
            if (written <= 0) break;
            done += static_cast<std::size_t>(written);
        }
        close(fd);
    });
}

TEST(CpuImagePipe, AFifoIsReadToItsEndWithinTheRoom) {
    std::signal(SIGPIPE, SIG_IGN);  // the endless writer's reader stops early
    quillet_test::TempDir dir;
    const std::string path = dir.file("pipe");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    const struct {
        long address;
        std::size_t count;
        bool rom;
        long result;
    } cases[] = {
        {0x100, 1, true, 1},
        {0x100, 0x10000 - 0x100, false, 0x10000 - 0x100},
        {0xFF00, 0x101, true, -8},      // one byte beyond the room
        {0x100, 1000000, false, -8},    // as endless as `yes`
    };
    for (const auto& c : cases) {
        quillet_cpu* cpu = quillet_cpu_new();
        std::thread fill = writer(path, c.count, 0xC9);
        const long result = c.rom ? quillet_cpu_map_rom_file(cpu, c.address, path.c_str())
                                  : quillet_cpu_load_file(cpu, c.address, path.c_str());
        fill.join();
        EXPECT_EQ(result, c.result) << c.count;
        std::uint8_t byte = 0;
        quillet_cpu_read_view(cpu, c.address, &byte, 1);
        EXPECT_EQ(byte, c.result > 0 ? 0xC9 : 0x00) << c.count;
        quillet_cpu_free(cpu);
    }
    quillet_cpu* cpu = quillet_cpu_new();
    EXPECT_EQ(quillet_cpu_map_rom_file(cpu, 0, "/dev/zero"), -9) << "a device, as quillet_load_file reads one";
    quillet_cpu_free(cpu);
}

}  // namespace
