// The cells whose writes are noted (those that show the video memory
// while a text is waited for): every form of the run loop notes the lines
// of the noted cells the program wrote, and those only, whichever way the
// write goes (in the loop, or the long way of a read-only cell), and runs
// the program alike.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "cpu/cpu8080.hpp"

namespace quillet {
namespace {

// Noted cells at 8000h-81FFh (lines 512 to 519 of 64 bytes), a read-only
// image at 8180h-818Fh among them: MVI A,5; STA 8000h; LXI H,807Fh;
// MOV M,A; LXI H,1234h; SHLD 80BFh (two noted lines); SHLD 81FFh (8200h is
// not noted); LXI SP,8142h; PUSH H; STA 8180h (the image's); STA 8200h;
// HLT. Line 516 is not written.
const std::vector<std::uint8_t> NOTED_WRITES = {0x3E, 0x05, 0x32, 0x00, 0x80, 0x21, 0x7F, 0x80, 0x77, 0x21,
                                                0x34, 0x12, 0x22, 0xBF, 0x80, 0x22, 0xFF, 0x81, 0x31, 0x42,
                                                0x81, 0xE5, 0x32, 0x80, 0x81, 0x32, 0x00, 0x82, 0x76};
constexpr unsigned NOTED_LINES = 0xEF;  // from line 512: lines 512-515, 517-519

TEST(CpuNoting, EveryLoopNotesTheLinesOfNotedCellsWritten) {
    const std::uint8_t zeros[0x200] = {};
    const std::uint8_t image[16] = {};
    auto counts = std::make_unique<CpuCounts>();
    for (const CpuTiming timing : {CPU_TIMING_PLAIN, CPU_TIMING_VIDEO_WAITS}) {
        std::vector<std::uint8_t> first_memory;
        std::uint64_t first_states = 0;
        for (const CpuLoop loop : {CPU_LOOP_PLAIN, CPU_LOOP_NOTING, CPU_LOOP_WATCHING_READS, CPU_LOOP_COUNTING}) {
            SCOPED_TRACE(testing::Message() << "timing " << timing << ", loop " << loop);
            auto cpu = std::make_unique<Cpu8080>();
            cpu_reset(cpu.get());
            cpu->timing = timing;
            cpu_write_ram(cpu.get(), 0x0100, NOTED_WRITES.data(), NOTED_WRITES.size());
            cpu_lay_cells(cpu.get(), 0x8000, zeros, sizeof zeros, 0xFF, CELL_NOTED);
            ASSERT_TRUE(cpu_map_readonly(cpu.get(), 0x8180, image, sizeof image));
            cpu->state.pc = 0x0100;
            cpu->noting = loop == CPU_LOOP_NOTING;
            if (loop == CPU_LOOP_WATCHING_READS) cpu_watch(cpu.get(), 0x9999, 0x9999, WATCH_READ);
            if (loop == CPU_LOOP_COUNTING) cpu->counts = counts.get();
            ASSERT_EQ(cpu_run(cpu.get(), CpuRunLimits{}), CPU_STOP_HALTED);
            for (unsigned line = 0; line < CPU_NOTE_LINES; ++line) {
                const bool noted = line >= 512 && line < 520 && ((NOTED_LINES >> (line - 512)) & 1);
                EXPECT_EQ((cpu->written[line] & CELL_NOTED) != 0, noted) << "line " << line;
            }
            std::vector<std::uint8_t> memory(0x210);
            cpu_read_ram(cpu.get(), 0x8000, memory.data(), memory.size());
            if (loop == CPU_LOOP_PLAIN) {
                EXPECT_EQ(memory[0x1FF], 0x34);
                EXPECT_EQ(memory[0x180], 0x05) << "the RAM beneath the image";
                first_memory = memory;
                first_states = cpu->state.states;
            }
            EXPECT_EQ(memory, first_memory);
            EXPECT_EQ(cpu->state.states, first_states);
        }
    }
}

}  // namespace
}  // namespace quillet
