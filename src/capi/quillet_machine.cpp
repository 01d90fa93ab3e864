// The public interface of the machine, over the machine layer; its
// processor is a quillet_cpu whose functions act on the machine
// (quillet_cpu.cpp).
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <string>

#include "base/wav_file.hpp"
#include "capi/capi_handles.hpp"
#include "capi/failure_record.hpp"
#include "machine/key_script.hpp"
#include "machine/keyboard.hpp"
#include "machine/known_monitors.hpp"
#include "machine/machine.hpp"
#include "machine/machine_snapshot.hpp"
#include "machine/machine_state.hpp"
#include "machine/screen_text.hpp"
#include "machine/speaker.hpp"
#include "snapshot/snapshot_format.hpp"

// A machine and its processor's handle, which records the failures of
// both.
struct quillet_machine {
    quillet::Machine core;
    quillet_cpu cpu;
};

namespace quillet {
namespace {

const Reporter NO_REPORTER{};

const Reporter& reporter_of(const quillet_machine* machine) { return machine ? machine->cpu.reporter : NO_REPORTER; }

int missing(const quillet_machine* machine, const char* parameter) {
    return report_failure(reporter_of(machine), ERR_MISSING_VALUE, parameter);
}

bool model_known(int model) { return model >= 0 && model < MODEL_COUNT; }

int without_font(const quillet_machine* machine) {
    return report_failure(reporter_of(machine), ERR_BAD_STATE, "machine", "without a monitor image");
}

int without_record(const quillet_machine* machine) {
    return report_failure(reporter_of(machine), ERR_BAD_STATE, "machine", "without a record of port C");
}

// A script's problem as the failure that names it.
int script_failure(const quillet_machine* machine, const ScriptResult& result) {
    std::string what = std::string("the ") + MODEL_NAMES[machine->core.model] + " keyboard ";
    switch (result.problem) {
    case ScriptProblem::unknown_key: what += "has no key of that name"; break;
    case ScriptProblem::untypeable: what += "cannot type it"; break;
    case ScriptProblem::unclosed_brace: what = "no } closes the name"; break;
    case ScriptProblem::bad_wait: what = "WAIT takes a number of frames from 0 to 1000000"; break;
    case ScriptProblem::none: break;
    }
    return report_failure(reporter_of(machine), ERR_BAD_KEY, result.culprit.c_str(), what.c_str());
}

std::vector<std::int16_t> machine_samples(const quillet_machine* machine, std::uint32_t rate) {
    return machine->core.speaker.samples(0, machine->core.cpu.state.states, rate, STATES_PER_SECOND);
}

constexpr std::uint32_t RATE_MIN = SOUND_RATE_MIN, RATE_MAX = SOUND_RATE_MAX;

int bad_rate(const quillet_machine* machine, std::uint32_t rate) {
    return report_failure(reporter_of(machine), ERR_VALUE_RANGE, "sample rate (8000 to 192000)", static_cast<long>(rate));
}

// A key's name as a script of one stroke: a name in braces as it is, a
// single character as the character (a brace by its name), any other name
// in braces.
std::string key_name_script(const char* name) {
    const std::string text = name;
    if (text == "{") return "{LBRACE}";
    if (text == "}") return "{RBRACE}";
    if (text.size() == 1 || (text.size() > 2 && text.front() == '{' && text.back() == '}')) return text;
    return "{" + text + "}";
}

}  // namespace

}  // namespace quillet

using namespace quillet;

int quillet_machine_monitor_fits(int model, size_t size) {
    return model_known(model) && monitor_size_fits(model_facts(model), size) ? 1 : 0;
}

int quillet_monitor_made_for(const void* image, size_t size, const char** name) {
    if (name) *name = nullptr;
    if (!image && size > 0) return ERR_MISSING_VALUE;
    const KnownMonitor* known = known_monitor(static_cast<const std::uint8_t*>(image), size);
    if (!known) return -1;
    if (name) *name = known->name;
    return known->model;
}

int quillet_machine_monitor_sizes(int model, size_t* sizes, int capacity) {
    if (!model_known(model)) return report_failure(NO_REPORTER, ERR_BAD_MODEL, DecimalText(model).c_str());
    int count = 0;
    for (std::size_t size : model_facts(model).monitor_sizes) {
        if (size == 0) continue;
        if (sizes && count < capacity) sizes[count] = size;
        ++count;
    }
    return count;
}

