#include "machine.hpp"

#include "sliced_run.hpp"

#include <cinttypes>
#include <cstdio>
#include <memory>

#include "quillet/quillet_tools.h"
#include "console.hpp"
#include "expected_stop.hpp"
#include "file_reading.hpp"
#include "failures.hpp"
#include "hex_dump.hpp"
#include "labelled_code.hpp"
#include "monitor_warning.hpp"
#include "owned_snapshot.hpp"
#include "run.hpp"
#include "sliced_run.hpp"

namespace quillet::run {
namespace {

constexpr int PORT_COUNT = 256;
constexpr int NO_INPUT = 0xFF;        // what IN reads on the bare 8080 once --in's bytes are read
constexpr int DEVICE_ANSWERS = -1;    // on the PMD 85: the port's device answers
constexpr int INSTRUCTION_BYTES_MAX = 3;
constexpr std::size_t TEXT_COLUMN_WIDTH = 26;  // the instruction's text in a trace line
constexpr long VIDEO_ADDRESS = 0xC000;

// Maps each ROM image from its file, read once through the library's reader
// of files (a pipe read to its end; its checks, codes and messages). An
// image that does not fit below 0x10000 (refused by its size before a
// regular file is read), that is empty or that overlaps an image before
// it is a usage error.
int map_rom_images(quillet_cpu* cpu, const std::vector<RomImage>& roms) {
    std::vector<std::pair<long, long>> mapped;  // first and last address of each image
    for (const RomImage& image : roms) {
        std::vector<std::uint8_t> bytes;
        const std::size_t room = static_cast<std::size_t>(QUILLET_ADDRESS_SPACE - image.address);
        const int read = common::read_image_file(image.path, common::TEXT_FILE_MAX, [room](std::size_t size) {
            return size <= room;
        }, &bytes);
        if (read == common::IMAGE_REFUSED) {
            print_run_usage_error("--rom-at image does not fit below 0x10000:", image.path);
            return EXIT_USAGE;
        }
        if (read != 0) return read;
        if (bytes.empty()) {
            print_run_usage_error("--rom-at needs a file of 1 byte or more:", image.path);
            return EXIT_USAGE;
        }
        const long last = image.address + static_cast<long>(bytes.size()) - 1;
        for (const auto& before : mapped) {
            if (image.address <= before.second && before.first <= last) {
                print_run_usage_error("--rom-at image overlaps another:", image.path);
                return EXIT_USAGE;
            }
        }
        if (const int result = quillet_cpu_map_rom(cpu, image.address, bytes.data(), bytes.size())) return result;
        mapped.emplace_back(image.address, last);
    }
    return 0;
}

void set_register(quillet_cpu* cpu, const RegisterValue& item) {
    if (item.reg.pair) {
        quillet_cpu_set_pair(cpu, item.reg.number, item.value);
    } else {
        quillet_cpu_set_register8(cpu, item.reg.number, static_cast<int>(item.value));
    }
}

long register_value(const quillet_cpu* cpu, const RegisterName& reg) {
    return reg.pair ? quillet_cpu_get_pair(cpu, reg.number) : quillet_cpu_get_register8(cpu, reg.number);
}

// The ports of the run: what --in gives, and the OUT writes when asked.
struct Ports {
    quillet_cpu* cpu;
    std::vector<std::uint8_t> inputs[PORT_COUNT];
    std::size_t next[PORT_COUNT] = {};
    int after_inputs;  // NO_INPUT or DEVICE_ANSWERS
    bool log_writes;
    WriteLog* writes;
};

int port_in(void* user, int port) {
    Ports* ports = static_cast<Ports*>(user);
    const std::vector<std::uint8_t>& bytes = ports->inputs[port];
    std::size_t& next = ports->next[port];
    return next < bytes.size() ? bytes[next++] : ports->after_inputs;
}

void port_out(void* user, int port, int value) {
    Ports* ports = static_cast<Ports*>(user);
    if (ports->log_writes) ports->writes->add(PortWrite{port, value, quillet_cpu_states(ports->cpu)});
}

// What the processor's trace feeds: the lines of --trace while any are
// left.
struct Tracer {
    quillet_output* output;
    quillet_cpu* cpu;  // to end the run when a line cannot be written
    std::uint64_t lines_left;
    bool write_failed;
    const common::SymbolTable* symbols;  // for the label lines and the named targets
};

// A line of the trace: the state count and the registers before the
// instruction, its address, bytes and text; after a line "NAME:" for each
// label at the address.
void trace_line(Tracer* tracer, const quillet_cpu* cpu) {
    const long pc = quillet_cpu_get_pair(cpu, QUILLET_REG_PC);
    std::uint8_t bytes[INSTRUCTION_BYTES_MAX];
    for (int i = 0; i < INSTRUCTION_BYTES_MAX; ++i) {
        quillet_cpu_read_view(cpu, (pc + i) % QUILLET_ADDRESS_SPACE, &bytes[i], 1);
    }
    char text[QUILLET_DISASSEMBLY_MAX];
    const int length = quillet_disassemble(bytes, sizeof bytes, text, sizeof text);
    char hex[3 * INSTRUCTION_BYTES_MAX + 1] = "";
    for (int i = 0; i < length; ++i) std::snprintf(hex + 3 * i, sizeof hex - 3 * i, "%02X ", bytes[i]);
    if (length > 0) hex[3 * length - 1] = '\0';
    const unsigned f = static_cast<unsigned>(quillet_cpu_get_register8(cpu, QUILLET_CPU_F));
    // The label lines, then the line; a label's name has no limit, so the
    // text goes in as a string, padded to its column.
    std::string line;
    for (const std::string& label : common::label_lines(*tracer->symbols, pc)) line += label + "\n";
    char part[160];
    std::snprintf(part, sizeof part, "%12" PRIu64 "  %04lX  %-8s  ", quillet_cpu_states(cpu), pc, hex);
    line += part;
    const std::string shown = common::labelled_instruction(*tracer->symbols, bytes, length, text);
    line += shown;
    if (shown.size() < TEXT_COLUMN_WIDTH) line.append(TEXT_COLUMN_WIDTH - shown.size(), ' ');
    int used = std::snprintf(part, sizeof part, "  AF=%04lX BC=%04lX DE=%04lX HL=%04lX SP=%04lX ",
                             quillet_cpu_get_pair(cpu, QUILLET_REG_AF), quillet_cpu_get_pair(cpu, QUILLET_REG_BC),
                             quillet_cpu_get_pair(cpu, QUILLET_REG_DE), quillet_cpu_get_pair(cpu, QUILLET_REG_HL),
                             quillet_cpu_get_pair(cpu, QUILLET_REG_SP));
    for (const common::FlagBit& bit : common::FLAG_BITS) {
        used += std::snprintf(part + used, sizeof part - static_cast<std::size_t>(used), " %s=%d", bit.name,
                              (f & bit.mask) ? 1 : 0);
    }
    line += part;
    line += "\n";
    if (quillet_output_write(tracer->output, line.data(), line.size()) != 0) {
        // The run ends after this instruction; the trace stays on until then,
        // as the processor honours a stop request in its traced loop.
        quillet_cpu_request_stop(tracer->cpu);
        tracer->write_failed = true;
        return;
    }
    --tracer->lines_left;
}

int trace_instruction(void* user, const quillet_cpu* cpu) {
    Tracer* tracer = static_cast<Tracer*>(user);
    if (tracer->lines_left > 0 && !tracer->write_failed) trace_line(tracer, cpu);
    // After a failed write the trace stays on until the run ends, as the
    // processor honours a stop request in its traced loop.
    return tracer->lines_left > 0 || tracer->write_failed ? 1 : 0;
}

std::string hex_word(long value, int digits) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%0*lX", digits, value);
    return text;
}

// The machine's reports: failures are shown, but a key script it refuses,
// or a tape on a model without a tape input, is kept in the string at
// `user`, to be told as a usage error.
void report_keeping_refusals(void* user, int code, const char* text) {
    if (code == QUILLET_ERR_BAD_KEY || code == QUILLET_ERR_BAD_STATE) {
        *static_cast<std::string*>(user) = text;
        return;
    }
    common::print_report(nullptr, code, text);
}

// "4096 or 8192": the monitor image sizes `model` takes.
std::string monitor_sizes_text(int model) {
    std::size_t sizes[8];
    const int count = quillet_machine_monitor_sizes(model, sizes, 8);
    std::string text;
    for (int i = 0; i < count && i < 8; ++i) {
        text += (i == 0 ? "" : i + 1 == count ? " or " : ", ") + std::to_string(sizes[i]);
    }
    return text;
}

}  // namespace

