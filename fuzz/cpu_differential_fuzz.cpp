// The 8080 core against the plain reference 8080 (tests/unit/cpu_reference.hpp)
// in lock-step, from a state and program the input gives.
//
// Input: A F B C D E H L, SP and PC (little-endian), a control byte, the
// first page and the length (in 64-byte units, less one) of a read-only
// image, then the program. The program, repeated, fills all 64 KB (all NOP
// when it is empty), so wherever a jump lands it runs input bytes; the
// image, when mapped, holds the same bytes shifted by one, so that reads of
// it differ from the RAM beneath. Control bits: 0 interrupts enabled,
// 1 image mapped, 2 an interrupt requested at the start, 3-5 its RST,
// 6 a halted processor is woken by that RST when interrupts are enabled
// (otherwise it is simply let go on). IN reads program bytes in turn.
//
// After every instruction the registers, flags, SP, PC, interrupt enable,
// HLT state, pending request, states, instructions counted, bytes written
// and port accesses must agree, and at the end the whole memory: any
// difference is printed and aborts.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "cpu/cpu8080.hpp"
#include "cpu_reference.hpp"
#include "fuzz_check.hpp"

namespace {

using quillet_reference::Reference8080;
using quillet_reference::ReferencePortAccess;
using quillet_reference::Ports;
using quillet_reference::core_input;
using quillet_reference::core_output;
using quillet_reference::reference_input;

constexpr std::size_t HEADER = 15;
constexpr int MAX_STEPS = 500;


// A F B C D E H L, SP, PC, the interrupt enable, HLT, the pending request.
struct Registers {
    std::uint8_t r[8];
    std::uint16_t sp, pc;
    bool interrupts_enabled, halted;
    int interrupt_request;

    bool operator==(const Registers& o) const {
        return std::equal(r, r + 8, o.r) && sp == o.sp && pc == o.pc && interrupts_enabled == o.interrupts_enabled &&
               halted == o.halted && interrupt_request == o.interrupt_request;
    }
};

Registers registers_of(const Reference8080& x) {
    return {{x.a, x.f, x.b, x.c, x.d, x.e, x.h, x.l}, x.sp, x.pc, x.interrupts_enabled, x.halted,
            x.interrupt_request};
}

Registers registers_of(const quillet::Cpu8080& cpu) {
    const quillet::CpuState& s = cpu.state;
    return {{s.regs[quillet::CPU_A], s.regs[quillet::CPU_F], s.regs[quillet::CPU_B], s.regs[quillet::CPU_C],
             s.regs[quillet::CPU_D], s.regs[quillet::CPU_E], s.regs[quillet::CPU_H], s.regs[quillet::CPU_L]},
            s.sp, s.pc, s.interrupts_enabled, s.halted, s.interrupt_request};
}

void print(const char* side, const Registers& x) {
    std::printf("%-10s A=%02X F=%02X B=%02X C=%02X D=%02X E=%02X H=%02X L=%02X SP=%04X PC=%04X IE=%d halted=%d "
                "request=%d\n",
                side, x.r[0], x.r[1], x.r[2], x.r[3], x.r[4], x.r[5], x.r[6], x.r[7], x.sp, x.pc,
                x.interrupts_enabled, x.halted, x.interrupt_request);
}

bool same_accesses(const std::vector<ReferencePortAccess>& x, const std::vector<ReferencePortAccess>& y) {
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (x[i].is_output != y[i].is_output || x[i].port != y[i].port || x[i].value != y[i].value) return false;
    }
    return true;
}

std::uint8_t reference_ram(const Reference8080& r, std::uint16_t address) {
    return r.read_only[address] ? r.beneath[address] : r.memory[address];
}

