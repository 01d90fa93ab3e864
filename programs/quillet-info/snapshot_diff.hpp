// --diff: what differs between two snapshots in what the emulator restores
// from them. How each piece is stored (packed or raw, which offset) does
// not count; the header's block length words and ROM descriptor are stored
// form, and the reserved bytes are not interpreted.
#pragma once

#include <vector>

#include "memory_view.hpp"
#include "snapshot_summary.hpp"

namespace quillet::info {

// How a header field's value reads.
enum FieldKind { FIELD_NUMBER, FIELD_MODEL, FIELD_BYTE, FIELD_WORD };

struct HeaderDifference {
    const char* field;  // "model", "PC", "allram", "peripheral_state", ...
    int offset;
    FieldKind kind;
    unsigned a, b;
};

struct RomDifference {
    long a_length, b_length;  // 0: no ROM image
    long first;               // first offset whose bytes differ (or that only one image has)
    long count;               // differing bytes, those beyond the shorter image included
};

// Which side lacks a block that the other one has.
enum AbsentSide { ABSENT_NOWHERE, ABSENT_IN_A, ABSENT_IN_B };

// Differing bytes of one block: `first` and `last` are addresses for the
// blocks 0..3, offsets for the mapper pages 4..15. Differences closer than
// DIFF_MERGE_DISTANCE bytes share a range; `count` is how many bytes in it
// differ. A block present on one side only is one range over all of it.
struct MemoryDifference {
    int block;
    long first, last, count;
    AbsentSide absent;
};

constexpr long DIFF_MERGE_DISTANCE = 16;

struct SnapshotDiff {
    std::vector<HeaderDifference> header;
    bool rom_differs;
    RomDifference rom;
    std::vector<MemoryDifference> memory;

    bool same() const { return header.empty() && !rom_differs && memory.empty(); }
};

SnapshotDiff compare_snapshots(const SnapshotSummary& a, const SnapshotSummary& b);

}  // namespace quillet::info
