// The text output of quillet-info: the readable summary of a snapshot and
// the answers of --peek, --find and --diff.
//
// The summary: one "Label: value" line per header field, then one line per
// ROM image and block slot, then the file size and the bytes after the last
// piece.
//
// --peek: a hex dump (hex_dump.hpp) of the range.
//
// --find: "HEX: N matches" and one place a line, as RANGE takes it:
//
//   c3: 2 matches
//     0x0011
//     p5:0x0010
//
// --diff: "No differences between A and B", or "Differences between A and
// B:" and the sections that have some: "Header:" with a line for each
// field ("  model, offset 6: V2A -> V3"), "ROM image: 2048 bytes -> 4096
// bytes, 2050 bytes differ from offset 0x0003" (or "none"), "Memory:" with
// a line for each range ("  0x4000-0x4001: 2 bytes differ",
// "  p5:0x0000-0x3FFF: absent -> present"); each range is a RANGE that
// --peek takes.
#pragma once

#include <cstdio>

#include "questions.hpp"
#include "snapshot_facts.hpp"

namespace quillet::info {

// Writes the summary of a successfully gathered snapshot to `out`.
void print_summary_text(std::FILE* out, const SnapshotFacts& summary);

void print_find_text(std::FILE* out, const SearchPattern& pattern, const SearchMatches& matches);
void print_diff_text(std::FILE* out, const char* a, const char* b, const SnapshotDiff& diff);

}  // namespace quillet::info
