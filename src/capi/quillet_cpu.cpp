// The public interface of the 8080, over the processor layer: each function
// checks its arguments, reports a failure in the interface's terms, and
// calls the layer.
#include <cstring>
#include <new>
#include <string>

#include "base/failure.hpp"
#include "base/file_access.hpp"
#include "capi/arguments.hpp"
#include "capi/capi_handles.hpp"
#include "capi/failure_record.hpp"
#include "cpu/instruction_set.hpp"
#include "machine/machine.hpp"
#include "machine/machine_snapshot.hpp"
#include "machine/routine_call.hpp"
#include "cpu/cpu8080.hpp"
#include "cpu/disassembler.hpp"
#include "quillet/quillet.h"


namespace quillet {
namespace {

constexpr int PAIR_COUNT = 6;  // AF, BC, DE, HL, PC, SP

const Reporter NO_REPORTER{};

const Reporter& reporter_of(const quillet_cpu* cpu) { return cpu ? cpu->reporter : NO_REPORTER; }

// The argument checks (capi/arguments), reported on the processor.
int missing(const quillet_cpu* cpu, const char* parameter) { return report_missing(reporter_of(cpu), parameter); }

int out_of_range(const quillet_cpu* cpu, long value, const char* what, long max) {
    return report_out_of_range(reporter_of(cpu), value, what, max);
}

int check_range(const quillet_cpu* cpu, long address, std::size_t length) {
    return check_span(reporter_of(cpu), address, length);
}

// Reads the file `path` into `image` as a memory source that starts at
// `address`: the library's one reader of memory files, with its codes.
// Returns the size read or the failure code.
long read_image_file(quillet_cpu* cpu, long address, const char* path, ByteBuffer* image) {
    if (!path) return missing(cpu, "path");
    if (const int result = check_range(cpu, address, 0)) return result;
    SourceFile source;
    if (const int result = source.open(path, cpu->reporter)) return result;
    const int size = source.measure(static_cast<int>(CPU_MEMORY_SIZE - address), cpu->reporter);
    if (size < 0) return size;
    if (const int result = image->allocate(static_cast<std::size_t>(size), cpu->reporter)) return result;
    const ByteRange range{image->data(), static_cast<std::size_t>(size)};
    if (const int result = source.read(&range, 1, cpu->reporter)) return result;
    return size;
}

// A run's limits as the processor takes them, totals of its counters: the
// budget of this run added to what the counters hold now (UINT64_MAX, or a
// sum beyond it: no limit).
CpuRunLimits budget_from_now(const CpuState& state, std::uint64_t max_states, std::uint64_t max_instructions) {
    const auto total = [](std::uint64_t now, std::uint64_t budget) {
        return budget > UINT64_MAX - now ? UINT64_MAX : now + budget;
    };
    CpuRunLimits limits;
    limits.max_states = total(state.states, max_states);
    limits.max_instructions = total(state.instructions, max_instructions);
    return limits;
}

std::uint8_t port_input(void* context, std::uint8_t port) {
    quillet_cpu* cpu = static_cast<quillet_cpu*>(context);
    return static_cast<std::uint8_t>(cpu->in(cpu->port_user, port));
}

void port_output(void* context, std::uint8_t port, std::uint8_t value) {
    quillet_cpu* cpu = static_cast<quillet_cpu*>(context);
    cpu->out(cpu->port_user, port, value);
}

// The machine's hooks for the caller's port callbacks: a byte of `in` is
// read ahead of the device; a negative one lets the device answer.
bool machine_input_first(void* context, std::uint8_t port, std::uint8_t* value) {
    quillet_cpu* cpu = static_cast<quillet_cpu*>(context);
    const int byte = cpu->in(cpu->port_user, port);
    if (byte < 0) return false;
    *value = static_cast<std::uint8_t>(byte);
    return true;
}

void machine_output_seen(void* context, std::uint8_t port, std::uint8_t value, std::uint64_t) {
    quillet_cpu* cpu = static_cast<quillet_cpu*>(context);
    cpu->out(cpu->port_user, port, value);
}

// What only a processor of its own does: a machine's memory comes from
// its snapshot and monitor image ("Bad processor state 'of a machine'!").
int on_machine(const quillet_cpu* cpu) {
    return report_failure(reporter_of(cpu), ERR_BAD_STATE, "processor", "of a machine");
}

bool trace_step(void* context) {
    quillet_cpu* cpu = static_cast<quillet_cpu*>(context);
    if (cpu->trace(cpu->trace_user, cpu) != 0) return true;
    cpu->trace = nullptr;
    return false;
}

static_assert(QUILLET_STOP_ADDRESS == CPU_STOP_ADDRESS && QUILLET_STOP_HALTED == CPU_STOP_HALTED &&
                  QUILLET_STOP_STATE_LIMIT == CPU_STOP_STATE_LIMIT &&
                  QUILLET_STOP_INSTRUCTION_LIMIT == CPU_STOP_INSTRUCTION_LIMIT &&
                  QUILLET_STOP_REQUESTED == CPU_STOP_REQUESTED && QUILLET_STOP_RETURNED == MACHINE_STOP_RETURNED &&
                  QUILLET_STOP_NO_MONITOR == MACHINE_STOP_NO_MONITOR && QUILLET_STOP_FRAME == MACHINE_STOP_FRAME,
              "the interface's stop reasons are the processor's");
static_assert(QUILLET_CPU_B == CPU_B && QUILLET_CPU_F == CPU_F && QUILLET_CPU_A == CPU_A &&
                  QUILLET_FLAG_CY == FLAG_CY && QUILLET_FLAG_P == FLAG_P && QUILLET_FLAG_AC == FLAG_AC &&
                  QUILLET_FLAG_Z == FLAG_Z && QUILLET_FLAG_S == FLAG_S,
              "the interface's registers and flags are the processor's");
static_assert(QUILLET_DISASSEMBLY_MAX == DISASSEMBLY_TEXT_CAPACITY, "one size of a disassembled text");

const char* const STOP_NAMES[] = {"address",   "halt",   "state limit", "instruction limit",
                                  "requested", "return", "no monitor",  "frame",
                                  "watch"};




}  // namespace
}  // namespace quillet

