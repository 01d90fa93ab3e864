#include "monitor_load.hpp"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "console.hpp"
#include "monitor_warning.hpp"

namespace quillet::tape_tool {
namespace {

constexpr std::size_t MONITOR_MAX = 16384;
constexpr std::uint64_t FRAME = QUILLET_MACHINE_FRAME_STATES;
constexpr std::uint64_t SECOND = 50 * FRAME;
// Seconds for the monitor to start and load beyond the tape's own: monitor
// 3 tests its memory for 5 s first.
constexpr std::uint64_t SLACK_SECONDS = 20;

struct MachineFree {
    void operator()(quillet_machine* machine) const { quillet_machine_free(machine); }
};

int status_of(int code) { return code < 0 ? -code : code; }

// The first machine-code file of `tape`: its entry, or -1.
long first_program(const quillet_tape* tape, quillet_tape_entry* e) {
    for (std::size_t i = 0; i < quillet_tape_entry_count(tape); ++i) {
        quillet_tape_entry_info(tape, i, e);
        if (e->is_file && e->type == QUILLET_TAPE_TYPE_MACHINE_CODE) return static_cast<long>(i);
    }
    return -1;
}

std::string screen_text(quillet_machine* machine) {
    std::size_t length = 0;
    if (quillet_machine_screen_text(machine, nullptr, 0, &length) != 0) return "";
    std::string text(length + 1, '\0');
    quillet_machine_screen_text(machine, &text[0], text.size(), nullptr);
    text.resize(length);
    // The last row that says something: the monitor's answer.
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text.substr(text.find_last_of('\n') + 1);
}

// Runs a second: 1 when the file's start is reached, 0 when not, negative
// when the machine fails.
int run_second(quillet_machine* machine) {
    const int stop = quillet_cpu_run(quillet_machine_cpu(machine), SECOND, UINT64_MAX, 0);
    if (stop == QUILLET_STOP_ADDRESS) return 1;
    return stop == QUILLET_STOP_STATE_LIMIT ? 0 : (stop < 0 ? stop : 0);
}

// Runs until the file's start is reached (1), `seconds` pass (0), or, with
// `blocks`, a second after that many blocks have played (0).
int run_until_start(quillet_machine* machine, std::uint64_t seconds, std::size_t blocks = 0) {
    for (std::uint64_t second = 0; second < seconds; ++second) {
        if (const int reached = run_second(machine)) return reached;
        std::size_t played = 0;
        quillet_machine_tape_blocks(machine, &played, nullptr);
        if (blocks && played >= blocks) return run_second(machine);
    }
    return 0;
}

int failed_load(quillet_machine* machine, const TapeOptions& options, int number) {
    std::size_t rejected[1] = {}, count = 0;
    quillet_machine_tape_rejected(machine, rejected, 1, &count);
    char detail[200];
    if (count > 0) {
        std::snprintf(detail, sizeof detail, "Bad checksum in tape image '%s': the monitor rejected block %zu",
                      options.tape, rejected[0] + 1);
        common::print_failure(detail);
        return status_of(QUILLET_ERR_TAPE_CHECKSUM);
    }
    const std::string shown = screen_text(machine);
    std::snprintf(detail, sizeof detail, "Damaged tape image '%s': the monitor did not start file %02d (the screen shows \"%s\")",
                  options.tape, number, shown.c_str());
    common::print_failure(detail);
    return status_of(QUILLET_ERR_TAPE_DAMAGED);
}

}  // namespace

int load_through_monitor(const quillet_tape* tape, const TapeOptions& options, quillet_snapshot* snapshot) {
    const int model = quillet_get_model(snapshot);
    std::vector<std::uint8_t> monitor(MONITOR_MAX);
    const long size = quillet_file_read(options.monitor, monitor.data(), monitor.size(), common::print_report, nullptr);
    if (size < 0) return status_of(static_cast<int>(size));
    if (quillet_machine_monitor_fits(model, static_cast<std::size_t>(size)) != 1) {
        const std::string message = "--monitor image of " + std::to_string(size) + " bytes does not fit the " +
                                    quillet_model_name(model) + "; choose its model with --model:";
        print_usage_error(message.c_str(), options.monitor);
        return USAGE_ERROR_STATUS;
    }
    common::warn_of_foreign_monitor(PROGRAM_NAME, options.monitor, monitor.data(), static_cast<std::size_t>(size),
                                    model);
    quillet_tape_entry e;
    if (first_program(tape, &e) < 0) {
        print_usage_error("no machine-code (?) file on the tape", options.tape);
        return USAGE_ERROR_STATUS;
    }
    quillet_machine* made = nullptr;
    if (const int result = quillet_machine_new(snapshot, monitor.data(), static_cast<std::size_t>(size),
                                               common::print_report, nullptr, &made)) {
        return status_of(result);
    }
    std::unique_ptr<quillet_machine, MachineFree> machine(made);
    quillet_machine_boot(made);
    if (const int result = quillet_machine_insert_tape(made, tape)) {
        if (result == QUILLET_ERR_BAD_STATE) {
            print_usage_error("--monitor: the model has no tape input here:", quillet_model_name(model));
            return USAGE_ERROR_STATUS;
        }
        return status_of(result);
    }
    char typed[40];
    std::snprintf(typed, sizeof typed, "MGLD %02d{EOL}", e.number);
    quillet_machine_type(made, typed, std::string(typed).size());
    quillet_cpu_set_stop(quillet_machine_cpu(made), e.start, 1);
    // The tape's length at 1200 bit/s, 11 bits a byte, with its lead-ins.
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < quillet_tape_entry_count(tape); ++i) {
        quillet_tape_entry each;
        quillet_tape_entry_info(tape, i, &each);
        bytes += each.data_length + 64;
    }
    const std::uint64_t playing = bytes * 11 / 1200 + 2 * quillet_tape_entry_count(tape) + 4;
    int reached = run_until_start(made, playing + SLACK_SECONDS, e.block + 2);
    if (reached == 0) {
        // MGLD loaded it and returned to the prompt: JUMP starts it.
        std::snprintf(typed, sizeof typed, "JUMP %04X{EOL}", e.start);
        quillet_machine_type(made, typed, std::string(typed).size());
        reached = run_until_start(made, 10);
    }
    if (reached < 0) return status_of(reached);
    if (reached == 0) return failed_load(made, options, e.number);
    quillet_cpu_set_stop(quillet_machine_cpu(made), e.start, 0);
    return status_of(quillet_machine_to_snapshot(made, snapshot));
}

}  // namespace quillet::tape_tool