int quillet_machine_new(const quillet_snapshot* snapshot, const void* monitor, size_t monitor_length,
                        quillet_report_fn report, void* user, quillet_machine** out) {
    const Reporter reporter{report, user};
    if (!out) return report_failure(reporter, ERR_MISSING_VALUE, "out");
    *out = nullptr;
    if (!snapshot) return report_failure(reporter, ERR_MISSING_VALUE, "snapshot");
    if (!monitor && monitor_length != 0) return report_failure(reporter, ERR_MISSING_VALUE, "monitor");
    const Snapshot& value = snapshot_value(snapshot);
    if (monitor && monitor_length != 0 && !monitor_size_fits(model_facts(value.model), monitor_length)) {
        return report_failure(reporter, ERR_VALUE_RANGE, "the model's monitor image sizes",
                              static_cast<long>(monitor_length));
    }
    quillet_machine* machine = new (std::nothrow) quillet_machine();
    if (!machine || !machine_from_snapshot(&machine->core, value)) {
        delete machine;
        return report_failure(reporter, ERR_OUT_OF_MEMORY);
    }
    try {
        if (monitor && monitor_length != 0) {
            machine_set_monitor(&machine->core, static_cast<const std::uint8_t*>(monitor), monitor_length);
        }
    } catch (const std::bad_alloc&) {
        delete machine;
        return report_failure(reporter, ERR_OUT_OF_MEMORY);
    }
    machine->cpu.core = &machine->core.cpu;
    machine->cpu.machine = &machine->core;
    machine->cpu.whole = machine;
    machine->cpu.failure.caller = reporter;
    machine->cpu.reporter = Reporter{record_failure, &machine->cpu.failure};
    *out = machine;
    return 0;
}

void quillet_machine_free(quillet_machine* machine) { delete machine; }

quillet_cpu* quillet_machine_cpu(quillet_machine* machine) { return machine ? &machine->cpu : nullptr; }

int quillet_machine_boot(quillet_machine* machine) {
    if (!machine) return missing(machine, "machine");
    if (machine->core.monitor.empty()) {
        return report_failure(reporter_of(machine), ERR_BAD_STATE, "machine", "without a monitor image");
    }
    machine_boot(&machine->core);
    return 0;
}

uint64_t quillet_machine_frames(const quillet_machine* machine) { return machine ? machine_frames(machine->core) : 0; }

int quillet_machine_rom_module_readable(const quillet_machine* machine) {
    if (!machine) return missing(machine, "machine");
    return machine_rom_module_readable(machine->core) ? 1 : 0;
}

int quillet_machine_set_rom_module(quillet_machine* machine, const void* image, size_t length) {
    if (!machine) return missing(machine, "machine");
    if (!image) return missing(machine, "image");
    if (length == 0 || length > QUILLET_ROM_MODULE_MAX) {
        return report_failure(reporter_of(machine), ERR_VALUE_RANGE, "ROM module length (1 to 32768)",
                              static_cast<long>(length));
    }
    if (!machine_rom_module_readable(machine->core)) {
        return report_failure(reporter_of(machine), ERR_BAD_STATE, "machine", "without a ROM module port");
    }
    try {
        machine_set_rom_module(&machine->core, static_cast<const std::uint8_t*>(image), length);
    } catch (const std::bad_alloc&) {
        return report_failure(reporter_of(machine), ERR_OUT_OF_MEMORY);
    }
    return 0;
}

int quillet_machine_read_video(quillet_machine* machine, void* out, size_t length) {
    if (!machine) return missing(machine, "machine");
    if (!out) return missing(machine, "out");
    if (length > RAM_BLOCK_SIZE) {
        return report_failure(reporter_of(machine), ERR_VALUE_RANGE, "video memory length (0 to 16384)",
                              static_cast<long>(length));
    }
    std::memcpy(out, machine_video_memory(&machine->core), length);
    return 0;
}

