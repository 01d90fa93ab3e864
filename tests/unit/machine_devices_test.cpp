// The machine's devices through its ports, and a snapshot into the machine
// and back.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "machine/machine.hpp"
#include "machine/machine_snapshot.hpp"
#include "snapshot/snapshot_format.hpp"

namespace quillet {
namespace {

struct PioStep {
    int reg;
    std::uint8_t value;
};

struct PioCase {
    const char* what;
    PioStep writes[3];  // reg -1 ends
    int read;
    std::uint8_t outside;
    std::uint8_t expected;
};

const PioCase PIO_CASES[] = {
    {"an output port reads its latch", {{PIO_CONTROL, 0x80}, {PIO_A, 0x5A}, {-1, 0}}, PIO_A, 0x11, 0x5A},
    {"an input port reads the outside", {{PIO_CONTROL, 0x90}, {PIO_A, 0x5A}, {-1, 0}}, PIO_A, 0x11, 0x11},
    {"a mode set clears the latches", {{PIO_A, 0x5A}, {PIO_CONTROL, 0x80}, {-1, 0}}, PIO_A, 0x11, 0x00},
    {"bit set", {{PIO_CONTROL, 0x80}, {PIO_CONTROL, 0x0F}, {PIO_CONTROL, 0x03}}, PIO_C, 0x00, 0x82},
    {"bit reset", {{PIO_CONTROL, 0x80}, {PIO_C, 0xFF}, {PIO_CONTROL, 0x02}}, PIO_C, 0x00, 0xFD},
    {"port C half by half", {{PIO_CONTROL, 0x8A}, {PIO_C, 0xA5}, {-1, 0}}, PIO_C, 0x3C, 0x35},
    {"after reset every port an input", {{-1, 0}, {-1, 0}, {-1, 0}}, PIO_B, 0x42, 0x42},
};

TEST(MachineDevices, Pio8255) {
    for (const PioCase& c : PIO_CASES) {
        Pio8255 pio;
        for (const PioStep& step : c.writes) {
            if (step.reg >= 0) pio_write(&pio, step.reg, step.value);
        }
        EXPECT_EQ(pio_read(pio, c.read, c.outside), c.expected) << c.what;
    }
}

TEST(MachineDevices, Timer8253CountsItsClock) {
    Timer8253 timer;
    timer.counter[1].states_per_clock = 1;
    timer_write(&timer, 3, 0x74, 0);  // counter 1, low then high, mode 2
    timer_write(&timer, 1, 0x00, 0);
    timer_write(&timer, 1, 0x01, 0);  // 256
    EXPECT_EQ(timer_count(timer.counter[1], 10), 246);
    EXPECT_EQ(timer_count(timer.counter[1], 256 + 6), 250) << "mode 2 reloads";
    timer_write(&timer, 3, 0x40, 100);  // latch counter 1
    EXPECT_EQ(timer_read(&timer, 1, 200), 156);
    EXPECT_EQ(timer_read(&timer, 1, 200), 0) << "the latched high byte";
    EXPECT_EQ(timer_next_falling_edge(timer.counter[1], 300), 512u);
}

std::unique_ptr<Machine> machine(int model) {
    auto m = std::make_unique<Machine>();
    EXPECT_TRUE(machine_init(m.get(), model));
    return m;
}

TEST(MachineDevices, RomModuleReadThroughItsPio) {
    auto m = machine(MODEL_V2A);
    const std::uint8_t module[3] = {0xCD, 0x12, 0x34};
    machine_set_rom_module(m.get(), module, sizeof module);
    machine_port_out(m.get(), 0xFB, 0x90);
    machine_port_out(m.get(), 0xF9, 0x02);
    machine_port_out(m.get(), 0xFA, 0x00);
    EXPECT_EQ(machine_port_in(m.get(), 0xF8), 0x34);
    EXPECT_EQ(machine_port_in(m.get(), 0xF9), 0x02) << "the address latch reads back";
    machine_port_out(m.get(), 0xF9, 0x03);
    EXPECT_EQ(machine_port_in(m.get(), 0xF8), 0xFF) << "past the image";
    auto alfa = machine(MODEL_ALFA);
    machine_set_rom_module(alfa.get(), module, sizeof module);
    EXPECT_FALSE(machine_rom_module_readable(*alfa));
    machine_port_out(alfa.get(), 0xFB, 0x90);
    EXPECT_EQ(machine_port_in(alfa.get(), 0xF8), 0xFF);
}

struct PortCase {
    int model;
    std::uint8_t port;
    std::uint8_t expected;
};

const PortCase PORT_CASES[] = {
    {MODEL_V2, 0x1F, 0x85},   // 8251 status: TxRDY, TxEMPTY, DSR; RxRDY clear
    {MODEL_V2, 0x1D, 0x85},   // A1 not decoded
    {MODEL_ALFA, 0xF1, 0x85}, // Alfa's 8251
    {MODEL_ALFA, 0x1F, 0xFF},
    {MODEL_MATO, 0x1F, 0xFF}, // no I/O board
    {MODEL_V2, 0x00, 0xFF},   // nothing there
    {MODEL_V2, 0xF5, 0x7F},   // no key down
    {MODEL_MATO, 0xF5, 0xFF}, // MATO's PB7 is EOL, up
};

TEST(MachineDevices, PortsOfEachModel) {
    for (const PortCase& c : PORT_CASES) {
        auto m = machine(c.model);
        machine_port_out(m.get(), 0xF7, 0x8A);
        EXPECT_EQ(machine_port_in(m.get(), c.port), c.expected) << model_facts(c.model).name << " " << int(c.port);
    }
}

TEST(MachineDevices, CallerBytesComeBeforeTheDevice) {
    auto m = machine(MODEL_V2);
    int asked = 0;
    m->hooks.context = &asked;
    m->hooks.input_first = [](void* context, std::uint8_t port, std::uint8_t* value) {
        int* n = static_cast<int*>(context);
        if (port != 0x1F || (*n)++ > 0) return false;
        *value = 0x42;
        return true;
    };
    EXPECT_EQ(machine_port_in(m.get(), 0x1F), 0x42);
    EXPECT_EQ(machine_port_in(m.get(), 0x1F), 0x85);
}

TEST(MachineDevices, SpeakerEdgesWithTheirStates) {
    auto m = machine(MODEL_V2);
    m->speaker.keep_record(true);
    machine_port_out(m.get(), 0xF7, 0x8A);
    m->cpu.state.states = 500;
    machine_port_out(m.get(), 0xF7, 0x05);  // PC2 set
    const std::vector<SpeakerRecorder::Change>& changes = m->speaker.changes();
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back().lines & 0x04, 0x04);
    EXPECT_EQ(changes.back().state, 500u);
    // MATO's speaker is PC1, heard as the speaker's line; its LEDs are not.
    auto mato = machine(MODEL_MATO);
    mato->speaker.keep_record(true);
    machine_port_out(mato.get(), 0xF7, 0x80);
    machine_port_out(mato.get(), 0xF7, 0x05);  // PC2: a LED
    machine_port_out(mato.get(), 0xF7, 0x03);  // PC1: the speaker
    ASSERT_EQ(mato->speaker.changes().size(), 1u);
    EXPECT_EQ(mato->speaker.changes()[0].lines, 0x04);
}

TEST(MachineSnapshot, StateInAndOut) {
    Snapshot in;
    in.model = MODEL_V3;
    in.mapper_port = 0x15;
    in.peripheral_state[ALLRAM_INDEX] = ALLRAM_ON;
    for (int page : {0, 3, 9}) {
        ASSERT_EQ(obtain_page(&in, page, Reporter{}), 0);
        in.pages[page].data()[5] = static_cast<std::uint8_t>(0x40 + page);
    }
    in.registers[REG_PC] = 0x1234;
    in.interrupts_enabled = true;
    auto m = std::make_unique<Machine>();
    ASSERT_TRUE(machine_from_snapshot(m.get(), in));
    EXPECT_TRUE(m->switches.allram);
    EXPECT_EQ(m->switches.mapper_window, 1u);
    EXPECT_EQ(m->switches.mapper_bank, 5u);
    std::uint8_t seen = 0;
    machine_read(*m, 0xC005, &seen, 1);
    EXPECT_EQ(seen, 0x43);
    // The run changes memory, the mapper and AllRAM.
    const std::uint8_t byte = 0x99;
    machine_write(m.get(), 0x0006, &byte, 1);
    machine_port_out(m.get(), 0x6D, 0x29);  // bank 9 into window 2
    machine_port_out(m.get(), 0xF7, 0x09);  // PC4 set: ROM
    machine_read(*m, 0x8005, &seen, 1);
    EXPECT_EQ(seen, 0x49);
    Snapshot out;
    out.model = MODEL_V3;
    ASSERT_EQ(machine_to_snapshot(m.get(), &out, Reporter{}), 0);
    EXPECT_EQ(out.registers[REG_PC], 0x1234);
    EXPECT_TRUE(out.interrupts_enabled);
    EXPECT_EQ(out.mapper_port, 0x29);
    EXPECT_EQ(out.peripheral_state[ALLRAM_INDEX], ALLRAM_OFF);
    ASSERT_TRUE(out.pages[0] && out.pages[9]);
    EXPECT_EQ(out.pages[0].data()[6], 0x99);
    EXPECT_EQ(out.pages[9].data()[5], 0x49);
    EXPECT_FALSE(out.pages[4]) << "an all-zero page the snapshot did not have stays out";
}

}  // namespace
}  // namespace quillet

