// What quillet-info learns about one snapshot file. It is read through the
// library's reader, the one that quillet's templates go through, so a file
// is accepted or refused exactly as a template would be.
#pragma once

#include <cstdint>

#include "quillet/quillet.h"

namespace quillet::info {

constexpr int HEADER_WORD_SIZE = 2;
constexpr int BLOCK_SLOTS_V1 = 4;  // blocks 0..3; a version 2 header has all 16

// The little-endian word at `offset` of a header.
inline unsigned header_word(const std::uint8_t* header, int offset) {
    return static_cast<unsigned>(header[offset] | (header[offset + 1] << 8));
}

// One stored piece (the ROM image or a block) as the file held it.
struct PieceRecord {
    bool present;
    long offset;  // file offset of its stored bytes
    int stored_length;
    int data_length;  // unpacked length
};

struct SnapshotSummary {
    const char* path;
    std::uint8_t header[QUILLET_HEADER_SIZE_MAX];  // bytes beyond header_length are 0
    int length_words[QUILLET_PAGE_COUNT];          // block-length words; 0 beyond the version's slots
    PieceRecord rom;
    PieceRecord blocks[QUILLET_PAGE_COUNT];
    long end_offset;  // just after the last piece
    long file_size;   // -1 when it cannot be learned
    quillet_snapshot* snapshot;  // the contents; owned, freed by release_summary()
};

// Reads the snapshot `path` ("-": standard input, whose size is then the
// count of its bytes) into `summary` (which need not be initialised).
// Failures are printed on standard error as quillet prints them. Returns 0
// or the failure code. Call release_summary() afterwards on every path.
int gather_summary(const char* path, SnapshotSummary* summary);

// Frees what gather_summary() kept.
void release_summary(SnapshotSummary* summary);

// Prints a failure of the library as quillet does: the message, then an
// empty line, on standard error. A reporter for the library.
void print_failure(void* user, int code, const char* text);

}  // namespace quillet::info