int quillet_machine_to_snapshot(quillet_machine* machine, quillet_snapshot* snapshot) {
    if (!machine) return missing(machine, "machine");
    if (!snapshot) return missing(machine, "snapshot");
    return machine_to_snapshot(&machine->core, &snapshot_value(snapshot), snapshot_reporter(snapshot));
}

int quillet_machine_type(quillet_machine* machine, const char* script, size_t length) {
    if (!machine) return missing(machine, "machine");
    if (!script && length != 0) return missing(machine, "script");
    ScriptResult result = parse_key_script(machine->core.keyboard.layout(), std::string_view(script ? script : "", length));
    if (result.problem != ScriptProblem::none) return script_failure(machine, result);
    machine_type(&machine->core, result.strokes);
    return 0;
}

int quillet_machine_key(quillet_machine* machine, const char* name, int down) {
    if (!machine) return missing(machine, "machine");
    if (!name) return missing(machine, "name");
    const ScriptResult result = parse_key_script(machine->core.keyboard.layout(), key_name_script(name));
    if (result.problem != ScriptProblem::none) return script_failure(machine, result);
    if (result.strokes.size() != 1 || result.strokes[0].key_count == 0) {
        ScriptResult unknown;
        unknown.problem = ScriptProblem::unknown_key;
        unknown.culprit = name;
        return script_failure(machine, unknown);
    }
    machine_key(&machine->core, result.strokes[0], down != 0);
    return 0;
}

int quillet_machine_key_names(int model, const char** names, int capacity) {
    if (!model_known(model)) return report_failure(NO_REPORTER, ERR_BAD_MODEL, DecimalText(model).c_str());
    return keyboard_key_names(*keyboard_layout(model), names, capacity);
}

int quillet_machine_typing(const quillet_machine* machine) { return machine && machine->core.keyboard.typing() ? 1 : 0; }

int quillet_machine_keys_typed(const quillet_machine* machine, size_t* typed, size_t* total) {
    if (!machine) return missing(machine, "machine");
    if (!typed || !total) return missing(machine, !typed ? "typed" : "total");
    const KeyboardTypist* typist = machine->core.keyboard.typist();
    *typed = typist ? typist->keys_typed() : 0;
    *total = typist ? typist->keys_total() : 0;
    return 0;
}

int quillet_machine_screen_shows(quillet_machine* machine, const char* text) {
    if (!machine) return missing(machine, "machine");
    if (!text) return missing(machine, "text");
    if (!machine->core.has_font) return without_font(machine);
    return screen_shows(machine_screen_rows(&machine->core), text) ? 1 : 0;
}

int quillet_machine_screen_text(quillet_machine* machine, char* out, size_t capacity, size_t* length) {
    if (!machine) return missing(machine, "machine");
    if (!out && capacity != 0) return missing(machine, "out");
    if (!machine->core.has_font) return without_font(machine);
    std::string text;
    for (const TextRow& row : machine_screen_rows(&machine->core)) {
        text += row.text;
        text += '\n';
    }
    if (length) *length = text.size();
    if (capacity != 0) {
        std::size_t copied = text.size() < capacity ? text.size() : capacity - 1;
        std::memcpy(out, text.data(), copied);
        out[copied] = '\0';
    }
    return 0;
}

int quillet_machine_set_until_text(quillet_machine* machine, const char* text) {
    if (!machine) return missing(machine, "machine");
    if (text && *text && !machine->core.has_font) return without_font(machine);
    machine_set_until_text(&machine->core, text ? text : "");
    return 0;
}

int quillet_machine_run_frame(quillet_machine* machine) {
    if (!machine) return missing(machine, "machine");
    return machine_run_frame(&machine->core);
}

int quillet_machine_take_audio(quillet_machine* machine, uint32_t rate, int16_t* out, size_t capacity, size_t* count) {
    if (!machine) return missing(machine, "machine");
    if (!count) return missing(machine, "count");
    if (!out && capacity != 0) return missing(machine, "out");
    if (rate < RATE_MIN || rate > RATE_MAX) return bad_rate(machine, rate);
    *count = machine_take_audio(&machine->core, rate, out, capacity);
    return 0;
}

const char* quillet_machine_last_message(const quillet_machine* machine) { return quillet_cpu_last_message(machine ? &machine->cpu : nullptr); }

