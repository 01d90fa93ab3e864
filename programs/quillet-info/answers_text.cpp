#include "answers_text.hpp"

#include <algorithm>
#include <string>

#include "summary_fields.hpp"

namespace quillet::info {
namespace {

constexpr int DUMP_LINE_BYTES = 16;
constexpr int DUMP_GROUP_BYTES = 8;
constexpr int FIRST_PRINTABLE = 0x20;
constexpr int LAST_PRINTABLE = 0x7E;
constexpr char UNPRINTABLE = '.';
constexpr char ABSENT_CHARACTER = ' ';

const char* count_word(long count, const char* one, const char* more) { return count == 1 ? one : more; }

void print_dump_line(std::FILE* out, int space, long position, const int* bytes, int count) {
    if (space == ADDRESS_SPACE) {
        std::fprintf(out, "%04lx  ", position);
    } else {
        std::fprintf(out, "p%d:%04lx  ", space, position);
    }
    for (int i = 0; i < DUMP_LINE_BYTES; ++i) {
        if (i == DUMP_GROUP_BYTES) std::fputc(' ', out);
        if (i >= count) {
            std::fputs("   ", out);
        } else if (bytes[i] == ABSENT_BYTE) {
            std::fputs("-- ", out);
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

std::string field_value_text(FieldKind kind, unsigned value) {
    char text[16];
    switch (kind) {
    case FIELD_MODEL: return quillet_model_name(static_cast<int>(value));
    case FIELD_NUMBER: std::snprintf(text, sizeof text, "%u", value); break;
    case FIELD_BYTE: std::snprintf(text, sizeof text, "0x%02X", value); break;
    case FIELD_WORD: std::snprintf(text, sizeof text, "0x%04X", value); break;
    }
    return text;
}

std::string rom_length_text(long length) {
    if (length == 0) return "none";
    return std::to_string(length) + " " + count_word(length, "byte", "bytes");
}

void print_rom_difference(std::FILE* out, const RomDifference& rom) {
    std::fprintf(out, "ROM image: %s -> %s, %ld %s from offset 0x%04lX\n", rom_length_text(rom.a_length).c_str(),
                 rom_length_text(rom.b_length).c_str(), rom.count,
                 count_word(rom.count, "byte differs", "bytes differ"), rom.first);
}

const char* block_side(const MemoryDifference& d, AbsentSide side) { return d.absent == side ? "absent" : "present"; }

void print_memory_difference(std::FILE* out, const MemoryDifference& d) {
    const int space = block_in_address_space(d.block) ? ADDRESS_SPACE : d.block;
    std::fprintf(out, "  %s-0x%04lX: ", place_text(space, d.first).c_str(), d.last);
    if (d.absent == ABSENT_NOWHERE) {
        std::fprintf(out, "%ld %s\n", d.count, count_word(d.count, "byte differs", "bytes differ"));
    } else {
        std::fprintf(out, "%s -> %s\n", block_side(d, ABSENT_IN_A), block_side(d, ABSENT_IN_B));
    }
}

}  // namespace

void print_peek_text(std::FILE* out, const MemoryView& view, const MemoryRange& range) {
    const std::vector<int> bytes = view.bytes(range);
    for (std::size_t at = 0; at < bytes.size(); at += DUMP_LINE_BYTES) {
        const int count = static_cast<int>(std::min<std::size_t>(DUMP_LINE_BYTES, bytes.size() - at));
        print_dump_line(out, range.space, range.first + static_cast<long>(at), bytes.data() + at, count);
    }
}

void print_find_text(std::FILE* out, const SearchPattern& pattern, const SearchMatches& matches) {
    const long count = static_cast<long>(matches.addresses.size() + matches.pages.size());
    std::fprintf(out, "%s: ", hex_text(pattern.bytes).c_str());
    if (count == 0) {
        std::fputs("no match\n", out);
        return;
    }
    std::fprintf(out, "%ld %s\n", count, count_word(count, "match", "matches"));
    for (const long address : matches.addresses) {
        std::fprintf(out, "  %s\n", place_text(ADDRESS_SPACE, address).c_str());
    }
    for (const PagePlace& place : matches.pages) {
        std::fprintf(out, "  %s\n", place_text(place.page, place.offset).c_str());
    }
}

void print_diff_text(std::FILE* out, const char* a, const char* b, const SnapshotDiff& diff) {
    if (diff.same()) {
        std::fprintf(out, "No differences between %s and %s\n", a, b);
        return;
    }
    std::fprintf(out, "Differences between %s and %s:\n", a, b);
    if (!diff.header.empty()) std::fputs("Header:\n", out);
    for (const HeaderDifference& d : diff.header) {
        std::fprintf(out, "  %s, offset %d: %s -> %s\n", d.field, d.offset, field_value_text(d.kind, d.a).c_str(),
                     field_value_text(d.kind, d.b).c_str());
    }
    if (diff.rom_differs) print_rom_difference(out, diff.rom);
    if (!diff.memory.empty()) std::fputs("Memory:\n", out);
    for (const MemoryDifference& d : diff.memory) print_memory_difference(out, d);
}

}  // namespace quillet::info
