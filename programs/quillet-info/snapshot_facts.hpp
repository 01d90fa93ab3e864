// What quillet-info learns about one snapshot file, and what its fields
// mean, for the text and the JSON output alike. The file is read through
// the library's reader, the one quillet's templates go through, so it is
// accepted or refused exactly as a template would be; its layout is the
// library's description of what it read.
#pragma once

#include <string>

#include <cstdint>

#include "quillet/quillet.h"
#include "registers.hpp"
#include "snapshot_input.hpp"

namespace quillet::info {

// quillet-info is built on what the programs share.
using namespace common;

struct SnapshotFacts {
    const char* path;
    quillet_layout layout;
    std::uint8_t header[QUILLET_HEADER_SIZE_MAX];  // as stored; 0 beyond its length
    quillet_stored_piece rom;
    quillet_stored_piece blocks[QUILLET_PAGE_COUNT];
    long end_offset;  // just after the last piece
    long file_size;   // -1 when it cannot be learned
    quillet_snapshot* snapshot;  // the contents; owned, freed by release_facts()
    std::string detail;  // after a failed read: where the file ends or what is wrong, if known
};

// Reads the snapshot `path` (standard input for "-", whose size is then
// the count of its bytes) into `facts` (which need not be initialised).
// Failures are printed on standard error as quillet prints them, a read's
// with the line of its detail after the message. Returns 0 or the failure
// code. Call release_facts() afterwards on every path.
int gather_facts(const char* path, SnapshotFacts* facts);
void release_facts(SnapshotFacts* facts);

unsigned register_value(const SnapshotFacts& s, int reg);
unsigned flags_byte(const SnapshotFacts& s);
std::uint8_t allram_byte(const SnapshotFacts& s);
// The add-on hardware bytes as the header holds them (0 beyond a short
// header), which the summary shows as they are.
int stored_vcpu_byte(const SnapshotFacts& s);
int stored_mapper_byte(const SnapshotFacts& s);
int stored_mif85_byte(const SnapshotFacts& s);

// Names of a QUILLET_FORM_*: "raw", "fill", "run".
const char* form_name(int form);

// AllRAM switch at byte 30. Names: "on", "off", "other".
enum AllRamState { ALLRAM_STATE_ON, ALLRAM_STATE_OFF, ALLRAM_STATE_OTHER };
AllRamState allram_state(std::uint8_t byte);
const char* allram_name(AllRamState state);

// Add-on hardware, meaningful only when the layout has it. Names:
// "not_plugged", "interrupt_disabled", "interrupt_enabled", "unknown".
enum PluggedState { NOT_PLUGGED_STATE, INTERRUPT_DISABLED, INTERRUPT_ENABLED, UNKNOWN_STATE };
const char* plugged_name(PluggedState state);
PluggedState vcpu_state(int byte);
PluggedState mif85_state(int byte);
bool mapper_present(int port_byte);

// Names of a QUILLET_BLOCK_*: "absent", "present", "not_stored".
const char* block_state_name(int state);
bool block_in_address_space(int block);  // blocks 0..3; 4..15 are mapper pages
long block_first_address(int block);

// Bytes after the last piece; -1 when the file size is unknown.
long trailing_bytes(const SnapshotFacts& s);

}  // namespace quillet::info