using namespace quillet;

quillet_cpu* quillet_cpu_new(void) {
    quillet_cpu* cpu = new (std::nothrow) quillet_cpu();
    if (!cpu) return nullptr;
    cpu->own.reset(new (std::nothrow) Cpu8080);
    if (!cpu->own) {
        delete cpu;
        return nullptr;
    }
    cpu->core = cpu->own.get();
    cpu_reset(cpu->core);
    cpu->reporter = Reporter{record_failure, &cpu->failure};
    return cpu;
}

void quillet_cpu_free(quillet_cpu* cpu) {
    // A machine's processor goes with the machine.
    if (cpu && !cpu->machine) delete cpu;
}

void quillet_cpu_set_reporter(quillet_cpu* cpu, quillet_report_fn report, void* user) {
    if (cpu) cpu->failure.caller = Reporter{report, user};
}

const char* quillet_cpu_last_message(const quillet_cpu* cpu) { return cpu ? cpu->failure.message : ""; }

int quillet_cpu_from_snapshot(quillet_cpu* cpu, const quillet_snapshot* snapshot) {
    if (!cpu) return missing(cpu, "cpu");
    if (!snapshot) return missing(cpu, "snapshot");
    if (cpu->machine) return on_machine(cpu);
    bare_from_snapshot(cpu->core, snapshot_value(snapshot));
    return 0;
}

int quillet_cpu_set_register8(quillet_cpu* cpu, int reg, int value) {
    if (!cpu) return missing(cpu, "cpu");
    if (reg < 0 || reg >= CPU_REGISTER8_COUNT) return report_failure(cpu->reporter, ERR_BAD_REGISTER, DecimalText(reg).c_str());
    if (value < 0 || value > 0xFF) return out_of_range(cpu, value, "register value", 0xFF);
    cpu->core->state.regs[reg] = static_cast<std::uint8_t>(reg == CPU_F ? fixed_flags(value) : value);
    return 0;
}