RunMachine::~RunMachine() {
    if (machine_) {
        quillet_machine_free(machine_);
    } else {
        quillet_cpu_free(cpu_);
    }
}

int RunMachine::set_up(const quillet_snapshot* snapshot, const RunOptions& options) {
    if (options.bare) {
        cpu_ = quillet_cpu_new();
        if (!cpu_) return common::report_failure(common::CONSOLE_FAILURES, QUILLET_ERR_OUT_OF_MEMORY);
        quillet_cpu_set_reporter(cpu_, common::print_report, nullptr);
        if (const int result = quillet_cpu_from_snapshot(cpu_, snapshot)) return result;
        if (const int result = map_rom_images(cpu_, options.roms)) return result;
    } else if (const int result = set_up_pmd85(snapshot, options)) {
        return result;
    }
    for (const RegisterValue& item : options.registers) set_register(cpu_, item);
    for (const MemoryBytes& poke : options.pokes) {
        quillet_cpu_write_memory(cpu_, poke.address, poke.bytes.data(), poke.bytes.size());
    }
    for (const long address : options.untils) quillet_cpu_set_stop(cpu_, address, 1);
    return 0;
}

int RunMachine::set_up_pmd85(const quillet_snapshot* snapshot, const RunOptions& options) {
    std::vector<std::uint8_t> monitor;
    if (options.monitor_path) {
        const int model = quillet_get_model(snapshot);
        const auto does_not_fit = [&](long long size) {
            const std::string message = "--monitor image of " + std::to_string(size) + " bytes does not fit the " +
                                        quillet_model_name(model) + " (it takes " + monitor_sizes_text(model) +
                                        " bytes):";
            print_run_usage_error(message.c_str(), options.monitor_path);
            return EXIT_USAGE;
        };
        // Opened once: its size is checked before a regular file is read, a pipe's after it.
        long long refused_size = 0;
        const int read = common::read_image_file(options.monitor_path, common::TEXT_FILE_MAX, [&](std::size_t size) {
            refused_size = static_cast<long long>(size);
            return quillet_machine_monitor_fits(model, size) == 1;
        }, &monitor);
        if (read == common::IMAGE_REFUSED) return does_not_fit(refused_size);
        if (read != 0) return read;
        common::warn_of_foreign_monitor(PROGRAM_NAME, options.monitor_path, monitor.data(), monitor.size(), model);
    }
    if (const int result = quillet_machine_new(snapshot, monitor.empty() ? nullptr : monitor.data(), monitor.size(),
                                               report_keeping_refusals, &refusal_, &machine_)) {
        return result;
    }
    cpu_ = quillet_machine_cpu(machine_);
    if (const int result = fit_module(snapshot, options)) return result;
    // Port C's record only for the output that reports it: --out-log in the JSON (--audio takes the
    // sound as the run goes).
    if (options.json && options.out_log) quillet_machine_record_port_c(machine_, 1);
    if (options.boot) quillet_machine_boot(machine_);
    if (const int result = insert_tape(snapshot, options)) return result;
    if (const int result = type_keys(options)) return result;
    if (options.until_text) quillet_machine_set_until_text(machine_, options.until_text);
    return 0;
}

