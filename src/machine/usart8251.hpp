// The 8251 USART of the I/O board as a program sees it: the mode word and
// the command words written to its control port, the status it reads
// (TxRDY, TxEMPTY; the receiver's RxRDY and the DSR line come from the
// tape input, tape_input.hpp), and the transmitter, whose characters go out
// at the rate of the transmit clock the model wires to TxC.
//
// The transmitter is worked out from the processor's state count when the
// program touches the chip or the clock, not stepped: a byte written waits
// in the buffer (TxRDY clear) until TxEN is set and the shift register is
// free, then goes out as one character (a start bit, the data bits, the
// parity bit, the stop bits of the mode) taking that many periods of the
// clock times the mode's rate factor. What goes out is recorded as tape
// blocks (tape_recording.hpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "machine/tape_recording.hpp"

namespace quillet {

constexpr std::uint8_t USART_TX_READY = 0x01;
constexpr std::uint8_t USART_TX_EMPTY = 0x04;
constexpr std::uint8_t USART_COMMAND_TX_ENABLE = 0x01;
constexpr std::uint8_t USART_COMMAND_RESET = 0x40;

// The transmit clock: none, or its period in processor states (a period
// that is no whole number of states given as a fraction).
struct TransmitClock {
    std::uint64_t states_numerator = 0;  // 0: no clock
    std::uint64_t states_denominator = 1;
};

struct Usart8251 {
    // What the next write to the control port is: the mode word after a
    // reset, one or two sync characters after a synchronous mode, then
    // command words.
    enum class Expect : std::uint8_t { MODE, SYNC_1, SYNC_2, COMMAND };
    Expect expect = Expect::MODE;
    std::uint8_t mode = 0;
    std::uint8_t command = 0;
    // The transmit buffer and the shift register.
    bool buffer_full = false;
    std::uint8_t buffer = 0;
    std::uint64_t written_at = 0;     // when the buffer was written
    std::uint64_t sending_until = 0;  // when the shift register's character ends

    // What was sent.
    TapeRecording sent;

    template <class Io>
    void state_io(Io& io) {
        io(expect), io(mode), io(command), io(buffer_full), io(buffer), io(written_at), io(sending_until);
        sent.state_io(io);
    }
};

// The chip after its RESET line or an internal reset: waiting for the mode
// word, the transmitter idle. What was recorded stays.
void usart_reset(Usart8251* usart);

// A write to the control port at `now`, the clock being `clock`.
void usart_write_control(Usart8251* usart, std::uint8_t value, std::uint64_t now, const TransmitClock& clock);

// A write to the data port at `now`: the byte to send (a byte still in
// the buffer is replaced, as in the chip).
void usart_write_data(Usart8251* usart, std::uint8_t value, std::uint64_t now, const TransmitClock& clock);

// The transmitter's status bits at `now`: TxRDY while the buffer is empty,
// TxEMPTY while nothing waits or goes out.
std::uint8_t usart_transmit_status(Usart8251* usart, std::uint64_t now, const TransmitClock& clock);

// Moves the transmitter on to `now` at the clock it had since it was last
// touched: called before the clock or TxEN changes.
void usart_catch_up(Usart8251* usart, std::uint64_t now, const TransmitClock& clock);

// The states one character of the current mode takes at `clock`, 0 when
// the clock stands.
std::uint64_t usart_character_states(const Usart8251& usart, const TransmitClock& clock);

}  // namespace quillet
