#include "report.hpp"

#include <cinttypes>
#include <cstdio>
#include <string>

#include "expected_stop.hpp"
#include "hex_dump.hpp"
#include "json.hpp"
#include "console.hpp"
#include "registers.hpp"

namespace quillet::run {
namespace {

double pmd85_seconds(std::uint64_t states) { return static_cast<double>(states) / PMD85_STATES_PER_SECOND; }

// "address 0x8010", "return to 0x1234", "halt at 0x0010" (the HLT's own
// address), "state limit 10000000000 at 0x0100 (--max-states raises it)";
// with labels, an address
// near one is named as "done (0x0022)" or "vaddr+3 (0x0028)".
void print_stop_text(std::FILE* out, const RunOptions& options, int reason, long pc) {
    const std::string at = address_text(options.symbols(), pc);
    switch (reason) {
    case QUILLET_STOP_ADDRESS: std::fprintf(out, "address %s\n", at.c_str()); break;
    case QUILLET_STOP_RETURNED: std::fprintf(out, "return to %s\n", at.c_str()); break;
    case QUILLET_STOP_HALTED:
        std::fprintf(out, "halt at %s\n", address_text(options.symbols(), halt_address(pc)).c_str());
        break;
    case QUILLET_STOP_STATE_LIMIT:
        // The default limit ends a run that waits for something that never
        // comes; the option that raises it is named where the run ended.
        std::fprintf(out, "state limit %" PRIu64 " at %s (--max-states raises it)\n", options.max_states, at.c_str());
        break;
    case QUILLET_STOP_INSTRUCTION_LIMIT:
        std::fprintf(out, "instruction limit %" PRIu64 " at %s\n", options.max_instructions, at.c_str());
        break;
    case RUN_STOP_SCREEN_TEXT:
        std::fprintf(out, "%s \"%s\" at %s\n", stop_word(reason), options.until_text, at.c_str());
        break;
    default: std::fprintf(out, "%s at %s\n", stop_word(reason), at.c_str()); break;
    }
}

// The screen's rows go into the report when asked for, when a text the
// run expected is not among them, and when a run that waited for a text
// ended another way.
bool shows_screen_text(const RunOptions& options, const RunReport& report) {
    if (options.screen_text || (options.until_text && !report.stop_failure.empty())) return true;
    const std::vector<CheckResult>& checks = *report.checks;
    for (std::size_t i = 0; i < options.expected_texts.size(); ++i) {
        // The texts' checks follow the memory's.
        const std::size_t at = options.expected_registers.size() + options.expected_flags.size() +
                               options.expected_memory.size() + i;
        if (at < checks.size() && !checks[at].holds) return true;
    }
    return false;
}

// The LED's changes and the speaker's (its line PC2 and the tones' gates),
// from the machine's record of port C.
void print_port_c_json(std::FILE* out, quillet_machine* machine) {
    constexpr std::uint8_t TONE_1KHZ = QUILLET_PORT_C_TONE_1KHZ, TONE_4KHZ = QUILLET_PORT_C_TONE_4KHZ,
                           SPEAKER = QUILLET_PORT_C_SPEAKER, LED = QUILLET_PORT_C_LED;
    std::size_t count = 0;
    quillet_machine_port_c_changes(machine, nullptr, 0, &count);
    std::vector<quillet_port_c_change> changes(count);
    quillet_machine_port_c_changes(machine, changes.data(), changes.size(), &count);
    const struct {
        const char* key;
        std::uint8_t lines;
    } kinds[] = {{"led", LED}, {"speaker", TONE_1KHZ | TONE_4KHZ | SPEAKER}};
    for (const auto& kind : kinds) {
        std::fprintf(out, ",\n  \"%s\": [", kind.key);
        bool first = true;
        for (const quillet_port_c_change& change : changes) {
            if (!(change.changed & kind.lines)) continue;
            std::fprintf(out, "%s\n    {\"state\": %" PRIu64, first ? "" : ",", change.state);
            if (kind.lines == LED) {
                std::fprintf(out, ", \"on\": %s}", common::json_boolean(change.lines & LED));
            } else {
                std::fprintf(out, ", \"level\": %d, \"tone_1khz\": %s, \"tone_4khz\": %s}",
                             (change.lines & SPEAKER) ? 1 : 0, common::json_boolean(change.lines & TONE_1KHZ),
                             common::json_boolean(change.lines & TONE_4KHZ));
            }
            first = false;
        }
        std::fputs(first ? "]" : "\n  ]", out);
    }
}

// What the tape recorder played: its blocks heard to their end, those the
// monitor's block reader rejected (numbered from 1, as quillet-tape
// numbers them) and the monitor's tape failure on the screen, if any.
struct TapeReport {
    std::size_t played = 0, total = 0;
    std::vector<std::size_t> rejected;
    const std::string* error_row = nullptr;
};

// Whether `row` holds one of the monitors' tape failures ("++ File error
// ++", "** MG STOP ! **"), in whatever case.
bool tape_error_row(const std::string& row) {
    std::string upper;
    for (char c : row) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return upper.find("FILE ERROR") != std::string::npos || upper.find("MG STOP") != std::string::npos;
}

TapeReport tape_report(const RunReport& report) {
    TapeReport tape;
    quillet_machine_tape_blocks(report.machine, &tape.played, &tape.total);
    std::size_t count = 0;
    quillet_machine_tape_rejected(report.machine, nullptr, 0, &count);
    tape.rejected.resize(count);
    quillet_machine_tape_rejected(report.machine, tape.rejected.data(), tape.rejected.size(), &count);
    for (std::size_t& block : tape.rejected) ++block;
    for (const std::string& row : *report.screen_rows) {
        if (tape_error_row(row)) tape.error_row = &row;
    }
    return tape;
}

// "2 blocks, 1 file: 07 DATA (16 bytes)", each file by its number, name
// and length, and "block of no file (300 bytes)" for each such; or
// "nothing saved".
void print_saved_text(std::FILE* out, const SavedTape& saved) {
    std::fputs("Tape out:          ", out);
    if (saved.entries.empty()) {
        std::fputs("nothing saved\n", out);
        return;
    }
    std::size_t files = 0;
    for (const SavedEntry& entry : saved.entries) files += entry.file ? 1 : 0;
    std::fprintf(out, "%zu block%s, %zu file%s", saved.blocks, saved.blocks == 1 ? "" : "s", files,
                 files == 1 ? "" : "s");
    const char* separator = ": ";
    for (const SavedEntry& entry : saved.entries) {
        if (entry.file) {
            std::fprintf(out, "%s%02d %s (%zu bytes)", separator, entry.number,
                         common::shown_bytes(entry.name.data(), entry.name.size()).c_str(), entry.length);
        } else {
            std::fprintf(out, "%sblock of no file (%zu bytes)", separator, entry.length);
        }
        separator = ", ";
    }
    std::fputs("\n", out);
}

// The same as quillet-tape's JSON listing names an entry's fields.
void print_saved_json(std::FILE* out, const SavedTape& saved) {
    std::fprintf(out, "  \"tape_out\": {\"blocks\": %zu, \"entries\": [", saved.blocks);
    bool first = true;
    for (const SavedEntry& entry : saved.entries) {
        std::fputs(first ? "" : ", ", out);
        first = false;
        if (!entry.file) {
            std::fprintf(out, "{\"file\": false, \"length\": %zu}", entry.length);
            continue;
        }
        std::fprintf(out, "{\"file\": true, \"number\": %d, \"type\": ", entry.number);
        common::print_json_bytes(out, &entry.type, 1);
        std::fprintf(out, ", \"start\": %u, \"length\": %zu, \"name\": ", entry.start, entry.length);
        common::print_json_bytes(out, entry.name.data(), entry.name.size());
        std::fputs("}", out);
    }
    std::fputs("]},\n", out);
}

unsigned flags_of(const quillet_cpu* cpu) { return static_cast<unsigned>(quillet_cpu_get_register8(cpu, QUILLET_CPU_F)); }

}  // namespace

int failed_checks(const std::vector<CheckResult>& checks) {
    int failed = 0;
    for (const CheckResult& check : checks) failed += check.holds ? 0 : 1;
    return failed;
}

void print_run_text(const RunOptions& options, const RunReport& report) {
    std::FILE* out = stdout;
    const quillet_cpu* cpu = report.cpu;
    const std::uint64_t states = quillet_cpu_states(cpu);
    std::fprintf(out, "Snapshot:          %s\n", report.snapshot_path);
    std::fprintf(out, "Stopped:           ");
    print_stop_text(out, options, report.result->reason, quillet_cpu_get_pair(cpu, QUILLET_REG_PC));
    if (!report.stop_failure.empty()) std::fprintf(out, "  FAILED %s\n", report.stop_failure.c_str());
    std::fprintf(out, "Instructions:      %" PRIu64 "\n", quillet_cpu_instructions(cpu));
    std::fprintf(out, "States:            %" PRIu64 " (%.6f s at 2.048 MHz)\n", states, pmd85_seconds(states));
    if (report.machine) std::fprintf(out, "Frames:            %" PRIu64 "\n", quillet_machine_frames(report.machine));
    if (report.rom_module_unreadable) std::fprintf(out, "ROM module:        not readable: the model has no port for it\n");
    if (report.machine && options.tape_path) {
        const TapeReport tape = tape_report(report);
        std::fprintf(out, "Tape:              %zu of %zu blocks played, ", tape.played, tape.total);
        if (tape.rejected.empty()) std::fputs(tape.error_row ? "none rejected by the block reader" : "none rejected", out);
        for (std::size_t i = 0; i < tape.rejected.size(); ++i) {
            std::fprintf(out, i ? ", %zu" : "rejected by the monitor: block %zu", tape.rejected[i]);
        }
        if (tape.error_row) std::fprintf(out, "; the screen shows \"%s\"", tape.error_row->c_str());
        std::fputs("\n", out);
    }
    if (report.machine && report.saved) print_saved_text(out, *report.saved);
    size_t typed = 0, keys = 0;
    if (report.machine && quillet_machine_keys_typed(report.machine, &typed, &keys) == 0 && typed < keys) {
        std::fprintf(out, "Typing:            typed %zu of %zu keys\n", typed, keys);
    }
    std::fprintf(out, "Registers:        ");
    for (int r = 0; r < QUILLET_REGISTER_COUNT; ++r) {
        std::fprintf(out, " %s=0x%04lX", quillet_register_name(r), quillet_cpu_get_pair(cpu, r));
    }
    std::fprintf(out, "\nFlags:            ");
    for (const common::FlagBit& bit : common::FLAG_BITS) {
        std::fprintf(out, " %s=%d", bit.name, (flags_of(cpu) & bit.mask) ? 1 : 0);
    }
    std::fprintf(out, "\nInterrupts:        %s\n", quillet_cpu_get_interrupts(cpu) ? "enabled" : "disabled");
    bool any_zero = false;
    for (int block = 0; block < ADDRESS_SPACE_BLOCKS; ++block) {
        if (!report.result->zero_blocks[block]) continue;
        std::fprintf(out, any_zero ? " %d" : "Zero blocks:       %d", block);
        any_zero = true;
    }
    if (any_zero) std::fprintf(out, " (not in the snapshot, run from zero bytes)\n");
    const std::vector<CheckResult>& checks = *report.checks;
    if (!checks.empty()) {
        std::fprintf(out, "Checks:            %zu, %d failed\n", checks.size(), failed_checks(checks));
        for (const CheckResult& check : checks) {
            if (check.holds) continue;
            std::fprintf(out, "  FAILED %s: expected %s, found %s\n", check.what.c_str(), check.expected.c_str(),
                         check.found.c_str());
        }
    }
    if (shows_screen_text(options, report)) {
        std::fprintf(out, "Screen text:       %zu row%s\n", report.screen_rows->size(), report.screen_rows->size() == 1 ? "" : "s");
        for (const std::string& row : *report.screen_rows) std::fprintf(out, "  %s\n", row.c_str());
    }
    if (options.out_log) {
        std::fprintf(out, "OUT writes:        %zu\n", report.result->writes.size());
        report.result->writes.for_each([out](const PortWrite& write) {
            std::fprintf(out, "  port 0x%02X value 0x%02X at state %" PRIu64 "\n", write.port, write.value, write.state);
        });
    }
    for (const common::MemoryRange& range : options.peeks) {
        std::fputs("\n", out);
        common::print_hex_dump(out, *report.memory, range);
    }
}

void print_run_json(const RunOptions& options, const RunReport& report) {
    std::FILE* out = stdout;
    const quillet_cpu* cpu = report.cpu;
    const std::uint64_t states = quillet_cpu_states(cpu);
    std::fputs("{\n  \"snapshot\": ", out);
    common::print_json_string(out, report.snapshot_path);
    const long pc = quillet_cpu_get_pair(cpu, QUILLET_REG_PC);
    std::fprintf(out, ",\n  \"stop\": \"%s\",\n  \"pc\": %ld,\n", stop_word(report.result->reason), pc);
    if (report.result->reason == QUILLET_STOP_HALTED) std::fprintf(out, "  \"halt_address\": %ld,\n", halt_address(pc));
    std::fprintf(out, "  \"instructions\": %" PRIu64 ",\n  \"states\": %" PRIu64 ",\n  \"seconds\": %.6f,\n",
                 quillet_cpu_instructions(cpu), states, pmd85_seconds(states));
    if (report.machine) std::fprintf(out, "  \"frames\": %" PRIu64 ",\n", quillet_machine_frames(report.machine));
    if (report.rom_module_unreadable) std::fputs("  \"rom_module_readable\": false,\n", out);
    size_t typed = 0, keys = 0;
    if (report.machine && options.tape_path) {
        const TapeReport tape = tape_report(report);
        std::fprintf(out, "  \"tape\": {\"played\": %zu, \"blocks\": %zu, \"rejected\": [", tape.played, tape.total);
        for (std::size_t i = 0; i < tape.rejected.size(); ++i) std::fprintf(out, i ? ", %zu" : "%zu", tape.rejected[i]);
        std::fputs("], \"error_text\": ", out);
        if (tape.error_row) {
            common::print_json_string(out, tape.error_row->c_str());
        } else {
            std::fputs("null", out);
        }
        std::fputs("},\n", out);
    }
    if (report.machine && report.saved) print_saved_json(out, *report.saved);
    if (report.machine && !options.key_scripts.empty() && quillet_machine_keys_typed(report.machine, &typed, &keys) == 0) {
        std::fprintf(out, "  \"typing\": {\"typed\": %zu, \"keys\": %zu},\n", typed, keys);
    }
    std::fputs("  \"registers\": {", out);
    for (int r = 0; r < QUILLET_REGISTER_COUNT; ++r) {
        std::fprintf(out, "%s\"%s\": %ld", r ? ", " : "", quillet_register_name(r), quillet_cpu_get_pair(cpu, r));
    }
    std::fputs("},\n  \"flags\": {", out);
    for (int i = 0; i < common::FLAG_BIT_COUNT; ++i) {
        std::fprintf(out, "%s\"%s\": %s", i ? ", " : "", common::FLAG_BITS[i].name,
                     common::json_boolean(flags_of(cpu) & common::FLAG_BITS[i].mask));
    }
    std::fprintf(out, "},\n  \"interrupts\": %s,\n  \"halted\": %s,\n  \"zero_blocks\": [",
                 common::json_boolean(quillet_cpu_get_interrupts(cpu) == 1),
                 common::json_boolean(quillet_cpu_get_halted(cpu) == 1));
    bool first = true;
    for (int block = 0; block < ADDRESS_SPACE_BLOCKS; ++block) {
        if (!report.result->zero_blocks[block]) continue;
        std::fprintf(out, first ? "%d" : ", %d", block);
        first = false;
    }
    std::fputs("],\n  \"checks\": [", out);
    const std::vector<CheckResult>& checks = *report.checks;
    for (std::size_t i = 0; i < checks.size(); ++i) {
        std::fprintf(out, "%s\n    {\"check\": ", i ? "," : "");
        common::print_json_string(out, checks[i].what.c_str());
        std::fputs(", \"expected\": ", out);
        common::print_json_string(out, checks[i].expected.c_str());
        std::fputs(", \"found\": ", out);
        common::print_json_string(out, checks[i].found.c_str());
        std::fprintf(out, ", \"holds\": %s}", common::json_boolean(checks[i].holds));
    }
    std::fprintf(out, "%s],\n  \"failed\": %d", checks.empty() ? "" : "\n  ", failed_checks(checks));
    if (!report.stop_failure.empty()) {
        std::fputs(",\n  \"stop_failure\": ", out);
        common::print_json_string(out, report.stop_failure.c_str());
    }
    if (shows_screen_text(options, report)) {
        std::fputs(",\n  \"screen_text\": [", out);
        for (std::size_t i = 0; i < report.screen_rows->size(); ++i) {
            std::fputs(i ? ", " : "", out);
            common::print_json_string(out, (*report.screen_rows)[i].c_str());
        }
        std::fputs("]", out);
    }
    if (options.out_log) {
        std::fputs(",\n  \"out_log\": [", out);
        const WriteLog& writes = report.result->writes;
        bool first = true;
        writes.for_each([out, &first](const PortWrite& write) {
            std::fprintf(out, "%s\n    {\"port\": %d, \"value\": %d, \"state\": %" PRIu64 "}", first ? "" : ",",
                         write.port, write.value, write.state);
            first = false;
        });
        std::fputs(writes.size() == 0 ? "]" : "\n  ]", out);
        if (report.machine) print_port_c_json(out, report.machine);
    }
    if (!options.peeks.empty()) {
        std::fputs(",\n  \"peek\": ", out);
        common::print_dump_json(out, *report.memory, options.peeks);
    }
    std::fprintf(out, ",\n  \"status\": %d\n}\n", report.status);
}

}  // namespace quillet::run
