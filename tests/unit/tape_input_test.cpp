// The tape input against the line's timing worked out by hand: 1200 bit/s
// is 1706 2/3 states a bit at 2.048 MHz; the tape rolls from the first
// read; the DSR line's bi-phase levels, the separator's bytes with RxRDY
// and lost bytes, the blocks played.
#include <gtest/gtest.h>

#include "machine/machine.hpp"
#include "machine/tape_input.hpp"
#include "snapshot/snapshot_format.hpp"

namespace quillet {
namespace {

constexpr std::uint64_t START = 1000000;  // the first read
constexpr std::uint8_t IDLE = 0x85;

// A state in half bit `half` after the start, a quarter into it.
std::uint64_t in_half(std::uint64_t half) { return START + (4 * half + 1) * STATES_PER_SECOND / (4 * 2 * tape::BIT_RATE); }

tape::Tape two_blocks() {
    tape::Tape t;
    t.blocks.push_back({{0x01, 0xA5}, 0});  // no header: both 0.5 s lead-ins after the tape's 3 s
    t.blocks.push_back({{0x80}, 0});
    return t;
}

TEST(TapeInput, DsrCarriesTheBiphaseLevelsFromTheFirstRead) {
    TapeInput input(two_blocks(), TapeInterface::DSR);
    EXPECT_FALSE(input.rolling());
    EXPECT_EQ(input.status(START, IDLE) & ~USART_DSR, IDLE & ~USART_DSR) << "RxRDY stays clear";
    EXPECT_TRUE(input.rolling());
    const std::uint64_t first = 2 * tape::TAPE_LEAD_IN_BITS;  // the first block's first half bit
    struct Half {
        std::uint64_t half;
        bool high;
    };
    // Lead-in '1': low then high; start bit '0': high then low; data 01h
    // from bit 0: '1' (low, high), then '0' (high, low).
    const Half table[] = {
        {0, false},         {1, true},          {first - 2, false}, {first - 1, true},
        {first, true},      {first + 1, false}, {first + 2, false}, {first + 3, true},
        {first + 4, true},  {first + 5, false}, {first + 18, false}, {first + 19, true},  // first stop bit
    };
    for (const Half& h : table) {
        SCOPED_TRACE(h.half);
        EXPECT_EQ(input.level(in_half(h.half)), h.high);
        EXPECT_EQ((input.status(in_half(h.half), IDLE) & USART_DSR) != 0, h.high);
    }
}

TEST(TapeInput, SeparatorHandsOverWholeBytesWithRxReady) {
    TapeInput input(two_blocks(), TapeInterface::SEPARATOR);
    EXPECT_EQ(input.status(START, IDLE), IDLE) << "nothing received in the lead-in";
    const std::uint64_t first = 2 * tape::TAPE_LEAD_IN_BITS;
    // The byte is there 9.5 bits (19 halves) after its start bit began.
    EXPECT_EQ(input.status(in_half(first + 18), IDLE) & USART_RX_READY, 0);
    EXPECT_EQ(input.status(in_half(first + 19), IDLE), IDLE | USART_RX_READY);
    EXPECT_EQ(input.data(in_half(first + 19)), 0x01);
    EXPECT_EQ(input.status(in_half(first + 20), IDLE), IDLE) << "reading the data clears RxRDY";
    // 0A5h arrives 11 bits later; left unread, the next block's byte
    // takes its place and one byte is lost.
    EXPECT_EQ(input.status(in_half(first + 22 + 19), IDLE), IDLE | USART_RX_READY);
    EXPECT_EQ(input.blocks_played(in_half(first + 44 - 1)), 0u);
    EXPECT_EQ(input.blocks_played(in_half(first + 44)), 1u);
    const std::uint64_t second = first + 44 + 2 * tape::BLOCK_LEAD_IN_BITS;
    EXPECT_EQ(input.data(in_half(second + 19)), 0x80);
    EXPECT_EQ(input.bytes_lost(), 1u);
    EXPECT_EQ(input.blocks_played(in_half(second + 22)), 2u);
    EXPECT_EQ(input.blocks(), 2u);
}

TEST(TapeInput, MachineAnswersTheUsartFromTheTapeOnlyWhileOneIsIn) {
    struct Case {
        int model;
        bool takes_tape;
    };
    const Case cases[] = {{MODEL_V1, true}, {MODEL_V2, true}, {MODEL_V3, true}, {MODEL_ALFA, true},
                          {MODEL_C2717, true}, {MODEL_MATO, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(model_facts(c.model).name);
        auto m = std::make_unique<Machine>();
        ASSERT_TRUE(machine_init(m.get(), c.model));
        EXPECT_EQ(machine_insert_tape(m.get(), two_blocks()), c.takes_tape);
        if (!c.takes_tape) continue;
        const std::uint8_t status_port = m->facts->usart_port + 1;
        m->cpu.state.states = START;
        EXPECT_TRUE(m->tape != nullptr);
        const std::uint8_t status = machine_port_in(m.get(), status_port);
        EXPECT_TRUE(m->tape->rolling());
        EXPECT_EQ(status & USART_RX_READY, 0);
        EXPECT_TRUE(machine_insert_tape(m.get(), tape::Tape{}));
        EXPECT_EQ(m->tape, nullptr) << "an empty tape takes it out";
        EXPECT_EQ(machine_port_in(m.get(), status_port), IDLE);
    }
}

}  // namespace
}  // namespace quillet
