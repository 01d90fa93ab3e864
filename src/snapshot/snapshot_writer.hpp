// Writing a snapshot: the header built from the snapshot's settings, then
// the ROM image, then the present blocks, each packed or raw.
//
// The version is 2 (a 124-byte header) exactly when add-on hardware is
// plugged, else 1 (56 bytes). Blocks 4..15 are written only with the memory
// mapper, block 2 only for the models that store it, and a V3 snapshot
// stores at most the first 8192 bytes of its ROM image. Every block-length
// word of the header's version is written, so none promises data that
// does not follow. The snapshot itself is not changed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/buffer.hpp"
#include "base/file_access.hpp"
#include "snapshot/snapshot.hpp"

namespace quillet {

// A snapshot file as the pieces that make it up, in file order.
struct SnapshotImage {
    std::uint8_t header[HEADER_BUFFER_SIZE];
    ConstByteRange pieces[2 + PAGE_COUNT];  // the header, the ROM image, the blocks
    int piece_count;
    std::size_t size;   // of the whole file
    ByteBuffer packed;  // the stored forms of packed pieces
};

// Lays out the file of `snapshot`, packed when `pack` is set. The pieces
// point into `image` and into `snapshot`, which must outlive it. Returns 0
// or ERR_OUT_OF_MEMORY.
int compose_snapshot(const Snapshot& snapshot, bool pack, SnapshotImage* image, const Reporter& reporter);

// Writes the file `path`, whole or not at all. Returns 0 or a failure
// code of write_file_whole() or compose_snapshot().
int write_snapshot_file(const Snapshot& snapshot, bool pack, const char* path, const Reporter& reporter);

// Writes the file's bytes into `out` (`capacity` bytes) and their count
// into `*written`. ERR_OUTPUT_WRITE, naming `name`, when they do not fit.
int write_snapshot_bytes(const Snapshot& snapshot, bool pack, std::uint8_t* out, std::size_t capacity,
                         std::size_t* written, const char* name, const Reporter& reporter);

}  // namespace quillet