int quillet_cpu_get_register8(const quillet_cpu* cpu, int reg) {
    if (!cpu) return missing(cpu, "cpu");
    if (reg < 0 || reg >= CPU_REGISTER8_COUNT) return report_failure(cpu->reporter, ERR_BAD_REGISTER, DecimalText(reg).c_str());
    return cpu->core->state.regs[reg];
}

int quillet_cpu_set_pair(quillet_cpu* cpu, int reg, long value) {
    if (!cpu) return missing(cpu, "cpu");
    if (reg < 0 || reg >= PAIR_COUNT) return report_failure(cpu->reporter, ERR_BAD_REGISTER, DecimalText(reg).c_str());
    if (value < 0 || value > 0xFFFF) return out_of_range(cpu, value, quillet_register_name(reg), 0xFFFF);
    cpu_set_pair(cpu->core, reg, static_cast<std::uint16_t>(value));
    return 0;
}

long quillet_cpu_get_pair(const quillet_cpu* cpu, int reg) {
    if (!cpu) return missing(cpu, "cpu");
    if (reg < 0 || reg >= PAIR_COUNT) return report_failure(cpu->reporter, ERR_BAD_REGISTER, DecimalText(reg).c_str());
    return cpu_get_pair(cpu->core, reg);
}

int quillet_cpu_set_interrupts(quillet_cpu* cpu, int enabled) {
    if (!cpu) return missing(cpu, "cpu");
    cpu->core->state.interrupts_enabled = enabled != 0;
    cpu->core->state.ei_pending = false;
    return 0;
}

int quillet_cpu_get_interrupts(const quillet_cpu* cpu) {
    if (!cpu) return missing(cpu, "cpu");
    return cpu->core->state.interrupts_enabled ? 1 : 0;
}

int quillet_cpu_set_halted(quillet_cpu* cpu, int halted) {
    if (!cpu) return missing(cpu, "cpu");
    cpu->core->state.halted = halted != 0;
    return 0;
}

int quillet_cpu_get_halted(const quillet_cpu* cpu) {
    if (!cpu) return missing(cpu, "cpu");
    return cpu->core->state.halted ? 1 : 0;
}

uint64_t quillet_cpu_states(const quillet_cpu* cpu) { return cpu ? cpu->core->state.states : 0; }

uint64_t quillet_cpu_instructions(const quillet_cpu* cpu) { return cpu ? cpu->core->state.instructions : 0; }

int quillet_cpu_write_memory(quillet_cpu* cpu, long address, const void* data, size_t length) {
    if (!cpu) return missing(cpu, "cpu");
    if (!data && length > 0) return missing(cpu, "data");
    if (const int result = check_range(cpu, address, length)) return result;
    if (length == 0) return 0;  // nothing to copy, whatever the buffer
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (cpu->machine) {
        machine_write(cpu->machine, static_cast<std::uint16_t>(address), bytes, length);
    } else {
        cpu_write_ram(cpu->core, static_cast<std::uint16_t>(address), bytes, length);
    }
    return 0;
}

int quillet_cpu_read_memory(const quillet_cpu* cpu, long address, void* out, size_t length) {
    if (!cpu) return missing(cpu, "cpu");
    if (!out && length > 0) return missing(cpu, "out");
    if (const int result = check_range(cpu, address, length)) return result;
    if (length == 0) return 0;  // nothing to copy, whatever the buffer
    // A machine's memory is what its map shows.
    if (cpu->machine) {
        cpu_read_view(cpu->core, static_cast<std::uint16_t>(address), static_cast<std::uint8_t*>(out), length);
    } else {
        cpu_read_ram(cpu->core, static_cast<std::uint16_t>(address), static_cast<std::uint8_t*>(out), length);
    }
    return 0;
}

