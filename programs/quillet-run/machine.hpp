// A snapshot's program on the library's 8080: the processor set up from the
// snapshot and the command line (ROM images, port inputs, registers, bytes,
// stop addresses), the run to its stop with the OUT writes and the trace it
// asked for, and the checks of what the run left.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "coverage.hpp"
#include "options.hpp"
#include "quillet/quillet.h"
#include "quillet/quillet_tools.h"

namespace quillet::run {

constexpr int ADDRESS_SPACE_BLOCKS = QUILLET_ADDRESS_SPACE / QUILLET_PAGE_SIZE;

struct PortWrite {
    int port;
    int value;
    std::uint64_t state;  // the state count after the OUT
};

struct RunResult {
    int reason;  // QUILLET_STOP_*
    std::vector<PortWrite> writes;
    bool zero_blocks[ADDRESS_SPACE_BLOCKS];  // blocks the snapshot did not give, run from zero bytes
};

// Sets up `cpu` (a new processor) from `snapshot` and the machine options:
// the ROM images, registers and bytes. A ROM image file that cannot be read
// is reported with the library's message and code; one that is empty, does
// not fit below 0x10000 or overlaps another is a usage error. Returns 0,
// the failure code, or EXIT_USAGE (64).
int set_up_machine(quillet_cpu* cpu, const quillet_snapshot* snapshot, const RunOptions& options);

// Runs the program as `options` say, until it stops or a limit ends it.
// With `trace`, the lines of --trace go there as the run goes; a line that
// cannot be written ends the run (QUILLET_STOP_REQUESTED), and committing
// `trace` then gives the failure. Counts what the run touched into
// `coverage` when that is not null.
RunResult run_machine(quillet_cpu* cpu, const quillet_snapshot* snapshot, const RunOptions& options,
                      quillet_output* trace, common::Coverage* coverage);

// One check after the run and what was found.
struct CheckResult {
    std::string what;      // "A", "HL", "flag Z", "memory 0xC000"
    std::string expected;  // "0x12", "1", "3f00"
    std::string found;
    bool holds;
};

// The checks of `options` against `cpu`: registers, flags, and the RAM
// (beneath any ROM image), in the order of the command line's kinds.
std::vector<CheckResult> check_expectations(const quillet_cpu* cpu, const RunOptions& options);

}  // namespace quillet::run