int quillet_machine_record_port_c(quillet_machine* machine, int on) {
    if (!machine) return missing(machine, "machine");
    machine->core.speaker.keep_record(on != 0);
    return 0;
}

int quillet_machine_audio_samples(quillet_machine* machine, uint32_t rate, int16_t* out, size_t capacity,
                                  size_t* count) {
    if (!machine) return missing(machine, "machine");
    if (!count) return missing(machine, "count");
    if (rate < RATE_MIN || rate > RATE_MAX) return bad_rate(machine, rate);
    if (!machine->core.speaker.keeping_record()) return without_record(machine);
    std::vector<std::int16_t> samples = machine_samples(machine, rate);
    *count = samples.size();
    if (out) std::memcpy(out, samples.data(), sizeof(std::int16_t) * (samples.size() < capacity ? samples.size() : capacity));
    return 0;
}

int quillet_machine_audio_wav(quillet_machine* machine, uint32_t rate, uint8_t* out, size_t capacity, size_t* length) {
    if (!machine) return missing(machine, "machine");
    if (!length) return missing(machine, "length");
    if (rate < RATE_MIN || rate > RATE_MAX) return bad_rate(machine, rate);
    if (!machine->core.speaker.keeping_record()) return without_record(machine);
    const std::vector<std::int16_t> samples = machine_samples(machine, rate);
    if (const int refused = check_wav_data_size(sizeof(std::int16_t) * std::uint64_t{samples.size()}, reporter_of(machine))) {
        return refused;
    }
    std::vector<std::uint8_t> wav = wav_file(samples, rate);
    *length = wav.size();
    if (out) std::memcpy(out, wav.data(), wav.size() < capacity ? wav.size() : capacity);
    return 0;
}

int quillet_machine_insert_tape(quillet_machine* machine, const quillet_tape* tape) {
    if (!machine) return missing(machine, "machine");
    if (machine->core.facts->tape == TapeInterface::NONE) {
        return report_failure(reporter_of(machine), ERR_BAD_STATE, "machine",
                              "whose tape input is not modelled (MATO)");
    }
    try {
        tape::Tape copy = tape ? tape_value(tape) : tape::Tape{};
        if (tape && copy.blocks.empty()) return report_failure(reporter_of(machine), ERR_TAPE_FORMAT, "tape");
        machine_insert_tape(&machine->core, std::move(copy));
    } catch (const std::bad_alloc&) {
        return report_failure(reporter_of(machine), ERR_OUT_OF_MEMORY);
    }
    return 0;
}

int quillet_machine_tape_blocks(const quillet_machine* machine, size_t* played, size_t* total) {
    if (!machine) return missing(machine, "machine");
    const TapeInput* tape = machine->core.tape.get();
    if (played) *played = tape ? tape->blocks_played(machine->core.cpu.state.states) : 0;
    if (total) *total = tape ? tape->blocks() : 0;
    return 0;
}

int quillet_machine_tape_rejected(const quillet_machine* machine, size_t* blocks, size_t capacity, size_t* count) {
    if (!machine) return missing(machine, "machine");
    if (!count) return missing(machine, "count");
    const TapeInput* tape = machine->core.tape.get();
    *count = tape ? tape->rejected().size() : 0;
    if (blocks) {
        for (std::size_t i = 0; i < *count && i < capacity; ++i) blocks[i] = tape->rejected()[i];
    }
    return 0;
}

int quillet_machine_port_c_changes(quillet_machine* machine, quillet_port_c_change* out, size_t capacity,
                                   size_t* count) {
    if (!machine) return missing(machine, "machine");
    if (!count) return missing(machine, "count");
    if (!out && capacity != 0) return missing(machine, "out");
    if (!machine->core.speaker.keeping_record()) return without_record(machine);
    const std::vector<SpeakerRecorder::Change>& changes = machine->core.speaker.changes();
    *count = changes.size();
    for (std::size_t i = 0; i < changes.size() && i < capacity; ++i) {
        out[i] = quillet_port_c_change{changes[i].state, changes[i].lines, changes[i].changed};
    }
    return 0;
}