int quillet_cpu_read_view(const quillet_cpu* cpu, long address, void* out, size_t length) {
    if (!cpu) return missing(cpu, "cpu");
    if (!out && length > 0) return missing(cpu, "out");
    if (const int result = check_range(cpu, address, length)) return result;
    if (length == 0) return 0;  // nothing to copy, whatever the buffer
    cpu_read_view(cpu->core, static_cast<std::uint16_t>(address), static_cast<std::uint8_t*>(out), length);
    return 0;
}

long quillet_cpu_load_file(quillet_cpu* cpu, long address, const char* path) {
    if (!cpu) return missing(cpu, "cpu");
    ByteBuffer image;
    const long size = read_image_file(cpu, address, path, &image);
    if (size > 0) quillet_cpu_write_memory(cpu, address, image.data(), image.size());
    return size;
}

long quillet_cpu_map_rom_file(quillet_cpu* cpu, long address, const char* path) {
    if (!cpu) return missing(cpu, "cpu");
    ByteBuffer image;
    const long size = read_image_file(cpu, address, path, &image);
    if (size <= 0) return size;
    if (const int result = quillet_cpu_map_rom(cpu, address, image.data(), image.size())) return result;
    return size;
}

int quillet_cpu_map_rom(quillet_cpu* cpu, long address, const void* image, size_t length) {
    if (!cpu) return missing(cpu, "cpu");
    if (!image) return missing(cpu, "image");
    if (const int result = check_range(cpu, address, length)) return result;
    if (length == 0) return out_of_range(cpu, 0, "image length", static_cast<long>(CPU_MEMORY_SIZE - address));
    if (cpu->machine) return on_machine(cpu);
    if (!cpu_map_readonly(cpu->core, static_cast<std::uint16_t>(address), static_cast<const std::uint8_t*>(image),
                          length)) {
        // The one way left to fail: an image is mapped there already.
        return report_failure(cpu->reporter, ERR_VALUE_RANGE, "address outside the images mapped before", address);
    }
    return 0;
}

int quillet_cpu_set_ports(quillet_cpu* cpu, quillet_cpu_in_fn in, quillet_cpu_out_fn out, void* user) {
    if (!cpu) return missing(cpu, "cpu");
    cpu->in = in;
    cpu->out = out;
    cpu->port_user = user;
    if (cpu->machine) {
        // The machine's devices stay on the ports: the callbacks come first.
        MachineHooks& hooks = cpu->machine->hooks;
        hooks.input_first = in ? machine_input_first : nullptr;
        hooks.output_seen = out ? machine_output_seen : nullptr;
        hooks.context = cpu;
        return 0;
    }
    cpu->core->input = in ? port_input : nullptr;
    cpu->core->output = out ? port_output : nullptr;
    cpu->core->port_context = cpu;
    return 0;
}

int quillet_cpu_set_trace(quillet_cpu* cpu, quillet_cpu_trace_fn trace, void* user) {
    if (!cpu) return missing(cpu, "cpu");
    cpu->trace = trace;
    cpu->trace_user = user;
    cpu->core->trace = trace ? trace_step : nullptr;
    cpu->core->trace_context = cpu;
    return 0;
}

int quillet_cpu_set_coverage(quillet_cpu* cpu, int on) {
    if (!cpu) return missing(cpu, "cpu");
    cpu->core->counts = nullptr;
    cpu->counts.reset();
    if (!on) return 0;
    cpu->counts.reset(new (std::nothrow) CpuCounts());
    if (!cpu->counts) return report_failure(cpu->reporter, ERR_OUT_OF_MEMORY);
    cpu->core->counts = cpu->counts.get();
    return 0;
}

