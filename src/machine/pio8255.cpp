#include "machine/pio8255.hpp"

namespace quillet {

namespace {

constexpr std::uint8_t CONTROL_MODE_SET = 0x80;
constexpr std::uint8_t CONTROL_A_INPUT = 0x10;
constexpr std::uint8_t CONTROL_C_HIGH_INPUT = 0x08;
constexpr std::uint8_t CONTROL_B_INPUT = 0x02;
constexpr std::uint8_t CONTROL_C_LOW_INPUT = 0x01;

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
        } else {
            const std::uint8_t bit = static_cast<std::uint8_t>(1u << ((value >> 1) & 7));
            pio->latch[PIO_C] = static_cast<std::uint8_t>(value & 1 ? pio->latch[PIO_C] | bit : pio->latch[PIO_C] & ~bit);
        }
        return;
    }
    pio->latch[reg] = value;
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
    if (reg == PIO_C) return pio_port_c_levels(pio, outside);
    return is_input(pio, reg) ? outside : pio.latch[reg];
}

}  // namespace quillet
