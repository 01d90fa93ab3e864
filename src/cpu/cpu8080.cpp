// The 8080's state, memory, mapping and the parts of a run around its
// instruction loop (cpu_execute.cpp).
#include "cpu/cpu8080.hpp"

#include <algorithm>
#include <cstring>

#include "cpu/cpu_execute.hpp"
#include "cpu/instruction_set.hpp"
#include "cpu/video_wait_timing.hpp"

namespace quillet {

namespace {

std::uint8_t& byte_at(Cpu8080* cpu, unsigned address) {
    return cpu->cells[2 * address + CELL_BYTE];
}
std::uint8_t& marks_at(Cpu8080* cpu, unsigned address) {
    return cpu->cells[2 * address + CELL_MARKS];
}
std::uint8_t byte_at(const Cpu8080* cpu, unsigned address) {
    return cpu->cells[2 * address + CELL_BYTE];
}
std::uint8_t marks_at(const Cpu8080* cpu, unsigned address) {
    return cpu->cells[2 * address + CELL_MARKS];
}

// The pair registers of the header order AF, BC, DE, HL as (high, low)
// indexes into regs.
constexpr int PAIR_HIGH[] = {CPU_A, CPU_B, CPU_D, CPU_H};
constexpr int PAIR_LOW[] = {CPU_F, CPU_C, CPU_E, CPU_L};
constexpr int PAIR_PC = 4;
constexpr int PAIR_SP = 5;

// What reads see at `address` becomes `value`, at address 0 in its
// repetition too.
void set_view(Cpu8080* cpu, unsigned address, std::uint8_t value) {
    byte_at(cpu, address) = value;
    if (address == 0) byte_at(cpu, CPU_MEMORY_SIZE) = value;
}

void write_byte(Cpu8080* cpu, unsigned address, std::uint8_t value) {
    cpu_write_marked(cpu, static_cast<std::uint16_t>(address), value);
}

// A write of the processor's own (an interrupt's push), watched.
void store_byte(Cpu8080* cpu, unsigned address, std::uint8_t value) {
    cpu_store_marked(cpu, static_cast<std::uint16_t>(address), value);
}

// The watch mark of `address`, and of its repetition after 0xFFFF.
void mark_watched(Cpu8080* cpu, unsigned address, bool watched) {
    for (const unsigned at : {address, address == 0 ? unsigned{CPU_MEMORY_SIZE} : address}) {
        std::uint8_t& marks = marks_at(cpu, at);
        marks = static_cast<std::uint8_t>(watched ? marks | CELL_WATCHED : marks & ~CELL_WATCHED);
    }
}

void set_watch(Cpu8080* cpu, unsigned address, std::uint8_t kinds) {
    std::uint8_t& now = cpu->watch[address];
    if ((now & WATCH_READ) != (kinds & WATCH_READ)) {
        cpu->watched_reads = (kinds & WATCH_READ) ? cpu->watched_reads + 1 : cpu->watched_reads - 1;
    }
    now = kinds;
    mark_watched(cpu, address, kinds != 0);
}

// The states of RST 0, as of every RST n.
constexpr unsigned RST_STATES = INSTRUCTION_SET[0xC7].states;

// Accepts the pending interrupt: the device puts RST n on the bus, which
// runs as the instruction does.
void accept_interrupt(Cpu8080* cpu) {
    CpuState& s = cpu->state;
    s.sp = static_cast<std::uint16_t>(s.sp - 2);
    store_byte(cpu, s.sp + 1u, static_cast<std::uint8_t>(s.pc >> 8));
    store_byte(cpu, s.sp, static_cast<std::uint8_t>(s.pc));
    s.pc = static_cast<std::uint16_t>(s.interrupt_request * 8);
    s.interrupt_request = -1;
    s.interrupts_enabled = false;
    s.halted = false;
    s.states += RST_STATES;
    s.instructions += 1;
}

// A budget of INSTRUCTION_STATES_MIN * n states runs at most n
// instructions, with the video waits too.
constexpr bool video_waits_keep_the_fewest_states() {
    for (const std::uint8_t states : VIDEO_WAIT_STATES) {
        if (states < INSTRUCTION_STATES_MIN) return false;
    }
    return true;
}
static_assert(video_waits_keep_the_fewest_states(), "an instruction with the video waits takes too few states");

// The loop for what the run must watch: counts, reads of watched
// addresses, writes to noted cells.
CpuStopReason execute(Cpu8080* cpu, std::uint64_t budget, bool leave_stop) {
    const CpuLoop loop = cpu->counts          ? CPU_LOOP_COUNTING
                         : cpu->watched_reads ? CPU_LOOP_WATCHING_READS
                         : cpu->noting        ? CPU_LOOP_NOTING
                                              : CPU_LOOP_PLAIN;
    return cpu_execute(cpu, loop, budget, leave_stop);
}

bool can_accept_interrupt(const CpuState& s) {
    return s.interrupt_request >= 0 && s.interrupts_enabled && !s.ei_pending;
}

}  // namespace

void cpu_reset(Cpu8080* cpu) {
    cpu->state = CpuState{};
    std::memset(cpu->cells, 0, sizeof cpu->cells);
    std::memset(cpu->beneath, 0, sizeof cpu->beneath);
    cpu->input = nullptr;
    cpu->output = nullptr;
    cpu->port_context = nullptr;
    cpu->memory_write = nullptr;
    cpu->memory_context = nullptr;
    cpu->timing = CPU_TIMING_PLAIN;
    cpu->trace = nullptr;
    cpu->trace_context = nullptr;
    cpu->stop_requested = false;
    cpu->ei_at = 0;
    std::memset(cpu->watch, 0, sizeof cpu->watch);
    cpu->watched_reads = 0;
    cpu->watch_hit = CpuWatchHit{};
    std::memset(cpu->written, 0, sizeof cpu->written);
    cpu->noting = false;
    cpu->counts = nullptr;
    // A loop fills its table when it finds the first entry not its own.
    for (auto& table : cpu->dispatch) table[0] = nullptr;
    marks_at(cpu, 0) = CELL_MIRRORED;
    marks_at(cpu, CPU_MEMORY_SIZE) = CELL_MIRRORED;
}

void cpu_write_marked(Cpu8080* cpu, std::uint16_t address, std::uint8_t value) {
    if (marks_at(cpu, address) & CELL_NOTED) cpu->written[address / CPU_NOTE_LINE] |= CELL_NOTED;
    if (marks_at(cpu, address) & CELL_READONLY) {
        if (cpu->memory_write) {
            cpu->memory_write(cpu->memory_context, address, value);
            return;
        }
        cpu->beneath[address] = value;
    } else {
        set_view(cpu, address, value);
    }
}

bool cpu_store_marked(Cpu8080* cpu, std::uint16_t address, std::uint8_t value) {
    cpu_write_marked(cpu, address, value);
    if (!(cpu->watch[address] & WATCH_WRITE)) return false;
    if (!cpu->watch_hit.hit) cpu->watch_hit = CpuWatchHit{true, address, WATCH_WRITE};
    return true;
}

bool cpu_watched_read(Cpu8080* cpu, std::uint16_t address, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        const std::uint16_t at = static_cast<std::uint16_t>(address + i);
        if (cpu->watch[at] & WATCH_READ) {
            if (!cpu->watch_hit.hit) cpu->watch_hit = CpuWatchHit{true, at, WATCH_READ};
            return true;
        }
    }
    return false;
}

