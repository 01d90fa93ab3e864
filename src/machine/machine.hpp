// The PMD 85 of one model over the 8080: its memory maps laid over the
// processor's cells, its devices on the ports (ports.cpp), the video
// circuit's timing and frames, the start-up map and a boot from reset,
// runs and calls of a routine.
//
// Hooks let other units attach to the machine: the keyboard on the system
// 8255's input ports, the speaker and the LED on its port C, a callback
// per frame, the caller's bytes for IN ahead of the devices and a look at
// every OUT.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "cpu/cpu8080.hpp"
#include "machine/block_reader.hpp"
#include "machine/machine_model.hpp"
#include "machine/memory_map.hpp"
#include "machine/pio8255.hpp"
#include "machine/tape_input.hpp"
#include "machine/timer8253.hpp"

namespace quillet {

constexpr std::uint64_t STATES_PER_FRAME = 40960;  // 50 frames a second
constexpr std::uint64_t STATES_PER_SECOND = 2048000;

// A run's end beyond the processor's own (CpuStopReason 1..5; 6 is a call
// that returned): the program executed where the monitor would be, and the
// machine has no monitor image.
constexpr int MACHINE_STOP_RETURNED = 6;
constexpr int MACHINE_STOP_NO_MONITOR = 7;

struct MachineHooks {
    // The levels the keyboard drives on the system 8255's port `port`
    // (PIO_B: the rows, PIO_C: MATO's SHIFT/STOP/CNT) with `columns` (PA's
    // latch) selected. Null: no key is down.
    std::uint8_t (*keyboard)(void* context, int port, std::uint8_t columns) = nullptr;
    // The levels of the system 8255's port C changed at state `states`:
    // PC2 the speaker, PC0 and PC1 the gates of the 1 kHz and 4 kHz tones,
    // PC3 the LED (MATO: PC1 the speaker).
    void (*port_c)(void* context, std::uint8_t levels, std::uint64_t states) = nullptr;
    // Frame `frame` (counted from state 0) ended; returning false ends the
    // run (CPU_STOP_REQUESTED).
    bool (*frame)(void* context, std::uint64_t frame) = nullptr;
    // An IN of `port`: true with the byte in *value to answer in place of
    // the devices.
    bool (*input_first)(void* context, std::uint8_t port, std::uint8_t* value) = nullptr;
    // The program wrote the system 8255's port A (the keyboard's columns).
    void (*columns_written)(void* context) = nullptr;
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
    MachineHooks hooks;
};

// A machine of `model` (0..MODEL_COUNT - 1) at power-on: RAM zero, no
// monitor, no module, devices reset, the normal map, PC 0, the video
// timing. Allocates: false when memory runs out.
bool machine_init(Machine* m, int model);

// Places a monitor image (copied) where the model has it. False, and
// nothing changes, when the model takes no image of that size.
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
// the reason is a CpuStopReason or MACHINE_STOP_NO_MONITOR.
int machine_run(Machine* m, const CpuRunLimits& limits);

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

// Frames since state 0.
inline std::uint64_t machine_frames(const Machine& m) { return m.cpu.state.states / STATES_PER_FRAME; }

// The ports (ports.cpp).
std::uint8_t machine_port_in(Machine* m, std::uint8_t port);
void machine_port_out(Machine* m, std::uint8_t port, std::uint8_t value);

// Resets the devices (ports.cpp).
void machine_reset_devices(Machine* m);

// Applies the system 8255's port C to the map and the hooks (ports.cpp).
void machine_port_c_changed(Machine* m);

}  // namespace quillet
