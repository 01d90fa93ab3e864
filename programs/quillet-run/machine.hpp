// A snapshot's program on the library's PMD 85 of the snapshot's model (or
// its bare 8080, --bare): the machine set up from the snapshot and the
// command line (monitor image, boot, keys, ROM images, port inputs,
// registers, bytes, stop addresses), the run to its stop with the OUT
// writes and the trace it asked for, and the checks of what the run left.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio_stream.hpp"
#include "coverage.hpp"
#include "options.hpp"
#include "quillet/quillet.h"
#include "quillet/quillet_tools.h"
#include "write_log.hpp"

namespace quillet::run {

constexpr int ADDRESS_SPACE_BLOCKS = QUILLET_ADDRESS_SPACE / QUILLET_PAGE_SIZE;

struct RunResult {
    int reason;  // QUILLET_STOP_*, RUN_STOP_SCREEN_TEXT
    WriteLog writes;
    bool zero_blocks[ADDRESS_SPACE_BLOCKS];  // blocks the snapshot did not give, run from zero bytes
};

// The machine of one run, which it owns: the PMD 85 (its processor is the
// machine's) or the bare 8080.
class RunMachine {
public:
    RunMachine() = default;
    ~RunMachine();
    RunMachine(const RunMachine&) = delete;
    RunMachine& operator=(const RunMachine&) = delete;

    quillet_cpu* cpu() const { return cpu_; }
    quillet_machine* machine() const { return machine_; }  // null with --bare

    // Sets up the machine from `snapshot` and the machine options: the
    // monitor image, the boot, the keys to type, the ROM images, registers,
    // bytes and stops. A file that cannot be read is reported with the
    // library's message and code; a monitor image of a size the model does
    // not take, a key the model has not, a ROM image that is empty, does
    // not fit below 0x10000 or overlaps another: a usage error. Returns 0,
    // the failure code, or EXIT_USAGE (64).
    int set_up(const quillet_snapshot* snapshot, const RunOptions& options);

    // The 16 KB the video circuit shows (QUILLET_VIDEO_SIZE bytes).
    std::vector<std::uint8_t> video() const;

    // The text the screen shows, one row a line (the machine with a
    // monitor image only).
    std::vector<std::string> screen_rows() const;

    // The state after the run into `snapshot`; 0 or the failure code.
    int to_snapshot(quillet_snapshot* snapshot) const;

private:
    int set_up_pmd85(const quillet_snapshot* snapshot, const RunOptions& options);
    int type_keys(const RunOptions& options);
    int insert_tape(const quillet_snapshot* snapshot, const RunOptions& options);
    int fit_module(const quillet_snapshot* snapshot, const RunOptions& options);

    quillet_machine* machine_ = nullptr;
    quillet_cpu* cpu_ = nullptr;
    std::string refusal_;  // what the library said of the last key script or tape it refused
};

// Runs the program as `options` say, until it stops or a limit ends it.
// With `trace`, the lines of --trace go there as the run goes; a line that
// cannot be written ends the run (QUILLET_STOP_REQUESTED), and committing
// `trace` then gives the failure. Adds what the run loop counted into
// `coverage` when that is not null (the processor counting since
// quillet_cpu_set_coverage), and ends the counting. With `audio` (not
// null, wanted), the run goes in stretches and the sound is written there
// after each.
RunResult run_machine(const RunMachine& machine, const quillet_snapshot* snapshot, const RunOptions& options,
                      quillet_output* trace, common::Coverage* coverage, AudioStream* audio);

// One check after the run and what was found.
struct CheckResult {
    std::string what;      // "A", "HL", "flag Z", "memory 0xC000"
    std::string expected;  // "0x12", "1", "3f00"
    std::string found;
    bool holds;
};

// The checks of `options` against `machine`: registers, flags, the memory
// (as the processor reads it; with --bare the RAM beneath any ROM image)
// and the texts on the screen, in the order of the command line's kinds.
std::vector<CheckResult> check_expectations(const RunMachine& machine, const RunOptions& options);

}  // namespace quillet::run
