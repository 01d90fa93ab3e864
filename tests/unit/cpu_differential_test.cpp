// The core against the plain reference 8080 (cpu_reference.hpp), in
// lock-step over seeded random instruction streams: random memory,
// registers and flags, SP and PC sometimes at the ends of the address
// space, sometimes a read-only image (with the stack in it at times), and
// in some streams interrupt requests at random points. After every
// instruction the registers, flags, SP, PC, interrupt enable, HLT state,
// pending request, states taken, bytes written and port accesses must
// agree; at the end of each stream the whole memory must agree. A stream
// that fails is replayed comparing all memory after every instruction, so
// that a wrong write is blamed on the instruction that made it rather than
// on the one that read it back.
//
// Each stream stops at its first mismatch; the first mismatch of each
// opcode is reported with the registers before and both results.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "cpu/cpu8080.hpp"
#include "cpu_reference.hpp"

namespace {

using quillet::Cpu8080;
using quillet::CpuRunLimits;
using quillet_reference::Reference8080;
using quillet_reference::ReferencePortAccess;
using quillet_reference::Ports;
using quillet_reference::core_input;
using quillet_reference::core_output;
using quillet_reference::reference_input;

constexpr int STREAMS = 3000;
constexpr int STREAM_LENGTH = 300;
constexpr std::uint32_t FIRST_SEED = 80800;
constexpr int MAX_REPLAYS = 40;
constexpr int INTERRUPT_ACCEPTED = 256;  // stands for the opcode in the list of reported mismatches


struct Registers {
    std::uint8_t a, f, b, c, d, e, h, l;
    std::uint16_t sp, pc;
    bool interrupts_enabled, halted;
    int interrupt_request;

    bool operator==(const Registers& o) const {
        return a == o.a && f == o.f && b == o.b && c == o.c && d == o.d && e == o.e && h == o.h &&
               l == o.l && sp == o.sp && pc == o.pc && interrupts_enabled == o.interrupts_enabled &&
               halted == o.halted && interrupt_request == o.interrupt_request;
    }
};

Registers registers_of(const Reference8080& r) {
    return {r.a, r.f, r.b, r.c, r.d, r.e, r.h, r.l, r.sp, r.pc, r.interrupts_enabled, r.halted,
            r.interrupt_request};
}

Registers registers_of(const Cpu8080& cpu) {
    const quillet::CpuState& s = cpu.state;
    return {s.regs[quillet::CPU_A], s.regs[quillet::CPU_F], s.regs[quillet::CPU_B], s.regs[quillet::CPU_C],
            s.regs[quillet::CPU_D], s.regs[quillet::CPU_E], s.regs[quillet::CPU_H], s.regs[quillet::CPU_L],
            s.sp, s.pc, s.interrupts_enabled, s.halted, s.interrupt_request};
}

std::string hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::string describe(const Registers& r) {
    return "A=" + hex(r.a, 2) + " F=" + hex(r.f, 2) + " B=" + hex(r.b, 2) + " C=" + hex(r.c, 2) +
           " D=" + hex(r.d, 2) + " E=" + hex(r.e, 2) + " H=" + hex(r.h, 2) + " L=" + hex(r.l, 2) +
           " SP=" + hex(r.sp, 4) + " PC=" + hex(r.pc, 4) + " IE=" + std::to_string(r.interrupts_enabled) +
           " halted=" + std::to_string(r.halted) + " request=" + std::to_string(r.interrupt_request);
}

std::string describe(const std::vector<ReferencePortAccess>& accesses) {
    std::string text;
    for (const ReferencePortAccess& access : accesses) {
        text += std::string(access.is_output ? " OUT " : " IN ") + hex(access.port, 2) + "=" + hex(access.value, 2);
    }
    return text.empty() ? " none" : text;
}

bool same_accesses(const std::vector<ReferencePortAccess>& x, const std::vector<ReferencePortAccess>& y) {
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (x[i].is_output != y[i].is_output || x[i].port != y[i].port || x[i].value != y[i].value) return false;
    }
    return true;
}

