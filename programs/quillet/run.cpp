#include "run.hpp"

#include <cstdio>
#include <new>

#include "command_line.hpp"
#include "owned_snapshot.hpp"
#include "usage.hpp"

namespace quillet::cli {

const char* const BANNER = "Quillet " QUILLET_VERSION_STRING " - ZVK snapshot builder for PMD 85 emulators\n\n";

namespace {

// quillet's failure messages are followed by an empty line; its progress
// lines are shown as the other programs show theirs.
void print_quillet_report(void* user, int code, const char* text) {
    common::print_report(user, code, text);
    if (code < 0) std::fputs("\n", stderr);
}

constexpr common::ReportSink QUILLET_FAILURES = {print_quillet_report, nullptr};

int apply_request(quillet_snapshot* s, const LoadRequest* r) {
    if (r->page == REQUEST_HEX) return quillet_store_hex(s, r->address, r->text);
    if (r->page == REQUEST_AT_ADDRESS) return quillet_load_file(s, r->address, r->text);
    return quillet_load_page_file(s, r->page, r->text);
}

int addon_state(int setting) { return setting == NOT_GIVEN ? QUILLET_NOT_PLUGGED : setting; }

int vcpu_state(int setting) {
    if (setting == NOT_GIVEN) return QUILLET_NOT_PLUGGED;
    return setting ? QUILLET_VCPU_INTERRUPT_ENABLED : QUILLET_VCPU_INTERRUPT_DISABLED;
}

// The settings of the command line over the template's (or the default)
// header: the model, the interrupt flag and the add-on hardware always;
// AllRAM and the registers where given. Each value passed its setter's
// check when it was parsed.
int apply_settings(const CommandLine& line, quillet_snapshot* s) {
    int result = quillet_set_model(s, line.model);
    if (result == 0) result = quillet_set_interrupts(s, line.enable_interrupts);
    if (result == 0 && line.allram) result = quillet_set_allram(s, 1);
    for (int r = 0; r < QUILLET_REGISTER_COUNT && result == 0; ++r) {
        if (line.registers[r] != NOT_GIVEN) result = quillet_set_register(s, r, line.registers[r]);
    }
    if (result == 0) result = quillet_set_vcpu_circuit(s, vcpu_state(line.vcpu_interrupt));
    if (result == 0) result = quillet_set_mapper_port(s, addon_state(line.mapper_port));
    if (result == 0) result = quillet_set_mif85(s, addon_state(line.mif85_mode));
    if (result == 0) result = quillet_set_musica(s, line.musica_plugged);
    return result;
}

// The phases after option parsing; the first non-zero code ends them. The
// library reports their failures, whose messages name files and data only.
int build_snapshot(const CommandLine& line, bool* verbose) {
    const common::OwnedSnapshot snapshot;
    quillet_snapshot* s = snapshot.get();
    if (!s) return common::report_failure(QUILLET_FAILURES, QUILLET_ERR_OUT_OF_MEMORY);
    *verbose = line.verbose != 0;
    quillet_set_reporter(s, print_quillet_report, verbose);
    if (line.template_path) {
        std::printf("Loading template Snapshot `%s`\n", line.template_path);
        if (const int result = quillet_read_file(s, line.template_path)) return result;
    }
    for (const LoadRequest* r = line.load_head; r; r = r->next) {
        if (const int result = apply_request(s, r)) return result;
    }
    if (line.rom_path) {
        if (const int result = quillet_load_rom_file(s, line.rom_path)) return result;
    }
    if (const int result = apply_settings(line, s)) return result;
    std::printf("Saving final Snapshot `%s`\n", line.output_path);
    // The snapshot itself may go to standard output (-o /dev/stdout): what
    // was printed so far comes before it.
    std::fflush(stdout);
    return quillet_write_file(s, line.output_path, line.pack);
}

}  // namespace

int run_quillet(int argument_count, char** argument_vector) {
    std::fputs(BANNER, stdout);
    bool verbose = false;
    CommandLine* line = nullptr;
    int code = common::USAGE_REQUESTED;
    // The one place where an allocation that failed by throwing ends the
    // run: with the code and message of every other allocation failure.
    try {
        if (argument_count > 1) {
            code = parse_command_line(argument_count, argument_vector, &line, QUILLET_FAILURES);
            if (code == 0) code = build_snapshot(*line, &verbose);
        }
    } catch (const std::bad_alloc&) {
        code = common::report_failure(QUILLET_FAILURES, QUILLET_ERR_OUT_OF_MEMORY);
    }
    if (code == common::USAGE_REQUESTED) {
        print_usage();
        code = 0;
    } else if (code == 0) {
        std::fputs("\n", stdout);
    }
    release_command_line(line);
    return -code;
}

}  // namespace quillet::cli
