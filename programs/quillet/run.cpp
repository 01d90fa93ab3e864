#include "run.hpp"

#include <cstdio>

#include "command_line.hpp"
#include "usage.hpp"
#include "image/memory_loading.hpp"
#include "snapshot/snapshot_reader.hpp"
#include "snapshot/snapshot_writer.hpp"

namespace quillet {

const char* const BANNER = "Quillet " QUILLET_VERSION " - ZVK snapshot builder for PMD 85 emulators\n\n";

namespace {

// What the console shows of the library's reports.
struct Console {
    bool verbose;
};

// Progress lines go to standard output in verbose mode; failure messages
// to standard error, each followed by an empty line, after whatever went to
// standard output so far (both streams may end up in one place).
void print_report(void* user, int code, const char* text) {
    if (code == PROGRESS) {
        if (static_cast<const Console*>(user)->verbose) std::printf("%s\n", text);
        return;
    }
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n\n", text);
}

int apply_request(Snapshot* s, const LoadRequest* r, const Reporter& reporter) {
    if (r->page == REQUEST_HEX) return store_hex_string(s, r->address, r->text, reporter);
    if (r->page == REQUEST_AT_ADDRESS) return load_file_at(s, r->address, r->text, reporter);
    return load_file_into_page(s, r->page, r->text, reporter);
}

std::uint8_t addon_byte(int setting) {
    return setting == NOT_GIVEN ? NOT_PLUGGED : static_cast<std::uint8_t>(setting);
}

// The settings of the command line over the template's (or the default)
// header: the model, the interrupt flag and the add-on hardware always;
// AllRAM and the registers where given.
void apply_settings(const CommandLine& line, Snapshot* s) {
    s->model = line.model;
    s->interrupts_enabled = line.enable_interrupts != 0;
    if (line.allram) set_allram(s, true);
    for (int r = 0; r < REGISTER_COUNT; ++r) {
        if (line.registers[r] != NOT_GIVEN) set_register(s, r, static_cast<unsigned>(line.registers[r]));
    }
    s->vcpu_circuit = line.vcpu_interrupt == NOT_GIVEN ? NOT_PLUGGED
                      : line.vcpu_interrupt            ? VCPU_INTERRUPT_ENABLED
                                                       : VCPU_INTERRUPT_DISABLED;
    s->mapper_port = addon_byte(line.mapper_port);
    s->mif85_state = addon_byte(line.mif85_mode);
    set_musica(s, line.musica_plugged != 0);
}

// The phases after option parsing; the first non-zero code ends them.
int build_snapshot(const CommandLine& line, const Reporter& reporter) {
    Snapshot snapshot;
    if (line.template_path) {
        std::printf("Loading template Snapshot `%s`\n", line.template_path);
        if (const int result = read_snapshot_file(line.template_path, &snapshot, reporter)) return result;
    }
    for (const LoadRequest* r = line.load_head; r; r = r->next) {
        if (const int result = apply_request(&snapshot, r, reporter)) return result;
    }
    if (line.rom_path) {
        if (const int result = load_rom_file(&snapshot, line.rom_path, reporter)) return result;
    }
    apply_settings(line, &snapshot);
    std::printf("Saving final Snapshot `%s`\n", line.output_path);
    // The snapshot itself may go to standard output (-o /dev/stdout): what
    // was printed so far comes before it.
    std::fflush(stdout);
    return write_snapshot_file(snapshot, line.pack != 0, line.output_path, reporter);
}

}  // namespace

int run_quillet(int argument_count, char** argument_vector) {
    std::fputs(BANNER, stdout);
    Console console{false};
    const Reporter reporter{print_report, &console};
    CommandLine* line = nullptr;
    int code = USAGE_REQUESTED;
    if (argument_count > 1) {
        code = parse_command_line(argument_count, argument_vector, &line, reporter);
        if (code == 0) {
            console.verbose = line->verbose != 0;
            code = build_snapshot(*line, reporter);
        }
    }
    if (code == USAGE_REQUESTED) {
        print_usage();
        code = 0;
    } else if (code == 0) {
        std::fputs("\n", stdout);
    }
    release_command_line(line);
    return -code;
}

}  // namespace quillet