namespace quillet {
namespace {

// MIF 85: counter 0 of the 8253 at the processor's clock; each fall of its
// OUT asks for RST 7 while the interrupt port's bit 0 is set.
TEST(MachineDevices, Mif85CounterZeroInterrupts) {
    Snapshot snap;
    snap.model = MODEL_V2A;
    snap.mif85_state = MIF85_INTERRUPT_DISABLED;
    const std::uint8_t program[] = {
        0x3E, 0x34, 0xD3, 0x5F,  // MVI A,34h; OUT 5Fh: counter 0, low then high, mode 2
        0x3E, 0xE8, 0xD3, 0x5C,  // 1000 states a period
        0x3E, 0x03, 0xD3, 0x5C,
        0x3E, 0x01, 0xD3, 0xEC,  // interrupts of the MIF 85 on
        0xFB,                    // EI
        0xC3, 0x11, 0x10,        // JMP $
    };
    ASSERT_EQ(obtain_page(&snap, 0, Reporter{}), 0);
    std::copy(std::begin(program), std::end(program), snap.pages[0].data() + 0x1000);
    snap.registers[REG_PC] = 0x1000;
    snap.registers[REG_SP] = 0x3000;
    auto m = std::make_unique<Machine>();
    ASSERT_TRUE(machine_from_snapshot(m.get(), snap));
    machine_set_stop(m.get(), 0x0038, true);
    CpuRunLimits limits;
    limits.max_states = 5000;
    ASSERT_EQ(machine_run(m.get(), limits), CPU_STOP_ADDRESS);
    EXPECT_EQ(m->cpu.state.pc, 0x0038);
    EXPECT_GE(m->cpu.state.states, 1000u) << "not before the first period ends";
    EXPECT_FALSE(m->cpu.state.interrupts_enabled);

    // Without the enable bit nothing comes.
    snap.mif85_state = NOT_PLUGGED;
    ASSERT_TRUE(machine_from_snapshot(m.get(), snap));
    machine_set_stop(m.get(), 0x0038, true);
    EXPECT_EQ(machine_run(m.get(), limits), CPU_STOP_STATE_LIMIT);
}

}  // namespace
}  // namespace quillet
