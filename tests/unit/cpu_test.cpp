// The 8080 core on the facts that exerciser programs check least: the
// states of every opcode, the interrupt timing around EI and HLT, RST's
// return address, the undocumented opcodes, read-only images, ports
// without callbacks, and the run loop's stops and limits. Also the flag
// rules that are easiest to get wrong (AC above all), checked against both
// the core and the reference that the differential test trusts.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "cpu/cpu8080.hpp"
#include "cpu/instruction_set.hpp"
#include "cpu_reference.hpp"

namespace {

using quillet::Cpu8080;
using quillet::CpuRunLimits;
using quillet::CpuStopReason;
using quillet_reference::Reference8080;

// Register pairs as cpu_get_pair numbers them.
enum Pair { AF = 0, BC = 1, DE = 2, HL = 3, PC = 4, SP = 5 };

class Machine {
public:
    Machine() : cpu_(std::make_unique<Cpu8080>()) { quillet::cpu_reset(cpu_.get()); }

    Cpu8080* cpu() { return cpu_.get(); }
    quillet::CpuState& state() { return cpu_->state; }

    void load(std::uint16_t address, std::initializer_list<std::uint8_t> bytes) {
        const std::vector<std::uint8_t> copy(bytes);
        quillet::cpu_write_ram(cpu_.get(), address, copy.data(), copy.size());
    }

    void set(Pair pair, std::uint16_t value) { quillet::cpu_set_pair(cpu_.get(), pair, value); }
    std::uint16_t get(Pair pair) const { return quillet::cpu_get_pair(cpu_.get(), pair); }

    std::uint8_t view(std::uint16_t address) const {
        std::uint8_t value = 0;
        quillet::cpu_read_view(cpu_.get(), address, &value, 1);
        return value;
    }
    std::uint8_t ram(std::uint16_t address) const {
        std::uint8_t value = 0;
        quillet::cpu_read_ram(cpu_.get(), address, &value, 1);
        return value;
    }
    std::uint16_t word_at(std::uint16_t address) const {
        return static_cast<std::uint16_t>(view(address) | view(static_cast<std::uint16_t>(address + 1)) << 8);
    }

