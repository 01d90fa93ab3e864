// The snapshot value: everything a ZVK snapshot stores, unpacked, plus the
// layout of the file it was last read from.
//
// A snapshot is built in memory (created with the defaults, read from a
// file, changed by memory loading and the settings) and written out whole.
// The stored form (packed or raw) is chosen only when writing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/buffer.hpp"
#include "snapshot/snapshot_format.hpp"

namespace quillet {

// Where a piece (the ROM image or a block) stood in the file it was read
// from.
struct StoredPiece {
    bool present = false;
    std::size_t offset = 0;
    std::size_t stored_length = 0;
    std::size_t unpacked_length = 0;
    int form = 0;  // StoredForm
};

// The layout of the file a snapshot was last read from.
struct StoredLayout {
    std::uint8_t header[HEADER_BUFFER_SIZE] = {};  // zero at and beyond header_length
    int header_length = 0;                         // 0: not read from a file
    StoredPiece rom;
    StoredPiece blocks[PAGE_COUNT];
    std::size_t end = 0;  // just after the last piece
};

struct Snapshot {
    Snapshot();

    int model;  // ComputerModel
    bool interrupts_enabled;
    std::uint16_t registers[REGISTER_COUNT];
    std::uint8_t peripheral_state[PERIPHERAL_STATE_SIZE];
    // Add-on hardware, as the version 2 header stores it.
    std::uint8_t vcpu_circuit;  // NOT_PLUGGED, VCPU_INTERRUPT_DISABLED or _ENABLED
    std::uint8_t mapper_port;   // 0..127 or NOT_PLUGGED
    std::uint8_t mif85_state;   // 0, 1 or NOT_PLUGGED
    std::uint8_t musica_state[MUSICA_STATE_SIZE];
    ByteBuffer rom;                 // the ROM image, rom.size() bytes; empty when none
    ByteBuffer pages[PAGE_COUNT];   // PAGE_BYTES bytes each when present
    StoredLayout stored;
};

// The default register values and peripheral state of a snapshot built
// without a template.
extern const std::uint16_t DEFAULT_REGISTERS[REGISTER_COUNT];
extern const std::uint8_t DEFAULT_PERIPHERAL_STATE[PERIPHERAL_STATE_SIZE];

// Whether any add-on hardware is plugged: such a snapshot is written as a
// version 2 file.
bool has_addon_hardware(const Snapshot& snapshot);

// Whether the memory mapper is plugged: only then are pages 4..15 written.
bool has_memory_mapper(const Snapshot& snapshot);

// Stores `value` (0..65535) in register pair `reg`; AF as the 8080 holds
// it, with bits 3 and 5 of its flag byte cleared and bit 1 set.
void set_register(Snapshot* snapshot, int reg, unsigned value);

// AllRAM on (0x82) or off (0x8A) in byte 30 of the peripheral state.
void set_allram(Snapshot* snapshot, bool on);
bool allram_on(const Snapshot& snapshot);

// The MUSICA interface plugged or not.
void set_musica(Snapshot* snapshot, bool plugged);
bool musica_plugged(const Snapshot& snapshot);

// Obtains page `page` (zero-filled when new). Returns 0 or ERR_OUT_OF_MEMORY.
int obtain_page(Snapshot* snapshot, int page, const Reporter& reporter);

// Exchanges the contents of two snapshots.
void swap_snapshots(Snapshot& a, Snapshot& b);

}  // namespace quillet
