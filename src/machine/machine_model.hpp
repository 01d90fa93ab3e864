// What each PMD 85 model of the snapshot format is made of: its RAM, where
// its monitor image goes and which sizes it takes, which devices it has
// and how it switches AllRAM. One row per model; the memory maps built
// from these rows are in memory_map.hpp.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillet {

// How a model makes its RAM readable where its ROM is (AllRAM).
enum class AllRamControl : std::uint8_t {
    NONE,      // no AllRAM
    PC4_LOW,   // system 8255 PC4 = 0 (the upper half of port C pulled up while it is an input)
    PC6_HIGH,  // system 8255 PC6 = 1
};

// The memory board a model has; each lays its maps out its own way.
enum class MemoryBoard : std::uint8_t {
    ROM_48K,    // 48 KB RAM, ROM at 8000h-BFFFh, writes to the ROM lost, start-up mirrors at 0000h
    ROM_64K,    // 64 KB RAM beneath the ROM at 8000h, start-up ROM at 0000h over RAM
    ROM_E000,   // 64 KB RAM, 8 KB ROM read at E000h over the video RAM, start-up ROM everywhere
    ROM_C2717,  // 64 KB RAM, 16 KB ROM at 8000h that writes do not reach beneath
};

// How a tape reaches a model's program.
enum class TapeInterface : std::uint8_t {
    NONE,       // not modelled (MATO reads its own format on PC7)
    SEPARATOR,  // a data/clock separator feeds the 8251's receiver: whole bytes in its data register
    DSR,        // the signal itself on the 8251's DSR input (status bit 7), decoded by the program
};

// What clocks the 8251's transmitter (TxC).
enum class TransmitClockSource : std::uint8_t {
    NONE,       // no 8251
    SEPARATOR,  // the separator's 1200 Hz tape clock (PMD 85-1, Alfa)
    COUNTER_1,  // the 8253's counter 1 OUT (the PMD 85-2 family)
    COUNTER_0,  // the 8253's counter 0 OUT, counting the processor's clock (C2717)
};

// What drives a model's speaker from the system 8255's port C.
enum class SpeakerWiring : std::uint8_t {
    PC2_AND_TONES,  // PC2, or the 1 kHz and 4 kHz tones gated by PC0 and PC1; PC3 the LED
    PC1_ALONE,      // MATO: PC1 alone, no tones (its LEDs on PC2 and PC3 are not heard)
};

constexpr int MONITOR_SIZES_MAX = 3;

struct ModelFacts {
    const char* name;
    MemoryBoard board;
    std::uint16_t monitor_address;     // where the image starts in the normal map
    std::size_t monitor_sizes[MONITOR_SIZES_MAX];  // the sizes the model takes, 0 past the last
    std::size_t monitor_size_default;  // the range that reads FFh without an image
    AllRamControl allram;
    bool io_board;           // 8251, 8253, GPIO 8255, IMS-2 8255, the K2 connector
    std::uint8_t usart_port; // the 8251's first port (data; status is the next)
    std::uint8_t usart_mask; // the bits of a port the 8251 decodes
    bool rom_module_port;    // the ROM module's 8255
    bool mapper_possible;    // the 256 KB extension can be fitted
    bool pc5_reenters_startup;  // PMD 85-3: PC5 = 1 selects the start-up map again
    std::uint8_t keyboard_idle; // the system 8255's PB with no key down
    TapeInterface tape;
    SpeakerWiring speaker;
    // Where the monitor image keeps the glyphs of codes 60h-7Eh (eight
    // bytes each); 0: the monitor has no lower case.
    std::size_t lower_glyphs;
    bool pc5_wide_screen;    // C2717: PC5 set draws 384 pixels a line
    TransmitClockSource transmit_clock;
};

// The facts of `model` (a ComputerModel, 0..MODEL_COUNT - 1).
const ModelFacts& model_facts(int model);

// Whether `size` is one the model's monitor image may have.
bool monitor_size_fits(const ModelFacts& facts, std::size_t size);

}  // namespace quillet