struct Mismatch {
    int opcode;  // or INTERRUPT_ACCEPTED, or -1 for the memory at the end of the stream
    std::string report;
};

// One stream: the two processors set up alike from the seed, and the
// random choices made along the way (input bytes, interrupt requests).
class Lockstep {
public:
    explicit Lockstep(std::uint32_t seed) : seed_(seed), rng_(seed), core_(std::make_unique<Cpu8080>()) {
        quillet::cpu_reset(core_.get());
        core_->input = core_input;
        core_->output = core_output;
        core_->port_context = &ports_;
        reference_.input = reference_input;
        reference_.input_context = &ports_;
        set_up();
    }

    // Runs the stream to its end or its first mismatch.
    bool run(bool compare_all_memory, Mismatch* mismatch) {
        for (int i = 0; i < STREAM_LENGTH; ++i) {
            if (!step(i, compare_all_memory, mismatch)) return false;
        }
        const std::string difference = memory_difference();
        if (!difference.empty()) {
            *mismatch = {-1, "seed " + std::to_string(seed_) + ", at the end of the stream: " + difference};
            return false;
        }
        return true;
    }

private:
    unsigned draw(unsigned limit) { return std::uniform_int_distribution<unsigned>(0, limit - 1)(rng_); }
    std::uint8_t draw_byte() { return static_cast<std::uint8_t>(draw(256)); }

    std::uint16_t draw_address() {
        static const std::uint16_t EDGES[] = {0x0000, 0x0001, 0x0002, 0xFFFD, 0xFFFE, 0xFFFF};
        if (draw(8) == 0) return EDGES[draw(sizeof EDGES / sizeof EDGES[0])];
        return static_cast<std::uint16_t>(draw(65536));
    }

    void set_up() {
        std::vector<std::uint8_t> ram(quillet::CPU_MEMORY_SIZE);
        for (std::size_t i = 0; i < ram.size(); i += 4) {
            const std::uint32_t bits = rng_();
            for (std::size_t j = 0; j < 4; ++j) ram[i + j] = static_cast<std::uint8_t>(bits >> (8 * j));
        }
        quillet::cpu_write_ram(core_.get(), 0, ram.data(), ram.size());
        reference_.memory = ram;

        std::uint16_t sp = draw_address();
        if (draw(3) == 0) {
            const auto start = static_cast<std::uint16_t>(draw(65536));
            const unsigned length = 1 + draw(std::min(8192u, 65536u - start));
            std::vector<std::uint8_t> image(length);
            for (std::uint8_t& byte : image) byte = draw_byte();
            const bool mapped = quillet::cpu_map_readonly(core_.get(), start, image.data(), length);
            if (!mapped) ADD_FAILURE() << "seed " << seed_ << ": the core refused an image at " << start;
            reference_.map_read_only(start, image.data(), length);
            image_start_ = start;
            image_length_ = length;
            if (draw(2) == 0) sp = static_cast<std::uint16_t>(start + draw(length + 2));
        }

        Reference8080& r = reference_;
        r.a = draw_byte();
        r.set_flags(draw_byte());
        r.b = draw_byte();
        r.c = draw_byte();
        r.d = draw_byte();
        r.e = draw_byte();
        r.h = draw_byte();
        r.l = draw_byte();
        r.sp = sp;
        r.pc = draw_address();
        r.interrupts_enabled = draw(2) == 0;
        interrupt_percent_ = draw(4) == 0 ? 6 : 0;

        quillet::CpuState& s = core_->state;
        s.regs[quillet::CPU_A] = r.a;
        s.regs[quillet::CPU_F] = r.f;
        s.regs[quillet::CPU_B] = r.b;
        s.regs[quillet::CPU_C] = r.c;
        s.regs[quillet::CPU_D] = r.d;
        s.regs[quillet::CPU_E] = r.e;
        s.regs[quillet::CPU_H] = r.h;
        s.regs[quillet::CPU_L] = r.l;
        s.sp = r.sp;
        s.pc = r.pc;
        s.interrupts_enabled = r.interrupts_enabled;
    }