    CpuStopReason run(const CpuRunLimits& limits) { return quillet::cpu_run(cpu_.get(), limits); }
    // Runs at most `count` more instructions.
    CpuStopReason step(std::uint64_t count = 1) {
        CpuRunLimits limits;
        limits.max_instructions = cpu_->state.instructions + count;
        return run(limits);
    }

private:
    std::unique_ptr<Cpu8080> cpu_;
};

std::string hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

// ---------------------------------------------------------------- states

// The conditional instructions (rows 0xC0..0xF0, columns 0, 2, 4, 8, A, C),
// whose states are checked with the condition failing and holding.
bool is_conditional(int opcode) {
    const int column = opcode & 7;
    return opcode >= 0xC0 && (column == 0 || column == 2 || column == 4);
}

// F with the condition of a conditional opcode (NZ Z NC C PO PE P M)
// holding or failing.
std::uint8_t flags_for(int opcode, bool holds) {
    static const std::uint8_t FLAG_OF_PAIR[4] = {quillet::FLAG_Z, quillet::FLAG_CY, quillet::FLAG_P,
                                                 quillet::FLAG_S};
    const int condition = (opcode >> 3) & 7;
    const bool set_when_holding = (condition & 1) != 0;
    return quillet::fixed_flags(set_when_holding == holds ? FLAG_OF_PAIR[condition >> 1] : 0);
}

// Every opcode at 0x4000 with operand bytes 00 50, SP at 0x8000 and HL at
// 0x6000: nothing it does can reach the program.
constexpr std::uint16_t PROGRAM = 0x4000;

int core_states(int opcode, std::uint8_t flags) {
    Machine machine;
    machine.load(PROGRAM, {static_cast<std::uint8_t>(opcode), 0x00, 0x50});
    machine.set(PC, PROGRAM);
    machine.set(SP, 0x8000);
    machine.set(HL, 0x6000);
    machine.set(AF, flags);
    machine.step();
    EXPECT_EQ(machine.state().instructions, 1u) << "opcode " << hex(static_cast<unsigned>(opcode));
    return static_cast<int>(machine.state().states);
}

// The states of every opcode, both ways for the conditional ones, as the
// instruction set's table gives them.
template <typename States>
void expect_documented_states(States states_of, const char* side) {
    for (int opcode = 0; opcode < 256; ++opcode) {
        const quillet::Instruction& instruction = quillet::INSTRUCTION_SET[static_cast<unsigned>(opcode)];
        const std::string name = std::string(side) + " opcode " + hex(static_cast<unsigned>(opcode));
        if (is_conditional(opcode)) {
            EXPECT_EQ(states_of(opcode, flags_for(opcode, false)), instruction.states) << name << ", condition fails";
            EXPECT_EQ(states_of(opcode, flags_for(opcode, true)), instruction.states_taken)
                << name << ", condition holds";
        } else {
            EXPECT_EQ(states_of(opcode, quillet::FLAG_ALWAYS_ONE), instruction.states) << name;
        }
    }
}

// The same program on the reference, which keeps its own states: the
// table is held to the oracle as well as the core to the table.
int reference_states(int opcode, std::uint8_t flags) {
    Reference8080 reference;
    reference.memory[PROGRAM] = static_cast<std::uint8_t>(opcode);
    reference.memory[PROGRAM + 1] = 0x00;
    reference.memory[PROGRAM + 2] = 0x50;
    reference.pc = PROGRAM;
    reference.sp = 0x8000;
    reference.h = 0x60;
    reference.set_flags(flags);
    return reference.step();
}

TEST(CpuStates, EveryOpcodeTakesItsDocumentedStates) {
    expect_documented_states(core_states, "core");
    expect_documented_states(reference_states, "reference");
}

// ---------------------------------------------------------------- flags

struct FlagCase {
    const char* name;
    std::uint8_t opcode, operand;  // operand: the immediate byte, where there is one
    std::uint8_t a, f, b;
    std::uint8_t expected_a, expected_f, expected_b;
};

// Worked out by hand from the documented rules. The operand register is B.
constexpr std::uint8_t CY = quillet::FLAG_CY;
constexpr std::uint8_t ONE = quillet::FLAG_ALWAYS_ONE;
constexpr std::uint8_t P = quillet::FLAG_P;
constexpr std::uint8_t AC = quillet::FLAG_AC;
constexpr std::uint8_t Z = quillet::FLAG_Z;
constexpr std::uint8_t S = quillet::FLAG_S;

const FlagCase FLAG_CASES[] = {
    {"ADD carries out of bit 3", 0x80, 0, 0x0F, ONE, 0x01, 0x10, AC | ONE, 0x01},
    {"ADD carries out of bit 7", 0x80, 0, 0xFF, ONE, 0x01, 0x00, Z | AC | P | CY | ONE, 0x01},
    {"ADC adds the carry into bit 3", 0x88, 0, 0x0E, CY | ONE, 0x01, 0x10, AC | ONE, 0x01},
    {"SUB: no carry out of bit 3 of A + ~B + 1", 0x90, 0, 0x10, ONE, 0x01, 0x0F, P | ONE, 0x01},
    {"SUB: carry out of bit 3 of A + ~B + 1", 0x90, 0, 0x05, ONE, 0x03, 0x02, AC | ONE, 0x03},
    {"SUB borrows", 0x90, 0, 0x00, ONE, 0x01, 0xFF, S | P | CY | ONE, 0x01},
    {"SBB with a borrow adds no 1", 0x98, 0, 0x05, CY | ONE, 0x04, 0x00, Z | AC | P | ONE, 0x04},
    {"SBB with a borrow borrows again", 0x98, 0, 0x05, CY | ONE, 0x05, 0xFF, S | P | CY | ONE, 0x05},
    {"CMP below keeps A", 0xB8, 0, 0x05, ONE, 0x06, 0x05, S | P | CY | ONE, 0x06},
    {"CMP equal", 0xB8, 0, 0x42, ONE, 0x42, 0x42, Z | AC | P | ONE, 0x42},
    {"SUI like SUB", 0xD6, 0x03, 0x05, ONE, 0x00, 0x02, AC | ONE, 0x00},
    {"CPI like CMP", 0xFE, 0x06, 0x05, ONE, 0x00, 0x05, S | P | CY | ONE, 0x00},
    {"ANA: AC is bit 3 of A OR B, CY cleared", 0xA0, 0, 0x08, CY | ONE, 0x00, 0x00, Z | AC | P | ONE, 0x00},
    {"ANA: no bit 3 in A OR B", 0xA0, 0, 0xF0, AC | CY | ONE, 0x07, 0x00, Z | P | ONE, 0x07},
    {"ANI: AC is bit 3 of A OR the operand", 0xE6, 0x08, 0x01, ONE, 0x00, 0x00, Z | AC | P | ONE, 0x00},
    {"XRA clears AC and CY", 0xA8, 0, 0x5A, AC | CY | ONE, 0x0F, 0x55, P | ONE, 0x0F},
    {"ORA clears AC and CY", 0xB0, 0, 0x80, AC | CY | ONE, 0x01, 0x81, S | P | ONE, 0x01},
    {"ORI clears AC and CY", 0xF6, 0x08, 0x00, AC | CY | ONE, 0x00, 0x08, ONE, 0x00},
    {"INR: low nibble becomes 0, CY kept", 0x04, 0, 0x00, CY | ONE, 0x0F, 0x00, AC | CY | ONE, 0x10},
    {"INR wraps to zero", 0x04, 0, 0x00, ONE, 0xFF, 0x00, Z | AC | P | ONE, 0x00},
    {"DCR: low nibble becomes F", 0x05, 0, 0x00, ONE, 0x10, 0x00, P | ONE, 0x0F},
    {"DCR: low nibble not F, CY kept", 0x05, 0, 0x00, CY | ONE, 0x01, 0x00, Z | AC | P | CY | ONE, 0x00},
    {"DAA corrects both digits", 0x27, 0, 0x9B, ONE, 0x00, 0x01, AC | CY | ONE, 0x00},
    {"DAA: AC alone corrects the low digit", 0x27, 0, 0x10, AC | ONE, 0x00, 0x16, ONE, 0x00},
    {"DAA: CY alone corrects the high digit and stays", 0x27, 0, 0x00, CY | ONE, 0x00, 0x60, P | CY | ONE, 0x00},
    {"DAA: correction of 0x9A carries out", 0x27, 0, 0x9A, ONE, 0x00, 0x00, Z | AC | P | CY | ONE, 0x00},
    {"DAA: high digit past 9 only", 0x27, 0, 0xA5, ONE, 0x00, 0x05, P | CY | ONE, 0x00},
};

TEST(CpuFlags, ArithmeticAndLogicSetTheDocumentedFlags) {
    for (const FlagCase& c : FLAG_CASES) {
        Machine machine;
        machine.load(PROGRAM, {c.opcode, c.operand});
        machine.set(PC, PROGRAM);
        machine.set(AF, static_cast<std::uint16_t>(c.a << 8 | c.f));
        machine.set(BC, static_cast<std::uint16_t>(c.b << 8));
        machine.step();
        EXPECT_EQ(hex(machine.state().regs[quillet::CPU_A]), hex(c.expected_a)) << "core: " << c.name;
        EXPECT_EQ(hex(machine.state().regs[quillet::CPU_F]), hex(c.expected_f)) << "core: " << c.name;
        EXPECT_EQ(hex(machine.state().regs[quillet::CPU_B]), hex(c.expected_b)) << "core: " << c.name;

        Reference8080 reference;
        reference.memory[PROGRAM] = c.opcode;
        reference.memory[PROGRAM + 1] = c.operand;
        reference.pc = PROGRAM;
        reference.a = c.a;
        reference.set_flags(c.f);
        reference.b = c.b;
        reference.step();
        EXPECT_EQ(hex(reference.a), hex(c.expected_a)) << "reference: " << c.name;
        EXPECT_EQ(hex(reference.f), hex(c.expected_f)) << "reference: " << c.name;
        EXPECT_EQ(hex(reference.b), hex(c.expected_b)) << "reference: " << c.name;
    }
}

// POP PSW cannot set bits 3 and 5 nor clear bit 1, and PUSH PSW stores F as held.
TEST(CpuFlags, PopPswForcesTheFixedBitsAndPushPswStoresThem) {
    for (const std::uint8_t popped : {std::uint8_t{0xFF}, std::uint8_t{0x00}}) {
        Machine machine;
        machine.load(0x8000, {popped, 0x12});
        machine.load(PROGRAM, {0xF1, 0xF5});  // POP PSW; PUSH PSW
        machine.set(PC, PROGRAM);
        machine.set(SP, 0x8000);
        machine.step(2);
        const std::uint8_t held = popped == 0xFF ? 0xD7 : 0x02;
        EXPECT_EQ(machine.get(AF), 0x1200 | held) << "popped " << hex(popped);
        EXPECT_EQ(machine.view(0x8000), held) << "popped " << hex(popped);
        EXPECT_EQ(machine.view(0x8001), 0x12) << "popped " << hex(popped);
    }
}

// ---------------------------------------------------------------- interrupts

TEST(CpuInterrupts, ARequestBeforeEiIsAcceptedAfterTheInstructionFollowingIt) {
    Machine machine;
    machine.load(0x0100, {0xFB, 0x00, 0x00});  // EI; NOP; NOP
    machine.set(PC, 0x0100);
    machine.set(SP, 0x8000);
    quillet::cpu_request_interrupt(machine.cpu(), 2);

    machine.step();
    EXPECT_EQ(machine.get(PC), 0x0101) << "no interrupt right after EI";
    EXPECT_TRUE(machine.state().interrupts_enabled);
    machine.step();
    EXPECT_EQ(machine.get(PC), 0x0102) << "the instruction after EI runs first";
    const std::uint64_t states = machine.state().states;
    machine.step();
    EXPECT_EQ(machine.get(PC), 0x0010);
    EXPECT_EQ(machine.get(SP), 0x7FFE);
    EXPECT_EQ(machine.word_at(0x7FFE), 0x0102);
    EXPECT_FALSE(machine.state().interrupts_enabled);
    EXPECT_EQ(machine.state().interrupt_request, -1);
    EXPECT_EQ(machine.state().states - states, 11u);
    EXPECT_EQ(machine.state().instructions, 3u);
}

TEST(CpuInterrupts, EiThenDiAcceptsNone) {
    Machine machine;
    machine.load(0x0100, {0xFB, 0xF3, 0x00, 0x00});  // EI; DI; NOP; NOP
    machine.set(PC, 0x0100);
    machine.set(SP, 0x8000);
    quillet::cpu_request_interrupt(machine.cpu(), 2);
    machine.step(4);
    EXPECT_EQ(machine.get(PC), 0x0104);
    EXPECT_EQ(machine.get(SP), 0x8000);
    EXPECT_FALSE(machine.state().interrupts_enabled);
    EXPECT_EQ(machine.state().interrupt_request, 2) << "the request waits";
}

TEST(CpuInterrupts, HaltWithInterruptsDisabledStaysHalted) {
    Machine machine;
    machine.load(0x0200, {0x76});  // HLT
    machine.set(PC, 0x0200);
    EXPECT_EQ(machine.step(10), quillet::CPU_STOP_HALTED);
    EXPECT_EQ(machine.get(PC), 0x0201);
    EXPECT_TRUE(machine.state().halted);
    EXPECT_EQ(machine.state().instructions, 1u);

    quillet::cpu_request_interrupt(machine.cpu(), 1);  // cannot be accepted
    EXPECT_EQ(machine.step(10), quillet::CPU_STOP_HALTED);
    EXPECT_EQ(machine.get(PC), 0x0201);
    EXPECT_TRUE(machine.state().halted);
    EXPECT_EQ(machine.state().instructions, 1u) << "a halted processor runs nothing";
}

TEST(CpuInterrupts, AnInterruptEndsHltWithInterruptsEnabled) {
    Machine machine;
    machine.load(0x0300, {0xFB, 0x76});  // EI; HLT
    machine.set(PC, 0x0300);
    machine.set(SP, 0x8000);
    EXPECT_EQ(machine.step(10), quillet::CPU_STOP_HALTED);
    EXPECT_EQ(machine.get(PC), 0x0302);

    quillet::cpu_request_interrupt(machine.cpu(), 7);
    const std::uint64_t states = machine.state().states;
    const std::uint64_t instructions = machine.state().instructions;
    machine.step();
    EXPECT_FALSE(machine.state().halted);
    EXPECT_EQ(machine.get(PC), 0x0038);
    EXPECT_EQ(machine.get(SP), 0x7FFE);
    EXPECT_EQ(machine.word_at(0x7FFE), 0x0302) << "the address after HLT";
    EXPECT_FALSE(machine.state().interrupts_enabled);
    EXPECT_EQ(machine.state().states - states, 11u);
    EXPECT_EQ(machine.state().instructions - instructions, 1u);
}

// EI; HLT with a request waiting: HLT runs (the instruction after EI), and
// the interrupt that ends it is an instruction of its own under the limit.
TEST(CpuInterrupts, AnInterruptWaitingAtHltCountsAgainstTheInstructionLimit) {
    Machine machine;
    machine.load(0x0300, {0xFB, 0x76});  // EI; HLT
    machine.set(PC, 0x0300);
    machine.set(SP, 0x8000);
    quillet::cpu_request_interrupt(machine.cpu(), 3);
    machine.step(2);
    EXPECT_EQ(machine.state().instructions, 2u);
    EXPECT_EQ(machine.get(PC), 0x0302);
    EXPECT_TRUE(machine.state().halted);
    EXPECT_EQ(machine.get(SP), 0x8000) << "nothing pushed yet";

    machine.step();
    EXPECT_EQ(machine.state().instructions, 3u);
    EXPECT_EQ(machine.get(PC), 0x0018);
    EXPECT_EQ(machine.word_at(0x7FFE), 0x0302);
    EXPECT_FALSE(machine.state().halted);
}

TEST(CpuInterrupts, RstPushesTheAddressOfTheNextInstruction) {
    for (int n = 0; n < 8; ++n) {
        Machine machine;
        const auto at = static_cast<std::uint16_t>(0x1230 + n * 0x101);
        machine.load(at, {static_cast<std::uint8_t>(0xC7 | n << 3)});
        machine.set(PC, at);
        machine.set(SP, 0x8000);
        machine.step();
        EXPECT_EQ(machine.get(PC), n * 8) << "RST " << n;
        EXPECT_EQ(machine.get(SP), 0x7FFE) << "RST " << n;
        EXPECT_EQ(machine.word_at(0x7FFE), at + 1) << "RST " << n;
    }
}

// ---------------------------------------------------------------- undocumented opcodes

TEST(CpuUndocumented, TheSparesActAsNop) {
    for (const std::uint8_t opcode : {0x08, 0x10, 0x18, 0x20, 0x28, 0x30, 0x38}) {
        Machine machine;
        machine.load(PROGRAM, {opcode});
        machine.set(PC, PROGRAM);
        machine.set(AF, 0x12D7);
        machine.set(BC, 0x3456);
        machine.set(DE, 0x789A);
        machine.set(HL, 0xBCDE);
        machine.set(SP, 0x8000);
        machine.step();
        const std::string name = "opcode " + hex(opcode);
        EXPECT_EQ(machine.get(PC), PROGRAM + 1) << name;
        EXPECT_EQ(machine.get(AF), 0x12D7) << name;
        EXPECT_EQ(machine.get(BC), 0x3456) << name;
        EXPECT_EQ(machine.get(DE), 0x789A) << name;
        EXPECT_EQ(machine.get(HL), 0xBCDE) << name;
        EXPECT_EQ(machine.get(SP), 0x8000) << name;
    }
}

TEST(CpuUndocumented, CbJumpsD9ReturnsAndDdEdFdCall) {
    struct Case {
        std::uint8_t opcode;
        std::uint16_t pc;  // after it
        std::uint16_t sp;  // after it, from 0x8000
    };
    const Case cases[] = {
        {0xCB, 0x5000, 0x8000},  // JMP 0x5000
        {0xD9, 0x2345, 0x8002},  // RET to the 0x2345 on the stack
        {0xDD, 0x5000, 0x7FFE},  // CALL 0x5000
        {0xED, 0x5000, 0x7FFE},
        {0xFD, 0x5000, 0x7FFE},
    };
    for (const Case& c : cases) {
        Machine machine;
        machine.load(PROGRAM, {c.opcode, 0x00, 0x50});
        machine.load(0x8000, {0x45, 0x23});
        machine.set(PC, PROGRAM);
        machine.set(SP, 0x8000);
        machine.step();
        const std::string name = "opcode " + hex(c.opcode);
        EXPECT_EQ(machine.get(PC), c.pc) << name;
        EXPECT_EQ(machine.get(SP), c.sp) << name;
        if (c.sp == 0x7FFE) {
            EXPECT_EQ(machine.word_at(0x7FFE), PROGRAM + 3) << name;
        }
    }
}

// Each undefined opcode does all that the instruction the table names for
// it does, to the state and in both timings, from a start where every
// register and the stack differ: the loop's aliases agree with the table.
TEST(CpuUndocumented, EachRunsAsTheInstructionTheTableNames) {
    int undefined = 0;
    for (unsigned opcode = 0; opcode < 256; ++opcode) {
        const unsigned executed = quillet::INSTRUCTION_SET[opcode].executed_as;
        if (executed == opcode) continue;
        ++undefined;
        for (const quillet::CpuTiming timing : {quillet::CPU_TIMING_PLAIN, quillet::CPU_TIMING_VIDEO_WAITS}) {
            Machine runs[2];  // the undefined opcode, then the one it executes as
            const unsigned opcodes[2] = {opcode, executed};
            for (int i = 0; i < 2; ++i) {
                Machine& m = runs[i];
                m.cpu()->timing = timing;
                m.load(PROGRAM, {static_cast<std::uint8_t>(opcodes[i]), 0x34, 0x52});
                m.load(0x7FFE, {0x11, 0x22, 0x45, 0x23, 0x33});
                m.set(PC, PROGRAM);
                m.set(SP, 0x8000);
                m.set(AF, 0x12D7);
                m.set(BC, 0x3456);
                m.set(DE, 0x789A);
                m.set(HL, 0xBCDE);
                m.state().states = 3;  // odd: the video waits' other parity
                m.step();
            }
            const std::string name = "opcode " + hex(opcode) + " as " + hex(executed) +
                                     (timing == quillet::CPU_TIMING_PLAIN ? ", plain" : ", video waits");
            for (const Pair pair : {AF, BC, DE, HL, PC, SP}) {
                EXPECT_EQ(runs[0].get(pair), runs[1].get(pair)) << name << ", pair " << pair;
            }
            EXPECT_EQ(runs[0].state().states, runs[1].state().states) << name;
            EXPECT_EQ(runs[0].state().instructions, 1u) << name;
            for (std::uint16_t at = 0x7FFC; at < 0x8004; ++at) {
                EXPECT_EQ(runs[0].view(at), runs[1].view(at)) << name << ", byte at " << at;
            }
        }
    }
    EXPECT_EQ(undefined, 12);
}

// ---------------------------------------------------------------- read-only images

constexpr std::uint16_t IMAGE_AT = 0x2040;  // not page-aligned at either end
constexpr std::size_t IMAGE_LENGTH = 0x40;

std::vector<std::uint8_t> image_bytes() {
    std::vector<std::uint8_t> image(IMAGE_LENGTH);
    for (std::size_t i = 0; i < IMAGE_LENGTH; ++i) image[i] = static_cast<std::uint8_t>(0xC0 ^ i);
    return image;
}

bool in_image(unsigned address) { return address >= IMAGE_AT && address < IMAGE_AT + IMAGE_LENGTH; }

TEST(CpuReadOnly, ReadsSeeTheImageAndTheRamBeneathKeepsItsOwn) {
    Machine machine;
    const std::vector<std::uint8_t> ram(0x100, 0x11);
    quillet::cpu_write_ram(machine.cpu(), 0x2000, ram.data(), ram.size());
    const std::vector<std::uint8_t> image = image_bytes();
    ASSERT_TRUE(quillet::cpu_map_readonly(machine.cpu(), IMAGE_AT, image.data(), image.size()));

    EXPECT_FALSE(quillet::cpu_is_readonly(machine.cpu(), IMAGE_AT - 1));
    EXPECT_TRUE(quillet::cpu_is_readonly(machine.cpu(), IMAGE_AT));
    EXPECT_TRUE(quillet::cpu_is_readonly(machine.cpu(), IMAGE_AT + IMAGE_LENGTH - 1));
    EXPECT_FALSE(quillet::cpu_is_readonly(machine.cpu(), IMAGE_AT + IMAGE_LENGTH));
    EXPECT_EQ(machine.ram(IMAGE_AT + 5), 0x11);
    EXPECT_EQ(machine.view(IMAGE_AT + 5), image[5]);

    const std::uint8_t written = 0x77;
    quillet::cpu_write_ram(machine.cpu(), IMAGE_AT + 6, &written, 1);
    EXPECT_EQ(machine.ram(IMAGE_AT + 6), 0x77);
    EXPECT_EQ(machine.view(IMAGE_AT + 6), image[6]);

    machine.load(PROGRAM, {0x3A, 0x46, 0x20});  // LDA 0x2046
    machine.set(PC, PROGRAM);
    machine.step();
    EXPECT_EQ(machine.state().regs[quillet::CPU_A], image[6]);
}

// Every kind of write into the image (and across its edges) lands in the
// RAM beneath it; what the processor reads there stays the image.
TEST(CpuReadOnly, EveryKindOfWriteGoesToTheRamBeneath) {
    struct Write {
        std::uint16_t address;
        std::uint8_t value;
    };
    struct Case {
        const char* name;
        std::vector<std::uint8_t> program;
        std::uint16_t sp;
        std::vector<Write> writes;
    };
    // A = 5A, F = 02, BC = 2050, DE = 2060, HL = 2070; the program at 0x0100.
    // The image holds C0 ^ offset: F0 at HL.
    const Case cases[] = {
        {"MOV M,A", {0x77}, 0x8000, {{0x2070, 0x5A}}},
        {"MVI M", {0x36, 0x33}, 0x8000, {{0x2070, 0x33}}},
        {"STAX B", {0x02}, 0x8000, {{0x2050, 0x5A}}},
        {"STAX D", {0x12}, 0x8000, {{0x2060, 0x5A}}},
        {"STA", {0x32, 0x44, 0x20}, 0x8000, {{0x2044, 0x5A}}},
        {"SHLD across the end", {0x22, 0x7F, 0x20}, 0x8000, {{0x207F, 0x70}, {0x2080, 0x20}}},
        {"SHLD across the start", {0x22, 0x3F, 0x20}, 0x8000, {{0x203F, 0x70}, {0x2040, 0x20}}},
        {"PUSH B", {0xC5}, 0x2042, {{0x2041, 0x20}, {0x2040, 0x50}}},
        {"PUSH PSW across the start", {0xF5}, 0x2041, {{0x2040, 0x5A}, {0x203F, 0x02}}},
        {"CALL", {0xCD, 0x00, 0x00}, 0x2042, {{0x2041, 0x01}, {0x2040, 0x03}}},
        {"RST 1", {0xCF}, 0x2042, {{0x2041, 0x01}, {0x2040, 0x01}}},
        {"XTHL", {0xE3}, 0x2040, {{0x2040, 0x70}, {0x2041, 0x20}}},
        {"INR M", {0x34}, 0x8000, {{0x2070, 0xF1}}},
        {"DCR M", {0x35}, 0x8000, {{0x2070, 0xEF}}},
    };
    const std::vector<std::uint8_t> image = image_bytes();
    for (const Case& c : cases) {
        Machine machine;
        ASSERT_TRUE(quillet::cpu_map_readonly(machine.cpu(), IMAGE_AT, image.data(), image.size()));
        quillet::cpu_write_ram(machine.cpu(), 0x0100, c.program.data(), c.program.size());
        machine.set(PC, 0x0100);
        machine.set(SP, c.sp);
        machine.set(AF, 0x5A02);
        machine.set(BC, 0x2050);
        machine.set(DE, 0x2060);
        machine.set(HL, 0x2070);
        machine.step();
        for (const Write& w : c.writes) {
            EXPECT_EQ(hex(machine.ram(w.address)), hex(w.value)) << c.name << ": RAM at " << w.address;
            const std::uint8_t seen = in_image(w.address) ? image[w.address - IMAGE_AT] : w.value;
            EXPECT_EQ(hex(machine.view(w.address)), hex(seen)) << c.name << ": read at " << w.address;
        }
        for (std::size_t i = 0; i < IMAGE_LENGTH; ++i) {
            ASSERT_EQ(machine.view(static_cast<std::uint16_t>(IMAGE_AT + i)), image[i]) << c.name << ": image changed";
        }
    }
}

TEST(CpuReadOnly, MappingsThatOverlapOrLeaveTheAddressSpaceAreRefused) {
    struct Range {
        std::uint16_t address;
        std::size_t length;
    };
    const Range refused[] = {
        {IMAGE_AT, IMAGE_LENGTH},       // the same
        {0x2000, 0x41},                 // over its first byte
        {0x207F, 0x10},                 // over its last byte
        {0x2050, 0x04},                 // inside it
        {0x2000, 0x100},                // around it
        {0xFF00, 0x101},                // past 0xFFFF
        {0x3000, 0},                    // empty
    };
    const Range accepted[] = {
        {0x2080, 1},       // right after it
        {0x203F, 1},       // right before it
        {0xFF00, 0x100},   // up to the last address
    };
    Machine machine;
    const std::vector<std::uint8_t> image = image_bytes();
    const std::vector<std::uint8_t> other(0x101, 0x99);
    ASSERT_TRUE(quillet::cpu_map_readonly(machine.cpu(), IMAGE_AT, image.data(), image.size()));
    for (const Range& range : refused) {
        EXPECT_FALSE(quillet::cpu_map_readonly(machine.cpu(), range.address, other.data(), range.length))
            << range.address << " + " << range.length;
    }
    for (unsigned address = 0x2000; address < 0x2100; ++address) {
        const auto at = static_cast<std::uint16_t>(address);
        ASSERT_EQ(quillet::cpu_is_readonly(machine.cpu(), at), in_image(address)) << address;
        ASSERT_EQ(machine.view(at), in_image(address) ? image[address - IMAGE_AT] : 0) << address;
    }
    EXPECT_FALSE(quillet::cpu_is_readonly(machine.cpu(), 0xFF00));
    EXPECT_EQ(machine.view(0xFF00), 0);

    for (const Range& range : accepted) {
        EXPECT_TRUE(quillet::cpu_map_readonly(machine.cpu(), range.address, other.data(), range.length))
            << range.address << " + " << range.length;
        EXPECT_EQ(machine.view(range.address), 0x99) << range.address;
    }
    EXPECT_TRUE(quillet::cpu_is_readonly(machine.cpu(), 0xFFFF));

    Machine whole;
    const std::vector<std::uint8_t> everything(quillet::CPU_MEMORY_SIZE, 0x42);
    EXPECT_TRUE(quillet::cpu_map_readonly(whole.cpu(), 0, everything.data(), everything.size()));
    EXPECT_EQ(whole.view(0xFFFF), 0x42);
}

// ---------------------------------------------------------------- ports

TEST(CpuPorts, WithoutCallbacksInReadsFfAndOutIsIgnored) {
    Machine machine;
    machine.load(PROGRAM, {0xD3, 0x10, 0xDB, 0x20});  // OUT 10; IN 20
    machine.set(PC, PROGRAM);
    machine.set(AF, 0x3402);
    machine.step();
    EXPECT_EQ(machine.get(PC), PROGRAM + 2);
    EXPECT_EQ(machine.get(AF), 0x3402);
    machine.step();
    EXPECT_EQ(machine.get(PC), PROGRAM + 4);
    EXPECT_EQ(machine.state().regs[quillet::CPU_A], 0xFF);
}

void stop_on_output(void* context, std::uint8_t, std::uint8_t) {
    quillet::cpu_request_stop(static_cast<Cpu8080*>(context));
}

TEST(CpuPorts, ACallbackCanEndTheRunAfterItsInstruction) {
    Machine machine;
    machine.cpu()->output = stop_on_output;
    machine.cpu()->port_context = machine.cpu();
    machine.load(PROGRAM, {0xD3, 0x10, 0x00, 0x00});  // OUT 10; NOP; NOP
    machine.set(PC, PROGRAM);
    EXPECT_EQ(machine.step(10), quillet::CPU_STOP_REQUESTED);
    EXPECT_EQ(machine.get(PC), PROGRAM + 2);
    EXPECT_EQ(machine.state().instructions, 1u);
    EXPECT_EQ(machine.step(2), quillet::CPU_STOP_INSTRUCTION_LIMIT) << "the next run goes on";
    EXPECT_EQ(machine.get(PC), PROGRAM + 4);
}

// ---------------------------------------------------------------- the run loop

// Memory is all NOP after a reset: PC counts instructions from 0.
TEST(CpuRun, AStopAddressEndsTheRunBeforeItsInstruction) {
    Machine machine;
    quillet::cpu_set_stop(machine.cpu(), 5, true);
    quillet::cpu_set_stop(machine.cpu(), 9, true);
    CpuRunLimits limits;
    limits.max_instructions = 100;
    EXPECT_EQ(machine.run(limits), quillet::CPU_STOP_ADDRESS);
    EXPECT_EQ(machine.get(PC), 5);
    EXPECT_EQ(machine.state().instructions, 5u);

    EXPECT_EQ(machine.run(limits), quillet::CPU_STOP_ADDRESS) << "a run from the stop stops at once";
    EXPECT_EQ(machine.state().instructions, 5u);

    limits.leave_stop = true;
    EXPECT_EQ(machine.run(limits), quillet::CPU_STOP_ADDRESS) << "leave_stop runs on to the next stop";
    EXPECT_EQ(machine.get(PC), 9);
    EXPECT_EQ(machine.state().instructions, 9u);

    quillet::cpu_set_stop(machine.cpu(), 12, true);
    quillet::cpu_set_stop(machine.cpu(), 12, false);
    quillet::cpu_set_stop(machine.cpu(), 14, true);
    quillet::cpu_clear_stops(machine.cpu());
    limits.max_instructions = 20;
    EXPECT_EQ(machine.run(limits), quillet::CPU_STOP_INSTRUCTION_LIMIT) << "removed stops do not stop";
    EXPECT_EQ(machine.get(PC), 20);
}

TEST(CpuRun, TheStateLimitIsCheckedBeforeEachInstruction) {
    Machine machine;  // NOPs of 4 states
    CpuRunLimits limits;
    limits.max_states = 10;
    EXPECT_EQ(machine.run(limits), quillet::CPU_STOP_STATE_LIMIT);
    EXPECT_EQ(machine.state().states, 12u);
    EXPECT_EQ(machine.state().instructions, 3u);
    EXPECT_EQ(machine.run(limits), quillet::CPU_STOP_STATE_LIMIT) << "the limit is a total";
    EXPECT_EQ(machine.state().instructions, 3u);

    Machine call;
    call.load(0, {0xCD, 0x00, 0x10});  // CALL 0x1000
    call.set(SP, 0x8000);
    limits.max_states = 1;
    EXPECT_EQ(call.run(limits), quillet::CPU_STOP_STATE_LIMIT);
    EXPECT_EQ(call.state().states, 17u) << "the last instruction ends past the limit";
    EXPECT_EQ(call.get(PC), 0x1000);
}

TEST(CpuRun, TheInstructionLimitIsATotal) {
    Machine machine;
    CpuRunLimits limits;
    limits.max_instructions = 4;
    EXPECT_EQ(machine.run(limits), quillet::CPU_STOP_INSTRUCTION_LIMIT);
    EXPECT_EQ(machine.state().instructions, 4u);
    EXPECT_EQ(machine.get(PC), 4);
    EXPECT_EQ(machine.run(limits), quillet::CPU_STOP_INSTRUCTION_LIMIT);
    EXPECT_EQ(machine.state().instructions, 4u);
}

}  // namespace
