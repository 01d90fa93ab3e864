#include "run.hpp"

#include <cinttypes>
#include <cstdio>
#include <new>
#include <memory>
#include <string>
#include <vector>

#include "console.hpp"
#include "coverage.hpp"
#include "cpm.hpp"
#include "expected_stop.hpp"
#include "file_reading.hpp"
#include "failures.hpp"
#include "machine.hpp"
#include "options.hpp"
#include "output_files.hpp"
#include "owned_snapshot.hpp"
#include "png_encoding.hpp"
#include "report.hpp"
#include "run_files.hpp"
#include "screen.hpp"
#include "screen_check.hpp"
#include "snapshot_input.hpp"
#include "tape_out.hpp"
#include "test_run.hpp"
#include "quillet/quillet.h"
#include "quillet/quillet_tools.h"

namespace quillet::run {

namespace {

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

// The file of --trace while it is written: given up unless committed.
class TraceFile {
public:
    // Opens `path` (none when null); a file that cannot be created is
    // reported here and its code kept, and the run goes on without it.
    explicit TraceFile(const char* path) {
        if (path) failure_ = quillet_output_open(path, &output_, common::print_report, nullptr);
    }
    ~TraceFile() { quillet_output_discard(output_); }
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;
    quillet_output* get() const { return output_; }
    // Puts the file in place; 0 or the failure code (reported).
    int commit() {
        if (failure_ != 0 || !output_) return failure_;
        quillet_output* output = output_;
        output_ = nullptr;
        return quillet_output_commit(output);
    }

private:
    quillet_output* output_ = nullptr;
    int failure_ = 0;
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

// The files of the run: --trace (written as the run went, put in place
// here), -o, --screen, --screen-diff, --coverage, --audio, --tape-out; the
// picture is made and the tape looked at first, so that a run without video
// memory or without anything saved leaves no file behind. Returns 0 or the
// exit status of the first failure.
int write_outputs(const RunOptions& options, const quillet_snapshot* after, const common::MemoryView& memory,
                  TraceFile* trace, bool packed, const std::vector<std::uint8_t>& diff_png,
                  const std::string& coverage, AudioStream* audio, const std::vector<std::uint8_t>& wide_video,
                  const TapeOut& tape_out) {
    if (options.tape_out_path && !tape_out.saved(options.tape_out_path)) return -QUILLET_ERR_TAPE_FORMAT;
    std::vector<std::uint8_t> png;
    if (options.screen_path && !wide_video.empty()) {
        // C2717's 384-pixel mode: the picture of what the video circuit shows.
        const int scale = options.screen_scale;
        if (!common::encode_png(common::render_wide_screen(wide_video.data(), options.palette, scale),
                                common::WIDE_SCREEN_WIDTH * scale, common::SCREEN_HEIGHT * scale, &png)) {
            return out_of_memory();
        }
    } else if (options.screen_path) {
        const int status = common::screen_png(memory, options.snapshot_path, options.palette, options.screen_scale, &png);
        if (status != 0) return status;
    }
    if (const int code = trace->commit()) return -code;
    if (options.output_path) {
        if (const int code = quillet_write_file(after, options.output_path, packed ? 1 : 0)) return -code;
    }
    if (options.screen_path) {
        if (const int code = common::write_output(options.screen_path, png.data(), png.size())) return -code;
    }
    if (options.screen_diff_path) {
        if (const int code = common::write_output(options.screen_diff_path, diff_png.data(), diff_png.size())) {
            return -code;
        }
    }
    if (options.coverage_path) {
        const auto* text = reinterpret_cast<const std::uint8_t*>(coverage.data());
        if (const int code = common::write_output(options.coverage_path, text, coverage.size())) return -code;
    }
    if (options.audio_path) {
        if (const int code = audio->commit()) return -code;
    }
    if (options.tape_out_path) {
        if (const int code = tape_out.write(options.tape_out_path)) return -code;
    }
    return 0;
}

// The counts of --coverage FILE so far: those of FILE when it exists. A
// file that is not a coverage file is a usage error naming its line; one
// that cannot be read gives its status (its message printed).
int read_coverage(const RunOptions& options, common::Coverage* coverage) {
    if (quillet_entry_kind(options.coverage_path) == QUILLET_ENTRY_NONE) return 0;
    std::string text;
    if (const int code = common::read_text_file(options.coverage_path, &text)) return -code;
    const std::string problem = coverage->add_text(options.coverage_path, text);
    if (problem.empty()) return 0;
    print_run_usage_error(problem.c_str(), nullptr);
    return EXIT_USAGE;
}

// What the report says when the run did not end as a test means: the stop
// expected and the one reached, or the monitor the program called without
// an image of it.
std::string stop_failure_text(const RunOptions& options, int reason, long pc) {
    if (reason == QUILLET_STOP_NO_MONITOR) {
        char text[80];
        std::snprintf(text, sizeof text, "the program called the monitor at %04lXh; give --monitor", pc);
        return text;
    }
    return unexpected_stop(options, reason, pc);
}

}  // namespace

int run_read_snapshot(const RunOptions& options, quillet_snapshot* snapshot, RunVerdict* verdict) {
    RunMachine machine;
    const int set_up = machine.set_up(snapshot, options);
    if (set_up == EXIT_USAGE) return EXIT_USAGE;
    if (set_up != 0) return -set_up;

    ScreenReference reference;
    if (options.expected_screen) {
        if (const int status = read_reference(options, &reference)) return status;
    }
    std::unique_ptr<common::Coverage> coverage;
    if (options.coverage_path) {
        coverage.reset(new common::Coverage());
        if (const int status = read_coverage(options, coverage.get())) return status;
        // The run loop counts; the run's counts are added once it ends.
        if (const int code = quillet_cpu_set_coverage(machine.cpu(), 1)) return -code;
    }

    TraceFile trace(options.trace_path);
    AudioStream audio(machine.machine() ? options.audio_path : nullptr);
    const RunResult result = run_machine(machine, snapshot, options, trace.get(), coverage.get(), &audio);
    quillet_cpu* cpu = machine.cpu();
    std::vector<CheckResult> checks = check_expectations(machine, options);
    std::vector<std::uint8_t> diff_png;
    if (options.expected_screen) checks.push_back(check_screen(options, reference, machine.video(), &diff_png));
    const std::string coverage_text = coverage ? coverage->text(options.symbols()) : std::string();
    const std::string stop_failure =
        stop_failure_text(options, result.reason, quillet_cpu_get_pair(cpu, QUILLET_REG_PC));
    const std::vector<std::string> screen_rows =
        options.monitor_path ? machine.screen_rows() : std::vector<std::string>();
    const bool wide = machine.machine() && quillet_machine_screen_width(machine.machine()) == QUILLET_SCREEN_WIDE_WIDTH;
    const std::vector<std::uint8_t> wide_video = options.screen_path && wide ? machine.video() : std::vector<std::uint8_t>();
    TapeOut tape_out;
    if (options.tape_out_path) {
        if (const int code = tape_out.take(machine.machine())) return -code;
    }
    const bool packed = common::stored_packed(snapshot);
    if (const int code = machine.to_snapshot(snapshot)) return -code;
    const common::MemoryView memory(snapshot);

    int status =
        write_outputs(options, snapshot, memory, &trace, packed, diff_png, coverage_text, &audio, wide_video, tape_out);
    const bool limit = stop_kind(result.reason) == STOP_LIMIT;
    const bool limit_expected = (options.expected_stops & STOP_LIMIT) != 0;
    if (status == 0 && limit && !limit_expected) status = EXIT_LIMIT;
    if (status == 0 && (!stop_failure.empty() || failed_checks(checks) > 0)) status = EXIT_CHECK_FAILED;
    if (verdict) {
        const long pc = quillet_cpu_get_pair(cpu, QUILLET_REG_PC);
        *verdict = RunVerdict{stop_failure, std::move(checks), result.reason, pc};
        return status;
    }
    const SavedTape saved = options.tape_out_path ? tape_out.summary() : SavedTape();
    const RunReport report{options.snapshot_path, machine.machine(), cpu, &result, &checks, &memory, status,
                           stop_failure, &screen_rows,
                           machine.machine() && quillet_rom_length(snapshot) > 0 &&
                               quillet_machine_rom_module_readable(machine.machine()) != 1,
                           options.tape_out_path ? &saved : nullptr};
    if (options.json) {
        print_run_json(options, report);
    } else {
        print_run_text(options, report);
    }
    return status;
}

// Every file the run reads and writes; each output kind is named here.
void list_run_files(const RunOptions& options, common::RunFiles* list) {
    common::RunFiles& files = *list;
    files.input("SNAPSHOT", options.snapshot_path);
    files.input("--cpm", options.cpm_path);
    files.input("--tests", options.tests_path);
    for (const RomImage& rom : options.roms) files.input("--rom-at", rom.path);
    files.input("--monitor", options.monitor_path);
    files.input("--tape", options.tape_path);
    files.input("--module", options.module_path);
    for (const KeyScript& script : options.key_scripts) {
        if (script.from_file) files.input("--keys", script.text);
    }
    for (const char* path : options.symbol_paths) files.input("--symbols", path);
    files.input("--expect-screen", options.expected_screen);
    files.snapshot_output("-o", options.output_path, "SNAPSHOT");
    files.output("--trace", options.trace_path);
    files.output("--screen", options.screen_path);
    files.output("--screen-diff", options.screen_diff_path);
    files.shared_output("--coverage", options.coverage_path);
    files.output("--audio", options.audio_path);
    files.output("--tape-out", options.tape_out_path);
}

namespace {

int run_snapshot(const RunOptions& options) {
    common::OwnedSnapshot snapshot;
    if (!snapshot.get()) return out_of_memory();
    long file_size = 0;
    std::string detail;
    if (const int code = common::read_snapshot_input(options.snapshot_path, snapshot.get(), &file_size, &detail)) {
        return -code;
    }
    return run_read_snapshot(options, snapshot.get(), nullptr);
}

int run_command_line(int argument_count, char** argument_vector) {
    RunOptions options;
    switch (parse_run_options(argument_count, argument_vector, &options)) {
    case ParseOutcome::help: print_help(); return EXIT_STOPPED;
    case ParseOutcome::version: std::printf("%s %s\n", PROGRAM_NAME, quillet_version()); return EXIT_STOPPED;
    case ParseOutcome::usage_error: return EXIT_USAGE;
    case ParseOutcome::file_failure: return options.failure_status;
    case ParseOutcome::run: break;
    }
    common::RunFiles files;
    list_run_files(options, &files);
    if (!files.check(print_run_usage_error)) return EXIT_USAGE;
    if (options.tests_path) return run_tests(argument_count, argument_vector, options);
    return options.cpm_path ? run_cpm(options) : run_snapshot(options);
}

}  // namespace

int run_program(int argument_count, char** argument_vector) {
    // The one place where an allocation that failed by throwing ends the
    // run: the files written so far are whole or absent, and the failure is
    // reported as every other allocation failure is.
    try {
        return run_command_line(argument_count, argument_vector);
    } catch (const std::bad_alloc&) {
        return out_of_memory();
    }
}

}  // namespace quillet::run