    void request_interrupt(int rst) {
        reference_.interrupt_request = rst;
        quillet::cpu_request_interrupt(core_.get(), rst);
    }

    std::uint8_t core_view(std::uint16_t address) const {
        std::uint8_t value = 0;
        quillet::cpu_read_view(core_.get(), address, &value, 1);
        return value;
    }

    std::uint8_t core_ram(std::uint16_t address) const {
        std::uint8_t value = 0;
        quillet::cpu_read_ram(core_.get(), address, &value, 1);
        return value;
    }

    std::uint8_t reference_ram(std::uint16_t address) const {
        return reference_.read_only[address] ? reference_.beneath[address] : reference_.memory[address];
    }

    // The first address where what the processor reads, or the RAM, differs.
    std::string memory_difference() const {
        std::vector<std::uint8_t> view(quillet::CPU_MEMORY_SIZE);
        std::vector<std::uint8_t> ram(quillet::CPU_MEMORY_SIZE);
        quillet::cpu_read_view(core_.get(), 0, view.data(), view.size());
        quillet::cpu_read_ram(core_.get(), 0, ram.data(), ram.size());
        if (view == reference_.memory && same_ram(ram)) return "";
        for (unsigned address = 0; address < quillet::CPU_MEMORY_SIZE; ++address) {
            const auto at = static_cast<std::uint16_t>(address);
            if (view[address] != reference_.memory[address] || ram[address] != reference_ram(at)) {
                return "memory at " + hex(address, 4) + ": reference reads " + hex(reference_.memory[address], 2) +
                       " over RAM " + hex(reference_ram(at), 2) + ", core reads " + hex(view[address], 2) +
                       " over RAM " + hex(ram[address], 2);
            }
        }
        return "";
    }

    // The RAM is what the reference reads, but beneath the image.
    bool same_ram(const std::vector<std::uint8_t>& ram) const {
        const auto begin = reference_.memory.begin();
        const auto image_begin = static_cast<std::ptrdiff_t>(image_start_);
        const auto image_end = static_cast<std::ptrdiff_t>(image_start_ + image_length_);
        return std::equal(begin, begin + image_begin, ram.begin()) &&
               std::equal(reference_.beneath.begin() + image_begin, reference_.beneath.begin() + image_end,
                          ram.begin() + image_begin) &&
               std::equal(begin + image_end, reference_.memory.end(), ram.begin() + image_end);
    }

