// The text answers of --peek, --find and --diff.
//
// --peek: a hex dump, 16 bytes a line as `hexdump -C` prints it: the
// address of the line's first byte (four hex digits, or "pN:" and the
// offset in page N), the bytes in two groups of eight, then the printable
// characters between bars (others as "."). An absent byte is "--", and a
// blank in the characters.
//
//   8000  f3 31 00 80 21 00 c0 7d  e6 3f 77 23 7c b5 c2 07  |.1..!..}.?w#|...|
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
// bytes, 2050 bytes differ from offset 0x0003" (or "none"), "Memory:" with a line for each
// range ("  0x4000-0x4001: 2 bytes differ", "  p5:0x0000-0x3FFF: absent ->
// present"); each range is a RANGE that --peek takes.
#pragma once

#include <cstdio>

#include "byte_search.hpp"
#include "memory_view.hpp"
#include "snapshot_diff.hpp"

namespace quillet::info {

void print_peek_text(std::FILE* out, const MemoryView& view, const MemoryRange& range);
void print_find_text(std::FILE* out, const SearchPattern& pattern, const SearchMatches& matches);
void print_diff_text(std::FILE* out, const char* a, const char* b, const SnapshotDiff& diff);

}  // namespace quillet::info
