#include "summary_fields.hpp"

#include <cstring>

namespace quillet::info {
namespace {

const char* const FORM_NAMES[] = {"raw", "fill", "run"};
const char* const ALLRAM_NAMES[] = {"on", "off", "other"};
const char* const PLUGGED_NAMES[] = {"not_plugged", "interrupt_disabled", "interrupt_enabled", "unknown"};
const char* const BLOCK_STATE_NAMES[] = {"present", "absent", "not_stored"};

constexpr int FILL_LENGTH = 1;
constexpr std::uint8_t MIF85_INTERRUPT_DISABLED = 0;
constexpr std::uint8_t MIF85_INTERRUPT_ENABLED = 1;


}  // namespace

std::uint8_t header_byte(const SnapshotSummary& s, int offset) { return s.header[offset]; }

unsigned register_value(const SnapshotSummary& s, int reg) {
    return header_word(s.header, QUILLET_OFFSET_REGISTERS + HEADER_WORD_SIZE * reg);
}

int header_version(const SnapshotSummary& s) { return s.header[QUILLET_OFFSET_VERSION]; }
int header_length(const SnapshotSummary& s) { return static_cast<int>(header_word(s.header, QUILLET_OFFSET_HEADER_LENGTH)); }
int model_number(const SnapshotSummary& s) { return s.header[QUILLET_OFFSET_COMPUTER_MODEL]; }
bool interrupts_enabled(const SnapshotSummary& s) { return s.header[QUILLET_OFFSET_INTERRUPTS_ENABLED] != 0; }

const char* form_name(StoredForm form) { return FORM_NAMES[form]; }

StoredForm block_form(int stored_length) {
    if (stored_length == FILL_LENGTH) return FORM_FILL;
    return stored_length == QUILLET_PAGE_SIZE ? FORM_RAW : FORM_RUN;
}

StoredForm rom_form(unsigned descriptor) {
    if (descriptor & QUILLET_ROM_RAW_FLAG) return FORM_RAW;
    return block_form(static_cast<int>(descriptor & QUILLET_ROM_LENGTH_MASK));
}

unsigned rom_descriptor(const SnapshotSummary& s) { return header_word(s.header, QUILLET_OFFSET_ROM_DESCRIPTOR); }

AllRamState allram_state(std::uint8_t byte) {
    if (byte == QUILLET_ALLRAM_ON) return ALLRAM_STATE_ON;
    return byte == QUILLET_ALLRAM_OFF ? ALLRAM_STATE_OFF : ALLRAM_STATE_OTHER;
}

const char* allram_name(AllRamState state) { return ALLRAM_NAMES[state]; }
const char* plugged_name(PluggedState state) { return PLUGGED_NAMES[state]; }

bool has_addon_hardware(const SnapshotSummary& s) { return header_version(s) >= 2; }

PluggedState vcpu_state(std::uint8_t byte) {
    switch (byte) {
    case QUILLET_NOT_PLUGGED: return NOT_PLUGGED_STATE;
    case QUILLET_VCPU_INTERRUPT_DISABLED: return INTERRUPT_DISABLED;
    case QUILLET_VCPU_INTERRUPT_ENABLED: return INTERRUPT_ENABLED;
    default: return UNKNOWN_STATE;
    }
}

PluggedState mif85_state(std::uint8_t byte) {
    switch (byte) {
    case QUILLET_NOT_PLUGGED: return NOT_PLUGGED_STATE;
    case MIF85_INTERRUPT_DISABLED: return INTERRUPT_DISABLED;
    case MIF85_INTERRUPT_ENABLED: return INTERRUPT_ENABLED;
    default: return UNKNOWN_STATE;
    }
}

bool mapper_present(std::uint8_t port_byte) { return port_byte != QUILLET_NOT_PLUGGED; }

// Only the exact "not plugged" pattern means absent; anything else is the
// state of a plugged interface.
bool musica_plugged(const SnapshotSummary& s) {
    return std::memcmp(s.header + QUILLET_OFFSET_MUSICA_STATE, MUSICA_UNPLUGGED_STATE,
                       sizeof MUSICA_UNPLUGGED_STATE) != 0;
}

const char* block_state_name(BlockState state) { return BLOCK_STATE_NAMES[state]; }

int block_slot_count(const SnapshotSummary& s) { return header_version(s) >= 2 ? QUILLET_PAGE_COUNT : BLOCK_SLOTS_V1; }

BlockState block_state(const SnapshotSummary& s, int block) {
    if (!quillet_model_stores_block2(model_number(s)) && block == BLOCK_2) return BLOCK_NOT_STORED;
    return s.blocks[block].present ? BLOCK_PRESENT : BLOCK_ABSENT;
}

bool block_in_address_space(int block) { return block < BLOCK_SLOTS_V1; }

long block_first_address(int block) { return static_cast<long>(block) * QUILLET_PAGE_SIZE; }

long trailing_bytes(const SnapshotSummary& s) {
    return s.file_size < 0 ? -1 : s.file_size - s.end_offset;
}

}  // namespace quillet::info
