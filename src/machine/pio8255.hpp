// The 8255 parallel interface, as the PMD 85's boards use it: a control
// word that sets the ports' modes and directions and clears the output
// latches, port C's bit set/reset, and output latches that read back.
// What drives an input port is the caller's: it passes the outside's
// levels to pio_read.
//
// In modes 1 and 2 port C carries the handshake of port A (PC3-PC7) or B
// (PC0-PC2), and reading it gives the status word of the data sheet: INTR,
// IBF, OBF (active low) and the INTE flags, which port C's bit set/reset
// sets (PC4/PC6 for A, PC2 for B). With nothing plugged in no strobe and
// no acknowledge ever comes: IBF stays 0, and OBF falls with the first
// byte written and stays low.
#pragma once

#include <cstdint>

namespace quillet {

enum PioRegister : int { PIO_A = 0, PIO_B = 1, PIO_C = 2, PIO_CONTROL = 3 };

constexpr std::uint8_t PIO_RESET_CONTROL = 0x9B;  // every port an input

struct Pio8255 {
    std::uint8_t control = PIO_RESET_CONTROL;
    std::uint8_t latch[3] = {0, 0, 0};  // PA, PB, PC as last written
    // A byte written to port A or B in an output handshake mode that no
    // acknowledge has taken: its OBF is low.
    bool full[2] = {false, false};
};

// Back to the state of reset.
void pio_reset(Pio8255* pio);

// A write to register `reg` (PioRegister). A control word (bit 7 set)
// clears the latches; bit 7 clear sets or resets one bit of port C.
void pio_write(Pio8255* pio, int reg, std::uint8_t value);

// What a read of register `reg` returns: an output port its latch, an
// input port `outside` (the levels on its pins), port C half by half. The
// control register cannot be read: FFh.
std::uint8_t pio_read(const Pio8255& pio, int reg, std::uint8_t outside);

// The bits of port C that are outputs (F0h, 0Fh, both or none).
std::uint8_t pio_port_c_outputs(const Pio8255& pio);

// The levels on port C's pins: the latch where it is an output, `pulled`
// (the outside's levels) where it is an input.
std::uint8_t pio_port_c_levels(const Pio8255& pio, std::uint8_t pulled);

}  // namespace quillet
