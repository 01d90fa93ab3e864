// The 8253 interval timer of the I/O board: three 16-bit down counters,
// each programmed by a control word (counter, how its count is read and
// written, mode) and read back, counting the clocks of its input. The
// counters are worked out from the processor's state count when they are
// read, not stepped: a counter's clock is a number of processor states
// per count (0: no clock, the count stands still).
#pragma once

#include <cstdint>

namespace quillet {

constexpr int TIMER_COUNTERS = 3;

struct TimerCounter {
    std::uint64_t states_per_clock = 0;  // 0: no clock
    std::uint8_t mode = 0;               // 0..5
    std::uint8_t access = 3;             // 1 low byte, 2 high byte, 3 low then high
    bool writing_high = false;           // the next byte written is the high one
    bool reading_high = false;
    bool latched = false;
    std::uint16_t latch = 0;
    std::uint32_t reload = 0;            // the count written, 65536 for 0
    std::uint16_t partial = 0;           // the low byte of a count being written
    bool counting = false;
    std::uint64_t loaded_at = 0;         // the state the count was loaded at
};

struct Timer8253 {
    TimerCounter counter[TIMER_COUNTERS];
};

void timer_reset(Timer8253* timer);

// A write to register `reg` (0..2 a counter, 3 the control word) at state `now`.
void timer_write(Timer8253* timer, int reg, std::uint8_t value, std::uint64_t now);

// A read of counter `reg` (0..2) at state `now`; the control register reads FFh.
std::uint8_t timer_read(Timer8253* timer, int reg, std::uint64_t now);

// The count of a counter at state `now`.
std::uint16_t timer_count(const TimerCounter& counter, std::uint64_t now);

// The first state after `now` at which the counter's OUT falls in modes 2
// and 3 (once per period); UINT64_MAX when it never does.
std::uint64_t timer_next_falling_edge(const TimerCounter& counter, std::uint64_t now);

}  // namespace quillet
