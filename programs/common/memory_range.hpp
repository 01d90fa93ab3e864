// A RANGE of memory as the command line names it, and how a place in
// memory is written back: the 64 KB address space (blocks 0 to 3) or one
// memory mapper page by offset.
//
//   A        one byte             0x8000
//   A-B      A to B, inclusive    0x8000-0x802F
//   A+N      N bytes from A       0x8000+48
//   pN:...   the same within page N (0..15), by offset 0..16383
//
// Numbers are read as numbers.hpp reads them: decimal, 0x hexadecimal, or
// hexadecimal with a trailing H (0C000H), each the whole of its text.
#pragma once

#include <string>

#include "numbers.hpp"

namespace quillet::common {

// The `space` of a range or place that lies in the 64 KB address space;
// otherwise the space is a page number.
constexpr int ADDRESS_SPACE = -1;

struct MemoryRange {
    int space;   // ADDRESS_SPACE or a page 0..15
    long first;  // address or page offset
    long last;   // inclusive
    long length() const { return last - first + 1; }
};

// Parses `text` into `range`. Returns null, or what is wrong with it ("bad
// range", "range past 0xFFFF", ...) for a usage error that names `text`.
const char* parse_memory_range(const char* text, MemoryRange* range);

enum class PlaceStyle {
    command_line,  // as the command line takes it back: "0x8000", "p5:0x0010"
    dump,          // as a dump line starts with it: "8000", "p6:3ffd"
};

// The place of `position` in `space` (ADDRESS_SPACE or a page).
std::string place_text(int space, long position, PlaceStyle style = PlaceStyle::command_line);

// The size of `space`: 65536 for the address space, else 16384.
long space_size(int space);

}  // namespace quillet::common
