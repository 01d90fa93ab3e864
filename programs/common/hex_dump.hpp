// Bytes shown as text: the hex dump of a range of memory, 16 bytes a line
// as `hexdump -C` prints it, and byte strings as hexadecimal digits, both
// ways.
//
//   8000  f3 31 00 80 21 00 c0 7d  e6 3f 77 23 7c b5 c2 07  |.1..!..}.?w#|...|
//
// A line starts with the address of its first byte (four hex digits, or
// "pN:" and the offset in page N); the bytes follow in two groups of
// eight, then the printable characters between bars (others as "."). An
// absent byte is "--", and a blank among the characters.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "memory_view.hpp"

namespace quillet::common {

// The dump of `range` of `view`.
void print_hex_dump(std::FILE* out, const MemoryView& view, const MemoryRange& range);

// The dumps of `ranges` as a JSON array, an object a range on a line of its
// own, indented for a member of a top-level object:
//   [
//     {"page": null, "first": 32768, "last": 32769, "bytes": "f331"}
//   ]
// "page" is null for the address space, else the page; absent bytes "--".
void print_dump_json(std::FILE* out, const MemoryView& view, const std::vector<MemoryRange>& ranges);

// The bytes as lower-case hexadecimal digits, two a byte.
std::string hex_text(const std::vector<std::uint8_t>& bytes);

// The same for bytes that may be absent (ABSENT_BYTE): "--" for those.
std::string hex_text(const std::vector<int>& bytes);

// What decode_hex finds wrong with a byte string.
enum class HexProblem { none, empty, too_long, bad };

// Decodes `hex` by the rules of quillet's -hex (pairs of hexadecimal
// digits, either case, at most 64 KB of bytes) into `bytes`. Throws
// std::bad_alloc when memory runs out, as the containers do: each program
// catches it in one place.
HexProblem decode_hex(const char* hex, std::vector<std::uint8_t>* bytes);

}  // namespace quillet::common
