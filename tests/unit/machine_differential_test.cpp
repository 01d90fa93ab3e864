// Random programs on each model's map, run on the machine (its cells, its
// write hook, the views it refreshes) and on the plain reference 8080 over
// a plain reading of the same map: registers after every instruction, and
// every byte the processor sees and every byte of RAM at the end.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "machine/machine.hpp"
#include "snapshot/snapshot_format.hpp"
#include "unit/cpu_reference.hpp"
#include "unit/plain_map.hpp"

namespace quillet {
namespace {

using quillet_reference::Reference8080;

void compare_registers(const Machine& m, const Reference8080& ref) {
    const CpuState& s = m.cpu.state;
    ASSERT_EQ(s.pc, ref.pc);
    ASSERT_EQ(s.sp, ref.sp);
    ASSERT_EQ(s.regs[CPU_A], ref.a);
    ASSERT_EQ(s.regs[CPU_F], ref.f);
    ASSERT_EQ(s.regs[CPU_B] << 8 | s.regs[CPU_C], ref.b << 8 | ref.c);
    ASSERT_EQ(s.regs[CPU_D] << 8 | s.regs[CPU_E], ref.d << 8 | ref.e);
    ASSERT_EQ(s.regs[CPU_H] << 8 | s.regs[CPU_L], ref.h << 8 | ref.l);
}

void run_one(int model, bool allram, unsigned seed) {
    std::mt19937 random(seed);
    auto byte = [&] { return static_cast<std::uint8_t>(random()); };
    auto m = std::make_unique<Machine>();
    ASSERT_TRUE(machine_init(m.get(), model));
    const ModelFacts& facts = model_facts(model);
    std::vector<std::uint8_t> image(facts.monitor_sizes[0]);
    for (auto& b : image) b = byte();
    ASSERT_TRUE(machine_set_monitor(m.get(), image.data(), image.size()));
    for (auto& b : m->ram) b = byte();
    // The program at 1000h, RAM on every model: no port instructions, so
    // that the map stays as it is.
    constexpr std::uint16_t CODE = 0x1000;
    std::vector<std::uint8_t> code(256);
    for (auto& b : code) {
        do b = byte();
        while (b == 0xD3 || b == 0xDB);
    }
    std::copy(code.begin(), code.end(), m->ram.begin() + CODE);
    std::fill(std::begin(m->plain), std::end(m->plain), false);
    m->switches.allram = allram;
    machine_install_map(m.get());

    Reference8080 ref;
    PlainMap plain;
    std::copy(std::begin(m->regions), std::end(m->regions), std::begin(plain.regions));
    plain.ram = m->ram;
    machine_read(*m, 0, ref.memory.data(), ref.memory.size());
    for (unsigned i = 0; i < MAP_REGIONS; ++i) {
        // The reference writes plain RAM itself; every other write the map
        // decides, so the reference's own goes beneath.
        std::fill_n(ref.read_only.begin() + i * MAP_REGION_SIZE, MAP_REGION_SIZE, m->plain[i] ? 0 : 1);
    }
    CpuState& s = m->cpu.state;
    s.pc = CODE;
    ref.pc = CODE;
    // Pointers anywhere: into ROM, mirrors, nothing, video RAM.
    const std::uint16_t bc = static_cast<std::uint16_t>(random()), de = static_cast<std::uint16_t>(random()),
                        hl = static_cast<std::uint16_t>(random()), sp = static_cast<std::uint16_t>(random());
    s.regs[CPU_B] = ref.b = static_cast<std::uint8_t>(bc >> 8);
    s.regs[CPU_C] = ref.c = static_cast<std::uint8_t>(bc);
    s.regs[CPU_D] = ref.d = static_cast<std::uint8_t>(de >> 8);
    s.regs[CPU_E] = ref.e = static_cast<std::uint8_t>(de);
    s.regs[CPU_H] = ref.h = static_cast<std::uint8_t>(hl >> 8);
    s.regs[CPU_L] = ref.l = static_cast<std::uint8_t>(hl);
    s.sp = ref.sp = sp;
    // An IN the program wanders into reads FFh on both; an OUT could switch
    // the map, which the plain reading does not follow: the run ends there.
    m->hooks.input_first = [](void*, std::uint8_t, std::uint8_t* value) {
        *value = 0xFF;
        return true;
    };
    for (int step = 0; step < 2000 && !ref.halted; ++step) {
        ref.writes.clear();
        ref.port_accesses.clear();
        ref.step();
        if (!ref.port_accesses.empty() && ref.port_accesses.back().is_output) break;
        for (const auto& w : ref.writes) {
            if (ref.read_only[w.address]) plain.write(&ref, w.address, w.value);
        }
        CpuRunLimits limits;
        limits.max_instructions = s.instructions + 1;
        machine_run(m.get(), limits);
        compare_registers(*m, ref);
        if (testing::Test::HasFatalFailure()) return;
    }
    std::vector<std::uint8_t> view(CPU_MEMORY_SIZE);
    machine_read(*m, 0, view.data(), view.size());
    EXPECT_TRUE(view == ref.memory) << "what the processor sees";
    machine_sync_ram(m.get());
    for (unsigned i = 0; i < MAP_REGIONS; ++i) {
        if (m->plain[i]) std::copy_n(ref.memory.begin() + i * MAP_REGION_SIZE, MAP_REGION_SIZE, plain.ram.begin() + m->regions[i].ram);
    }
    EXPECT_TRUE(m->ram == plain.ram) << "the RAM";
}

TEST(MachineDifferential, RandomProgramsOnEveryModelsMap) {
    for (int model = 0; model < MODEL_COUNT; ++model) {
        for (bool allram : {false, true}) {
            for (unsigned seed = 1; seed <= 6; ++seed) {
                SCOPED_TRACE(testing::Message() << model_facts(model).name << (allram ? " AllRAM" : "") << " seed " << seed);
                run_one(model, allram, seed * 7919 + static_cast<unsigned>(model));
                if (HasFatalFailure()) return;
            }
        }
    }
}

}  // namespace
}  // namespace quillet
