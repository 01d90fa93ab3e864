// The 8251's control words and transmitter (usart8251.hpp), after the
// chip's data sheet: mode word bits 1-0 the rate factor (00 synchronous,
// 01 x1, 10 x16, 11 x64), 3-2 the data bits (5 to 8), 4 parity, 7-6 the
// stop bits (1, 1.5, 2); in synchronous mode bit 7 set means one sync
// character, else two. Command word bit 0 TxEN, bit 6 the internal reset.
#include "machine/usart8251.hpp"

#include <algorithm>

namespace quillet {
namespace {

constexpr std::uint8_t MODE_FACTOR_MASK = 0x03;
constexpr std::uint8_t MODE_SYNCHRONOUS = 0x00;
constexpr std::uint8_t MODE_PARITY = 0x10;
constexpr std::uint8_t MODE_SINGLE_SYNC = 0x80;

bool transmitting(const Usart8251& u) {
    return u.expect == Usart8251::Expect::COMMAND && (u.command & USART_COMMAND_TX_ENABLE);
}

// Half bits of one character: start bit, data, parity, stop bits (a
// synchronous character has neither start nor stop bits).
unsigned character_halves(std::uint8_t mode) {
    const unsigned data = 5 + ((mode >> 2) & 3);
    const unsigned parity = (mode & MODE_PARITY) ? 1 : 0;
    if ((mode & MODE_FACTOR_MASK) == MODE_SYNCHRONOUS) return 2 * (data + parity);
    static constexpr unsigned STOP_HALVES[4] = {2, 2, 3, 4};  // 00 is no valid setting: one stop bit
    return 2 * (1 + data + parity) + STOP_HALVES[mode >> 6];
}

unsigned rate_factor(std::uint8_t mode) {
    static constexpr unsigned FACTORS[4] = {1, 1, 16, 64};
    return FACTORS[mode & MODE_FACTOR_MASK];
}

void record(Usart8251* u, std::uint8_t byte, std::uint64_t start, std::uint64_t end) {
    if (u->sent_bytes >= RECORDING_BYTES_MAX) {
        ++u->sent_lost;
        return;
    }
    if (u->sent.empty() || start >= u->sent_end + RECORDING_GAP_STATES ||
        u->sent.back().bytes.size() >= RECORDING_BLOCK_MAX) {
        u->sent.emplace_back();
    }
    u->sent.back().bytes.push_back(byte);
    ++u->sent_bytes;
    u->sent_end = end;
}

}  // namespace

std::uint64_t usart_character_states(const Usart8251& u, const TransmitClock& clock) {
    if (clock.states_numerator == 0 || clock.states_denominator == 0) return 0;
    const std::uint64_t halves = character_halves(u.mode) * std::uint64_t{rate_factor(u.mode)};
    return clock.states_numerator * halves / (2 * clock.states_denominator);
}

void usart_catch_up(Usart8251* u, std::uint64_t now, const TransmitClock& clock) {
    if (!u->buffer_full || !transmitting(*u)) return;
    const std::uint64_t start = std::max(u->written_at, u->sending_until);
    if (start > now) return;
    const std::uint64_t length = usart_character_states(*u, clock);
    if (length == 0) return;  // no clock: the byte waits
    u->buffer_full = false;
    u->sending_until = start + length;
    record(u, u->buffer, start, u->sending_until);
}

void usart_reset(Usart8251* u) {
    u->expect = Usart8251::Expect::MODE;
    u->mode = 0;
    u->command = 0;
    u->buffer_full = false;
    u->written_at = 0;
    u->sending_until = 0;
}

void usart_write_control(Usart8251* u, std::uint8_t value, std::uint64_t now, const TransmitClock& clock) {
    usart_catch_up(u, now, clock);
    switch (u->expect) {
        case Usart8251::Expect::MODE:
            u->mode = value;
            u->expect = (value & MODE_FACTOR_MASK) != MODE_SYNCHRONOUS ? Usart8251::Expect::COMMAND
                        : (value & MODE_SINGLE_SYNC)                  ? Usart8251::Expect::SYNC_2
                                                                      : Usart8251::Expect::SYNC_1;
            return;
        case Usart8251::Expect::SYNC_1: u->expect = Usart8251::Expect::SYNC_2; return;
        case Usart8251::Expect::SYNC_2: u->expect = Usart8251::Expect::COMMAND; return;
        case Usart8251::Expect::COMMAND: break;
    }
    if (value & USART_COMMAND_RESET) {
        // A character going out is cut off; a byte waiting is dropped.
        usart_reset(u);
        return;
    }
    u->command = value;
    // TxEN set now: a byte that waited goes out from here.
    if (u->buffer_full) u->written_at = std::max(u->written_at, now);
    usart_catch_up(u, now, clock);
}

void usart_write_data(Usart8251* u, std::uint8_t value, std::uint64_t now, const TransmitClock& clock) {
    usart_catch_up(u, now, clock);
    u->buffer = value;
    u->buffer_full = true;
    u->written_at = now;
    usart_catch_up(u, now, clock);
}

std::uint8_t usart_transmit_status(Usart8251* u, std::uint64_t now, const TransmitClock& clock) {
    usart_catch_up(u, now, clock);
    if (u->buffer_full) return 0;
    return static_cast<std::uint8_t>(USART_TX_READY | (now >= u->sending_until ? USART_TX_EMPTY : 0));
}

void usart_clear_recording(Usart8251* u) {
    u->sent.clear();
    u->sent_end = 0;
    u->sent_bytes = 0;
    u->sent_lost = 0;
}

}  // namespace quillet
