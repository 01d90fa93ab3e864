#include "machine/timer8253.hpp"

namespace quillet {

namespace {

std::uint64_t clocks_since_load(const TimerCounter& c, std::uint64_t now) {
    if (!c.counting || c.states_per_clock == 0 || now < c.loaded_at) return 0;
    return (now - c.loaded_at) / c.states_per_clock;
}

}  // namespace

void timer_reset(Timer8253* timer) {
    for (TimerCounter& c : timer->counter) {
        const std::uint64_t clock = c.states_per_clock;
        c = TimerCounter{};
        c.states_per_clock = clock;
    }
}

std::uint16_t timer_count(const TimerCounter& c, std::uint64_t now) {
    const std::uint64_t clocks = clocks_since_load(c, now);
    const std::uint32_t n = c.reload;
    if (!c.counting || n == 0) return static_cast<std::uint16_t>(n);
    switch (c.mode & 3) {
        case 2: return static_cast<std::uint16_t>(n - clocks % n);
        // Mode 3 counts down by two, once through each half of the period.
        case 3: return static_cast<std::uint16_t>((n - (2 * clocks) % n) & ~1u);
        default: return static_cast<std::uint16_t>(n - clocks);
    }
}

void timer_write(Timer8253* timer, int reg, std::uint8_t value, std::uint64_t now) {
    if (reg == 3) {
        const int which = value >> 6;
        if (which == 3) return;  // the read-back command belongs to the 8254
        TimerCounter& c = timer->counter[which];
        const int access = (value >> 4) & 3;
        if (access == 0) {  // latch the count for reading
            c.latch = timer_count(c, now);
            c.latched = true;
            return;
        }
        c.access = static_cast<std::uint8_t>(access);
        c.mode = static_cast<std::uint8_t>((value >> 1) & 7);
        c.writing_high = c.reading_high = c.latched = false;
        c.counting = false;
        return;
    }
    TimerCounter& c = timer->counter[reg];
    std::uint16_t count;
    if (c.access == 1) {
        count = value;
    } else if (c.access == 2) {
        count = static_cast<std::uint16_t>(value << 8);
    } else if (!c.writing_high) {
        c.partial = value;
        c.writing_high = true;
        return;
    } else {
        count = static_cast<std::uint16_t>(c.partial | value << 8);
        c.writing_high = false;
    }
    c.reload = count == 0 ? 65536u : count;
    c.counting = true;
    c.loaded_at = now;
}

std::uint8_t timer_read(Timer8253* timer, int reg, std::uint64_t now) {
    if (reg == 3) return 0xFF;
    TimerCounter& c = timer->counter[reg];
    const std::uint16_t count = c.latched ? c.latch : timer_count(c, now);
    std::uint8_t byte;
    if (c.access == 1) {
        byte = static_cast<std::uint8_t>(count);
    } else if (c.access == 2) {
        byte = static_cast<std::uint8_t>(count >> 8);
    } else {
        byte = static_cast<std::uint8_t>(c.reading_high ? count >> 8 : count);
        c.reading_high = !c.reading_high;
        if (c.reading_high) return byte;
    }
    c.latched = false;
    return byte;
}

std::uint64_t timer_next_falling_edge(const TimerCounter& c, std::uint64_t now) {
    const int mode = c.mode & 3;
    if (!c.counting || c.states_per_clock == 0 || (mode != 2 && mode != 3)) return UINT64_MAX;
    const std::uint64_t period = static_cast<std::uint64_t>(c.reload) * c.states_per_clock;
    if (now < c.loaded_at) return c.loaded_at + period;
    return c.loaded_at + ((now - c.loaded_at) / period + 1) * period;
}

}  // namespace quillet
