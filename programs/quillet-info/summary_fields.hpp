// The meaning of a snapshot's header fields and pieces, shared by the text
// and the JSON output so that both say the same thing.
#pragma once

#include <cstdint>

#include "snapshot_summary.hpp"

namespace quillet::info {

// The flag bits of F (the low byte of AF) by name, most significant first.
struct FlagBit {
    const char* name;
    unsigned mask;
};
constexpr FlagBit FLAG_BITS[] = {{"S", 0x80}, {"Z", 0x40}, {"AC", 0x10}, {"P", 0x04}, {"CY", 0x01}};
constexpr int FLAG_BIT_COUNT = sizeof(FLAG_BITS) / sizeof(FLAG_BITS[0]);


unsigned register_value(const SnapshotSummary& s, int reg);
int header_version(const SnapshotSummary& s);
int header_length(const SnapshotSummary& s);
int model_number(const SnapshotSummary& s);
bool interrupts_enabled(const SnapshotSummary& s);
std::uint8_t header_byte(const SnapshotSummary& s, int offset);

// Stored form of a piece. Names: "raw", "fill", "run".
enum StoredForm { FORM_RAW, FORM_FILL, FORM_RUN };
const char* form_name(StoredForm form);
StoredForm block_form(int stored_length);
StoredForm rom_form(unsigned descriptor);
unsigned rom_descriptor(const SnapshotSummary& s);

// AllRAM switch at byte 30. Names: "on", "off", "other".
enum AllRamState { ALLRAM_STATE_ON, ALLRAM_STATE_OFF, ALLRAM_STATE_OTHER };
AllRamState allram_state(std::uint8_t byte);
const char* allram_name(AllRamState state);

// Add-on hardware, meaningful only when has_addon_hardware(). Names:
// "not_plugged", "interrupt_disabled", "interrupt_enabled", "unknown".
enum PluggedState { NOT_PLUGGED_STATE, INTERRUPT_DISABLED, INTERRUPT_ENABLED, UNKNOWN_STATE };
const char* plugged_name(PluggedState state);
bool has_addon_hardware(const SnapshotSummary& s);
// The MUSICA state of an interface that is not plugged: 0xFF, then zeros.
constexpr std::uint8_t MUSICA_UNPLUGGED_STATE[QUILLET_MUSICA_STATE_SIZE] = {QUILLET_NOT_PLUGGED};
PluggedState vcpu_state(std::uint8_t byte);
PluggedState mif85_state(std::uint8_t byte);
bool mapper_present(std::uint8_t port_byte);
bool musica_plugged(const SnapshotSummary& s);

// Block slots. Names: "present", "absent", "not_stored".
constexpr int BLOCK_2 = 2;  // 0x8000..0xBFFF, stored only by some models
enum BlockState { BLOCK_PRESENT, BLOCK_ABSENT, BLOCK_NOT_STORED };
const char* block_state_name(BlockState state);
int block_slot_count(const SnapshotSummary& s);  // 4 or 16, from the version
BlockState block_state(const SnapshotSummary& s, int block);
bool block_in_address_space(int block);  // blocks 0..3; 4..15 are mapper pages
long block_first_address(int block);

// Bytes after the last piece; -1 when the file size is unknown.
long trailing_bytes(const SnapshotSummary& s);

}  // namespace quillet::info
