// Reading and validating a ZVK snapshot file.
//
// The checks run in a fixed order and the first failure is the result:
// fewer than 7 bytes ERR_SOURCE_READ; magic not "ZVK" ERR_BAD_HEADER;
// version not 1 or 2 ERR_BAD_VERSION (naming the byte); header length
// outside 56..124 ERR_BAD_HEADER; model above 7 ERR_UNKNOWN_MODEL (naming the
// byte); fewer bytes than the header ERR_SOURCE_READ; a ROM length or any
// block length of the version's slots above 16384 ERR_BAD_HEADER; then, in
// file order, the ROM image and each present block: cut short
// ERR_SOURCE_READ, not unpacking (a block to exactly 16384 bytes)
// ERR_BAD_BLOCK_SIZE. Block 2 is read only when the file's model stores it.
// Failures are reported with the name of the file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/failure.hpp"
#include "snapshot/snapshot.hpp"

namespace quillet {

// Reads the snapshot held in `length` bytes at `data` into `snapshot`,
// replacing all of its content, and records the file's layout. `name`
// names the data in messages. On failure `snapshot` is left as it was.
int read_snapshot_bytes(const std::uint8_t* data, std::size_t length, const char* name,
                        Snapshot* snapshot, const Reporter& reporter);

// The same for the file `path` (any kind of file: a regular one, a pipe).
// Also ERR_SOURCE_OPEN and ERR_SOURCE_ACCESS.
int read_snapshot_file(const char* path, Snapshot* snapshot, const Reporter& reporter);

}  // namespace quillet
