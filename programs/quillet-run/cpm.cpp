#include "cpm.hpp"

#include <vector>

#include "options.hpp"
#include "run.hpp"

namespace quillet::run {

int load_cpm_program(quillet_cpu* cpu, const char* path, quillet_report_fn report, void* user) {
    // The library reads the file as quillet's -mem does: its checks and
    // messages, and at most 0x10000 - 0x0100 bytes.
    if (quillet_file_size(path) == 0) {
        print_run_usage_error("--cpm needs a file of 1 byte or more:", path);
        return EXIT_USAGE;
    }
    quillet_snapshot* image = quillet_snapshot_new();
    if (!image) return QUILLET_ERR_OUT_OF_MEMORY;
    quillet_set_reporter(image, report, user);
    int result = quillet_load_file(image, CPM_LOAD_ADDRESS, path);
    std::vector<std::uint8_t> memory(QUILLET_ADDRESS_SPACE);
    if (result == 0) result = quillet_read_memory(image, 0, memory.data(), memory.size());
    quillet_snapshot_free(image);
    if (result != 0) return result;
    const std::uint8_t ret = 0xC9;
    memory[CPM_BDOS_ADDRESS] = ret;
    quillet_cpu_write_memory(cpu, 0, memory.data(), memory.size());
    quillet_cpu_set_pair(cpu, QUILLET_REG_PC, CPM_LOAD_ADDRESS);
    quillet_cpu_set_pair(cpu, QUILLET_REG_SP, 0);
    quillet_cpu_set_stop(cpu, CPM_BDOS_ADDRESS, 1);
    quillet_cpu_set_stop(cpu, CPM_EXIT_ADDRESS, 1);
    return 0;
}

namespace {

// BDOS function 9: the bytes from `address` up to '$', at most the 64 KB.
void print_string(quillet_cpu* cpu, long address, std::FILE* out) {
    for (long count = 0; count < QUILLET_ADDRESS_SPACE; ++count) {
        std::uint8_t byte;
        quillet_cpu_read_view(cpu, (address + count) & 0xFFFF, &byte, 1);
        if (byte == '$') break;
        std::fputc(byte, out);
    }
}

}  // namespace

CpmResult run_cpm_program(quillet_cpu* cpu, std::uint64_t max_states, std::uint64_t max_instructions, std::FILE* out) {
    CpmResult result{CpmEnd::state_limit, 0, 0, 0};
    int leave = 0;
    // The limits hold for the whole program: each piece of the run gets
    // what the pieces before it left.
    const auto left = [](std::uint64_t limit, std::uint64_t used) { return used >= limit ? 0 : limit - used; };
    for (;;) {
        const int reason = quillet_cpu_run(cpu, left(max_states, quillet_cpu_states(cpu)),
                                           left(max_instructions, quillet_cpu_instructions(cpu)), leave);
        leave = 1;
        result.pc = quillet_cpu_get_pair(cpu, QUILLET_REG_PC);
        if (reason == QUILLET_STOP_HALTED) {
            result.end = CpmEnd::halt;
            break;
        }
        if (reason != QUILLET_STOP_ADDRESS) {
            result.end = reason == QUILLET_STOP_INSTRUCTION_LIMIT ? CpmEnd::instruction_limit : CpmEnd::state_limit;
            break;
        }
        if (result.pc == CPM_EXIT_ADDRESS) {
            result.end = CpmEnd::exit;
            break;
        }
        const int function = quillet_cpu_get_register8(cpu, QUILLET_CPU_C);
        if (function == 2) {
            std::fputc(quillet_cpu_get_register8(cpu, QUILLET_CPU_E), out);
        } else if (function == 9) {
            print_string(cpu, quillet_cpu_get_pair(cpu, QUILLET_REG_DE), out);
        }
    }
    result.instructions = quillet_cpu_instructions(cpu);
    result.states = quillet_cpu_states(cpu);
    return result;
}

const char* cpm_end_name(CpmEnd end) {
    switch (end) {
        case CpmEnd::exit: return "exit";
        case CpmEnd::halt: return "halt";
        case CpmEnd::state_limit: return "state limit";
        case CpmEnd::instruction_limit: return "instruction limit";
    }
    return "";
}

}  // namespace quillet::run