// Fits --module's image in place of the snapshot's module. A file longer
// than the module's 32 KB is refused as too long; an empty one, or a model
// without the module's port: a usage error.
int RunMachine::fit_module(const quillet_snapshot* snapshot, const RunOptions& options) {
    if (!options.module_path) return 0;
    if (quillet_machine_rom_module_readable(machine_) != 1) {
        const std::string message =
            std::string("--module: the ") + quillet_model_name(quillet_get_model(snapshot)) + " has no ROM module port";
        print_run_usage_error(message.c_str(), options.module_path);
        return EXIT_USAGE;
    }
    std::vector<std::uint8_t> image(QUILLET_ROM_MODULE_MAX);
    const long size = quillet_file_read(options.module_path, image.data(), image.size(), common::print_report, nullptr);
    if (size < 0) return static_cast<int>(size);
    if (size == 0) {
        print_run_usage_error("--module image is empty:", options.module_path);
        return EXIT_USAGE;
    }
    return quillet_machine_set_rom_module(machine_, image.data(), static_cast<std::size_t>(size));
}

// Puts --tape's tape into the machine's recorder. A file that is no tape
// is reported with the tape reader's message and code; a model without a
// tape input is a usage error.
int RunMachine::insert_tape(const quillet_snapshot* snapshot, const RunOptions& options) {
    if (!options.tape_path) return 0;
    std::unique_ptr<quillet_tape, void (*)(quillet_tape*)> tape(quillet_tape_new(), quillet_tape_free);
    if (!tape) return common::report_failure(common::CONSOLE_FAILURES, QUILLET_ERR_OUT_OF_MEMORY);
    quillet_tape_set_reporter(tape.get(), common::print_report, nullptr);
    if (const int result = quillet_tape_read_file(tape.get(), options.tape_path)) return result;
    const int inserted = quillet_machine_insert_tape(machine_, tape.get());
    if (inserted == QUILLET_ERR_BAD_STATE) {
        const std::string message = std::string("--tape: the ") + quillet_model_name(quillet_get_model(snapshot)) +
                                    " has no tape input here (its own tape format is not modelled)";
        print_run_usage_error(message.c_str(), options.tape_path);
        return EXIT_USAGE;
    }
    return inserted;
}

