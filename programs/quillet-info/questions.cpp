#include "questions.hpp"

#include <algorithm>
#include <cstring>

#include "hex_dump.hpp"


namespace quillet::info {
namespace {


bool matches_at(const MemoryView& view, int space, long start, const std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (view.byte(space, start + static_cast<long>(i)) != bytes[i]) return false;
    }
    return true;
}

// Calls `found(start)` for each match within `space`.
template <typename Found>
void search_space(const MemoryView& view, int space, const std::vector<std::uint8_t>& bytes, Found found) {
    const long last_start = common::space_size(space) - static_cast<long>(bytes.size());
    for (long start = 0; start <= last_start; ++start) {
        if (matches_at(view, space, start, bytes)) found(start);
    }
}

struct Field {
    const char* name;
    int offset;
    FieldKind kind;
    unsigned value;
};

FieldKind kind_of_form(int form) {
    switch (form) {
    case QUILLET_FIELD_NUMBER: return FIELD_NUMBER;
    case QUILLET_FIELD_MODEL: return FIELD_MODEL;
    case QUILLET_FIELD_WORD: return FIELD_WORD;
    default: return FIELD_BYTE;
    }
}

// What the emulator restores from the header: the version, then every
// setting of the library's field table in header order, as the library
// read it (a version 1 file's add-on hardware reads as nothing plugged); a
// string of bytes byte by byte.
std::vector<Field> restored_fields(const SnapshotFacts& s) {
    const int version = quillet_field_number("version");
    std::vector<Field> fields;
    for (int i = 0; i < quillet_field_count(); ++i) {
        quillet_field field;
        quillet_field_info(i, &field);
        if (!field.setting && i != version) continue;
        std::uint8_t bytes[QUILLET_HEADER_SIZE_MAX];
        quillet_get_field(s.snapshot, i, bytes, sizeof bytes);
        if (field.form == QUILLET_FIELD_BYTES) {
            for (int b = 0; b < field.width; ++b) fields.push_back({field.name, field.offset + b, FIELD_BYTE, bytes[b]});
            continue;
        }
        const unsigned value = field.width == 2 ? bytes[0] | static_cast<unsigned>(bytes[1]) << 8 : bytes[0];
        fields.push_back({field.name, field.offset, kind_of_form(field.form), value});
    }
    return fields;
}

std::vector<HeaderDifference> compare_headers(const SnapshotFacts& a, const SnapshotFacts& b) {
    const std::vector<Field> fields_a = restored_fields(a);
    const std::vector<Field> fields_b = restored_fields(b);
    std::vector<HeaderDifference> differences;
    for (std::size_t i = 0; i < fields_a.size(); ++i) {
        const Field& f = fields_a[i];
        if (f.value != fields_b[i].value) differences.push_back({f.name, f.offset, f.kind, f.value, fields_b[i].value});
    }
    return differences;
}

std::vector<std::uint8_t> rom_image(const quillet_snapshot* snapshot) {
    std::vector<std::uint8_t> rom(quillet_rom_length(snapshot));
    quillet_read_rom(snapshot, rom.data(), rom.size());
    return rom;
}

bool compare_roms(const SnapshotFacts& a, const SnapshotFacts& b, RomDifference* difference) {
    const std::vector<std::uint8_t> rom_a = rom_image(a.snapshot);
    const std::vector<std::uint8_t> rom_b = rom_image(b.snapshot);
    const std::size_t common = std::min(rom_a.size(), rom_b.size());
    long first = -1;
    long count = static_cast<long>(std::max(rom_a.size(), rom_b.size()) - common);
    for (std::size_t i = 0; i < common; ++i) {
        if (rom_a[i] == rom_b[i]) continue;
        if (first < 0) first = static_cast<long>(i);
        ++count;
    }
    *difference = RomDifference{static_cast<long>(rom_a.size()), static_cast<long>(rom_b.size()),
                                first < 0 ? static_cast<long>(common) : first, count};
    return count > 0;
}

// Where the positions of `block` start: its address, or 0 in a mapper page.
long block_base(int block) { return block_in_address_space(block) ? block_first_address(block) : 0; }

void compare_block(const MemoryView& a, const MemoryView& b, int block, std::vector<MemoryDifference>* out) {
    const long base = block_base(block);
    if (a.page_present(block) != b.page_present(block)) {
        out->push_back({block, base, base + QUILLET_PAGE_SIZE - 1, QUILLET_PAGE_SIZE,
                        a.page_present(block) ? ABSENT_IN_B : ABSENT_IN_A});
        return;
    }
    if (!a.page_present(block)) return;
    bool open = false;  // whether out->back() is this block's range to extend
    for (long offset = 0; offset < QUILLET_PAGE_SIZE; ++offset) {
        if (a.byte(block, offset) == b.byte(block, offset)) continue;
        const long position = base + offset;
        if (open && position - out->back().last < DIFF_MERGE_DISTANCE) {
            out->back().last = position;
            ++out->back().count;
        } else {
            out->push_back({block, position, position, 1, ABSENT_NOWHERE});
            open = true;
        }
    }
}

}  // namespace

// The string is stored at address 0 of a scratch snapshot with the
// library's -hex rules and read back, so a find string is exactly what -hex
// accepts.
const char* parse_search_pattern(const char* hex, SearchPattern* pattern) {
    switch (decode_hex(hex, &pattern->bytes)) {
    case HexProblem::none: break;
    case HexProblem::empty: return "empty find string";
    case HexProblem::too_long: return "find string longer than 64 KB";
    case HexProblem::bad: return "bad hexadecimal find string";
    case HexProblem::out_of_memory: return quillet_message(QUILLET_ERR_OUT_OF_MEMORY);
    }
    pattern->hex = hex;
    return nullptr;
}

SearchMatches find_bytes(const MemoryView& view, const std::vector<std::uint8_t>& bytes) {
    SearchMatches matches;
    search_space(view, ADDRESS_SPACE, bytes, [&](long address) { matches.addresses.push_back(address); });
    for (int page = 0; page < QUILLET_PAGE_COUNT; ++page) {
        if (block_in_address_space(page) || !view.page_present(page)) continue;
        search_space(view, page, bytes, [&](long offset) { matches.pages.push_back(PagePlace{page, offset}); });
    }
    return matches;
}

SnapshotDiff compare_snapshots(const SnapshotFacts& a, const SnapshotFacts& b) {
    SnapshotDiff diff;
    diff.header = compare_headers(a, b);
    diff.rom_differs = compare_roms(a, b, &diff.rom);
    const MemoryView view_a(a.snapshot);
    const MemoryView view_b(b.snapshot);
    for (int block = 0; block < QUILLET_PAGE_COUNT; ++block) compare_block(view_a, view_b, block, &diff.memory);
    return diff;
}

}  // namespace quillet::info