std::uint8_t core_byte(const quillet::Cpu8080& cpu, std::uint16_t address, bool ram) {
    std::uint8_t value = 0;
    if (ram) {
        quillet::cpu_read_ram(&cpu, address, &value, 1);
    } else {
        quillet::cpu_read_view(&cpu, address, &value, 1);
    }
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < HEADER) return 0;
    const std::uint8_t* program = data + HEADER;
    const std::size_t program_length = size - HEADER;
    const std::uint8_t control = data[12];

    auto core = std::make_unique<quillet::Cpu8080>();
    quillet::cpu_reset(core.get());
    Reference8080 reference;
    Ports ports;
    core->input = core_input;
    core->output = core_output;
    core->port_context = &ports;
    reference.input = reference_input;
    reference.input_context = &ports;

    // Whole-memory work is done with block copies and compares: per-byte
    // loops under the fuzzer's comparison tracing would cost more than the run.
    std::vector<std::uint8_t> ram(quillet::CPU_MEMORY_SIZE, 0);
    if (program_length > 0) {
        std::size_t filled = std::min(program_length, ram.size());
        std::memcpy(ram.data(), program, filled);
        while (filled < ram.size()) {
            const std::size_t copied = std::min(filled, ram.size() - filled);
            std::memcpy(ram.data() + filled, ram.data(), copied);
            filled += copied;
        }
    }
    quillet::cpu_write_ram(core.get(), 0, ram.data(), ram.size());
    reference.memory = ram;
    unsigned image_start = 0;
    unsigned image_length = 0;
    if (control & 0x02) {
        const unsigned start = unsigned{data[13]} << 8;
        const unsigned length = std::min((unsigned{data[14]} + 1) * 64, 65536 - start);
        std::vector<std::uint8_t> image(ram.begin() + start + 1, ram.begin() + start + length);
        image.push_back(ram[(start + length) % ram.size()]);
        image_start = start;
        image_length = length;
        FUZZ_CHECK(quillet::cpu_map_readonly(core.get(), static_cast<std::uint16_t>(start), image.data(), length));
        reference.map_read_only(static_cast<std::uint16_t>(start), image.data(), length);
    }

    reference.a = data[0];
    reference.set_flags(data[1]);
    reference.b = data[2];
    reference.c = data[3];
    reference.d = data[4];
    reference.e = data[5];
    reference.h = data[6];
    reference.l = data[7];
    reference.sp = static_cast<std::uint16_t>(data[8] | data[9] << 8);
    reference.pc = static_cast<std::uint16_t>(data[10] | data[11] << 8);
    reference.interrupts_enabled = (control & 0x01) != 0;
    const int rst = (control >> 3) & 7;
    if (control & 0x04) reference.interrupt_request = rst;

    quillet::CpuState& s = core->state;
    const std::uint8_t order[8] = {quillet::CPU_A, quillet::CPU_F, quillet::CPU_B, quillet::CPU_C,
                                   quillet::CPU_D, quillet::CPU_E, quillet::CPU_H, quillet::CPU_L};
    for (int i = 0; i < 8; ++i) s.regs[order[i]] = i == 1 ? reference.f : data[i];
    s.sp = reference.sp;
    s.pc = reference.pc;
    s.interrupts_enabled = reference.interrupts_enabled;
    if (control & 0x04) quillet::cpu_request_interrupt(core.get(), rst);

    for (int step = 0; step < MAX_STEPS; ++step) {
        const Registers before = registers_of(reference);
        const bool accepting =
            reference.interrupt_request >= 0 && reference.interrupts_enabled && !reference.ei_just_run;
        const int request = reference.interrupt_request;
        std::uint8_t bytes[3];
        for (int i = 0; i < 3; ++i) bytes[i] = reference.memory[static_cast<std::uint16_t>(reference.pc + i)];

        ports.input_value = program_length > 0 ? program[static_cast<std::size_t>(step) % program_length] : 0;
        ports.core_accesses.clear();
        const int reference_states = reference.step();
        const std::uint64_t states_before = s.states;
        const std::uint64_t instructions_before = s.instructions;
        quillet::CpuRunLimits limits;
        limits.max_instructions = instructions_before + 1;
        quillet::cpu_run(core.get(), limits);

        bool same = registers_of(reference) == registers_of(*core) &&
                    s.states - states_before == static_cast<std::uint64_t>(reference_states) &&
                    s.instructions - instructions_before == (reference_states > 0 ? 1u : 0u) &&
                    same_accesses(reference.port_accesses, ports.core_accesses);
        for (const quillet_reference::ReferenceWrite& write : reference.writes) {
            same = same && core_byte(*core, write.address, false) == reference.memory[write.address] &&
                   core_byte(*core, write.address, true) == reference_ram(reference, write.address);
        }
        if (!same) {
            if (accepting) {
                std::printf("step %d: interrupt RST %d\n", step, request);
            } else {
                std::printf("step %d: opcode %02X %02X %02X\n", step, bytes[0], bytes[1], bytes[2]);
            }
            print("before:", before);
            print("reference:", registers_of(reference));
            print("core:", registers_of(*core));
            std::printf("states: reference %d, core %llu; instructions counted by the core %llu\n",
                        reference_states, static_cast<unsigned long long>(s.states - states_before),
                        static_cast<unsigned long long>(s.instructions - instructions_before));
            for (const quillet_reference::ReferenceWrite& write : reference.writes) {
                std::printf("written at %04X: reference %02X/%02X, core %02X/%02X (read/RAM)\n", write.address,
                            reference.memory[write.address], reference_ram(reference, write.address),
                            core_byte(*core, write.address, false), core_byte(*core, write.address, true));
            }
            std::printf("port accesses: reference %zu, core %zu\n", reference.port_accesses.size(),
                        ports.core_accesses.size());
        }
        FUZZ_CHECK(same);

        if (reference.halted) {
            if (reference.interrupts_enabled && (control & 0x40)) {
                if (reference.interrupt_request < 0) {
                    reference.interrupt_request = rst;
                    quillet::cpu_request_interrupt(core.get(), rst);
                }
            } else {
                reference.halted = false;
                s.halted = false;
            }
        }
    }

    std::vector<std::uint8_t> view(quillet::CPU_MEMORY_SIZE);
    quillet::cpu_read_view(core.get(), 0, view.data(), view.size());
    quillet::cpu_read_ram(core.get(), 0, ram.data(), ram.size());
    std::vector<std::uint8_t> expected_ram = reference.memory;
    std::memcpy(expected_ram.data() + image_start, reference.beneath.data() + image_start, image_length);
    if (view != reference.memory || ram != expected_ram) {
        for (unsigned address = 0; address < quillet::CPU_MEMORY_SIZE; ++address) {
            if (view[address] != reference.memory[address] || ram[address] != expected_ram[address]) {
                std::printf("memory at %04X: reference %02X/%02X, core %02X/%02X (read/RAM)\n", address,
                            reference.memory[address], expected_ram[address], view[address], ram[address]);
                break;
            }
        }
        FUZZ_CHECK(!"the memory differs at the end");
    }
    return 0;
}
