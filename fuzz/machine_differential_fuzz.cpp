// The PMD 85's processor on a model's memory map against the plain
// reference 8080 over a plain reading of the same map (tests/unit/
// plain_map.hpp), in lock-step, from a state and program the input gives.
//
// Input: the model (modulo the models), a control byte (bit 0 AllRAM),
// A F B C D E H L, SP (little-endian), then the bytes that fill the 256 KB
// of RAM and the monitor image, repeated. The program starts at 1000h, RAM
// on every model; pointers may aim anywhere: ROM, its mirrors, nothing,
// the video RAM. An IN reads FFh on both; an OUT, which could switch the
// map the plain reading does not follow, ends the run.
//
// After every instruction the registers must agree; at the end every byte
// the processor sees and every byte of RAM.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "cpu_reference.hpp"
#include "fuzz_check.hpp"
#include "machine/machine.hpp"
#include "plain_map.hpp"
#include "snapshot/snapshot_format.hpp"

namespace {

using quillet_reference::Reference8080;

constexpr std::size_t HEADER = 12;
constexpr int MAX_STEPS = 400;
constexpr std::uint16_t CODE = 0x1000;

// `bytes` repeated over `out`; zero bytes when there are none.
void fill_repeated(std::vector<std::uint8_t>* out, const std::uint8_t* bytes, std::size_t length) {
    if (length == 0) {
        std::fill(out->begin(), out->end(), 0);
        return;
    }
    std::size_t filled = std::min(length, out->size());
    std::memcpy(out->data(), bytes, filled);
    while (filled < out->size()) {
        const std::size_t copied = std::min(filled, out->size() - filled);
        std::memcpy(out->data() + filled, out->data(), copied);
        filled += copied;
    }
}

bool same_registers(const quillet::Machine& m, const Reference8080& ref) {
    const quillet::CpuState& s = m.cpu.state;
    return s.pc == ref.pc && s.sp == ref.sp && s.regs[quillet::CPU_A] == ref.a && s.regs[quillet::CPU_F] == ref.f &&
           s.regs[quillet::CPU_B] == ref.b && s.regs[quillet::CPU_C] == ref.c && s.regs[quillet::CPU_D] == ref.d &&
           s.regs[quillet::CPU_E] == ref.e && s.regs[quillet::CPU_H] == ref.h && s.regs[quillet::CPU_L] == ref.l;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillet;
    if (size < HEADER) return 0;
    const int model = data[0] % MODEL_COUNT;
    auto m = std::make_unique<Machine>();
    FUZZ_CHECK(machine_init(m.get(), model));
    const ModelFacts& facts = model_facts(model);
    std::vector<std::uint8_t> image(facts.monitor_sizes[0]);
    fill_repeated(&image, data + HEADER, size - HEADER);
    std::reverse(image.begin(), image.end());  // other bytes than the RAM's at the same places
    FUZZ_CHECK(machine_set_monitor(m.get(), image.data(), image.size()));
    fill_repeated(&m->ram, data + HEADER, size - HEADER);
    std::fill(std::begin(m->plain), std::end(m->plain), false);
    m->switches.allram = (data[1] & 1) != 0;
    machine_install_map(m.get());

    auto ref = std::make_unique<Reference8080>();
    PlainMap plain;
    std::copy(std::begin(m->regions), std::end(m->regions), std::begin(plain.regions));
    plain.ram = m->ram;
    machine_read(*m, 0, ref->memory.data(), ref->memory.size());
    for (unsigned i = 0; i < MAP_REGIONS; ++i) {
        // The reference writes plain RAM itself; every other write the map
        // decides, so the reference's own goes beneath.
        std::fill_n(ref->read_only.begin() + i * MAP_REGION_SIZE, MAP_REGION_SIZE, m->plain[i] ? 0 : 1);
    }
    CpuState& s = m->cpu.state;
    const std::uint8_t order[8] = {CPU_A, CPU_F, CPU_B, CPU_C, CPU_D, CPU_E, CPU_H, CPU_L};
    ref->a = data[2];
    ref->set_flags(data[3]);
    ref->b = data[4];
    ref->c = data[5];
    ref->d = data[6];
    ref->e = data[7];
    ref->h = data[8];
    ref->l = data[9];
    for (int i = 0; i < 8; ++i) s.regs[order[i]] = i == 1 ? ref->f : data[2 + i];
    s.sp = ref->sp = static_cast<std::uint16_t>(data[10] | data[11] << 8);
    s.pc = ref->pc = CODE;
    m->hooks.input_first = [](void*, std::uint8_t, std::uint8_t* value) {
        *value = 0xFF;
        return true;
    };
    ref->input = [](void*, std::uint8_t) -> std::uint8_t { return 0xFF; };

    for (int step = 0; step < MAX_STEPS && !ref->halted; ++step) {
        ref->writes.clear();
        ref->port_accesses.clear();
        ref->step();
        if (!ref->port_accesses.empty() && ref->port_accesses.back().is_output) break;
        for (const auto& w : ref->writes) {
            if (ref->read_only[w.address]) plain.write(ref.get(), w.address, w.value);
        }
        CpuRunLimits limits;
        limits.max_instructions = s.instructions + 1;
        machine_run(m.get(), limits);
        if (!same_registers(*m, *ref)) {
            std::printf("step %d: registers differ, PC %04X against %04X\n", step, s.pc, ref->pc);
            FUZZ_CHECK(same_registers(*m, *ref));
        }
    }
    std::vector<std::uint8_t> view(CPU_MEMORY_SIZE);
    machine_read(*m, 0, view.data(), view.size());
    FUZZ_CHECK(view == ref->memory);
    machine_sync_ram(m.get());
    for (unsigned i = 0; i < MAP_REGIONS; ++i) {
        if (m->plain[i]) {
            std::copy_n(ref->memory.begin() + i * MAP_REGION_SIZE, MAP_REGION_SIZE, plain.ram.begin() + m->regions[i].ram);
        }
    }
    FUZZ_CHECK(m->ram == plain.ram);
    return 0;
}
