// What quillet-info learns about one snapshot file. It is gathered through
// read_snapshot(), the project's one reader and validator of snapshots, so
// a file is accepted or refused exactly as a template would be.
#pragma once

#include <cstdint>

#include "snapshot/snapshot_format.hpp"

namespace quillet::info {

// One stored piece (the ROM image or a block) as the reader handed it over.
struct PieceRecord {
    bool present;
    long offset;        // file offset of its stored bytes
    int stored_length;
    int data_length;    // unpacked length
};

struct SnapshotSummary {
    const char* path;
    std::uint8_t header[HEADER_BUFFER_SIZE];  // bytes beyond header_length are 0
    int length_words[PAGE_COUNT];             // block-length words; 0 beyond the version's slots
    PieceRecord rom;
    PieceRecord blocks[PAGE_COUNT];
    long end_offset;  // just after the last piece
    long file_size;   // -1 when it cannot be learned
    // Unpacked contents, only when gathered with keep_data: the ROM image
    // (rom.data_length bytes) and the 16 pages (PAGE_COUNT * PAGE_SIZE
    // bytes, zero where a block is absent).
    std::uint8_t* rom_data;
    std::uint8_t* pages;
};

// Reads the snapshot `path` into `summary` (which need not be initialised),
// keeping the unpacked contents when `keep_data` is set. Returns 0 or the
// failure code read_snapshot() reported (ERR_SOURCE_OPEN .. ERR_BAD_BLOCK_SIZE,
// ERR_OUT_OF_MEMORY). Call release_summary() afterwards on every path.
int gather_summary(const char* path, bool keep_data, SnapshotSummary* summary);

// Releases the contents kept by gather_summary().
void release_summary(SnapshotSummary* summary);

}  // namespace quillet::info