int quillet_cpu_coverage(const quillet_cpu* cpu, int kind, uint64_t* counts, size_t count) {
    if (!cpu) return missing(cpu, "cpu");
    if (!counts) return missing(cpu, "counts");
    if (kind < QUILLET_COVERAGE_EXECUTED || kind > QUILLET_COVERAGE_WRITTEN) {
        return out_of_range(cpu, kind, "coverage kind", QUILLET_COVERAGE_WRITTEN);
    }
    if (count != CPU_MEMORY_SIZE) return out_of_range(cpu, static_cast<long>(count), "count", CPU_MEMORY_SIZE);
    if (!cpu->counts) return report_failure(cpu->reporter, ERR_BAD_STATE, "processor", "without coverage");
    const CpuCounts& counted = *cpu->counts;
    if (kind == QUILLET_COVERAGE_EXECUTED) {
        cpu_executed_counts(counted, counts);
    } else {
        const std::uint64_t* source = kind == QUILLET_COVERAGE_READ ? counted.read : counted.written;
        std::memcpy(counts, source, CPU_MEMORY_SIZE * sizeof *counts);
    }
    return 0;
}

int quillet_cpu_interrupt(quillet_cpu* cpu, int rst) {
    if (!cpu) return missing(cpu, "cpu");
    if (rst < -1 || rst > 7) return out_of_range(cpu, rst, "RST number", 7);
    cpu_request_interrupt(cpu->core, rst);
    return 0;
}

int quillet_cpu_request_stop(quillet_cpu* cpu) {
    if (!cpu) return missing(cpu, "cpu");
    cpu_request_stop(cpu->core);
    return 0;
}

int quillet_cpu_set_stop(quillet_cpu* cpu, long address, int on) {
    if (!cpu) return missing(cpu, "cpu");
    if (const int result = check_range(cpu, address, 0)) return result;
    if (cpu->machine) {
        machine_set_stop(cpu->machine, static_cast<std::uint16_t>(address), on != 0);
    } else {
        cpu_set_stop(cpu->core, static_cast<std::uint16_t>(address), on != 0);
    }
    return 0;
}

int quillet_cpu_run(quillet_cpu* cpu, uint64_t max_states, uint64_t max_instructions, int leave_stop) {
    if (!cpu) return missing(cpu, "cpu");
    CpuRunLimits limits = budget_from_now(cpu->core->state, max_states, max_instructions);
    limits.leave_stop = leave_stop != 0;
    return cpu->machine ? machine_run(cpu->machine, limits) : cpu_run(cpu->core, limits);
}

int quillet_cpu_call(quillet_cpu* cpu, long address, uint64_t max_states, uint64_t max_instructions) {
    if (!cpu) return missing(cpu, "cpu");
    if (const int result = check_range(cpu, address, 0)) return result;
    const CpuRunLimits limits = budget_from_now(cpu->core->state, max_states, max_instructions);
    return call_routine(cpu->core, cpu->machine, static_cast<std::uint16_t>(address), limits);
}

int quillet_cpu_to_snapshot(const quillet_cpu* cpu, quillet_snapshot* snapshot) {
    if (!cpu) return missing(cpu, "cpu");
    if (!snapshot) return missing(cpu, "snapshot");
    if (cpu->machine) return machine_to_snapshot(cpu->machine, &snapshot_value(snapshot), snapshot_reporter(snapshot));
    return bare_to_snapshot(*cpu->core, &snapshot_value(snapshot), snapshot_reporter(snapshot));
}

const char* quillet_stop_name(int reason) {
    return reason >= QUILLET_STOP_ADDRESS && reason <= QUILLET_STOP_WATCH ? STOP_NAMES[reason - 1] : nullptr;
}

int quillet_instruction_info(int opcode, quillet_instruction* out) {
    if (!out) return report_failure(NO_REPORTER, ERR_MISSING_VALUE, "out");
    if (opcode < 0 || opcode > 0xFF) return report_failure(NO_REPORTER, ERR_VALUE_RANGE, "opcode", opcode);
    const Instruction& row = INSTRUCTION_SET.rows[opcode];
    *out = quillet_instruction{row.length, row.states, row.states_taken, row.executed_as};
    return 0;
}

int quillet_disassemble(const uint8_t* bytes, size_t available, char* text, size_t capacity) {
    if (!bytes || !text) return report_failure(NO_REPORTER, ERR_MISSING_VALUE, !bytes ? "bytes" : "text");
    return disassemble_8080(bytes, available, text, capacity);
}
