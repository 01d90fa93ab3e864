// The readable summary of one snapshot, as quillet-info prints it.
//
// One "Label: value" line per header field, then one line per ROM image and
// block slot, then the file size and the bytes after the last piece.
#pragma once

#include <cstdio>

#include "snapshot_summary.hpp"

namespace quillet::info {

// Writes the summary of a successfully gathered snapshot to `out`.
void print_summary_text(std::FILE* out, const SnapshotSummary& summary);

}  // namespace quillet::info