int quillet_machine_screen_width(const quillet_machine* machine) {
    if (!machine) return 0;
    return machine_wide_screen(machine->core) ? QUILLET_SCREEN_WIDE_WIDTH : QUILLET_SCREEN_WIDTH;
}

int quillet_machine_save_state(quillet_machine* machine, uint8_t* out, size_t capacity, size_t* length) {
    if (!machine) return missing(machine, "machine");
    if (!length) return missing(machine, "length");
    try {
        const std::vector<std::uint8_t> state = machine_save_state(&machine->core);
        *length = state.size();
        if (!out) return 0;
        if (capacity < state.size()) return report_failure(reporter_of(machine), ERR_OUTPUT_WRITE, QUILLET_MEMORY_NAME);
        std::memcpy(out, state.data(), state.size());
    } catch (const std::bad_alloc&) {
        return report_failure(reporter_of(machine), ERR_OUT_OF_MEMORY);
    }
    return 0;
}

int quillet_machine_load_state(quillet_machine* machine, const uint8_t* state, size_t length) {
    if (!machine) return missing(machine, "machine");
    if (!state) return missing(machine, "state");
    try {
        const std::string problem = machine_load_state(&machine->core, state, length);
        if (!problem.empty()) {
            return report_failure(reporter_of(machine), ERR_BAD_MACHINE_STATE, "state", problem.c_str());
        }
    } catch (const std::bad_alloc&) {
        return report_failure(reporter_of(machine), ERR_OUT_OF_MEMORY);
    }
    return 0;
}

// The blocks the head has passed are the blocks played.
int quillet_machine_tape_position(const quillet_machine* machine, size_t* block, size_t* total) {
    return quillet_machine_tape_blocks(machine, block, total);
}

int quillet_machine_rewind_tape(quillet_machine* machine, size_t block) {
    if (!machine) return missing(machine, "machine");
    TapeInput* tape = machine->core.tape.get();
    if (!tape) return report_failure(reporter_of(machine), ERR_BAD_STATE, "machine", "without a tape");
    if (block > tape->blocks()) {
        return report_failure(reporter_of(machine), ERR_VALUE_RANGE, "block of the tape", static_cast<long>(block));
    }
    tape->rewind(block);
    return 0;
}

int quillet_machine_play_tape(quillet_machine* machine, int play) {
    if (!machine) return missing(machine, "machine");
    TapeInput* tape = machine->core.tape.get();
    if (!tape) return report_failure(reporter_of(machine), ERR_BAD_STATE, "machine", "without a tape");
    if (play) {
        tape->play();
    } else {
        tape->stop(machine->core.cpu.state.states);
    }
    return 0;
}

int quillet_machine_tape_playing(const quillet_machine* machine) {
    if (!machine) return ERR_MISSING_VALUE;
    const TapeInput* tape = machine->core.tape.get();
    return tape && !tape->stopped() ? 1 : 0;
}

int quillet_machine_tape_out(quillet_machine* machine, quillet_tape* out, uint64_t* lost) {
    if (!machine) return missing(machine, "machine");
    if (!out) return missing(machine, "out");
    Machine& m = machine->core;
    // A byte whose time to go out has come is sent before the recording is read.
    usart_catch_up(&m.usart, m.cpu.state.states, machine_transmit_clock(m));
    try {
        tape::Tape sent;
        sent.blocks = m.usart.sent.blocks;
        set_tape_value(out, std::move(sent));
    } catch (const std::bad_alloc&) {
        return report_failure(reporter_of(machine), ERR_OUT_OF_MEMORY);
    }
    if (lost) *lost = m.usart.sent.lost;
    return 0;
}

int quillet_machine_tape_out_size(quillet_machine* machine, size_t* blocks, size_t* bytes) {
    if (!machine) return missing(machine, "machine");
    Machine& m = machine->core;
    usart_catch_up(&m.usart, m.cpu.state.states, machine_transmit_clock(m));
    if (blocks) *blocks = m.usart.sent.blocks.size();
    if (bytes) *bytes = m.usart.sent.bytes;
    return 0;
}

int quillet_machine_clear_tape_out(quillet_machine* machine) {
    if (!machine) return missing(machine, "machine");
    recording_clear(&machine->core.usart.sent);
    return 0;
}
