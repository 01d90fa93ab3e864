// The answers that quillet-info works out about a snapshot's memory and
// header: where a byte string lies (--find) and what differs between two
// snapshots (--diff). The texts and JSON of the answers are the reports'.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "memory_view.hpp"
#include "snapshot_facts.hpp"

namespace quillet::info {

// --find

struct SearchPattern {
    std::string hex;  // as given
    std::vector<std::uint8_t> bytes;
};

// Decodes `hex` by the rules of quillet's -hex (pairs of hexadecimal digits,
// either case). Returns null, or what is wrong with it for a usage error
// that names `hex`.
const char* parse_search_pattern(const char* hex, SearchPattern* pattern);

struct PagePlace {
    int page;
    long offset;
};

struct SearchMatches {
    std::vector<long> addresses;  // in the 64 KB address space, across block boundaries
    std::vector<PagePlace> pages;  // in the mapper pages 4..15
};

// Every start of `bytes` where all of them are present and equal, matches
// that overlap included, in ascending order.
SearchMatches find_bytes(const MemoryView& view, const std::vector<std::uint8_t>& bytes);


// --diff: what differs between two snapshots in what the emulator restores
// from them. How each piece is stored (packed or raw, which offset) does
// not count; the header's block length words and ROM descriptor are stored
// form, and the reserved bytes are not interpreted.

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

SnapshotDiff compare_snapshots(const SnapshotFacts& a, const SnapshotFacts& b);

}  // namespace quillet::info
