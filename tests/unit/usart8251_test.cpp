// The 8251's transmitter against the data sheet: what the status reads
// after the mode, command and data words written at given states, at a
// clock of 1707 states a period (the monitors' 1200 bit/s from the 8253);
// then how what it sent becomes tape blocks.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "machine/usart8251.hpp"

namespace quillet {
namespace {

constexpr std::uint64_t PERIOD = 1707;
constexpr std::uint64_t CHARACTER = 11 * PERIOD;  // 8 data bits, no parity, 2 stop bits, x1
constexpr std::uint8_t READY_AND_EMPTY = USART_TX_READY | USART_TX_EMPTY;

enum class Op { CONTROL, DATA, STATUS };

struct Step {
    std::uint64_t state;
    Op op;
    std::uint8_t value;  // written, or the status expected
};

struct StatusCase {
    const char* what;
    std::uint64_t period;  // 0: no clock
    std::vector<Step> steps;
};

TEST(Usart8251, TransmitterStatusFollowsTheCharactersSent) {
    const StatusCase cases[] = {
        {"reset: ready and empty", PERIOD, {{0, Op::STATUS, READY_AND_EMPTY}}},
        {"a byte before the mode word waits", PERIOD, {{10, Op::DATA, 0x55}, {100000, Op::STATUS, 0x00}}},
        {"x1, 8 bits, 2 stop bits: the byte goes at once, TxEMPTY when its last stop bit ends",
         PERIOD,
         {{0, Op::CONTROL, 0xED}, {0, Op::CONTROL, 0x23}, {100, Op::DATA, 0x55}, {101, Op::STATUS, USART_TX_READY},
          {100 + CHARACTER - 1, Op::STATUS, USART_TX_READY}, {100 + CHARACTER, Op::STATUS, READY_AND_EMPTY}}},
        {"a second byte waits in the buffer for the first",
         PERIOD,
         {{0, Op::CONTROL, 0xED}, {0, Op::CONTROL, 0x23}, {100, Op::DATA, 0x01}, {200, Op::DATA, 0x02},
          {201, Op::STATUS, 0x00}, {100 + CHARACTER - 1, Op::STATUS, 0x00},
          {100 + CHARACTER, Op::STATUS, USART_TX_READY}, {100 + 2 * CHARACTER, Op::STATUS, READY_AND_EMPTY}}},
        {"TxEN clear: the byte waits until a command sets it",
         PERIOD,
         {{0, Op::CONTROL, 0xED}, {0, Op::CONTROL, 0x22}, {100, Op::DATA, 0x55}, {50000, Op::STATUS, 0x00},
          {60000, Op::CONTROL, 0x23}, {60001, Op::STATUS, USART_TX_READY},
          {60000 + CHARACTER, Op::STATUS, READY_AND_EMPTY}}},
        // x16, 7 data bits, even parity, 1.5 stop bits: 10.5 bits of 16 periods.
        {"the mode word's factor, length, parity and stop bits",
         PERIOD,
         {{0, Op::CONTROL, 0xBA}, {0, Op::CONTROL, 0x01}, {100, Op::DATA, 0x55},
          {100 + PERIOD * 16 * 21 / 2 - 1, Op::STATUS, USART_TX_READY},
          {100 + PERIOD * 16 * 21 / 2, Op::STATUS, READY_AND_EMPTY}}},
        {"no clock: the byte waits",
         0,
         {{0, Op::CONTROL, 0xED}, {0, Op::CONTROL, 0x23}, {100, Op::DATA, 0x55}, {10000000, Op::STATUS, 0x00}}},
        {"an internal reset drops the byte waiting and wants the mode word again",
         PERIOD,
         {{0, Op::CONTROL, 0xED}, {0, Op::CONTROL, 0x23}, {100, Op::DATA, 0x01}, {200, Op::DATA, 0x02},
          {300, Op::CONTROL, 0x40}, {301, Op::STATUS, READY_AND_EMPTY}, {400, Op::CONTROL, 0x23},
          {500, Op::DATA, 0x03}, {501, Op::STATUS, 0x00}}},
        // Synchronous characters have no start or stop bits: 8 periods.
        {"synchronous mode: two sync characters, then the command",
         PERIOD,
         {{0, Op::CONTROL, 0x0C}, {0, Op::CONTROL, 0x16}, {0, Op::CONTROL, 0x01}, {100, Op::DATA, 0x55},
          {101, Op::STATUS, 0x00}, {200, Op::CONTROL, 0x01}, {200 + 8 * PERIOD - 1, Op::STATUS, USART_TX_READY},
          {200 + 8 * PERIOD, Op::STATUS, READY_AND_EMPTY}}},
        {"synchronous mode with one sync character",
         PERIOD,
         {{0, Op::CONTROL, 0x8C}, {0, Op::CONTROL, 0x16}, {0, Op::CONTROL, 0x01}, {100, Op::DATA, 0x55},
          {101, Op::STATUS, USART_TX_READY}}},
    };
    for (const StatusCase& c : cases) {
        SCOPED_TRACE(c.what);
        Usart8251 usart;
        usart_reset(&usart);
        const TransmitClock clock{c.period, 1};
        for (const Step& step : c.steps) {
            switch (step.op) {
                case Op::CONTROL: usart_write_control(&usart, step.value, step.state, clock); break;
                case Op::DATA: usart_write_data(&usart, step.value, step.state, clock); break;
                case Op::STATUS:
                    EXPECT_EQ(usart_transmit_status(&usart, step.state, clock), step.value) << "at " << step.state;
                    break;
            }
        }
    }
}

// The separator's 1200 Hz is no whole number of states: a character of
// 11 bits takes 11 * 2048000 / 1200 of them, not 11 rounded periods.
TEST(Usart8251, AFractionalClockTimesTheWholeCharacter) {
    Usart8251 usart;
    usart_reset(&usart);
    usart.mode = 0xED;
    EXPECT_EQ(usart_character_states(usart, TransmitClock{2048000, 1200}), 18773u);
    EXPECT_EQ(usart_character_states(usart, TransmitClock{0, 1}), 0u);
}

struct RecordingCase {
    const char* what;
    std::vector<std::uint64_t> pauses;  // before each byte after the first, beyond the one before's end
    std::vector<std::size_t> blocks;    // the lengths of the blocks recorded
};

TEST(Usart8251, PausesSplitWhatWasSentIntoBlocks) {
    const RecordingCase cases[] = {
        {"back to back: one block", {0, 0, 0}, {4}},
        {"a pause just short of the gap", {0, RECORDING_GAP_STATES - 1, 0}, {4}},
        {"a pause of the gap begins a block", {0, RECORDING_GAP_STATES, 0}, {2, 2}},
        {"the monitors' half second between header and data", {2048000 / 2, 0, 5 * RECORDING_GAP_STATES}, {1, 2, 1}},
    };
    const TransmitClock clock{PERIOD, 1};
    for (const RecordingCase& c : cases) {
        SCOPED_TRACE(c.what);
        Usart8251 usart;
        usart_reset(&usart);
        usart_write_control(&usart, 0xED, 0, clock);
        usart_write_control(&usart, 0x23, 0, clock);
        std::uint64_t at = 0;
        usart_write_data(&usart, 0, at, clock);
        for (std::size_t i = 0; i < c.pauses.size(); ++i) {
            at += CHARACTER + c.pauses[i];
            usart_write_data(&usart, static_cast<std::uint8_t>(i + 1), at, clock);
        }
        usart_catch_up(&usart, at + CHARACTER, clock);
        std::vector<std::size_t> lengths;
        std::vector<std::uint8_t> bytes;
        for (const tape::Block& block : usart.sent) {
            lengths.push_back(block.bytes.size());
            bytes.insert(bytes.end(), block.bytes.begin(), block.bytes.end());
        }
        EXPECT_EQ(lengths, c.blocks);
        EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0, 1, 2, 3})) << "every byte, in order";
    }
}

// A block a PTP record cannot hold goes on in the next.
TEST(Usart8251, ALongRunGoesOnInANewBlockPastAPtpRecord) {
    const TransmitClock clock{PERIOD, 1};
    Usart8251 usart;
    usart_reset(&usart);
    usart_write_control(&usart, 0xED, 0, clock);
    usart_write_control(&usart, 0x23, 0, clock);
    for (std::size_t i = 0; i <= RECORDING_BLOCK_MAX; ++i) {
        usart_write_data(&usart, static_cast<std::uint8_t>(i), i * CHARACTER, clock);
    }
    ASSERT_EQ(usart.sent.size(), 2u);
    EXPECT_EQ(usart.sent[0].bytes.size(), RECORDING_BLOCK_MAX);
    EXPECT_EQ(usart.sent[1].bytes.size(), 1u);
    usart_clear_recording(&usart);
    EXPECT_TRUE(usart.sent.empty());
}

}  // namespace
}  // namespace quillet
