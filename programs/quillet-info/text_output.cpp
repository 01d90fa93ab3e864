#include "text_output.hpp"

#include "summary_fields.hpp"

namespace quillet::info {
namespace {

const char* const VCPU_TEXTS[] = {"not plugged", "plugged, interrupt disabled",
                                  "plugged, interrupt enabled", "unknown state"};
const char* const MIF85_TEXTS[] = {"not plugged", "plugged, CT0 interrupt disabled",
                                   "plugged, CT0 interrupt enabled", "unknown state"};

constexpr unsigned LOW_BYTE_MASK = 0xFF;

const char* bytes_word(long count) { return count == 1 ? "byte" : "bytes"; }

void print_registers(std::FILE* out, const SnapshotSummary& s) {
    std::fprintf(out, "Registers:        ");
    for (int r = 0; r < QUILLET_REGISTER_COUNT; ++r) {
        std::fprintf(out, " %s=0x%04X", quillet_register_name(r), register_value(s, r));
    }
    const unsigned flags = register_value(s, QUILLET_REG_AF) & LOW_BYTE_MASK;
    std::fprintf(out, "\nFlags:            ");
    for (const FlagBit& bit : FLAG_BITS) std::fprintf(out, " %s=%d", bit.name, (flags & bit.mask) ? 1 : 0);
    std::fprintf(out, "\n");
}

void print_allram(std::FILE* out, const SnapshotSummary& s) {
    const std::uint8_t byte = header_byte(s, QUILLET_OFFSET_PERIPHERAL_STATE);
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

void print_addon_hardware(std::FILE* out, const SnapshotSummary& s) {
    if (!has_addon_hardware(s)) {
        std::fprintf(out, "Add-on hardware:   none (version 1 header)\n");
        return;
    }
    const std::uint8_t vcpu = header_byte(s, QUILLET_OFFSET_VCPU_CIRCUIT);
    print_plugged(out, "VideoCPU circuit:", VCPU_TEXTS, vcpu_state(vcpu), vcpu);
    const std::uint8_t port = header_byte(s, QUILLET_OFFSET_MAPPER_PORT);
    if (mapper_present(port)) {
        std::fprintf(out, "Memory mapper:     port value %d\n", port);
    } else {
        std::fprintf(out, "Memory mapper:     absent\n");
    }
    const std::uint8_t mif85 = header_byte(s, QUILLET_OFFSET_MIF85_STATE);
    print_plugged(out, "MIF 85:", MIF85_TEXTS, mif85_state(mif85), mif85);
    std::fprintf(out, "MUSICA:            %s\n", musica_plugged(s) ? "plugged" : "not plugged");
}

void print_rom(std::FILE* out, const SnapshotSummary& s) {
    if (!s.rom.present) {
        std::fprintf(out, "ROM image:         none\n");
        return;
    }
    std::fprintf(out, "ROM image:         %s form, %d %s stored at offset %ld, %d %s unpacked\n",
                 form_name(rom_form(rom_descriptor(s))), s.rom.stored_length,
                 bytes_word(s.rom.stored_length), s.rom.offset, s.rom.data_length,
                 bytes_word(s.rom.data_length));
}

void print_block(std::FILE* out, const SnapshotSummary& s, int block) {
    char where[32];
    if (block_in_address_space(block)) {
        const long first = block_first_address(block);
        std::snprintf(where, sizeof where, "0x%04lX-0x%04lX", first, first + QUILLET_PAGE_SIZE - 1);
    } else {
        std::snprintf(where, sizeof where, "mapper page %d", block);
    }
    std::fprintf(out, "  block %02d  %-14s  ", block, where);
    const PieceRecord& piece = s.blocks[block];
    switch (block_state(s, block)) {
    case BLOCK_PRESENT:
        std::fprintf(out, "present, %s form, %d %s stored at offset %ld\n",
                     form_name(block_form(piece.stored_length)), piece.stored_length,
                     bytes_word(piece.stored_length), piece.offset);
        break;
    case BLOCK_ABSENT:
        std::fprintf(out, "absent\n");
        break;
    case BLOCK_NOT_STORED:
        std::fprintf(out, "not stored for this model");
        if (s.length_words[block] != 0) std::fprintf(out, " (length word %d ignored)", s.length_words[block]);
        std::fprintf(out, "\n");
        break;
    }
}

void print_file_size(std::FILE* out, const SnapshotSummary& s) {
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

}  // namespace

void print_summary_text(std::FILE* out, const SnapshotSummary& s) {
    const int model = model_number(s);
    std::fprintf(out, "File:              %s\n", s.path);
    std::fprintf(out, "Format version:    %d\n", header_version(s));
    std::fprintf(out, "Header length:     %d bytes\n", header_length(s));
    std::fprintf(out, "Computer model:    %s\n", quillet_model_name(model));
    std::fprintf(out, "Interrupts:        %s\n", interrupts_enabled(s) ? "enabled" : "disabled");
    print_registers(out, s);
    print_allram(out, s);
    print_addon_hardware(out, s);
    print_rom(out, s);
    std::fprintf(out, "Blocks:\n");
    for (int block = 0; block < block_slot_count(s); ++block) print_block(out, s, block);
    print_file_size(out, s);
}

}  // namespace quillet::info
