// The memory maps of every model, start-up and normal, AllRAM and the
// mapper: what a read sees and where a write lands, through the machine's
// cells as the processor uses them.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "machine/machine.hpp"
#include "snapshot/snapshot_format.hpp"

namespace quillet {
namespace {

// RAM bytes are even and monitor bytes odd (below FFh), each telling its
// 1 KB chunk: a read says where it came from.
std::uint8_t ram_pattern(std::uint32_t offset) { return static_cast<std::uint8_t>((offset / 1024 * 2) & 0xFE); }
std::uint8_t monitor_pattern(std::uint32_t offset) { return static_cast<std::uint8_t>(offset / 1024 * 2 + 1); }

struct Switched {
    bool startup = false;
    bool allram = false;
};

std::unique_ptr<Machine> machine_with(int model, Switched sw) {
    auto m = std::make_unique<Machine>();
    EXPECT_TRUE(machine_init(m.get(), model));
    const ModelFacts& facts = model_facts(model);
    std::vector<std::uint8_t> image(facts.monitor_sizes[0]);
    for (std::size_t k = 0; k < image.size(); ++k) image[k] = monitor_pattern(static_cast<std::uint32_t>(k));
    EXPECT_TRUE(machine_set_monitor(m.get(), image.data(), image.size()));
    for (std::uint32_t i = 0; i < m->ram.size(); ++i) m->ram[i] = ram_pattern(i);
    std::fill(std::begin(m->plain), std::end(m->plain), false);
    m->switches.startup = sw.startup;
    m->switches.allram = sw.allram;
    machine_install_map(m.get());
    return m;
}

constexpr long LOST = -1;
constexpr long NOTHING = -1;

struct MapCase {
    int model;
    Switched sw;
    std::uint16_t address;
    long ram_read;      // the RAM offset a read sees, or NOTHING/-2 for the monitor
    long monitor_read;  // the monitor offset a read sees (when ram_read is -2)
    long write_lands;   // the RAM offset a write reaches, or LOST
};

constexpr long MON = -2;
constexpr Switched NORMAL{false, false};
constexpr Switched STARTUP{true, false};
constexpr Switched ALLRAM{false, true};

const MapCase MAP_CASES[] = {
    // PMD 85-1/2: 48 KB, monitor at 8000h and A000h, nothing between.
    {MODEL_V2, NORMAL, 0x0000, 0x0000, 0, 0x0000},
    {MODEL_V2, NORMAL, 0x8123, MON, 0x0123, LOST},
    {MODEL_V2, NORMAL, 0x9000, NOTHING, 0, LOST},
    {MODEL_V2, NORMAL, 0xA400, MON, 0x0400, LOST},
    {MODEL_V2, NORMAL, 0xB000, NOTHING, 0, LOST},
    {MODEL_V2, NORMAL, 0xC000, 0xC000, 0, 0xC000},
    {MODEL_V2, ALLRAM, 0x8000, MON, 0x0000, LOST},  // no AllRAM on a 48 KB model
    {MODEL_V2, STARTUP, 0x0000, MON, 0x0000, LOST},
    {MODEL_V2, STARTUP, 0x1000, NOTHING, 0, LOST},
    {MODEL_V2, STARTUP, 0x2800, MON, 0x0800, LOST},
    {MODEL_V2, STARTUP, 0x4010, 0xC010, 0, 0xC010},  // the video RAM's mirror
    {MODEL_V2, STARTUP, 0xC010, 0xC010, 0, 0xC010},
    {MODEL_V1, STARTUP, 0x3000, NOTHING, 0, LOST},
    {MODEL_V1, NORMAL, 0x7FFF, 0x7FFF, 0, 0x7FFF},
    // PMD 85-2A: 64 KB, writes reach the RAM beneath the monitor.
    {MODEL_V2A, NORMAL, 0x8000, MON, 0x0000, 0x8000},
    {MODEL_V2A, NORMAL, 0x9000, 0x9000, 0, 0x9000},
    {MODEL_V2A, NORMAL, 0xA000, MON, 0x0000, 0xA000},
    {MODEL_V2A, NORMAL, 0xB000, 0xB000, 0, 0xB000},
    {MODEL_V2A, ALLRAM, 0x8000, 0x8000, 0, 0x8000},
    {MODEL_V2A, STARTUP, 0x0000, MON, 0x0000, 0x0000},
    {MODEL_V2A, STARTUP, 0x1000, 0x1000, 0, 0x1000},
    {MODEL_V2A, STARTUP, 0x2000, MON, 0x0000, 0x2000},
    {MODEL_V2A, STARTUP, 0x4000, 0x4000, 0, 0x4000},
    {MODEL_V2A, STARTUP, 0x8000, MON, 0x0000, 0x8000},
    // PMD 85-3: ROM read at E000h, video RAM written beneath it.
    {MODEL_V3, NORMAL, 0xDFFF, 0xDFFF, 0, 0xDFFF},
    {MODEL_V3, NORMAL, 0xE000, MON, 0x0000, 0xE000},
    {MODEL_V3, NORMAL, 0xFFFF, MON, 0x1FFF, 0xFFFF},
    {MODEL_V3, ALLRAM, 0xE000, 0xE000, 0, 0xE000},
    {MODEL_V3, STARTUP, 0x0000, MON, 0x0000, 0x0000},
    {MODEL_V3, STARTUP, 0x8C00, MON, 0x0C00, 0x8C00},
    {MODEL_V3, STARTUP, 0xC000, MON, 0x0000, 0xC000},
    // MATO: 16 KB ROM; start-up mirrors as the PMD 85-2.
    {MODEL_MATO, NORMAL, 0xA000, MON, 0x2000, LOST},
    {MODEL_MATO, STARTUP, 0x3C00, MON, 0x3C00, LOST},
    {MODEL_MATO, STARTUP, 0x4000, 0xC000, 0, 0xC000},
    // Alfa: 13 KB of monitor and BASIC, nothing from B400h.
    {MODEL_ALFA, NORMAL, 0xB000, MON, 0x3000, LOST},
    {MODEL_ALFA, NORMAL, 0xB400, NOTHING, 0, LOST},
    {MODEL_ALFA, STARTUP, 0x3000, MON, 0x3000, LOST},
    {MODEL_ALFA, STARTUP, 0x3400, NOTHING, 0, LOST},
    {MODEL_ALFA2, NORMAL, 0xBFFF, MON, 0x3FFF, LOST},
    // Consul 2717: writes to its ROM lost unless AllRAM.
    {MODEL_C2717, NORMAL, 0x8000, MON, 0x0000, LOST},
    {MODEL_C2717, ALLRAM, 0x8000, 0x8000, 0, 0x8000},
    {MODEL_C2717, STARTUP, 0x0000, MON, 0x0000, LOST},
    {MODEL_C2717, STARTUP, 0x4000, 0x4000, 0, 0x4000},
};

TEST(MachineMap, ReadsAndWritesOfEveryModel) {
    for (const MapCase& c : MAP_CASES) {
        SCOPED_TRACE(std::string(model_facts(c.model).name) + (c.sw.startup ? " start-up " : c.sw.allram ? " AllRAM " : " normal ") +
                     std::to_string(c.address));
        auto m = machine_with(c.model, c.sw);
        std::uint8_t seen = 0;
        machine_read(*m, c.address, &seen, 1);
        const std::uint8_t expected = c.ram_read == MON ? monitor_pattern(static_cast<std::uint32_t>(c.monitor_read))
                                      : c.ram_read == NOTHING ? 0xFF
                                                              : ram_pattern(static_cast<std::uint32_t>(c.ram_read));
        EXPECT_EQ(seen, expected);

        const std::vector<std::uint8_t> before = m->ram;
        const std::uint8_t value = 0x5C;
        machine_write(m.get(), c.address, &value, 1);
        machine_sync_ram(m.get());
        std::vector<std::uint8_t> after_expected = before;
        if (c.write_lands != LOST) after_expected[static_cast<std::size_t>(c.write_lands)] = value;
        EXPECT_TRUE(m->ram == after_expected) << "the write lands where the map sends it";
        // Every view of that RAM shows the byte at once.
        if (c.ram_read >= 0 && c.write_lands == c.ram_read) {
            machine_read(*m, c.address, &seen, 1);
            EXPECT_EQ(seen, value);
        }
    }
}

TEST(MachineMap, VideoMirrorShowsWritesOfEitherSide) {
    auto m = machine_with(MODEL_V1, STARTUP);
    const std::uint8_t value = 0x2A;
    machine_write(m.get(), 0xC123, &value, 1);
    std::uint8_t seen = 0;
    machine_read(*m, 0x4123, &seen, 1);
    EXPECT_EQ(seen, value);
}

struct AllRamCase {
    int model;
    std::uint8_t control_writes[3];  // to F7h, 0 ends
    std::uint16_t address;
    bool ram_visible;
};

const AllRamCase ALLRAM_CASES[] = {
    {MODEL_V2A, {0x8A, 0, 0}, 0x8000, false},  // port C upper an input: pulled up, ROM
    {MODEL_V2A, {0x82, 0, 0}, 0x8000, true},   // an output, latches cleared: PC4 low
    {MODEL_V2A, {0x82, 0x09, 0}, 0x8000, false},  // PC4 set
    {MODEL_V2A, {0x82, 0x09, 0x08}, 0x8000, true},
    {MODEL_V3, {0x82, 0, 0}, 0xE000, true},
    {MODEL_V3, {0x82, 0x09, 0}, 0xE000, false},
    {MODEL_C2717, {0x82, 0, 0}, 0x8000, false},
    {MODEL_C2717, {0x82, 0x0D, 0}, 0x8000, true},  // PC6 set
    {MODEL_V2, {0x82, 0, 0}, 0x8000, false},
    {MODEL_ALFA2, {0x82, 0x08, 0}, 0x8000, false},
};

TEST(MachineMap, AllRamFollowsTheSystemPortC) {
    for (const AllRamCase& c : ALLRAM_CASES) {
        SCOPED_TRACE(model_facts(c.model).name);
        auto m = machine_with(c.model, NORMAL);
        for (std::uint8_t word : c.control_writes) {
            if (word) machine_port_out(m.get(), 0xF7, word);
        }
        std::uint8_t seen = 0;
        machine_read(*m, c.address, &seen, 1);
        EXPECT_EQ(seen, c.ram_visible ? ram_pattern(c.address) : monitor_pattern(0)) << std::hex << int(seen);
    }
}

TEST(MachineMap, MapperMovesOneBankIntoOneWindow) {
    auto m = machine_with(MODEL_V2A, ALLRAM);
    m->mapper_fitted = true;
    machine_port_out(m.get(), 0x6D, 0x15);  // bank 5 into window 1
    EXPECT_EQ(machine_port_in(m.get(), 0x6D), 0x15);
    std::uint8_t seen = 0;
    machine_read(*m, 0x4000, &seen, 1);
    EXPECT_EQ(seen, ram_pattern(5 * RAM_BLOCK_SIZE));
    const std::uint8_t value = 0x77;
    machine_write(m.get(), 0x4001, &value, 1);
    machine_port_out(m.get(), 0x6D, 0x27);  // bank 7 into window 2: window 1 has its own again
    machine_read(*m, 0x4000, &seen, 1);
    EXPECT_EQ(seen, ram_pattern(1 * RAM_BLOCK_SIZE));
    machine_read(*m, 0x8000, &seen, 1);
    EXPECT_EQ(seen, ram_pattern(7 * RAM_BLOCK_SIZE));
    machine_sync_ram(m.get());
    EXPECT_EQ(m->ram[5 * RAM_BLOCK_SIZE + 1], value) << "the write went to bank 5";
    EXPECT_EQ(m->ram[1 * RAM_BLOCK_SIZE + 1], ram_pattern(RAM_BLOCK_SIZE + 1));
}

// Programs that switch the map hundreds of times within a frame, each
// switch between a write and a read: every byte lands where the map of its
// moment sends it, and every read sees what that map shows.
struct SwitchingCase {
    const char* what;
    int model;
    bool mapper;
    std::uint8_t on_port, on_value;    // the switch before the write
    std::uint8_t off_port, off_value;  // the switch before the read
    std::uint16_t pointer;             // HL: where both go
    std::uint32_t written_to;          // the RAM offset the writes reach
    std::uint32_t read_from;           // the RAM offset of what the reads see, or MON
    bool read_monitor;
};

const SwitchingCase SWITCHING_CASES[] = {
    // AllRAM on (PC4 low) for the write, off for the read of the monitor.
    {"PMD 85-2A AllRAM", MODEL_V2A, false, 0xF7, 0x08, 0xF7, 0x09, 0x8000, 0x8000, 0, true},
    // PMD 85-3: the ROM at E000h over the video RAM.
    {"PMD 85-3 AllRAM", MODEL_V3, false, 0xF7, 0x08, 0xF7, 0x09, 0xE100, 0xE100, 0, true},
    // Bank 5 into window 1 for the write, window 1's own bank for the read.
    {"the mapper", MODEL_V2A, true, 0x6D, 0x15, 0x6D, 0x11, 0x4000, 5 * RAM_BLOCK_SIZE, 0x4000, false},
};

TEST(MachineMap, HundredsOfSwitchesInAFrame) {
    constexpr int ROUNDS = 200;
    for (const SwitchingCase& c : SWITCHING_CASES) {
        SCOPED_TRACE(c.what);
        auto m = machine_with(c.model, NORMAL);
        m->mapper_fitted = c.mapper;
        const std::uint8_t code[] = {
            0x3E, 0x82, 0xD3, 0xF7,                                   // MVI A,82h; OUT F7h: port C an output
            0x21, static_cast<std::uint8_t>(c.pointer), static_cast<std::uint8_t>(c.pointer >> 8),  // LXI H
            0x11, 0x00, 0xC0,                                         // LXI D,C000h
            0x06, ROUNDS,                                             // MVI B
            0x3E, c.on_value, 0xD3, c.on_port,                        // loop: switch on
            0x75,                                                     // MOV M,L
            0x3E, c.off_value, 0xD3, c.off_port,                      // switch off
            0x7E, 0x12, 0x13, 0x23, 0x05,                             // MOV A,M; STAX D; INX D; INX H; DCR B
            0xC2, 0x0C, 0x10,                                         // JNZ loop
            0x76};                                                    // HLT
        machine_write(m.get(), 0x1000, code, sizeof code);
        std::vector<std::uint8_t> expected = m->ram;
        std::copy(std::begin(code), std::end(code), expected.begin() + 0x1000);
        for (std::uint32_t i = 0; i < ROUNDS; ++i) {
            expected[c.written_to + i] = static_cast<std::uint8_t>(c.pointer + i);
            // The read follows the write: the RAM it sees may be the one just written.
            expected[0xC000 + i] = c.read_monitor ? monitor_pattern(c.pointer % 0x2000 + i) : expected[c.read_from + i];
        }
        m->cpu.state.pc = 0x1000;
        m->cpu.state.sp = 0x7000;
        CpuRunLimits limits;
        limits.max_states = m->cpu.state.states + STATES_PER_FRAME;
        EXPECT_EQ(machine_run(m.get(), limits), CPU_STOP_HALTED) << "within one frame";
        machine_sync_ram(m.get());
        for (std::size_t k = 0; k < expected.size(); ++k) {
            if (m->ram[k] != expected[k]) {
                ADD_FAILURE() << "RAM offset " << std::hex << k << ": " << int(m->ram[k]) << " for " << int(expected[k]);
                break;
            }
        }
        // What the processor sees matches the last map (the read's) everywhere.
        std::vector<std::uint8_t> seen(CPU_MEMORY_SIZE), laid(CPU_MEMORY_SIZE);
        machine_read(*m, 0, seen.data(), seen.size());
        machine_install_map(m.get());
        machine_read(*m, 0, laid.data(), laid.size());
        EXPECT_TRUE(seen == laid) << "the switched map reads as the map laid whole";
    }
}

TEST(MachineMap, NoMapperNoPort) {
    auto m = machine_with(MODEL_V2, NORMAL);
    m->mapper_fitted = false;
    machine_port_out(m.get(), 0x6D, 0x15);
    EXPECT_EQ(machine_port_in(m.get(), 0x6D), 0xFF);
    std::uint8_t seen = 0;
    machine_read(*m, 0x4000, &seen, 1);
    EXPECT_EQ(seen, ram_pattern(0x4000));
}

TEST(MachineMap, MonitorSizesPerModel) {
    const struct {
        int model;
        std::size_t size;
        bool fits;
    } cases[] = {{MODEL_V1, 4096, true}, {MODEL_V1, 8192, true}, {MODEL_V1, 16384, false}, {MODEL_V2, 2048, false},
                 {MODEL_V3, 8192, true}, {MODEL_V3, 4096, false}, {MODEL_ALFA, 13312, true}, {MODEL_MATO, 16384, true},
                 {MODEL_C2717, 8192, false}};
    for (const auto& c : cases) {
        auto m = std::make_unique<Machine>();
        ASSERT_TRUE(machine_init(m.get(), c.model));
        std::vector<std::uint8_t> image(c.size, 0xC9);
        EXPECT_EQ(machine_set_monitor(m.get(), image.data(), image.size()), c.fits)
            << model_facts(c.model).name << " " << c.size;
    }
}

}  // namespace
}  // namespace quillet
