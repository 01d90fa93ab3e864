#include "machine/pio8255.hpp"

namespace quillet {

namespace {

constexpr std::uint8_t CONTROL_MODE_SET = 0x80;
constexpr std::uint8_t CONTROL_A_INPUT = 0x10;
constexpr std::uint8_t CONTROL_C_HIGH_INPUT = 0x08;
constexpr std::uint8_t CONTROL_B_INPUT = 0x02;
constexpr std::uint8_t CONTROL_C_LOW_INPUT = 0x01;
constexpr std::uint8_t CONTROL_A_MODE = 0x60;     // 00 mode 0, 01 mode 1, 1x mode 2
constexpr std::uint8_t CONTROL_A_MODE_1 = 0x20;
constexpr std::uint8_t CONTROL_B_MODE_1 = 0x04;

// Port C's bits in the handshake modes.
constexpr std::uint8_t INTR_B = 0x01, BF_B = 0x02, INTE_B = 0x04;  // BF: IBF or OBF
constexpr std::uint8_t INTR_A = 0x08, INTE_A_IN = 0x10, IBF_A = 0x20, INTE_A_OUT = 0x40, OBF_A = 0x80;
constexpr std::uint8_t GROUP_B_HANDSHAKE = INTR_B | BF_B | INTE_B;

int mode_a(std::uint8_t control) {
    return (control & CONTROL_A_MODE) == 0 ? 0 : (control & CONTROL_A_MODE) == CONTROL_A_MODE_1 ? 1 : 2;
}

// The status bits of port A's handshake, with the mask of the bits they take.
std::uint8_t status_a(const Pio8255& pio, std::uint8_t* taken) {
    const int mode = mode_a(pio.control);
    const std::uint8_t inte = pio.latch[PIO_C];
    // Nothing plugged in: no strobe (IBF 0, no input INTR); an output's
    // INTR stands while OBF is high and INTE set, until a byte is written.
    const std::uint8_t obf = pio.full[PIO_A] ? 0 : OBF_A;
    const std::uint8_t output_intr = !pio.full[PIO_A] && (inte & INTE_A_OUT) ? INTR_A : 0;
    if (mode == 2) {
        *taken = INTR_A | INTE_A_IN | IBF_A | INTE_A_OUT | OBF_A;
        return static_cast<std::uint8_t>(output_intr | (inte & (INTE_A_IN | INTE_A_OUT)) | obf);
    }
    if (pio.control & CONTROL_A_INPUT) {
        *taken = INTR_A | INTE_A_IN | IBF_A;
        return inte & INTE_A_IN;
    }
    *taken = INTR_A | INTE_A_OUT | OBF_A;
    return static_cast<std::uint8_t>(output_intr | (inte & INTE_A_OUT) | obf);
}

std::uint8_t status_b(const Pio8255& pio) {
    const std::uint8_t inte = pio.latch[PIO_C] & INTE_B;
    if (pio.control & CONTROL_B_INPUT) return inte;
    const std::uint8_t obf = pio.full[PIO_B] ? 0 : BF_B;
    return static_cast<std::uint8_t>((!pio.full[PIO_B] && inte ? INTR_B : 0) | obf | inte);
}

bool is_input(const Pio8255& pio, int reg) {
    return pio.control & (reg == PIO_A ? CONTROL_A_INPUT : CONTROL_B_INPUT);
}

}  // namespace

void pio_reset(Pio8255* pio) { *pio = Pio8255{}; }

void pio_write(Pio8255* pio, int reg, std::uint8_t value) {
    if (reg == PIO_CONTROL) {
        if (value & CONTROL_MODE_SET) {
            pio->control = value;
            pio->latch[PIO_A] = pio->latch[PIO_B] = pio->latch[PIO_C] = 0;
            pio->full[PIO_A] = pio->full[PIO_B] = false;
        } else {
            const std::uint8_t bit = static_cast<std::uint8_t>(1u << ((value >> 1) & 7));
            pio->latch[PIO_C] = static_cast<std::uint8_t>(value & 1 ? pio->latch[PIO_C] | bit : pio->latch[PIO_C] & ~bit);
        }
        return;
    }
    pio->latch[reg] = value;
    // A byte written in an output handshake: OBF falls, no ACK raises it.
    if (reg == PIO_A && mode_a(pio->control) != 0 && (mode_a(pio->control) == 2 || !is_input(*pio, PIO_A))) {
        pio->full[PIO_A] = true;
    }
    if (reg == PIO_B && (pio->control & CONTROL_B_MODE_1) && !is_input(*pio, PIO_B)) pio->full[PIO_B] = true;
}

std::uint8_t pio_port_c_outputs(const Pio8255& pio) {
    return static_cast<std::uint8_t>((pio.control & CONTROL_C_HIGH_INPUT ? 0 : 0xF0) |
                                     (pio.control & CONTROL_C_LOW_INPUT ? 0 : 0x0F));
}

std::uint8_t pio_port_c_levels(const Pio8255& pio, std::uint8_t pulled) {
    const std::uint8_t outputs = pio_port_c_outputs(pio);
    return static_cast<std::uint8_t>((pio.latch[PIO_C] & outputs) | (pulled & ~outputs));
}

std::uint8_t pio_read(const Pio8255& pio, int reg, std::uint8_t outside) {
    if (reg == PIO_CONTROL) return 0xFF;
    if (reg == PIO_C) {
        std::uint8_t value = pio_port_c_levels(pio, outside);
        if (mode_a(pio.control) != 0) {
            std::uint8_t taken = 0;
            const std::uint8_t status = status_a(pio, &taken);
            value = static_cast<std::uint8_t>((value & ~taken) | status);
        }
        if (pio.control & CONTROL_B_MODE_1) {
            value = static_cast<std::uint8_t>((value & ~GROUP_B_HANDSHAKE) | status_b(pio));
        }
        return value;
    }
    return is_input(pio, reg) ? outside : pio.latch[reg];
}

}  // namespace quillet