void cpu_watch(Cpu8080* cpu, std::uint16_t first, std::uint16_t last, std::uint8_t kinds) {
    for (unsigned at = first; at <= last; ++at) {
        set_watch(cpu, at, static_cast<std::uint8_t>(cpu->watch[at] | (kinds & WATCH_KINDS)));
    }
}

void cpu_unwatch(Cpu8080* cpu, std::uint16_t first, std::uint16_t last) {
    for (unsigned at = first; at <= last; ++at) set_watch(cpu, at, 0);
}

void cpu_write_ram(Cpu8080* cpu, std::uint16_t address, const std::uint8_t* data, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) write_byte(cpu, static_cast<unsigned>(address + i), data[i]);
}

void cpu_read_ram(const Cpu8080* cpu, std::uint16_t address, std::uint8_t* out, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned at = (address + i) & 0xFFFF;
        out[i] = (marks_at(cpu, at) & CELL_READONLY) ? cpu->beneath[at] : byte_at(cpu, at);
    }
}

bool cpu_map_readonly(Cpu8080* cpu, std::uint16_t address, const std::uint8_t* image, std::size_t length) {
    if (length == 0 || length > CPU_MEMORY_SIZE - address) return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (marks_at(cpu, static_cast<unsigned>(address + i)) & CELL_READONLY) return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned at = static_cast<unsigned>(address + i);
        cpu->beneath[at] = byte_at(cpu, at);
        set_view(cpu, at, image[i]);
        marks_at(cpu, at) |= CELL_READONLY;
    }
    return true;
}

bool cpu_is_readonly(const Cpu8080* cpu, std::uint16_t address) {
    return marks_at(cpu, address) & CELL_READONLY;
}

void cpu_set_cell(Cpu8080* cpu, std::uint16_t address, std::uint8_t value, bool readonly) {
    set_view(cpu, address, value);
    std::uint8_t& marks = marks_at(cpu, address);
    marks = static_cast<std::uint8_t>(readonly ? marks | CELL_READONLY : marks & ~CELL_READONLY);
}

