// Writing a snapshot's unpacked contents to files. Each file is written
// the way quillet writes its snapshots (a temporary file renamed into
// place), so a failed write leaves no partial file behind.
#pragma once

#include "memory_range.hpp"
#include "snapshot_summary.hpp"

namespace quillet::info {

// Writes the ROM image, if any, as `directory`/rom.bin and each present
// block as `directory`/block-NN.bin (NN the two-digit index, 16384 bytes).
// `directory` must not
// be empty. Only those names inside `directory` are written: an existing
// entry that is not a regular file (a symbolic link, a device) is refused
// rather than followed. Returns 0, ERR_OUTPUT_OPEN (a missing or unwritable
// directory), ERR_OUTPUT_ACCESS or ERR_OUTPUT_WRITE, reported with the
// file's path; the first failure ends the extraction.
int extract_pieces(const SnapshotSummary& summary, const char* directory);

// The whole 64 KB address space, blocks 0 to 3.
constexpr MemoryRange WHOLE_ADDRESS_SPACE = {ADDRESS_SPACE, 0, QUILLET_ADDRESS_SPACE - 1};

// Writes `range` of memory, with zero bytes for absent blocks (and for
// block 2 of a model that does not store it), to `path`. Returns 0,
// ERR_OUTPUT_OPEN, ERR_OUTPUT_ACCESS or ERR_OUTPUT_WRITE.
int write_memory_image(const SnapshotSummary& summary, const char* path, const MemoryRange& range);

}  // namespace quillet::info
