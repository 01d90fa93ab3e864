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
#include "base/file_access.hpp"
#include "snapshot/snapshot.hpp"

namespace quillet {

// What a failed read adds to its message, in words: where the file ends
// ("the file ends inside block 1, 2,880 of 16,384 bytes") or what in it is
// wrong ("the version byte at offset 3 is 7; versions 1 and 2 exist").
// Empty when there is nothing to add (a file that cannot be opened).
struct ReadDetail {
    static constexpr std::size_t SIZE = 160;
    char text[SIZE] = "";
};

// Reads the snapshot held in `length` bytes at `data` into `snapshot`,
// replacing all of its content, and records the file's layout. `name`
// names the data in messages. On failure `snapshot` is left as it was.
// On failure `detail`, when given, says where or what.
int read_snapshot_bytes(const std::uint8_t* data, std::size_t length, const char* name,
                        Snapshot* snapshot, const Reporter& reporter, ReadDetail* detail = nullptr);

// The same for the file `path` (any kind of file: a regular one, a pipe).
// Also ERR_SOURCE_OPEN and ERR_SOURCE_ACCESS, and ERR_SOURCE_TOO_LONG for
// a file longer than SNAPSHOT_SIZE_MAX, the most a snapshot can use.
int read_snapshot_file(const char* path, Snapshot* snapshot, const Reporter& reporter,
                       ReadDetail* detail = nullptr);

// The same from `read`, a source of bytes read to its end (at most
// SNAPSHOT_SIZE_MAX of them; one more is ERR_SOURCE_TOO_LONG), named `name`.
// `*length` receives the number of bytes it held.
int read_snapshot_stream(ReadPiece read, void* user, const char* name, Snapshot* snapshot,
                         const Reporter& reporter, std::size_t* length, ReadDetail* detail = nullptr);

}  // namespace quillet