// Types --type's texts and --keys' files in order. A file that cannot be
// read, or a key the model has not: a usage error naming it.
int RunMachine::type_keys(const RunOptions& options) {
    for (const KeyScript& script : options.key_scripts) {
        std::string text;
        if (!script.from_file) {
            text = script.text;
        } else if (const int code = common::read_text_file(script.text, &text)) {
            return code;
        }
        if (quillet_machine_type(machine_, text.data(), text.size()) != 0) {
            // The library's words name what the script holds: shown escaped,
            // and cut as a line of a file is (with room for the words).
            constexpr std::size_t REFUSAL_SHOWN_MAX = 4 * common::SHOWN_LINE_MAX;
            const std::string message = "cannot type with " + std::string(script.from_file ? "--keys" : "--type") +
                                        ": " + common::shown_line(refusal_, REFUSAL_SHOWN_MAX);
            print_run_usage_error(message.c_str(), nullptr);
            return EXIT_USAGE;
        }
    }
    return 0;
}

std::vector<std::uint8_t> RunMachine::video() const {
    std::vector<std::uint8_t> video(QUILLET_VIDEO_SIZE);
    if (machine_) {
        quillet_machine_read_video(machine_, video.data(), video.size());
    } else {
        quillet_cpu_read_memory(cpu_, VIDEO_ADDRESS, video.data(), video.size());
    }
    return video;
}

std::vector<std::string> RunMachine::screen_rows() const {
    std::vector<std::string> rows;
    size_t length = 0;
    if (!machine_ || quillet_machine_screen_text(machine_, nullptr, 0, &length) != 0) return rows;
    std::vector<char> text(length + 1);
    quillet_machine_screen_text(machine_, text.data(), text.size(), nullptr);
    std::string row;
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] != '\n') {
            row += text[i];
            continue;
        }
        rows.push_back(row);
        row.clear();
    }
    while (!rows.empty() && rows.back().empty()) rows.pop_back();  // the blank rows below the last text
    return rows;
}

int RunMachine::to_snapshot(quillet_snapshot* snapshot) const {
    return machine_ ? quillet_machine_to_snapshot(machine_, snapshot) : quillet_cpu_to_snapshot(cpu_, snapshot);
}

