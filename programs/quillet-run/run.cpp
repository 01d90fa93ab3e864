#include "run.hpp"

#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "console.hpp"
#include "cpm.hpp"
#include "failures.hpp"
#include "machine.hpp"
#include "options.hpp"
#include "output_files.hpp"
#include "owned_snapshot.hpp"
#include "report.hpp"
#include "run_files.hpp"
#include "screen.hpp"
#include "snapshot_input.hpp"
#include "quillet/quillet.h"

namespace quillet::run {

namespace {

constexpr const char* PROGRAM_NAME = "quillet-run";
constexpr int EXIT_CHECK_FAILED = 1;

// A processor that one scope owns, reporting on the console.
class OwnedCpu {
public:
    OwnedCpu() : cpu_(quillet_cpu_new()) { quillet_cpu_set_reporter(cpu_, common::print_report, nullptr); }
    ~OwnedCpu() { quillet_cpu_free(cpu_); }
    OwnedCpu(const OwnedCpu&) = delete;
    OwnedCpu& operator=(const OwnedCpu&) = delete;
    quillet_cpu* get() const { return cpu_; }

private:
    quillet_cpu* cpu_;
};

int out_of_memory() { return -common::report_failure(common::CONSOLE_FAILURES, QUILLET_ERR_OUT_OF_MEMORY); }

void print_cpm_report(const CpmResult& result, bool json) {
    if (json) {
        std::fprintf(stderr, "{\"stop\": \"%s\", \"pc\": %ld, \"instructions\": %" PRIu64 ", \"states\": %" PRIu64 "}\n",
                     cpm_end_name(result.end), result.pc, result.instructions, result.states);
    } else {
        std::fprintf(stderr, "stop: %s\npc: 0x%04lX\ninstructions: %" PRIu64 "\nstates: %" PRIu64 "\n",
                     cpm_end_name(result.end), result.pc, result.instructions, result.states);
    }
}

int run_cpm(const RunOptions& options) {
    OwnedCpu cpu;
    if (!cpu.get()) return out_of_memory();
    const int loaded = load_cpm_program(cpu.get(), options.cpm_path, common::print_report, nullptr);
    if (loaded == EXIT_USAGE) return EXIT_USAGE;
    if (loaded != 0) return -loaded;
    const CpmResult result = run_cpm_program(cpu.get(), options.max_states, options.max_instructions, stdout);
    std::fflush(stdout);
    if (options.json || options.stats) print_cpm_report(result, options.json);
    if (result.end == CpmEnd::state_limit || result.end == CpmEnd::instruction_limit) {
        if (!options.json && !options.stats) {
            std::fprintf(stderr, "%s: %s reached at 0x%04lX\n", PROGRAM_NAME, cpm_end_name(result.end), result.pc);
        }
        return EXIT_LIMIT;
    }
    return EXIT_STOPPED;
}

// Whether the snapshot file stored any of its pieces packed: then the
// snapshot after the run is written packed too.
bool stored_packed(const quillet_snapshot* snapshot) {
    quillet_layout layout;
    quillet_stored_layout(snapshot, &layout);
    if (layout.rom_descriptor != 0 && layout.rom_form != QUILLET_FORM_RAW) return true;
    for (int block = 0; block < QUILLET_PAGE_COUNT; ++block) {
        if (layout.block_states[block] == QUILLET_BLOCK_PRESENT && layout.block_forms[block] != QUILLET_FORM_RAW) {
            return true;
        }
    }
    return false;
}

// The files of the run: --trace, -o, --screen; the picture is made first,
// so that a run without video memory leaves no file behind. Returns 0 or
// the exit status of the first failure.
int write_outputs(const RunOptions& options, const quillet_snapshot* after, const common::MemoryView& memory,
                  const RunResult& result, bool packed) {
    std::vector<std::uint8_t> png;
    if (options.screen_path) {
        const int status = common::screen_png(memory, options.snapshot_path, options.palette, options.screen_scale, &png);
        if (status != 0) return status;
    }
    if (options.trace_path) {
        const auto* text = reinterpret_cast<const std::uint8_t*>(result.trace.data());
        if (const int code = common::write_output(options.trace_path, text, result.trace.size())) return -code;
    }
    if (options.output_path) {
        if (const int code = quillet_write_file(after, options.output_path, packed ? 1 : 0)) return -code;
    }
    if (options.screen_path) {
        if (const int code = common::write_output(options.screen_path, png.data(), png.size())) return -code;
    }
    return 0;
}

int run_snapshot(const RunOptions& options) {
    common::OwnedSnapshot snapshot;
    OwnedCpu cpu;
    if (!snapshot.get() || !cpu.get()) return out_of_memory();
    long file_size = 0;
    std::string detail;
    if (const int code = common::read_snapshot_input(options.snapshot_path, snapshot.get(), &file_size, &detail)) {
        return -code;
    }
    const int set_up = set_up_machine(cpu.get(), snapshot.get(), options);
    if (set_up == EXIT_USAGE) return EXIT_USAGE;
    if (set_up != 0) return -set_up;

    const RunResult result = run_machine(cpu.get(), snapshot.get(), options);
    const std::vector<CheckResult> checks = check_expectations(cpu.get(), options);
    const bool packed = stored_packed(snapshot.get());
    if (const int code = quillet_cpu_to_snapshot(cpu.get(), snapshot.get())) return -code;
    const common::MemoryView memory(snapshot.get());

    int status = write_outputs(options, snapshot.get(), memory, result, packed);
    const bool limit = result.reason == QUILLET_STOP_STATE_LIMIT || result.reason == QUILLET_STOP_INSTRUCTION_LIMIT;
    if (status == 0 && limit) status = EXIT_LIMIT;
    if (status == 0 && failed_checks(checks) > 0) status = EXIT_CHECK_FAILED;
    const RunReport report{options.snapshot_path, cpu.get(), &result, &checks, &memory, status};
    if (options.json) {
        print_run_json(options, report);
    } else {
        print_run_text(options, report);
    }
    return status;
}

// Every file the run reads and writes; each output kind is named here.
common::RunFiles run_files(const RunOptions& options) {
    common::RunFiles files;
    files.input("SNAPSHOT", options.snapshot_path);
    files.input("--cpm", options.cpm_path);
    for (const RomImage& rom : options.roms) files.input("--rom-at", rom.path);
    files.snapshot_output("-o", options.output_path);
    files.output("--trace", options.trace_path);
    files.output("--screen", options.screen_path);
    return files;
}

}  // namespace

int run_program(int argument_count, char** argument_vector) {
    RunOptions options;
    switch (parse_run_options(argument_count, argument_vector, &options)) {
    case ParseOutcome::help: print_help(); return EXIT_STOPPED;
    case ParseOutcome::version: std::printf("%s %s\n", PROGRAM_NAME, quillet_version()); return EXIT_STOPPED;
    case ParseOutcome::usage_error: return EXIT_USAGE;
    case ParseOutcome::run: break;
    }
    if (!run_files(options).check(print_run_usage_error)) return EXIT_USAGE;
    return options.cpm_path ? run_cpm(options) : run_snapshot(options);
}

}  // namespace quillet::run
