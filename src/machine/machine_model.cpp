// The models of the PMD 85 family, from the hardware sheet's sections 1, 3,
// 4 and 5 (each fact's sources are given there).
#include "machine/machine_model.hpp"

#include "snapshot/snapshot_format.hpp"

namespace quillet {

namespace {

constexpr std::uint8_t IO_BOARD_USART = 0x1C;  // 1Ch-1Fh, A1 ignored: 1Eh data, 1Fh status
constexpr std::uint8_t IO_BOARD_USART_MASK = 0xFC;
constexpr std::uint8_t ALFA_USART = 0xF0;      // F0h data, F1h status
constexpr std::uint8_t ALFA_USART_MASK = 0xFE;
// No key down: rows, SHIFT and STOP high; PB7 reads 0 (the schematic's
// re-creation and one emulator; another returns 1, which no monitor
// reads). MATO's PB7 is its EOL key, high when up.
constexpr std::uint8_t PMD_IDLE = 0x7F;
constexpr std::uint8_t MATO_IDLE = 0xFF;
// The lower-case glyphs: at 08C0h in monitors 2, 2A, 3, Alfa 2 and C2717,
// two bytes lower in MATO's (its own glyph pointers say so); monitor 1
// and Alfa have none.
constexpr std::size_t LOWER_GLYPHS = 0x08C0;
constexpr std::size_t MATO_LOWER_GLYPHS = 0x08BE;
constexpr std::size_t NO_LOWER_CASE = 0;
constexpr SpeakerWiring PC2 = SpeakerWiring::PC2_AND_TONES;
constexpr TransmitClockSource SEPARATOR_CLOCK = TransmitClockSource::SEPARATOR;
constexpr TransmitClockSource COUNTER_1 = TransmitClockSource::COUNTER_1;

// The tape: PMD 85-1 and Alfa through the hardware separator, which also
// clocks the 8251 both ways; the PMD 85-2 family (2, 2A, 3, Alfa 2, C2717)
// on DSR, its transmitter clocked by the 8253 (C2717: counter 0).
// Indexed by ComputerModel.
constexpr ModelFacts MODELS[MODEL_COUNT] = {
    // V1: monitor 1 (4 KB; 5 KB with diacritics; 8 KB images run from 8000h)
    {"V1", MemoryBoard::ROM_48K, 0x8000, {4096, 5120, 8192}, 4096, AllRamControl::NONE, true, IO_BOARD_USART,
     IO_BOARD_USART_MASK, true, false, false, PMD_IDLE, TapeInterface::SEPARATOR, PC2, NO_LOWER_CASE, false, SEPARATOR_CLOCK},
    {"V2", MemoryBoard::ROM_48K, 0x8000, {4096, 8192, 0}, 4096, AllRamControl::NONE, true, IO_BOARD_USART,
     IO_BOARD_USART_MASK, true, false, false, PMD_IDLE, TapeInterface::DSR, PC2, LOWER_GLYPHS, false, COUNTER_1},
    {"V2A", MemoryBoard::ROM_64K, 0x8000, {4096, 8192, 0}, 4096, AllRamControl::PC4_LOW, true, IO_BOARD_USART,
     IO_BOARD_USART_MASK, true, true, false, PMD_IDLE, TapeInterface::DSR, PC2, LOWER_GLYPHS, false, COUNTER_1},
    {"V3", MemoryBoard::ROM_E000, 0xE000, {8192, 0, 0}, 8192, AllRamControl::PC4_LOW, true, IO_BOARD_USART,
     IO_BOARD_USART_MASK, true, true, true, PMD_IDLE, TapeInterface::DSR, PC2, LOWER_GLYPHS, false, COUNTER_1},
    // MATO: the system 8255 only, no I/O board, no module port.
    {"MATO", MemoryBoard::ROM_48K, 0x8000, {16384, 0, 0}, 16384, AllRamControl::NONE, false, 0, 0, false, false,
     false, MATO_IDLE, TapeInterface::NONE, SpeakerWiring::PC1_ALONE, MATO_LOWER_GLYPHS, false, TransmitClockSource::NONE},
    // ALFA: 4 KB monitor and 9 KB BASIC; its 8251 at F0h; no module connector.
    {"ALFA", MemoryBoard::ROM_48K, 0x8000, {13312, 0, 0}, 13312, AllRamControl::NONE, true, ALFA_USART,
     ALFA_USART_MASK, false, false, false, PMD_IDLE, TapeInterface::SEPARATOR, PC2, NO_LOWER_CASE, false, SEPARATOR_CLOCK},
    // ALFA2: its monitor reads the 8251 at F0h/F1h as Alfa's does (the
    // keyboard poll at 8A36h, the tape's byte routine): the sheet names F0h
    // for Alfa only, the firmware decides.
    {"ALFA2", MemoryBoard::ROM_48K, 0x8000, {16384, 0, 0}, 16384, AllRamControl::NONE, true, ALFA_USART,
     ALFA_USART_MASK, true, false, false, PMD_IDLE, TapeInterface::DSR, PC2, LOWER_GLYPHS, false, COUNTER_1},
    {"C2717", MemoryBoard::ROM_C2717, 0x8000, {16384, 0, 0}, 16384, AllRamControl::PC6_HIGH, true,
     IO_BOARD_USART, IO_BOARD_USART_MASK, true, false, false, PMD_IDLE, TapeInterface::DSR, PC2, LOWER_GLYPHS, true, TransmitClockSource::COUNTER_0},
};

}  // namespace

const ModelFacts& model_facts(int model) { return MODELS[model]; }

bool monitor_size_fits(const ModelFacts& facts, std::size_t size) {
    for (std::size_t fits : facts.monitor_sizes) {
        if (fits != 0 && fits == size) return true;
    }
    return false;
}

}  // namespace quillet
