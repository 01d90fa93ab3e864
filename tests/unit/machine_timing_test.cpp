// The states of every instruction on the PMD 85 (the video circuit's wait
// states) against the hardware sheet's table, from an even and from an odd
// state, taken and not taken; frames of 40 960 states.
#include <gtest/gtest.h>

#include <memory>

#include "machine/machine.hpp"
#include "snapshot/snapshot_format.hpp"

namespace quillet {
namespace {

// The sheet's table (section 7.2) for an instruction starting on an even
// state; the conditional returns and calls not taken.
constexpr unsigned SHEET[16][16] = {
    {4, 11, 8, 5, 5, 5, 7, 4, 4, 10, 7, 5, 5, 5, 7, 4},
    {4, 11, 8, 5, 5, 5, 7, 4, 4, 10, 7, 5, 5, 5, 7, 4},
    {4, 11, 18, 5, 5, 5, 7, 4, 4, 10, 19, 5, 5, 5, 7, 4},
    {4, 11, 14, 5, 10, 10, 10, 4, 4, 10, 15, 5, 5, 5, 7, 4},
    {5, 5, 5, 5, 5, 5, 7, 5, 5, 5, 5, 5, 5, 5, 7, 5},
    {5, 5, 5, 5, 5, 5, 7, 5, 5, 5, 5, 5, 5, 5, 7, 5},
    {5, 5, 5, 5, 5, 5, 7, 5, 5, 5, 5, 5, 5, 5, 7, 5},
    {8, 8, 8, 8, 8, 8, 5, 8, 5, 5, 5, 5, 5, 5, 7, 5},
    {4, 4, 4, 4, 4, 4, 7, 4, 4, 4, 4, 4, 4, 4, 7, 4},
    {4, 4, 4, 4, 4, 4, 7, 4, 4, 4, 4, 4, 4, 4, 7, 4},
    {4, 4, 4, 4, 4, 4, 7, 4, 4, 4, 4, 4, 4, 4, 7, 4},
    {4, 4, 4, 4, 4, 4, 7, 4, 4, 4, 4, 4, 4, 4, 7, 4},
    {5, 11, 11, 11, 13, 12, 7, 12, 5, 11, 11, 11, 13, 20, 7, 12},
    {5, 11, 11, 10, 13, 12, 7, 12, 5, 11, 11, 11, 13, 20, 7, 12},
    {5, 11, 11, 20, 13, 12, 7, 12, 5, 5, 11, 4, 13, 20, 7, 12},
    {5, 11, 11, 4, 13, 12, 7, 12, 5, 5, 11, 4, 13, 20, 7, 12},
};
constexpr unsigned RETURN_TAKEN = 13, CALL_TAKEN = 20;

// With F = 02h the conditions NZ, NC, PO and P hold, Z, C, PE and M not.
bool condition_holds(unsigned op) { return ((op >> 3) & 1) == 0; }

unsigned expected_states(unsigned op) {
    // E9 and F9 are PCHL and SPHL, not conditionals: the table as it is.
    if ((op & 0xC7) == 0xC0) return condition_holds(op) ? RETURN_TAKEN : SHEET[op >> 4][op & 15];
    if ((op & 0xC7) == 0xC4 || op == 0xCD || op == 0xDD || op == 0xED || op == 0xFD) {
        return (op & 0xC7) == 0xC4 && !condition_holds(op) ? SHEET[op >> 4][op & 15] : CALL_TAKEN;
    }
    return SHEET[op >> 4][op & 15];
}

TEST(MachineTiming, EveryInstructionTakesTheSheetsStates) {
    auto m = std::make_unique<Machine>();
    ASSERT_TRUE(machine_init(m.get(), MODEL_V2A));
    constexpr std::uint16_t AT = 0x1000;
    for (unsigned op = 0; op < 256; ++op) {
        for (unsigned start = 0; start < 2; ++start) {
            SCOPED_TRACE(testing::Message() << "opcode " << std::hex << op << " from state " << start);
            const std::uint8_t code[3] = {static_cast<std::uint8_t>(op), 0x00, 0x20};
            machine_write(m.get(), AT, code, sizeof code);
            CpuState& s = m->cpu.state;
            s = CpuState{};
            s.pc = AT;
            s.sp = 0x3000;
            s.states = 1000 + start;
            CpuRunLimits limits;
            limits.max_instructions = 1;
            machine_run(m.get(), limits);
            EXPECT_EQ(s.states - 1000 - start, expected_states(op) + start);
        }
    }
}

TEST(MachineTiming, BareAndCpmKeepThePlainStates) {
    Cpu8080 cpu;
    cpu_reset(&cpu);
    const std::uint8_t lxi[3] = {0x21, 0x00, 0x20};
    cpu_write_ram(&cpu, 0, lxi, sizeof lxi);
    CpuRunLimits limits;
    limits.max_instructions = 1;
    cpu.state.states = 1;
    cpu_run(&cpu, limits);
    EXPECT_EQ(cpu.state.states, 11u) << "LXI is 10 plain states, whatever the parity";
}

// A frame step ends where the frame does (40 960 states), at most one
// instruction past it, whatever the program: a loop, or a processor halted
// with interrupts off, whose time passes as the frame's.
TEST(MachineTiming, FramesOf40960States) {
    struct Case {
        const char* what;
        std::uint8_t program[3];
        std::uint64_t past_most;  // states past the frame's end at most
    } cases[] = {
        {"JMP 1000h", {0xC3, 0x00, 0x10}, 21},
        {"DI; HLT", {0xF3, 0x76, 0x00}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto m = std::make_unique<Machine>();
        ASSERT_TRUE(machine_init(m.get(), MODEL_V2A));
        machine_write(m.get(), 0x1000, c.program, sizeof c.program);
        m->cpu.state.pc = 0x1000;
        for (std::uint64_t frame = 1; frame <= 3; ++frame) {
            EXPECT_EQ(machine_run_frame(m.get()), MACHINE_STOP_FRAME);
            EXPECT_EQ(machine_frames(*m), frame);
            EXPECT_GE(m->cpu.state.states, frame * STATES_PER_FRAME);
            EXPECT_LE(m->cpu.state.states, frame * STATES_PER_FRAME + c.past_most);
        }
    }
}

}  // namespace
}  // namespace quillet
