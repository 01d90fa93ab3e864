#include "hex_dump.hpp"

#include <algorithm>
#include <cstring>
#include <new>

#include "json.hpp"
#include "owned_snapshot.hpp"

namespace quillet::common {
namespace {

constexpr int DUMP_LINE_BYTES = 16;
constexpr int DUMP_GROUP_BYTES = 8;
constexpr int FIRST_PRINTABLE = 0x20;
constexpr int LAST_PRINTABLE = 0x7E;
constexpr char UNPRINTABLE = '.';
constexpr char ABSENT_CHARACTER = ' ';
constexpr const char* ABSENT_DIGITS = "--";
constexpr char HEX_DIGITS[] = "0123456789abcdef";
constexpr int NIBBLE_BITS = 4;
constexpr unsigned NIBBLE_MASK = 0xF;


void print_dump_line(std::FILE* out, int space, long position, const int* bytes, int count) {
    std::fprintf(out, "%s  ", place_text(space, position, PlaceStyle::dump).c_str());
    for (int i = 0; i < DUMP_LINE_BYTES; ++i) {
        if (i == DUMP_GROUP_BYTES) std::fputc(' ', out);
        if (i >= count) {
            std::fputs("   ", out);
        } else if (bytes[i] == ABSENT_BYTE) {
            std::fprintf(out, "%s ", ABSENT_DIGITS);
        } else {
            std::fprintf(out, "%02x ", bytes[i]);
        }
    }
    std::fputs(" |", out);
    for (int i = 0; i < count; ++i) {
        const int b = bytes[i];
        const bool printable = b >= FIRST_PRINTABLE && b <= LAST_PRINTABLE;
        std::fputc(b == ABSENT_BYTE ? ABSENT_CHARACTER : printable ? b : UNPRINTABLE, out);
    }
    std::fputs("|\n", out);
}

void append_hex(std::string* text, int byte) {
    if (byte == ABSENT_BYTE) {
        *text += ABSENT_DIGITS;
        return;
    }
    *text += HEX_DIGITS[(static_cast<unsigned>(byte) >> NIBBLE_BITS) & NIBBLE_MASK];
    *text += HEX_DIGITS[static_cast<unsigned>(byte) & NIBBLE_MASK];
}

}  // namespace

void print_hex_dump(std::FILE* out, const MemoryView& view, const MemoryRange& range) {
    const std::vector<int> bytes = view.bytes(range);
    for (std::size_t at = 0; at < bytes.size(); at += DUMP_LINE_BYTES) {
        const int count = static_cast<int>(std::min<std::size_t>(DUMP_LINE_BYTES, bytes.size() - at));
        print_dump_line(out, range.space, range.first + static_cast<long>(at), bytes.data() + at, count);
    }
}

std::string hex_text(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) append_hex(&text, b);
    return text;
}

std::string hex_text(const std::vector<int>& bytes) {
    std::string text;
    for (const int b : bytes) append_hex(&text, b);
    return text;
}

void print_dump_json(std::FILE* out, const MemoryView& view, const std::vector<MemoryRange>& ranges) {
    std::fputs("[\n", out);
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        std::fputs("    {", out);
        print_range_members(out, ranges[i]);
        std::fprintf(out, "\"bytes\": \"%s\"}%s", hex_text(view.bytes(ranges[i])).c_str(),
                     i + 1 < ranges.size() ? ",\n" : "\n");
    }
    std::fputs("  ]", out);
}

HexProblem decode_hex(const char* hex, std::vector<std::uint8_t>* bytes) {
    if (!*hex) return HexProblem::empty;
    // The library's own decoder, through a scratch snapshot: one set of rules.
    const OwnedSnapshot scratch;
    if (!scratch.get()) throw std::bad_alloc();
    switch (quillet_store_hex(scratch.get(), 0, hex)) {
    case QUILLET_OK: break;
    case QUILLET_ERR_OUT_OF_MEMORY: throw std::bad_alloc();
    case QUILLET_ERR_HEXSTRING_TOO_LONG: return HexProblem::too_long;
    default: return HexProblem::bad;
    }
    bytes->resize(std::strlen(hex) / 2);
    quillet_read_memory(scratch.get(), 0, bytes->data(), bytes->size());
    return HexProblem::none;
}

}  // namespace quillet::common
