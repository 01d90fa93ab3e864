// The 8255's port C in the handshake modes against the data sheet's
// status words, with nothing plugged in (no strobe, no acknowledge; the
// pins that stay ports read the outside's FFh): what a control word gives,
// then bit set/reset of the INTE flags, then a byte written.
#include <gtest/gtest.h>

#include <vector>

#include "machine/pio8255.hpp"

namespace quillet {
namespace {

struct Step {
    int reg;  // PIO_CONTROL for a bit set/reset, PIO_A or PIO_B for a byte
    std::uint8_t value;
    std::uint8_t port_c;  // read after it
};

struct StatusCase {
    const char* what;
    std::uint8_t control;
    std::uint8_t port_c;  // read after the control word
    std::vector<Step> steps;
};

TEST(Pio8255, PortCReadsTheHandshakeStatusInModesOneAndTwo) {
    constexpr std::uint8_t OUTSIDE = 0xFF;
    const StatusCase cases[] = {
        {"mode 0: the pins", 0x89, 0xFF, {{PIO_CONTROL, 0x01, 0xFF}}},
        // A in: PC3 INTR, PC4 INTE (set by PC4), PC5 IBF; PC6-7 the upper half's.
        {"A mode 1 in, upper out", 0xB0, 0x00, {{PIO_CONTROL, 0x09, 0x10}, {PIO_CONTROL, 0x0F, 0x90}}},
        {"A mode 1 in, upper in", 0xB8, 0xC0, {{PIO_CONTROL, 0x09, 0xD0}}},
        // A out: PC7 OBF high until a byte is written, PC6 INTE, PC3 INTR
        // while OBF is high and INTE set; PC4-5 the upper half's.
        {"A mode 1 out", 0xA0, 0x80, {{PIO_CONTROL, 0x0D, 0xC8}, {PIO_A, 0x55, 0x40}, {PIO_CONTROL, 0x0C, 0x00}}},
        // B: PC0 INTR, PC1 IBF or OBF, PC2 INTE; PC3 the lower half's.
        {"B mode 1 in", 0x86, 0x00, {{PIO_CONTROL, 0x05, 0x04}}},
        {"B mode 1 out", 0x84, 0x02, {{PIO_CONTROL, 0x05, 0x07}, {PIO_B, 0x12, 0x04}, {PIO_A, 0x12, 0x04}}},
        // Mode 2: PC3 INTR, PC4 INTE2 (in), PC5 IBF, PC6 INTE1 (out), PC7 OBF.
        {"A mode 2", 0xC0, 0x80, {{PIO_CONTROL, 0x0D, 0xC8}, {PIO_CONTROL, 0x09, 0xD8}, {PIO_A, 0x00, 0x50}}},
        // The I/O board's as monitor 2 sets it: ADh (A and B out in mode 1,
        // PC4-5 and nothing else of the pins in), then INTE A and B.
        {"monitor 2's ADh", 0xAD, 0xB2, {{PIO_CONTROL, 0x0D, 0xFA}, {PIO_CONTROL, 0x05, 0xFF}, {PIO_B, 0x00, 0xFC}}},
        {"a new mode clears the flags", 0xA0, 0x80, {{PIO_A, 0x01, 0x00}, {PIO_CONTROL, 0xA0, 0x80}}},
    };
    for (const StatusCase& c : cases) {
        SCOPED_TRACE(c.what);
        Pio8255 pio;
        pio_write(&pio, PIO_CONTROL, c.control);
        EXPECT_EQ(pio_read(pio, PIO_C, OUTSIDE), c.port_c);
        for (const Step& step : c.steps) {
            pio_write(&pio, step.reg, step.value);
            EXPECT_EQ(pio_read(pio, PIO_C, OUTSIDE), step.port_c) << "after " << int(step.value);
        }
    }
}

}  // namespace
}  // namespace quillet
