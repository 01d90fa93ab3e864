// A CP/M program on the 8080: loaded at 0x0100 into 64 KB of zero RAM, PC
// 0x0100, SP 0x0000, RET at 0x0005 where BDOS calls are served (function 2
// prints E, function 9 the bytes from DE up to '$', others nothing); the
// program ends when it jumps to 0x0000.
#pragma once

#include <cstdint>
#include <cstdio>

#include "quillet/quillet.h"

namespace quillet::run {

constexpr long CPM_LOAD_ADDRESS = 0x0100;
constexpr long CPM_BDOS_ADDRESS = 0x0005;
constexpr long CPM_EXIT_ADDRESS = 0x0000;

// How a CP/M run ended.
enum class CpmEnd { exit, halt, state_limit, instruction_limit };

struct CpmResult {
    CpmEnd end;
    std::uint64_t instructions;
    std::uint64_t states;
    long pc;
};

// Loads the program file `path` into `cpu` (a new processor), reporting a
// file that cannot be read or does not fit below 0x10000 through `report`.
// Returns 0 or the failure code; an empty file, no program at all, is a
// usage error reported here (EXIT_USAGE), as --rom-at's is.
int load_cpm_program(quillet_cpu* cpu, const char* path, quillet_report_fn report, void* user);

// Runs the loaded program until it ends or its counts reach `max_states`
// or `max_instructions`, printing what BDOS prints to `out`.
CpmResult run_cpm_program(quillet_cpu* cpu, std::uint64_t max_states, std::uint64_t max_instructions, std::FILE* out);

// The word for `end` in the reports: "exit", "halt", "state limit",
// "instruction limit".
const char* cpm_end_name(CpmEnd end);

}  // namespace quillet::run
