// Watchpoints on the bare processor's plain timing (the machine's video
// timing is tested through the interface): the loop that checks reads
// stops where it should and counts as the loop without watches, address 0
// through its repetition after 0xFFFF, a read-only image's cells too.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "cpu/cpu8080.hpp"

namespace quillet {
namespace {

// LHLD 0FFFFh (its second byte is address 0); MOV A,M; STA 9000h (a
// read-only image); XTHL; HLT
const std::vector<std::uint8_t> PROGRAM = {0x2A, 0xFF, 0xFF, 0x7E, 0x32, 0x00, 0x90, 0xE3, 0x76};
constexpr std::uint16_t ORIGIN = 0x0100;

std::unique_ptr<Cpu8080> processor() {
    auto cpu = std::make_unique<Cpu8080>();
    cpu_reset(cpu.get());
    cpu_write_ram(cpu.get(), ORIGIN, PROGRAM.data(), PROGRAM.size());
    const std::uint8_t bytes[] = {0x34, 0x12};  // 0FFFFh, then 0000h
    cpu_write_ram(cpu.get(), 0xFFFF, &bytes[0], 1);
    cpu_write_ram(cpu.get(), 0x0000, &bytes[1], 1);
    const std::uint8_t image[16] = {};
    EXPECT_TRUE(cpu_map_readonly(cpu.get(), 0x9000, image, sizeof image));
    cpu->state.pc = ORIGIN;
    cpu->state.sp = 0x7000;
    return cpu;
}

struct CpuWatchCase {
    std::uint16_t address;
    std::uint8_t kinds;
    CpuStopReason reason;
    std::uint16_t pc_after;
    std::uint8_t kind_hit;
};

const CpuWatchCase CPU_WATCH_CASES[] = {
    {0x0000, WATCH_READ, CPU_STOP_WATCH, ORIGIN + 3, WATCH_READ},   // LHLD's second byte, through 10000h
    {0xFFFF, WATCH_READ, CPU_STOP_WATCH, ORIGIN + 3, WATCH_READ},
    {0x1234, WATCH_READ, CPU_STOP_WATCH, ORIGIN + 4, WATCH_READ},   // MOV A,M with HL 1234h
    {0x1234, WATCH_WRITE, CPU_STOP_HALTED, ORIGIN + 9, 0},
    {0x9000, WATCH_WRITE, CPU_STOP_WATCH, ORIGIN + 7, WATCH_WRITE},  // the write the image keeps out
    {0x7001, WATCH_READ | WATCH_WRITE, CPU_STOP_WATCH, ORIGIN + 8, WATCH_READ},  // XTHL reads first
    {0x0200, WATCH_READ | WATCH_WRITE, CPU_STOP_HALTED, ORIGIN + 9, 0},
};

TEST(CpuWatch, ThePlainTimingsLoops) {
    auto plain = processor();
    ASSERT_EQ(cpu_run(plain.get(), CpuRunLimits{}), CPU_STOP_HALTED);
    for (const CpuWatchCase& c : CPU_WATCH_CASES) {
        SCOPED_TRACE(c.address);
        auto cpu = processor();
        cpu_watch(cpu.get(), c.address, c.address, c.kinds);
        EXPECT_EQ(cpu_run(cpu.get(), CpuRunLimits{}), c.reason);
        EXPECT_EQ(cpu->state.pc, c.pc_after);
        EXPECT_EQ(cpu->watch_hit.hit, c.reason == CPU_STOP_WATCH);
        EXPECT_EQ(cpu->watch_hit.kind, c.kind_hit);
        if (c.reason == CPU_STOP_WATCH) {
            EXPECT_EQ(cpu->watch_hit.address, c.address);
        }
        // On to the HLT, watched still: the counts are the unwatched run's.
        while (cpu_run(cpu.get(), CpuRunLimits{}) == CPU_STOP_WATCH) {
        }
        EXPECT_EQ(cpu->state.states, plain->state.states);
        EXPECT_EQ(cpu->state.instructions, plain->state.instructions);
        EXPECT_EQ(cpu_get_pair(cpu.get(), 3), cpu_get_pair(plain.get(), 3)) << "HL after XTHL";
    }
}

TEST(CpuWatch, UnwatchingTheLastReadLeavesTheCheckingLoop) {
    auto cpu = processor();
    cpu_watch(cpu.get(), 0x1230, 0x1240, WATCH_READ | WATCH_WRITE);
    cpu_watch(cpu.get(), 0x1234, 0x1234, WATCH_WRITE);  // adds to what it has
    EXPECT_EQ(cpu->watch[0x1234], WATCH_READ | WATCH_WRITE);
    EXPECT_EQ(cpu->watched_reads, 17u);
    cpu_unwatch(cpu.get(), 0x1230, 0x1240);
    EXPECT_EQ(cpu->watched_reads, 0u);
    EXPECT_EQ(cpu_run(cpu.get(), CpuRunLimits{}), CPU_STOP_HALTED);
}

}  // namespace
}  // namespace quillet
