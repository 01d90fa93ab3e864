#include "text_report.hpp"

#include <algorithm>
#include <string>

#include "hex_dump.hpp"

namespace quillet::info {
namespace {

const char* const VCPU_TEXTS[] = {"not plugged", "plugged, interrupt disabled",
                                  "plugged, interrupt enabled", "unknown state"};
const char* const MIF85_TEXTS[] = {"not plugged", "plugged, CT0 interrupt disabled",
                                   "plugged, CT0 interrupt enabled", "unknown state"};


const char* bytes_word(long long count) { return count == 1 ? "byte" : "bytes"; }

void print_registers(std::FILE* out, const SnapshotFacts& s) {
    std::fprintf(out, "Registers:        ");
    for (int r = 0; r < QUILLET_REGISTER_COUNT; ++r) {
        std::fprintf(out, " %s=0x%04X", quillet_register_name(r), register_value(s, r));
    }
    const unsigned flags = flags_byte(s);
    std::fprintf(out, "\nFlags:            ");
    for (const FlagBit& bit : FLAG_BITS) std::fprintf(out, " %s=%d", bit.name, (flags & bit.mask) ? 1 : 0);
    std::fprintf(out, "\n");
}

void print_allram(std::FILE* out, const SnapshotFacts& s) {
    const std::uint8_t byte = allram_byte(s);
    const AllRamState state = allram_state(byte);
    if (state == ALLRAM_STATE_OTHER) {
        std::fprintf(out, "AllRAM:            0x%02X\n", byte);
    } else {
        std::fprintf(out, "AllRAM:            %s (0x%02X)\n", allram_name(state), byte);
    }
}

void print_plugged(std::FILE* out, const char* label, const char* const* texts, PluggedState state,
                   std::uint8_t byte) {
    std::fprintf(out, "%-19s%s", label, texts[state]);
    if (state == UNKNOWN_STATE) std::fprintf(out, " 0x%02X", byte);
    std::fprintf(out, "\n");
}

void print_addon_hardware(std::FILE* out, const SnapshotFacts& s) {
    if (!s.layout.addon_hardware) {
        std::fprintf(out, "Add-on hardware:   none (version 1 header)\n");
        return;
    }
    const std::uint8_t vcpu = stored_vcpu_byte(s);
    print_plugged(out, "VideoCPU circuit:", VCPU_TEXTS, vcpu_state(vcpu), vcpu);
    const std::uint8_t port = stored_mapper_byte(s);
    if (mapper_present(port)) {
        std::fprintf(out, "Memory mapper:     port value %d\n", port);
    } else {
        std::fprintf(out, "Memory mapper:     absent\n");
    }
    const std::uint8_t mif85 = stored_mif85_byte(s);
    print_plugged(out, "MIF 85:", MIF85_TEXTS, mif85_state(mif85), mif85);
    std::fprintf(out, "MUSICA:            %s\n", (quillet_get_musica(s.snapshot) == 1) ? "plugged" : "not plugged");
}

void print_rom(std::FILE* out, const SnapshotFacts& s) {
    if (!s.rom.present) {
        std::fprintf(out, "ROM image:         none\n");
        return;
    }
    std::fprintf(out, "ROM image:         %s form, %zu %s stored at offset %zu, %zu %s unpacked\n",
                 form_name(s.layout.rom_form), s.rom.stored_length,
                 bytes_word(s.rom.stored_length), s.rom.offset, s.rom.unpacked_length,
                 bytes_word(s.rom.unpacked_length));
}

void print_block(std::FILE* out, const SnapshotFacts& s, int block) {
    char where[32];
    if (block_in_address_space(block)) {
        const long first = block_first_address(block);
        std::snprintf(where, sizeof where, "0x%04lX-0x%04lX", first, first + QUILLET_PAGE_SIZE - 1);
    } else {
        std::snprintf(where, sizeof where, "mapper page %d", block);
    }
    std::fprintf(out, "  block %02d  %-14s  ", block, where);
    const quillet_stored_piece& piece = s.blocks[block];
    switch (s.layout.block_states[block]) {
    case QUILLET_BLOCK_PRESENT:
        std::fprintf(out, "present, %s form, %zu %s stored at offset %zu\n",
                     form_name(s.layout.block_forms[block]), piece.stored_length,
                     bytes_word(piece.stored_length), piece.offset);
        break;
    case QUILLET_BLOCK_ABSENT:
        std::fprintf(out, "absent\n");
        break;
    case QUILLET_BLOCK_NOT_STORED:
        std::fprintf(out, "not stored for this model");
        if (s.layout.length_words[block] != 0) std::fprintf(out, " (length word %u ignored)", s.layout.length_words[block]);
        std::fprintf(out, "\n");
        break;
    }
}

void print_file_size(std::FILE* out, const SnapshotFacts& s) {
    const long trailing = trailing_bytes(s);
    if (trailing < 0) {
        std::fprintf(out, "File size:         unknown\n");
        return;
    }
    std::fprintf(out, "File size:         %ld %s\n", s.file_size, bytes_word(s.file_size));
    if (trailing == 0) {
        std::fprintf(out, "After last piece:  nothing\n");
    } else {
        std::fprintf(out, "After last piece:  %ld %s from offset %ld\n", trailing, bytes_word(trailing),
                     s.end_offset);
    }
}

const char* count_word(long count, const char* one, const char* more) { return count == 1 ? one : more; }

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

void print_summary_text(std::FILE* out, const SnapshotFacts& s) {
    const int model = quillet_get_model(s.snapshot);
    std::fprintf(out, "File:              %s\n", s.path);
    std::fprintf(out, "Format version:    %d\n", s.layout.version);
    std::fprintf(out, "Header length:     %d bytes\n", s.layout.header_length);
    std::fprintf(out, "Computer model:    %s\n", quillet_model_name(model));
    std::fprintf(out, "Interrupts:        %s\n", (quillet_get_interrupts(s.snapshot) != 0) ? "enabled" : "disabled");
    print_registers(out, s);
    print_allram(out, s);
    print_addon_hardware(out, s);
    print_rom(out, s);
    std::fprintf(out, "Blocks:\n");
    for (int block = 0; block < s.layout.block_slots; ++block) print_block(out, s, block);
    print_file_size(out, s);
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
