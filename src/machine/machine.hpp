// The PMD 85 of one model over the 8080, as one struct that owns its
// devices: its memory maps laid over the processor's cells, the devices on
// the ports (ports.cpp), the keyboard with its typist, the speaker's
// recorder, the screen's font and a text to wait for, the video circuit's
// timing and frames, the start-up map and a boot from reset, runs and
// calls of a routine.
//
// The caller's own observers of the ports attach through hooks: bytes for
// IN ahead of the devices and a look at every OUT.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cpu/cpu8080.hpp"
#include "machine/block_reader.hpp"
#include "machine/keyboard.hpp"
#include "machine/machine_model.hpp"
#include "machine/memory_map.hpp"
#include "machine/pio8255.hpp"
#include "machine/screen_text.hpp"
#include "machine/speaker.hpp"
#include "machine/tape_input.hpp"
#include "machine/timer8253.hpp"
#include "machine/pulse_tape_out.hpp"
#include "machine/usart8251.hpp"

namespace quillet {

constexpr std::uint64_t STATES_PER_FRAME = 40960;  // 50 frames a second
constexpr std::uint64_t STATES_PER_SECOND = 2048000;

// A run's end beyond the processor's own (CpuStopReason 1..5; 6 is a call
// that returned): the program executed where the monitor would be, and the
// machine has no monitor image.
constexpr int MACHINE_STOP_RETURNED = 6;
constexpr int MACHINE_STOP_NO_MONITOR = 7;
// machine_run_frame: the frame ended.
constexpr int MACHINE_STOP_FRAME = 8;

struct MachineHooks {
    // An IN of `port`: true with the byte in *value to answer in place of
    // the devices.
    bool (*input_first)(void* context, std::uint8_t port, std::uint8_t* value) = nullptr;
    // Every OUT, before the device takes it.
    void (*output_seen)(void* context, std::uint8_t port, std::uint8_t value, std::uint64_t states) = nullptr;
    void* context = nullptr;
};

struct Machine {
    Cpu8080 cpu;
    int model = 0;
    const ModelFacts* facts = nullptr;
    std::vector<std::uint8_t> ram;         // RAM_BLOCKS blocks; those the map shows live in the cells
    std::vector<std::uint8_t> monitor;     // empty: no image
    std::vector<std::uint8_t> rom_module;  // the module's image from address 0
    MapSwitches switches;
    MapRegion regions[MAP_REGIONS];
    bool plain[MAP_REGIONS];               // RAM nothing else shows: its bytes live in the cells
    std::vector<bool> user_stops;
    Pio8255 system_pio, module_pio, gpio_pio, ims_pio;
    Timer8253 timer;
    Usart8251 usart;  // its receiver's side is the tape's (TapeInput)
    PulseTapeOut pulse_out;  // MATO's tape output on PC0, recorded where the 8251's goes
    bool mapper_fitted = false;
    std::uint8_t mapper_port = 0;
    bool mif85_fitted = false;
    bool mif85_interrupts = false;
    std::uint8_t port_c_levels = 0xFF;
    bool reschedule = false;  // a device's next event moved: the run slices again
    std::unique_ptr<TapeInput> tape;  // the tape in the recorder, or none
    // The monitor's block reader, watched while a tape is in (entry 0: not
    // watched): what it asks of the tape and what it made of each block.
    BlockReader reader;
    // What a person uses and perceives: the keyboard on the system 8255,
    // the speaker and the LED on its port C, the screen's text read with
    // the monitor image's font, and a text whose appearance ends a run.
    Keyboard keyboard{*keyboard_layout(0)};
    SpeakerRecorder speaker;
    ScreenFont font;
    bool has_font = false;
    std::string until_text;
    // The text waited for is looked for again only where the video memory
    // changed: the cells that show it note the processor's writes (the
    // RAM block the video circuit showed when they were laid), writes that
    // the map sends elsewhere note their line here, and the last reading
    // is kept.
    struct TextWait {
        unsigned noted_block = 0;
        std::uint64_t noted_regions = 0;  // bit i: region i's cells are noted
        VideoLines changed;
        bool all_changed = true;
        bool shown = false;
        ScreenTextReader reader;
    } text_wait;
    // Where machine_run_frame last stopped at a stop address (PC and
    // states), to go on from there; states UINT64_MAX: it did not.
    std::uint16_t frame_stop_pc = 0;
    std::uint64_t frame_stop_states = UINT64_MAX;
    MachineHooks hooks;
};

// A machine of `model` (0..MODEL_COUNT - 1) at power-on: RAM zero, no
// monitor, no module, devices reset, the normal map, PC 0, the video
// timing. Allocates: false when memory runs out.
bool machine_init(Machine* m, int model);

// Places a monitor image (copied) where the model has it, with its font
// for the screen's text. False, and nothing changes, when the model takes
// no image of that size.
bool machine_set_monitor(Machine* m, const std::uint8_t* image, std::size_t size);

// The ROM module's image (copied), read through its 8255.
void machine_set_rom_module(Machine* m, const std::uint8_t* image, std::size_t size);

// Whether the model has a port through which the module can be read.
bool machine_rom_module_readable(const Machine& m);

// Power-on: PC 0, interrupts off, the start-up map, every device reset,
// the mapper's identity; RAM as it is.
void machine_boot(Machine* m);

// Lays the map of the current switches over the cells, every region of it
// from `ram` and the monitor image (after the cells' plain RAM is copied
// back, where `plain` says they hold it): for a machine whose RAM or
// monitor changed as a whole.
void machine_install_map(Machine* m);

// The same when a switch changes (AllRAM, the start-up map, the mapper):
// only the regions that show something else are laid again, at memory
// speed, so that a program may switch many times a frame.
void machine_switch_map(Machine* m);

// Copies the RAM the cells hold back into `ram`, so that it is whole.
void machine_sync_ram(Machine* m);

// The 16 KB the video circuit shows (RAM_BLOCK_SIZE bytes; valid until
// the machine runs again).
const std::uint8_t* machine_video_memory(Machine* m);

// What the processor reads at `address` .. + length - 1 (wrapping), and
// writes made as the processor makes them (through the map).
void machine_read(const Machine& m, std::uint16_t address, std::uint8_t* out, std::size_t length);
void machine_write(Machine* m, std::uint16_t address, const std::uint8_t* data, std::size_t length);

void machine_set_stop(Machine* m, std::uint16_t address, bool stop);
bool machine_is_stop(const Machine& m, std::uint16_t address);

// Runs within `limits` (totals of the state and instruction counters);
// the reason is a CpuStopReason or MACHINE_STOP_NO_MONITOR. At each
// frame's end the typist moves on and the text waited for is looked for.
int machine_run(Machine* m, const CpuRunLimits& limits);

// Runs to the end of the current frame (MACHINE_STOP_FRAME; the frame
// counter then counts one more) or an earlier stop of machine_run's; a
// run that stopped at a stop address goes on from it when nothing moved
// since. A processor halted with no interrupt to end it lets the frame's
// time pass: the frames' ends, the typist, the tape and the tones go on.
int machine_run_frame(Machine* m);

// Calls the routine at `address` as CALL would, from the current PC and
// SP: runs until it returns to the PC it was called from with the stack as
// it was (MACHINE_STOP_RETURNED), or another stop; `totals` as for machine_run.
int machine_call(Machine* m, std::uint16_t address, const CpuRunLimits& totals);

// Puts `tape` into the recorder (replacing any there), to play from the
// program's first read of the tape interface; an empty tape takes it out.
// While a tape is in, the monitor's block reader is watched (stops of the
// machine's own, which runs pass through) for the bytes it asks for and
// the blocks it rejects: a checksum that fails (Z clear) or a byte it
// could not read (CY).
// False, and nothing changes, on a model whose tape input is not modelled.
bool machine_insert_tape(Machine* m, tape::Tape tape);

// Whether the video circuit draws 384 pixels a line: C2717 with PC5 set.
bool machine_wide_screen(const Machine& m);

// Types `strokes` on the keyboard after what is being typed.
void machine_type(Machine* m, const std::vector<KeyStroke>& strokes);

// Presses or releases the keys of `stroke` by hand, now (HandKeys).
void machine_key(Machine* m, const KeyStroke& stroke, bool down);

// The sound not taken yet, at `rate` (SpeakerRecorder::take): up to
// `capacity` samples into `out`; the number given.
std::size_t machine_take_audio(Machine* m, std::uint32_t rate, std::int16_t* out, std::size_t capacity);

// The rows of text the screen shows, read with the monitor's font (none
// without one: see has_font).
std::vector<TextRow> machine_screen_rows(Machine* m);

// Ends every later run at the first frame whose screen shows `text` in a
// row (CPU_STOP_REQUESTED); empty: no such end.
void machine_set_until_text(Machine* m, std::string text);

// Whether the screen shows the text waited for, read again only where the
// video memory changed since the last time asked.
bool machine_shows_until_text(Machine* m);

// Frames since state 0.
inline std::uint64_t machine_frames(const Machine& m) { return m.cpu.state.states / STATES_PER_FRAME; }

// The ports (ports.cpp).
std::uint8_t machine_port_in(Machine* m, std::uint8_t port);
void machine_port_out(Machine* m, std::uint8_t port, std::uint8_t value);

// After the fields were set from a saved state: the font, the tape's
// watch and the map laid again from `ram` (ports.cpp).
void machine_state_restored(Machine* m);

// The clock of the 8251's transmitter now (ports.cpp).
TransmitClock machine_transmit_clock(const Machine& m);

// Resets the devices (ports.cpp).
void machine_reset_devices(Machine* m);

// Applies the system 8255's port C to the map and the hooks (ports.cpp).
void machine_port_c_changed(Machine* m);

}  // namespace quillet