RunResult run_machine(const RunMachine& machine, const quillet_snapshot* snapshot, const RunOptions& options,
                      quillet_output* trace, common::Coverage* coverage, AudioStream* audio) {
    quillet_cpu* cpu = machine.cpu();
    RunResult result{};
    const bool block2 = quillet_model_stores_block2(quillet_get_model(snapshot)) == 1;
    for (int block = 0; block < ADDRESS_SPACE_BLOCKS; ++block) {
        result.zero_blocks[block] = quillet_has_page(snapshot, block) != 1 || (block == QUILLET_BLOCK_2 && !block2);
    }
    Ports ports{};
    ports.cpu = cpu;
    ports.after_inputs = machine.machine() ? DEVICE_ANSWERS : NO_INPUT;
    ports.log_writes = options.out_log;
    ports.writes = &result.writes;
    for (const PortInput& input : options.inputs) {
        std::vector<std::uint8_t>& queue = ports.inputs[input.port];
        queue.insert(queue.end(), input.bytes.begin(), input.bytes.end());
    }
    quillet_cpu_set_ports(cpu, port_in, port_out, &ports);
    Tracer tracer{trace, cpu, trace ? options.trace_limit : 0, false, &options.symbols()};
    if (trace) quillet_cpu_set_trace(cpu, trace_instruction, &tracer);
    if (audio && audio->wanted()) {
        const RunBudget budget{options.max_states, options.max_instructions, options.call, options.call_address,
                               &options.untils};
        result.reason = run_in_slices(cpu, budget, [&] { audio->take(machine.machine()); });
    } else if (options.call) {
        result.reason = quillet_cpu_call(cpu, options.call_address, options.max_states, options.max_instructions);
    } else {
        result.reason = quillet_cpu_run(cpu, options.max_states, options.max_instructions, 0);
    }
    // The machine's request to stop, unless a trace line asked for it, is
    // the screen showing --until-text's text.
    if (result.reason == QUILLET_STOP_REQUESTED && options.until_text && !tracer.write_failed) {
        result.reason = RUN_STOP_SCREEN_TEXT;
    }
    if (coverage) {
        coverage->add_counted(cpu);
        quillet_cpu_set_coverage(cpu, 0);
    }
    quillet_cpu_set_trace(cpu, nullptr, nullptr);
    quillet_cpu_set_ports(cpu, nullptr, nullptr, nullptr);
    return result;
}

namespace {

// "0x104B", or "result (0x104B)" when the check was given the label.
std::string labelled(const std::string& label, long value, int digits) {
    return label.empty() ? hex_word(value, digits) : label + " (" + hex_word(value, digits) + ")";
}

}  // namespace

std::vector<CheckResult> check_expectations(const RunMachine& machine, const RunOptions& options) {
    const quillet_cpu* cpu = machine.cpu();
    std::vector<CheckResult> checks;
    for (const RegisterValue& item : options.expected_registers) {
        const int digits = item.reg.pair ? 4 : 2;
        const long found = register_value(cpu, item.reg);
        checks.push_back(CheckResult{common::register_name_text(item.reg), labelled(item.label, item.value, digits),
                                     hex_word(found, digits), found == item.value});
    }
    const unsigned f = static_cast<unsigned>(quillet_cpu_get_register8(cpu, QUILLET_CPU_F));
    for (const FlagValue& flag : options.expected_flags) {
        const bool set = (f & flag.mask) != 0;
        checks.push_back(CheckResult{std::string("flag ") + flag.name, flag.set ? "1" : "0", set ? "1" : "0",
                                     set == flag.set});
    }
    for (const MemoryBytes& item : options.expected_memory) {
        std::vector<std::uint8_t> found(item.bytes.size());
        quillet_cpu_read_memory(cpu, item.address, found.data(), found.size());
        checks.push_back(CheckResult{"memory " + labelled(item.label, item.address, 4), common::hex_text(item.bytes),
                                     common::hex_text(found), found == item.bytes});
    }
    for (const char* text : options.expected_texts) {
        const bool shown = quillet_machine_screen_shows(machine.machine(), text) == 1;
        checks.push_back(CheckResult{std::string("text \"") + text + "\"", "on the screen",
                                     shown ? "on the screen" : "not on the screen", shown});
    }
    return checks;
}

}  // namespace quillet::run