    bool step(int index, bool compare_all_memory, Mismatch* mismatch) {
        Reference8080& r = reference_;
        if (interrupt_percent_ > 0 && r.interrupt_request < 0 && draw(100) < interrupt_percent_) {
            request_interrupt(static_cast<int>(draw(8)));
        }
        const Registers before = registers_of(r);
        const bool accepting = r.interrupt_request >= 0 && r.interrupts_enabled && !r.ei_just_run;
        const int opcode = accepting ? INTERRUPT_ACCEPTED : r.memory[r.pc];
        std::uint8_t bytes[3];
        for (int i = 0; i < 3; ++i) bytes[i] = r.memory[static_cast<std::uint16_t>(r.pc + i)];
        const int request = r.interrupt_request;

        ports_.input_value = draw_byte();
        ports_.core_accesses.clear();
        const int reference_states = r.step();

        const std::uint64_t states_before = core_->state.states;
        const std::uint64_t instructions_before = core_->state.instructions;
        CpuRunLimits limits;
        limits.max_instructions = instructions_before + 1;
        quillet::cpu_run(core_.get(), limits);
        const auto core_states = static_cast<int>(core_->state.states - states_before);
        const auto core_instructions = static_cast<int>(core_->state.instructions - instructions_before);

        const Registers reference_after = registers_of(r);
        const Registers core_after = registers_of(*core_);
        bool same = reference_after == core_after && reference_states == core_states &&
                    core_instructions == (reference_states > 0 ? 1 : 0) &&
                    same_accesses(r.port_accesses, ports_.core_accesses);
        for (const quillet_reference::ReferenceWrite& write : r.writes) {
            same = same && core_view(write.address) == r.memory[write.address] &&
                   core_ram(write.address) == reference_ram(write.address);
        }
        const std::string difference = compare_all_memory ? memory_difference() : "";
        if (!same || !difference.empty()) {
            std::string instruction = "interrupt RST " + std::to_string(request);
            if (!accepting) {
                instruction = "opcode " + hex(bytes[0], 2) + " " + hex(bytes[1], 2) + " " + hex(bytes[2], 2);
            }
            std::string reference_writes;
            std::string core_writes;
            for (const quillet_reference::ReferenceWrite& write : r.writes) {
                const std::string at = " [" + hex(write.address, 4) + "]=";
                reference_writes += at + hex(r.memory[write.address], 2) + "/" + hex(reference_ram(write.address), 2);
                core_writes += at + hex(core_view(write.address), 2) + "/" + hex(core_ram(write.address), 2);
            }
            std::string report = "seed " + std::to_string(seed_) + ", instruction " + std::to_string(index) +
                                 ": " + instruction + "\n  before:    " + describe(before) +
                                 "\n  reference: " + describe(reference_after) + ", " +
                                 std::to_string(reference_states) + " states" +
                                 "\n  core:      " + describe(core_after) + ", " + std::to_string(core_states) +
                                 " states, " + std::to_string(core_instructions) + " instructions" +
                                 "\n  written (read/RAM): reference" +
                                 (reference_writes.empty() ? " none" : reference_writes) + ", core" +
                                 (core_writes.empty() ? " none" : core_writes) + "\n  ports: reference" +
                                 describe(r.port_accesses) + ", core" + describe(ports_.core_accesses);
            if (!difference.empty()) report += "\n  " + difference;
            *mismatch = {opcode, report};
            return false;
        }

        // After HLT: an interrupt wakes the processor when it may, otherwise
        // the stream goes on as if one had.
        if (r.halted) {
            if (r.interrupts_enabled) {
                if (r.interrupt_request < 0) request_interrupt(static_cast<int>(draw(8)));
            } else {
                r.halted = false;
                core_->state.halted = false;
            }
        }
        return true;
    }

    std::uint32_t seed_;
    std::mt19937 rng_;
    std::unique_ptr<Cpu8080> core_;
    Reference8080 reference_;
    Ports ports_;
    unsigned interrupt_percent_ = 0;
    unsigned image_start_ = 0;
    unsigned image_length_ = 0;
};

TEST(CpuDifferential, RandomStreamsAgreeWithTheReference) {
    std::set<int> reported;
    int failed_streams = 0;
    for (int stream = 0; stream < STREAMS; ++stream) {
        const std::uint32_t seed = FIRST_SEED + static_cast<std::uint32_t>(stream);
        Mismatch mismatch;
        if (Lockstep(seed).run(false, &mismatch)) continue;
        ++failed_streams;
        // A wrong write shows only when the byte is read back, or at the end:
        // the replay compares all memory after every instruction to name it.
        // Replays are slow, so a core that fails everywhere gets only a few.
        Mismatch precise;
        if (failed_streams <= MAX_REPLAYS && !Lockstep(seed).run(true, &precise)) mismatch = precise;
        if (reported.insert(mismatch.opcode).second) ADD_FAILURE() << mismatch.report;
    }
    EXPECT_EQ(failed_streams, 0) << "of " << STREAMS << " streams";
}

}  // namespace
