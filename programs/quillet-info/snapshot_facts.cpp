#include "snapshot_facts.hpp"

#include <cstdio>
#include <cstring>
#include <string>

#include "failures.hpp"

namespace quillet::info {
namespace {

const char* const FORM_NAMES[] = {"raw", "fill", "run"};  // by QUILLET_FORM_*
const char* const ALLRAM_NAMES[] = {"on", "off", "other"};
const char* const PLUGGED_NAMES[] = {"not_plugged", "interrupt_disabled", "interrupt_enabled", "unknown"};
const char* const BLOCK_STATE_NAMES[] = {"absent", "present", "not_stored"};  // by QUILLET_BLOCK_*

constexpr unsigned LOW_BYTE_MASK = 0xFF;
constexpr int ADDRESS_SPACE_BLOCKS = QUILLET_ADDRESS_SPACE / QUILLET_PAGE_SIZE;

}  // namespace

int gather_facts(const char* path, SnapshotFacts* facts) {
    *facts = SnapshotFacts{};
    facts->path = path;
    facts->file_size = -1;
    facts->snapshot = quillet_snapshot_new();
    if (!facts->snapshot) return common::report_failure(common::CONSOLE_FAILURES, QUILLET_ERR_OUT_OF_MEMORY);
    if (const int result = read_snapshot_input(path, facts->snapshot, &facts->file_size, &facts->detail)) {
        return result;
    }
    quillet_stored_layout(facts->snapshot, &facts->layout);
    quillet_stored_header(facts->snapshot, facts->header);
    quillet_stored_piece_info(facts->snapshot, QUILLET_PIECE_ROM, &facts->rom);
    for (int i = 0; i < QUILLET_PAGE_COUNT; ++i) quillet_stored_piece_info(facts->snapshot, i, &facts->blocks[i]);
    facts->end_offset = static_cast<long>(quillet_stored_end(facts->snapshot));
    return 0;
}

void release_facts(SnapshotFacts* facts) {
    quillet_snapshot_free(facts->snapshot);
    facts->snapshot = nullptr;
}

unsigned register_value(const SnapshotFacts& s, int reg) {
    return static_cast<unsigned>(quillet_get_register(s.snapshot, reg));
}

unsigned flags_byte(const SnapshotFacts& s) { return register_value(s, QUILLET_REG_AF) & LOW_BYTE_MASK; }

std::uint8_t allram_byte(const SnapshotFacts& s) {
    std::uint8_t state[QUILLET_PERIPHERAL_STATE_SIZE];
    quillet_get_peripheral_state(s.snapshot, state);
    return state[0];
}

namespace {

// The first byte of the field `name` in the header as stored.
int stored_byte(const SnapshotFacts& s, const char* name) {
    quillet_field field;
    quillet_field_info(quillet_field_number(name), &field);
    return s.header[field.offset];
}

}  // namespace

int stored_vcpu_byte(const SnapshotFacts& s) { return stored_byte(s, "vcpu_interrupt_circuit"); }
int stored_mapper_byte(const SnapshotFacts& s) { return stored_byte(s, "mapper_port"); }
int stored_mif85_byte(const SnapshotFacts& s) { return stored_byte(s, "mif85"); }

const char* form_name(int form) { return FORM_NAMES[form]; }

AllRamState allram_state(std::uint8_t byte) {
    if (byte == QUILLET_ALLRAM_ON) return ALLRAM_STATE_ON;
    return byte == QUILLET_ALLRAM_OFF ? ALLRAM_STATE_OFF : ALLRAM_STATE_OTHER;
}

const char* allram_name(AllRamState state) { return ALLRAM_NAMES[state]; }
const char* plugged_name(PluggedState state) { return PLUGGED_NAMES[state]; }

PluggedState vcpu_state(int byte) {
    switch (byte) {
    case QUILLET_NOT_PLUGGED: return NOT_PLUGGED_STATE;
    case QUILLET_VCPU_INTERRUPT_DISABLED: return INTERRUPT_DISABLED;
    case QUILLET_VCPU_INTERRUPT_ENABLED: return INTERRUPT_ENABLED;
    default: return UNKNOWN_STATE;
    }
}

PluggedState mif85_state(int byte) {
    switch (byte) {
    case QUILLET_NOT_PLUGGED: return NOT_PLUGGED_STATE;
    case QUILLET_MIF85_INTERRUPT_DISABLED: return INTERRUPT_DISABLED;
    case QUILLET_MIF85_INTERRUPT_ENABLED: return INTERRUPT_ENABLED;
    default: return UNKNOWN_STATE;
    }
}

bool mapper_present(int port_byte) { return port_byte != QUILLET_NOT_PLUGGED; }

const char* block_state_name(int state) { return BLOCK_STATE_NAMES[state]; }

bool block_in_address_space(int block) { return block < ADDRESS_SPACE_BLOCKS; }

long block_first_address(int block) { return static_cast<long>(block) * QUILLET_PAGE_SIZE; }

long trailing_bytes(const SnapshotFacts& s) { return s.file_size < 0 ? -1 : s.file_size - s.end_offset; }

}  // namespace quillet::info
