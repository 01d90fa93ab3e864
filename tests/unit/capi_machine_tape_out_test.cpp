// The tape recorder through the interface, without firmware: a program
// that sends bytes through each model's 8251 (TxRDY polled, then TxEMPTY
// waited for) takes as long as the model's transmit clock says, and what
// it sent comes back as a tape block; the recorder's stop holds the tape
// where it is until play, across a saved state.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "quillet/quillet.h"
#include "support/test_machine.hpp"

namespace {

constexpr std::uint16_t DATA_AT = 0x0040;
const std::vector<std::uint8_t> SENT = {0x11, 0x22, 0x33};

struct Machine : quillet::test::TestMachine {
    Machine(int model, const std::vector<std::uint8_t>& program) : TestMachine(model, {{}, program, {}, true}) {}
};

// Programs the clock (`clock`: OUT port and bytes, or none), sets mode
// EDh (x1, 8 bits, 2 stop bits) and command 23h, sends SENT through the
// 8251 at `data` (status at `data` + 1) each when TxRDY, waits for
// TxEMPTY and halts.
std::vector<std::uint8_t> sender(std::uint8_t data, const std::vector<std::uint8_t>& clock) {
    const std::uint8_t status = static_cast<std::uint8_t>(data + 1);
    std::vector<std::uint8_t> p = clock;
    for (std::uint8_t word : {0xED, 0x23}) p.insert(p.end(), {0x3E, word, 0xD3, status});
    p.insert(p.end(), {0x21, DATA_AT & 0xFF, DATA_AT >> 8, 0x06, static_cast<std::uint8_t>(SENT.size())});
    const std::uint8_t loop = static_cast<std::uint8_t>(p.size());
    p.insert(p.end(), {0xDB, status, 0xE6, 0x01, 0xCA, loop, 0x00});       // IN; ANI 1; JZ loop
    p.insert(p.end(), {0x7E, 0xD3, data, 0x23, 0x05, 0xC2, loop, 0x00});  // MOV A,M; OUT; INX H; DCR B; JNZ
    const std::uint8_t wait = static_cast<std::uint8_t>(p.size());
    p.insert(p.end(), {0xDB, status, 0xE6, 0x04, 0xCA, wait, 0x00, 0x76});  // IN; ANI 4; JZ wait; HLT
    p.resize(DATA_AT, 0x00);
    p.insert(p.end(), SENT.begin(), SENT.end());
    return p;
}

// Counter 1 (or 0), mode 3, divisor 06ABh: the monitors' 1200 bit/s.
const std::vector<std::uint8_t> COUNTER_1 = {0x3E, 0x76, 0xD3, 0x5F, 0x3E, 0xAB, 0xD3, 0x5D, 0x3E, 0x06, 0xD3, 0x5D};
const std::vector<std::uint8_t> COUNTER_0 = {0x3E, 0x36, 0xD3, 0x5F, 0x3E, 0xAB, 0xD3, 0x5C, 0x3E, 0x06, 0xD3, 0x5C};

struct SendCase {
    const char* what;
    int model;
    std::uint8_t data_port;
    std::vector<std::uint8_t> clock;
    std::uint64_t character;  // states a character takes; 0: nothing is sent
};

TEST(MachineTapeOut, EachModelSendsAtItsTransmitClock) {
    const SendCase cases[] = {
        {"V1: the separator's 1200 Hz", QUILLET_MODEL_V1, 0x1E, {}, 11 * 2048000 / 1200},
        {"V2: counter 1", QUILLET_MODEL_V2, 0x1E, COUNTER_1, 11 * 0x06AB},
        {"V3: counter 1", QUILLET_MODEL_V3, 0x1E, COUNTER_1, 11 * 0x06AB},
        {"ALFA2: its 8251 at F0h", QUILLET_MODEL_ALFA2, 0xF0, COUNTER_1, 11 * 0x06AB},
        {"C2717: counter 0", QUILLET_MODEL_C2717, 0x1E, COUNTER_0, 11 * 0x06AB},
        {"V2: counter 1 never programmed", QUILLET_MODEL_V2, 0x1E, {}, 0},
        {"C2717: counter 1 does not clock it", QUILLET_MODEL_C2717, 0x1E, COUNTER_1, 0},
    };
    for (const SendCase& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m(c.model, sender(c.data_port, c.clock));
        const std::uint64_t budget = 4 * 11 * 2048000 / 1200;
        const int stop = quillet_cpu_run(m.cpu(), budget, UINT64_MAX, 0);
        quillet_tape* tape = quillet_tape_new();
        std::uint64_t lost = 99;
        ASSERT_EQ(quillet_machine_tape_out(m.machine, tape, &lost), 0);
        EXPECT_EQ(lost, 0u);
        if (c.character == 0) {
            EXPECT_EQ(stop, QUILLET_STOP_STATE_LIMIT) << "TxRDY never came back";
            EXPECT_EQ(quillet_tape_entry_count(tape), 0u);
            quillet_tape_free(tape);
            continue;
        }
        ASSERT_EQ(stop, QUILLET_STOP_HALTED);
        // The first byte goes out some 100 states in; the halt follows the last stop bit.
        const std::uint64_t states = quillet_cpu_states(m.cpu());
        EXPECT_GE(states, 3 * c.character);
        EXPECT_LE(states, 3 * c.character + 300);
        ASSERT_EQ(quillet_tape_entry_count(tape), 1u);
        std::vector<std::uint8_t> block(16);
        block.resize(static_cast<size_t>(quillet_tape_entry_data(tape, 0, block.data(), block.size())));
        EXPECT_EQ(block, SENT);
        ASSERT_EQ(quillet_machine_clear_tape_out(m.machine), 0);
        ASSERT_EQ(quillet_machine_tape_out(m.machine, tape, nullptr), 0);
        EXPECT_EQ(quillet_tape_entry_count(tape), 0u) << "cleared";
        quillet_tape_free(tape);
    }
}

// A program that reads the 8251's status forever: the tape rolls from its
// first read. Stopped, the head stays (blocks played, the position in a
// saved state); played again, the tape goes on.
TEST(MachineTapeOut, TheRecorderStopsAndPlays) {
    const std::vector<std::uint8_t> poll = {0xDB, 0x1F, 0xC3, 0x00, 0x00};  // IN 1Fh; JMP 0
    Machine m(QUILLET_MODEL_V2, poll);
    EXPECT_EQ(quillet_machine_play_tape(m.machine, 0), QUILLET_ERR_BAD_STATE) << "no tape";
    EXPECT_EQ(quillet_machine_tape_playing(m.machine), 0);
    quillet_tape* tape = quillet_tape_new();
    const std::vector<std::uint8_t> block(10, 0x5A);
    ASSERT_EQ(quillet_tape_add_block(tape, block.data(), block.size()), 0);
    ASSERT_EQ(quillet_machine_insert_tape(m.machine, tape), 0);
    quillet_tape_free(tape);
    EXPECT_EQ(quillet_machine_tape_playing(m.machine), 1);

    const auto frames = [&](int count) {
        for (int i = 0; i < count; ++i) ASSERT_EQ(quillet_machine_run_frame(m.machine), QUILLET_STOP_FRAME);
    };
    const auto played = [&] {
        size_t block_count = 99;
        EXPECT_EQ(quillet_machine_tape_position(m.machine, &block_count, nullptr), 0);
        return block_count;
    };
    // The 3 s lead-in and the block take some 155 frames.
    frames(100);
    ASSERT_EQ(quillet_machine_play_tape(m.machine, 0), 0);
    EXPECT_EQ(quillet_machine_tape_playing(m.machine), 0);
    frames(200);
    EXPECT_EQ(played(), 0u) << "stopped 2 s in";

    std::size_t length = 0;
    ASSERT_EQ(quillet_machine_save_state(m.machine, nullptr, 0, &length), 0);
    std::vector<std::uint8_t> saved(length);
    ASSERT_EQ(quillet_machine_save_state(m.machine, saved.data(), saved.size(), &length), 0);
    Machine again(QUILLET_MODEL_V2, poll);
    ASSERT_EQ(quillet_machine_load_state(again.machine, saved.data(), saved.size()), 0);
    EXPECT_EQ(quillet_machine_tape_playing(again.machine), 0) << "the stop is saved";

    ASSERT_EQ(quillet_machine_play_tape(m.machine, 1), 0);
    frames(50);
    EXPECT_EQ(played(), 0u) << "1 s of lead-in and the block were still to come";
    frames(20);
    EXPECT_EQ(played(), 1u);
}

}  // namespace
