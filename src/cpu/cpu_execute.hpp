// The instruction loop of the 8080. Internal to src/cpu.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "cpu/cpu8080.hpp"

namespace quillet {

// A write to a marked cell: read-only bytes go to the RAM beneath, and
// address 0 to its repetition too.
void cpu_write_marked(Cpu8080* cpu, std::uint16_t address, std::uint8_t value);

// The processor's own write to a marked cell: as cpu_write_marked, and a
// watched write noted in cpu->watch_hit (the run's first). True when the
// write was watched.
bool cpu_store_marked(Cpu8080* cpu, std::uint16_t address, std::uint8_t value);

// Notes a read of data at `address` (and the next address when `count`
// is 2) in cpu->watch_hit when one of them is watched for reads. True when
// it was.
bool cpu_watched_read(Cpu8080* cpu, std::uint16_t address, unsigned count);

// The marks of the cells at `address` and address + 1 (0..0xFFFF; the
// repetition of address 0 after 0xFFFF is marked too), or-ed together.
inline unsigned cpu_word_marks(const Cpu8080* cpu, std::size_t address) {
    const std::uint8_t* cell = &cpu->cells[2 * address];
    if (CELL_BYTE == 0) {
        std::uint32_t cells;  // byte, marks, next byte, its marks
        std::memcpy(&cells, cell, sizeof cells);
        return (cells >> 8 | cells >> 24) & 0xFF;
    }
    return cell[CELL_MARKS] | cell[2 + CELL_MARKS];
}

// The little-endian word at `address` (0..0xFFFF, wrapping to 0).
inline unsigned cpu_read_word(const Cpu8080* cpu, std::size_t address) {
    const std::uint8_t* cell = &cpu->cells[2 * address];
    if (CELL_BYTE == 0) {
        std::uint32_t cells;  // byte, marks, next byte, its marks
        std::memcpy(&cells, cell, sizeof cells);
        return (cells & 0xFF) | (cells >> 8 & 0xFF00);
    }
    return cell[CELL_BYTE] | static_cast<unsigned>(cell[2 + CELL_BYTE]) << 8;
}

// The largest budget of one cpu_execute.
constexpr std::uint64_t CPU_EXECUTE_BUDGET_MAX = (std::uint64_t{1} << 28) - 4;

// Executes instructions from PC in the loop `loop` of cpu->timing's
// states (video_wait_timing.hpp for the video circuit's wait states) until
// a stop address (not for the first instruction when `leave_stop`), HLT,
// or until `budget` (1 to CPU_EXECUTE_BUDGET_MAX) states are spent: then
// CPU_STOP_STATE_LIMIT. A port callback that asks for a stop or for an
// interrupt that can be taken ends the budget after its instruction, and
// an EI while an interrupt waits ends it after the next one; an
// instruction that wrote a watched address (or read one, in the loops that
// watch reads) ends it after itself. Interrupts are
// accepted by the caller, never here. The loop that counts needs
// cpu->counts.
CpuStopReason cpu_execute(Cpu8080* cpu, CpuLoop loop, std::uint64_t budget, bool leave_stop);

}  // namespace quillet
