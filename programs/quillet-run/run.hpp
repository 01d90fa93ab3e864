// quillet-run's run: a snapshot's program, or a CP/M program, from the
// command line to the exit status.
#pragma once

#include <string>
#include <vector>

#include "machine.hpp"
#include "options.hpp"
#include "run_files.hpp"

namespace quillet::run {

// Exit statuses besides the library's failure codes (2 to 29).
constexpr int EXIT_STOPPED = 0;       // the run stopped as asked
constexpr int EXIT_USAGE = 64;        // a usage error
constexpr int EXIT_LIMIT = 66;        // a limit was reached before any stop

// Runs quillet-run with its command line; returns the exit status.
int run_program(int argument_count, char** argument_vector);

// What a run found, for a caller that reports it its own way (--tests).
struct RunVerdict {
    std::string stop_failure;  // the stop expected and the one reached, when they differ
    std::vector<CheckResult> checks;
    int reason;  // QUILLET_STOP_*
    long pc;     // after the run
};

// Runs the program of `snapshot` (read already) as `options` say, writes
// the run's files and leaves the state after the run in `snapshot`.
// Prints the report, or without it fills `verdict` when that is given.
// Returns the exit status.
int run_read_snapshot(const RunOptions& options, quillet_snapshot* snapshot, RunVerdict* verdict);

// Adds every file a run with `options` reads and writes to `files`
// (common/run_files.hpp).
void list_run_files(const RunOptions& options, common::RunFiles* files);

}  // namespace quillet::run
