// Reading and validating a ZVK snapshot file. Template loading and the
// quillet-info inspector both read snapshots through this one reader.
#pragma once

#include <cstdint>

namespace quillet {

constexpr int ROM_PIECE = -1;  // SnapshotPiece::block of the ROM image

// One stored piece of a snapshot, as the reader meets it in the file.
struct SnapshotPiece {
    int block;                    // 0..15, or ROM_PIECE
    long offset;                  // file offset of its stored bytes
    const std::uint8_t* stored;   // the stored bytes
    int stored_length;
    const std::uint8_t* data;     // the unpacked bytes
    int data_length;              // 16384 for a block; the image length for the ROM
};

// Called for the ROM image and each present block, in file order. A non-zero
// result (a failure code, already reported) ends the reading.
using PieceHandler = int (*)(void* user, const SnapshotPiece& piece);

// Reads the snapshot `path`: its header into `header` (HEADER_BUFFER_SIZE
// bytes; bytes at and beyond the file's header length are set to zero), checks
// it completely before reading further, then reads, unpacks and hands over
// the ROM image and each present block. Block 2 is read only when the file's
// model byte says it is stored. Returns 0, the handler's first non-zero
// result, or a failure code reported with `path`: ERR_SOURCE_OPEN,
// ERR_SOURCE_ACCESS, ERR_SOURCE_READ, ERR_BAD_HEADER, ERR_BAD_VERSION,
// ERR_UNKNOWN_MODEL, ERR_BAD_BLOCK_SIZE or ERR_OUT_OF_MEMORY. On success
// `end_offset`, when given, receives the offset just after the last piece.
// The file is closed and the scratch buffers released on every path.
int read_snapshot(const char* path, std::uint8_t* header, PieceHandler handle, void* user,
                  long* end_offset = nullptr);

}  // namespace quillet
