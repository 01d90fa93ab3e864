#include "snapshot/snapshot.hpp"

#include <cstring>
#include <utility>

namespace quillet {

const std::uint16_t DEFAULT_REGISTERS[REGISTER_COUNT] = {0x0046, 0x0000, 0x0000, 0x0000, 0x8000, 0x8000};

const std::uint8_t DEFAULT_PERIPHERAL_STATE[PERIPHERAL_STATE_SIZE] = {
    0x8A, 0x00, 0x00, 0xAD, 0x82, 0x00, 0x00, 0x06, 0x9B, 0x00, 0x00, 0x00, 0x00,
    0x32, 0xFF, 0xFF, 0x76, 0x20, 0x00, 0xB2, 0xFF, 0xFF, 0xED, 0x00, 0x00, 0x23,
};

Snapshot::Snapshot()
    : model(MODEL_V2A),
      interrupts_enabled(false),
      vcpu_circuit(NOT_PLUGGED),
      mapper_port(NOT_PLUGGED),
      mif85_state(NOT_PLUGGED) {
    std::memcpy(registers, DEFAULT_REGISTERS, sizeof registers);
    std::memcpy(peripheral_state, DEFAULT_PERIPHERAL_STATE, sizeof peripheral_state);
    std::memcpy(musica_state, MUSICA_UNPLUGGED_STATE, sizeof musica_state);
}

bool has_addon_hardware(const Snapshot& s) {
    return s.vcpu_circuit != NOT_PLUGGED || s.mapper_port != NOT_PLUGGED || s.mif85_state != NOT_PLUGGED ||
           musica_plugged(s);
}

bool has_memory_mapper(const Snapshot& s) { return s.mapper_port != NOT_PLUGGED; }

void set_register(Snapshot* s, int reg, unsigned value) {
    if (reg == REG_AF) value = (value & AF_BITS_CLEARED) | AF_BITS_SET;
    s->registers[reg] = static_cast<std::uint16_t>(value);
}

void set_allram(Snapshot* s, bool on) { s->peripheral_state[ALLRAM_INDEX] = on ? ALLRAM_ON : ALLRAM_OFF; }

bool allram_on(const Snapshot& s) { return s.peripheral_state[ALLRAM_INDEX] == ALLRAM_ON; }

void set_musica(Snapshot* s, bool plugged) {
    std::memcpy(s->musica_state, plugged ? MUSICA_PLUGGED_STATE : MUSICA_UNPLUGGED_STATE, MUSICA_STATE_SIZE);
}

bool musica_plugged(const Snapshot& s) {
    return std::memcmp(s.musica_state, MUSICA_UNPLUGGED_STATE, MUSICA_STATE_SIZE) != 0;
}

int obtain_page(Snapshot* s, int page, const Reporter& reporter) {
    ByteBuffer& buffer = s->pages[page];
    if (buffer) return 0;
    return buffer.allocate(PAGE_BYTES, reporter);
}

void swap_snapshots(Snapshot& a, Snapshot& b) {
    // Everything but the buffers is plain data.
    std::swap(a.model, b.model);
    std::swap(a.interrupts_enabled, b.interrupts_enabled);
    std::swap(a.registers, b.registers);
    std::swap(a.peripheral_state, b.peripheral_state);
    std::swap(a.vcpu_circuit, b.vcpu_circuit);
    std::swap(a.mapper_port, b.mapper_port);
    std::swap(a.mif85_state, b.mif85_state);
    std::swap(a.musica_state, b.musica_state);
    a.rom.swap(b.rom);
    for (int i = 0; i < PAGE_COUNT; ++i) a.pages[i].swap(b.pages[i]);
    std::swap(a.stored, b.stored);
}

}  // namespace quillet