void cpu_executed_counts(const CpuCounts& counts, std::uint64_t* executed) {
    // A byte is executed by the instructions that begin at it, those of two
    // or three bytes that begin before it, and those of three that begin
    // two before it (wrapping after 0xFFFF).
    for (unsigned at = 0; at < CPU_MEMORY_SIZE; ++at) {
        const unsigned before = (at - 1) & 0xFFFF, two_before = (at - 2) & 0xFFFF;
        executed[at] = counts.begun[0][at] + counts.begun[1][at] + counts.begun[2][at] + counts.begun[1][before] +
                       counts.begun[2][before] + counts.begun[2][two_before];
    }
}

void cpu_set_stop(Cpu8080* cpu, std::uint16_t address, bool stop) {
    std::uint8_t& marks = marks_at(cpu, address);
    marks = static_cast<std::uint8_t>(stop ? marks | CELL_STOP : marks & ~CELL_STOP);
}

bool cpu_is_stop(const Cpu8080* cpu, std::uint16_t address) { return marks_at(cpu, address) & CELL_STOP; }

void cpu_clear_stops(Cpu8080* cpu) {
    for (unsigned at = 0; at < CPU_MEMORY_SIZE; ++at) marks_at(cpu, at) &= static_cast<std::uint8_t>(~CELL_STOP);
}

std::uint16_t cpu_get_pair(const Cpu8080* cpu, int pair) {
    const CpuState& s = cpu->state;
    if (pair == PAIR_PC) return s.pc;
    if (pair == PAIR_SP) return s.sp;
    return static_cast<std::uint16_t>(s.regs[PAIR_HIGH[pair]] << 8 | s.regs[PAIR_LOW[pair]]);
}

void cpu_set_pair(Cpu8080* cpu, int pair, std::uint16_t value) {
    CpuState& s = cpu->state;
    if (pair == PAIR_PC) {
        s.pc = value;
    } else if (pair == PAIR_SP) {
        s.sp = value;
    } else {
        s.regs[PAIR_HIGH[pair]] = static_cast<std::uint8_t>(value >> 8);
        s.regs[PAIR_LOW[pair]] = static_cast<std::uint8_t>(value);
        s.regs[CPU_F] = fixed_flags(s.regs[CPU_F]);
    }
}

void cpu_request_interrupt(Cpu8080* cpu, int rst) {
    cpu->state.interrupt_request = rst >= 0 && rst <= 7 ? rst : -1;
}

void cpu_request_stop(Cpu8080* cpu) {
    cpu->stop_requested = true;
}

CpuStopReason cpu_run(Cpu8080* cpu, const CpuRunLimits& limits) {
    CpuState& s = cpu->state;
    cpu->stop_requested = false;
    cpu->watch_hit = CpuWatchHit{};
    s.regs[CPU_F] = fixed_flags(s.regs[CPU_F]);
    bool leave_stop = limits.leave_stop;
    for (;;) {
        if (!leave_stop && (marks_at(cpu, s.pc) & CELL_STOP)) return CPU_STOP_ADDRESS;
        if (s.instructions >= limits.max_instructions) return CPU_STOP_INSTRUCTION_LIMIT;
        if (s.states >= limits.max_states) return CPU_STOP_STATE_LIMIT;
        if (can_accept_interrupt(s)) {
            accept_interrupt(cpu);
            if (cpu->watch_hit.hit) return CPU_STOP_WATCH;
            leave_stop = false;
            continue;
        }
        if (s.halted) return CPU_STOP_HALTED;
        // The loop counts states only: the budget keeps the instruction
        // limit too, and ends after one instruction when an interrupt waits
        // for the instruction after EI.
        std::uint64_t budget = limits.max_states - s.states;
        const std::uint64_t instructions_left = limits.max_instructions - s.instructions;
        if (instructions_left < CPU_EXECUTE_BUDGET_MAX / INSTRUCTION_STATES_MIN) {
            budget = std::min(budget, instructions_left * INSTRUCTION_STATES_MIN);
        }
        budget = std::min(budget, CPU_EXECUTE_BUDGET_MAX);
        if (s.ei_pending && s.interrupt_request >= 0 && s.interrupts_enabled) budget = 1;
        // A trace sees every instruction: one at a time, as long as it wants them.
        if (cpu->trace) {
            if (cpu->trace(cpu->trace_context)) {
                budget = 1;
            } else {
                cpu->trace = nullptr;
            }
        }
        const CpuStopReason reason = execute(cpu, budget, leave_stop);
        leave_stop = false;
        if (cpu->watch_hit.hit) return CPU_STOP_WATCH;
        if (reason == CPU_STOP_ADDRESS) return reason;
        if (reason == CPU_STOP_HALTED && !can_accept_interrupt(s)) return reason;
        if (cpu->stop_requested) return CPU_STOP_REQUESTED;
    }
}

}  // namespace quillet
