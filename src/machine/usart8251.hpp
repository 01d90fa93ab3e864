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
// blocks: the bytes in the order sent, a new block after the line idled
// for RECORDING_GAP_STATES or more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tape/tape_image.hpp"

namespace quillet {

constexpr std::uint8_t USART_TX_READY = 0x01;
constexpr std::uint8_t USART_TX_EMPTY = 0x04;
constexpr std::uint8_t USART_COMMAND_TX_ENABLE = 0x01;
constexpr std::uint8_t USART_COMMAND_RESET = 0x40;

// A pause of a tenth of a second ends a block: well inside the half
// second the monitors leave between a header and its data, far beyond
// the gap between two bytes a program sends one after another.
constexpr std::uint64_t RECORDING_GAP_STATES = 204800;
// A block a PTP record can hold: a longer run without a pause goes on in
// a new block.
constexpr std::size_t RECORDING_BLOCK_MAX = 65535;
// The bytes the recording keeps (some 40 hours at 1200 bit/s); those sent
// after it is full are counted, not kept.
constexpr std::size_t RECORDING_BYTES_MAX = 16u * 1024 * 1024;

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

    // What was sent, as tape blocks, and the bytes not kept.
    std::vector<tape::Block> sent;
    std::uint64_t sent_end = 0;  // when the last character recorded ended
    std::size_t sent_bytes = 0;
    std::uint64_t sent_lost = 0;

    template <class Io>
    void state_io(Io& io) {
        io(expect), io(mode), io(command), io(buffer_full), io(buffer), io(written_at), io(sending_until);
        io.sequence(sent, [&](tape::Block& block) {
            io.bytes(block.bytes);
            io(block.position);
        });
        io(sent_end), io(sent_bytes), io(sent_lost);
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

// Forgets what was recorded.
void usart_clear_recording(Usart8251* usart);

}  // namespace quillet
