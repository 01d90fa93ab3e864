#include "snapshot/header_settings.hpp"

#include <cstring>

namespace quillet {

void lay_out_settings(const Snapshot& s, std::uint8_t* h) {
    h[OFFSET_COMPUTER_MODEL] = static_cast<std::uint8_t>(s.model);
    h[OFFSET_INTERRUPTS_ENABLED] = s.interrupts_enabled ? 1 : 0;
    for (int r = 0; r < REGISTER_COUNT; ++r) write_word(h + OFFSET_REGISTERS + WORD_SIZE * r, s.registers[r]);
    std::memcpy(h + OFFSET_PERIPHERAL_STATE, s.peripheral_state, PERIPHERAL_STATE_SIZE);
    h[OFFSET_VCPU_INTERRUPT_CIRCUIT] = s.vcpu_circuit;
    h[OFFSET_MAPPER_PORT_VALUE] = s.mapper_port;
    h[OFFSET_MIF85_STATE] = s.mif85_state;
    std::memcpy(h + OFFSET_MUSICA_STATE, s.musica_state, MUSICA_STATE_SIZE);
}

void take_setting_fields(Snapshot* s, const std::uint8_t* h) {
    s->model = h[OFFSET_COMPUTER_MODEL];
    s->interrupts_enabled = h[OFFSET_INTERRUPTS_ENABLED] != 0;
    for (int r = 0; r < REGISTER_COUNT; ++r) s->registers[r] = read_word(h + OFFSET_REGISTERS + WORD_SIZE * r);
    std::memcpy(s->peripheral_state, h + OFFSET_PERIPHERAL_STATE, PERIPHERAL_STATE_SIZE);
    s->vcpu_circuit = h[OFFSET_VCPU_INTERRUPT_CIRCUIT];
    s->mapper_port = h[OFFSET_MAPPER_PORT_VALUE];
    s->mif85_state = h[OFFSET_MIF85_STATE];
    std::memcpy(s->musica_state, h + OFFSET_MUSICA_STATE, MUSICA_STATE_SIZE);
}

void field_bytes(const Snapshot& s, int field, std::uint8_t* out) {
    std::uint8_t header[HEADER_BUFFER_SIZE];
    std::memcpy(header, s.stored.header, sizeof header);
    lay_out_settings(s, header);
    const HeaderField& f = HEADER_FIELDS[field];
    std::memcpy(out, (f.role == FieldRole::SETTING ? header : s.stored.header) + f.offset,
                static_cast<std::size_t>(f.width));
}

}  // namespace quillet
