// What quillet-run says of a snapshot's run, on standard output: a text
// summary, or the same as one JSON object under stable keys.
//
//   Snapshot:          game.zvk
//   Stopped:           address 0x8010
//     FAILED expected to stop at done (0x0022), halted at 0x0100
//   Instructions:      12
//   States:            86 (0.000042 s at 2.048 MHz)
//   Frames:            0
//   Tape out:          2 blocks, 1 file: 07 DATA (16 bytes)
//   Registers:         AF=0x0046 BC=0x0000 DE=0x0000 HL=0xC000 PC=0x8010 SP=0x8000
//   Flags:             S=0 Z=1 AC=0 P=1 CY=0
//   Interrupts:        disabled
//   Zero blocks:       2 (not in the snapshot, run from zero bytes)
//   Checks:            3, 1 failed
//     FAILED A: expected 0x12, found 0x13
//
// then the screen's text (--screen-text, or an --expect-text that failed),
// the OUT writes (--out-log) and the hex dumps (--peek). Frames and the
// ROM module's line are the PMD 85's.
#pragma once

#include <string>
#include <vector>

#include "machine.hpp"
#include "memory_view.hpp"
#include "tape_out.hpp"

namespace quillet::run {

// The PMD 85's clock: 2.048 MHz.
constexpr double PMD85_STATES_PER_SECOND = 2048000.0;

struct RunReport {
    const char* snapshot_path;
    quillet_machine* machine;  // null for the bare 8080
    const quillet_cpu* cpu;
    const RunResult* result;
    const std::vector<CheckResult>* checks;
    const common::MemoryView* memory;  // the memory after the run, for --peek
    int status;                        // the exit status
    std::string stop_failure;          // the stop expected and the one reached, when they differ
    const std::vector<std::string>* screen_rows;  // the text on the screen (none without a monitor image)
    bool rom_module_unreadable;        // the snapshot holds a ROM module the model has no port for
    const SavedTape* saved;            // what the program saved (--tape-out), or null
};

void print_run_text(const RunOptions& options, const RunReport& report);
void print_run_json(const RunOptions& options, const RunReport& report);

// The number of checks that failed.
int failed_checks(const std::vector<CheckResult>& checks);

}  // namespace quillet::run
