#include "json_output.hpp"

#include "summary_fields.hpp"

namespace quillet::info {
namespace {

constexpr unsigned LOW_BYTE_MASK = 0xFF;
constexpr unsigned char FIRST_PRINTABLE = 0x20;

const char* boolean(bool value) { return value ? "true" : "false"; }

void print_registers(std::FILE* out, const SnapshotSummary& s) {
    std::fprintf(out, "  \"registers\": {");
    for (int r = 0; r < QUILLET_REGISTER_COUNT; ++r) {
        std::fprintf(out, "%s\"%s\": %u", r ? ", " : "", quillet_register_name(r), register_value(s, r));
    }
    const unsigned flags = register_value(s, QUILLET_REG_AF) & LOW_BYTE_MASK;
    std::fprintf(out, "},\n  \"flags\": {");
    for (int i = 0; i < FLAG_BIT_COUNT; ++i) {
        std::fprintf(out, "%s\"%s\": %s", i ? ", " : "", FLAG_BITS[i].name,
                     boolean(flags & FLAG_BITS[i].mask));
    }
    std::fprintf(out, "},\n");
}

void print_addon_hardware(std::FILE* out, const SnapshotSummary& s) {
    if (!has_addon_hardware(s)) {
        std::fprintf(out, "  \"addon_hardware\": null,\n");
        return;
    }
    const std::uint8_t vcpu = header_byte(s, QUILLET_OFFSET_VCPU_CIRCUIT);
    const std::uint8_t port = header_byte(s, QUILLET_OFFSET_MAPPER_PORT);
    const std::uint8_t mif85 = header_byte(s, QUILLET_OFFSET_MIF85_STATE);
    std::fprintf(out, "  \"addon_hardware\": {\"vcpu_interrupt_circuit\": \"%s\", ",
                 plugged_name(vcpu_state(vcpu)));
    std::fprintf(out, "\"vcpu_interrupt_circuit_byte\": %d, \"mapper_port\": ", vcpu);
    if (mapper_present(port)) {
        std::fprintf(out, "%d", port);
    } else {
        std::fprintf(out, "null");
    }
    std::fprintf(out, ", \"mif85\": \"%s\", \"mif85_byte\": %d, \"musica_plugged\": %s},\n",
                 plugged_name(mif85_state(mif85)), mif85, boolean(musica_plugged(s)));
}

void print_rom(std::FILE* out, const SnapshotSummary& s) {
    if (!s.rom.present) {
        std::fprintf(out, "  \"rom\": null,\n");
        return;
    }
    const unsigned descriptor = rom_descriptor(s);
    std::fprintf(out,
                 "  \"rom\": {\"form\": \"%s\", \"descriptor\": %u, \"stored_length\": %d, "
                 "\"unpacked_length\": %d, \"offset\": %ld},\n",
                 form_name(rom_form(descriptor)), descriptor, s.rom.stored_length, s.rom.data_length,
                 s.rom.offset);
}

void print_block(std::FILE* out, const SnapshotSummary& s, int block) {
    std::fprintf(out, "    {\"index\": %d, ", block);
    if (block_in_address_space(block)) {
        const long first = block_first_address(block);
        std::fprintf(out, "\"address_first\": %ld, \"address_last\": %ld, ", first, first + QUILLET_PAGE_SIZE - 1);
    } else {
        std::fprintf(out, "\"address_first\": null, \"address_last\": null, ");
    }
    const BlockState state = block_state(s, block);
    const PieceRecord& piece = s.blocks[block];
    std::fprintf(out, "\"state\": \"%s\", ", block_state_name(state));
    if (state == BLOCK_PRESENT) {
        std::fprintf(out, "\"form\": \"%s\", \"stored_length\": %d, \"offset\": %ld, ",
                     form_name(block_form(piece.stored_length)), piece.stored_length, piece.offset);
    } else {
        std::fprintf(out, "\"form\": null, \"stored_length\": 0, \"offset\": null, ");
    }
    std::fprintf(out, "\"length_word\": %d}", s.length_words[block]);
}

void print_blocks(std::FILE* out, const SnapshotSummary& s) {
    std::fprintf(out, "  \"blocks\": [\n");
    const int count = block_slot_count(s);
    for (int block = 0; block < count; ++block) {
        print_block(out, s, block);
        std::fprintf(out, block + 1 < count ? ",\n" : "\n");
    }
    std::fprintf(out, "  ],\n");
}

void print_sizes(std::FILE* out, const SnapshotSummary& s) {
    const long trailing = trailing_bytes(s);
    if (trailing < 0) {
        std::fprintf(out, "  \"file_size\": null,\n  \"end_offset\": %ld,\n  \"trailing_bytes\": null",
                     s.end_offset);
    } else {
        std::fprintf(out, "  \"file_size\": %ld,\n  \"end_offset\": %ld,\n  \"trailing_bytes\": %ld",
                     s.file_size, s.end_offset, trailing);
    }
}

}  // namespace

void print_json_string(std::FILE* out, const char* text) {
    std::fputc('"', out);
    for (const char* p = text; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            std::fprintf(out, "\\%c", c);
        } else if (c < FIRST_PRINTABLE) {
            std::fprintf(out, "\\u%04x", c);
        } else {
            std::fputc(c, out);
        }
    }
    std::fputc('"', out);
}

void print_failure_json(std::FILE* out, const char* path, int status) {
    std::fprintf(out, "{\n  \"file\": ");
    print_json_string(out, path);
    std::fprintf(out, ",\n  \"status\": %d\n}", status);
}

void print_summary_json_members(std::FILE* out, const SnapshotSummary& s, int status) {
    const int model = model_number(s);
    const std::uint8_t allram = header_byte(s, QUILLET_OFFSET_PERIPHERAL_STATE);
    std::fprintf(out, "{\n  \"file\": ");
    print_json_string(out, s.path);
    std::fprintf(out, ",\n  \"status\": %d,\n", status);
    std::fprintf(out, "  \"version\": %d,\n  \"header_length\": %d,\n", header_version(s), header_length(s));
    std::fprintf(out, "  \"model\": \"%s\",\n  \"model_number\": %d,\n", quillet_model_name(model), model);
    std::fprintf(out, "  \"interrupts_enabled\": %s,\n", boolean(interrupts_enabled(s)));
    print_registers(out, s);
    std::fprintf(out, "  \"allram\": \"%s\",\n  \"allram_byte\": %d,\n", allram_name(allram_state(allram)), allram);
    print_addon_hardware(out, s);
    print_rom(out, s);
    print_blocks(out, s);
    print_sizes(out, s);
}

void close_json_object(std::FILE* out) { std::fputs("\n}", out); }

void print_summary_json(std::FILE* out, const SnapshotSummary& s, int status) {
    print_summary_json_members(out, s, status);
    close_json_object(out);
}

}  // namespace quillet::info
