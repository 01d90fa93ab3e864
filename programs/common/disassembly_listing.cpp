#include "disassembly_listing.hpp"

#include "hex_dump.hpp"
#include "labelled_code.hpp"

namespace quillet::common {
namespace {

constexpr int INSTRUCTION_LENGTH_MAX = 3;  // an opcode and a 16-bit operand
constexpr int BYTES_COLUMN_WIDTH = 3 * INSTRUCTION_LENGTH_MAX - 1;  // "cb 05 01"
constexpr int INTEL_BYTE_SIZE = 8;
constexpr unsigned FIRST_LETTER_DIGIT_BYTE = 0xA0;  // from here the first hex digit is a letter

// A byte as the disassembler writes an operand: "05H", "0CBH" (a leading 0
// before a letter, so that an assembler cannot take it for a name).
std::string intel_byte(std::uint8_t byte) {
    char text[INTEL_BYTE_SIZE];
    std::snprintf(text, sizeof text, "%s%02XH", byte >= FIRST_LETTER_DIGIT_BYTE ? "0" : "", byte);
    return text;
}

// The text of `bytes` that begin an instruction of `length` bytes but lack
// the rest: they are data.
std::string cut_short_text(const std::vector<std::uint8_t>& bytes, int length) {
    std::string text = "DB ";
    for (std::size_t i = 0; i < bytes.size(); ++i) text += (i ? "," : "") + intel_byte(bytes[i]);
    return text + " ; cut short (" + std::to_string(length) + "-byte instruction)";
}

// How many bytes the instruction starting with `opcode` takes.
int instruction_length(std::uint8_t opcode) {
    const std::uint8_t padded[INSTRUCTION_LENGTH_MAX] = {opcode};
    char text[QUILLET_DISASSEMBLY_MAX];
    return quillet_disassemble(padded, sizeof padded, text, sizeof text);
}

// The present bytes from `position` on, up to an instruction's length,
// stopping at absent memory or at the end of `space`.
std::vector<std::uint8_t> present_bytes(const MemoryView& view, int space, long position) {
    std::vector<std::uint8_t> bytes;
    for (long at = position; at < space_size(space) && bytes.size() < INSTRUCTION_LENGTH_MAX; ++at) {
        const int byte = view.byte(space, at);
        if (byte == ABSENT_BYTE) break;
        bytes.push_back(static_cast<std::uint8_t>(byte));
    }
    return bytes;
}

ListingEntry instruction_at(const MemoryView& view, int space, long position) {
    ListingEntry entry{position, present_bytes(view, space, position), 0, {}};
    char text[QUILLET_DISASSEMBLY_MAX];
    const int length = quillet_disassemble(entry.bytes.data(), entry.bytes.size(), text, sizeof text);
    if (length == 0) {
        entry.text = cut_short_text(entry.bytes, instruction_length(entry.bytes[0]));
        return entry;
    }
    entry.bytes.resize(static_cast<std::size_t>(length));
    entry.text = text;
    return entry;
}

// The run of absent bytes from `position` to the next present one or the
// end of `range`.
ListingEntry absent_run_at(const MemoryView& view, const MemoryRange& range, long position) {
    long end = position;
    while (end <= range.last && view.byte(range.space, end) == ABSENT_BYTE) ++end;
    return ListingEntry{position, {}, end - position, {}};
}

void print_entry(std::FILE* out, int space, const ListingEntry& entry, const SymbolTable* symbols) {
    const bool labelled = symbols && space == ADDRESS_SPACE && !entry.absent;
    if (labelled) {
        for (const std::string& line : label_lines(*symbols, entry.position)) std::fprintf(out, "%s\n", line.c_str());
    }
    std::string bytes = entry.absent ? hex_text(std::vector<int>{ABSENT_BYTE}) : "";
    for (std::size_t i = 0; i < entry.bytes.size(); ++i) {
        bytes += (i ? " " : "") + hex_text(std::vector<std::uint8_t>{entry.bytes[i]});
    }
    std::fprintf(out, "%s  %-*s  ", place_text(space, entry.position, PlaceStyle::dump).c_str(), BYTES_COLUMN_WIDTH, bytes.c_str());
    if (entry.absent) {
        std::fprintf(out, "(absent, %ld byte%s)\n", entry.absent, entry.absent == 1 ? "" : "s");
    } else {
        const std::string text =
            labelled ? labelled_instruction(*symbols, entry.bytes.data(), static_cast<int>(entry.bytes.size()), entry.text)
                     : entry.text;
        std::fprintf(out, "%s\n", text.c_str());
    }
}

}  // namespace

std::vector<ListingEntry> disassemble_range(const MemoryView& view, const MemoryRange& range) {
    std::vector<ListingEntry> entries;
    for (long position = range.first; position <= range.last;) {
        const bool absent = view.byte(range.space, position) == ABSENT_BYTE;
        entries.push_back(absent ? absent_run_at(view, range, position) : instruction_at(view, range.space, position));
        position += absent ? entries.back().absent : static_cast<long>(entries.back().bytes.size());
    }
    return entries;
}

void print_disassembly(std::FILE* out, const MemoryView& view, const MemoryRange& range, const SymbolTable* symbols) {
    for (const ListingEntry& entry : disassemble_range(view, range)) print_entry(out, range.space, entry, symbols);
}

}  // namespace quillet::common
