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
#include "machine/key_script.hpp"
#include "machine/keyboard.hpp"
#include "machine/machine.hpp"
#include "machine/machine_snapshot.hpp"
#include "machine/screen_text.hpp"
#include "machine/speaker.hpp"
#include "snapshot/snapshot_format.hpp"

struct quillet_machine {
    quillet::Machine core;
    quillet_cpu cpu;
    // What a person does and perceives: the keyboard, the screen's text
    // (with the monitor image's font), the speaker and the LED.
    std::unique_ptr<quillet::Keyboard> keyboard;
    quillet::ScreenFont font;
    bool has_font = false;
    std::string until_text;
    quillet::SpeakerRecorder speaker;
};

namespace quillet {
namespace {

const Reporter NO_REPORTER{};

const Reporter& reporter_of(const quillet_machine* machine) { return machine ? machine->cpu.reporter : NO_REPORTER; }

int missing(const quillet_machine* machine, const char* parameter) {
    return report_failure(reporter_of(machine), ERR_MISSING_VALUE, parameter);
}

bool model_known(int model) { return model >= 0 && model < MODEL_COUNT; }

quillet_machine* whole(void* context) { return static_cast<quillet_cpu*>(context)->whole; }

std::uint8_t keyboard_levels(void* context, int port, std::uint8_t columns) {
    quillet_machine* machine = whole(context);
    if (port == PIO_B) return machine->keyboard->read_port_b(columns, machine->core.cpu.state.states);
    return machine->keyboard->read_port_c_upper();
}

void columns_written(void* context) { whole(context)->keyboard->port_a_written(); }

// MATO's speaker is PC1, its LEDs PC2 and PC3: kept as PC2 for the sound.
void port_c_levels(void* context, std::uint8_t levels, std::uint64_t states) {
    quillet_machine* machine = whole(context);
    if (machine->core.model == MODEL_MATO) levels = (levels & PORT_C_TONE_4KHZ) ? PORT_C_SPEAKER : 0;
    machine->speaker.set_port_c(states, levels);
}

bool frame_ended(void* context, std::uint64_t frame) {
    quillet_machine* machine = whole(context);
    machine->keyboard->frame_ended((frame + 1) * STATES_PER_FRAME);  // the state at its end
    if (machine->until_text.empty()) return true;
    return !screen_shows(read_screen_text(machine->font, machine_video_memory(&machine->core)), machine->until_text);
}

int without_font(const quillet_machine* machine) {
    return report_failure(reporter_of(machine), ERR_BAD_STATE, "machine", "without a monitor image");
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
    return machine->speaker.samples(0, machine->core.cpu.state.states, rate, STATES_PER_SECOND);
}

constexpr std::uint32_t RATE_MIN = 8000, RATE_MAX = 192000;

}  // namespace
}  // namespace quillet

using namespace quillet;

int quillet_machine_monitor_fits(int model, size_t size) {
    return model_known(model) && monitor_size_fits(model_facts(model), size) ? 1 : 0;
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
    if (monitor && monitor_length != 0) {
        machine_set_monitor(&machine->core, static_cast<const std::uint8_t*>(monitor), monitor_length);
    }
    machine->cpu.core = &machine->core.cpu;
    machine->cpu.machine = &machine->core;
    machine->cpu.whole = machine;
    machine->cpu.reporter = reporter;
    machine->keyboard.reset(new (std::nothrow) Keyboard(*keyboard_layout(value.model)));
    if (!machine->keyboard) {
        delete machine;
        return report_failure(reporter, ERR_OUT_OF_MEMORY);
    }
    machine->has_font = !machine->core.monitor.empty() &&
                        machine->font.load(value.model, machine->core.monitor.data(), machine->core.monitor.size());
    MachineHooks& hooks = machine->core.hooks;
    hooks.keyboard = keyboard_levels;
    hooks.columns_written = columns_written;
    hooks.port_c = port_c_levels;
    hooks.frame = frame_ended;
    hooks.context = &machine->cpu;
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
    ScriptResult result = parse_key_script(machine->keyboard->layout(), std::string_view(script ? script : "", length));
    if (result.problem != ScriptProblem::none) return script_failure(machine, result);
    machine->keyboard->type(result.strokes, STATES_PER_FRAME);
    return 0;
}

int quillet_machine_key(quillet_machine* machine, const char* name, int down) {
    if (!machine) return missing(machine, "machine");
    if (!name) return missing(machine, "name");
    const KeyboardLayout& layout = machine->keyboard->layout();
    Key key;
    bool shift = false;
    bool found = find_named_key(layout, name, &key) || (std::strlen(name) == 1 && find_character_key(layout, name[0], &key, &shift));
    if (!found) {
        ScriptResult result;
        result.problem = std::strlen(name) == 1 ? ScriptProblem::untypeable : ScriptProblem::unknown_key;
        result.culprit = name;
        return script_failure(machine, result);
    }
    KeyboardMatrix& matrix = machine->keyboard->matrix();
    if (down) {
        matrix.press(key);
        if (shift) matrix.press(KEY_SHIFT);
    } else {
        matrix.release(key);
        if (shift) matrix.release(KEY_SHIFT);
    }
    return 0;
}

int quillet_machine_typing(const quillet_machine* machine) { return machine && machine->keyboard->typing() ? 1 : 0; }

int quillet_machine_screen_shows(quillet_machine* machine, const char* text) {
    if (!machine) return missing(machine, "machine");
    if (!text) return missing(machine, "text");
    if (!machine->has_font) return without_font(machine);
    return screen_shows(read_screen_text(machine->font, machine_video_memory(&machine->core)), text) ? 1 : 0;
}

int quillet_machine_screen_text(quillet_machine* machine, char* out, size_t capacity, size_t* length) {
    if (!machine) return missing(machine, "machine");
    if (!out && capacity != 0) return missing(machine, "out");
    if (!machine->has_font) return without_font(machine);
    std::string text;
    for (const TextRow& row : read_screen_text(machine->font, machine_video_memory(&machine->core))) {
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
    if (text && *text && !machine->has_font) return without_font(machine);
    machine->until_text = text ? text : "";
    return 0;
}

int quillet_machine_audio_samples(quillet_machine* machine, uint32_t rate, int16_t* out, size_t capacity,
                                  size_t* count) {
    if (!machine) return missing(machine, "machine");
    if (!count) return missing(machine, "count");
    if (rate < RATE_MIN || rate > RATE_MAX) {
        return report_failure(reporter_of(machine), ERR_VALUE_RANGE, "sample rate (8000 to 192000)", static_cast<long>(rate));
    }
    std::vector<std::int16_t> samples = machine_samples(machine, rate);
    *count = samples.size();
    if (out) std::memcpy(out, samples.data(), sizeof(std::int16_t) * (samples.size() < capacity ? samples.size() : capacity));
    return 0;
}

int quillet_machine_audio_wav(quillet_machine* machine, uint32_t rate, uint8_t* out, size_t capacity, size_t* length) {
    if (!machine) return missing(machine, "machine");
    if (!length) return missing(machine, "length");
    if (rate < RATE_MIN || rate > RATE_MAX) {
        return report_failure(reporter_of(machine), ERR_VALUE_RANGE, "sample rate (8000 to 192000)", static_cast<long>(rate));
    }
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
    const std::vector<SpeakerRecorder::Change>& changes = machine->speaker.changes();
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
