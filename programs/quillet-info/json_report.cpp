#include "json_report.hpp"

#include "disassembly_listing.hpp"
#include "hex_dump.hpp"
#include "json.hpp"

namespace quillet::info {
namespace {



void print_registers(std::FILE* out, const SnapshotFacts& s) {
    std::fprintf(out, "  \"registers\": {");
    for (int r = 0; r < QUILLET_REGISTER_COUNT; ++r) {
        std::fprintf(out, "%s\"%s\": %u", r ? ", " : "", quillet_register_name(r), register_value(s, r));
    }
    const unsigned flags = flags_byte(s);
    std::fprintf(out, "},\n  \"flags\": {");
    for (int i = 0; i < FLAG_BIT_COUNT; ++i) {
        std::fprintf(out, "%s\"%s\": %s", i ? ", " : "", FLAG_BITS[i].name,
                     json_boolean(flags & FLAG_BITS[i].mask));
    }
    std::fprintf(out, "},\n");
}

void print_addon_hardware(std::FILE* out, const SnapshotFacts& s) {
    if (!s.layout.addon_hardware) {
        std::fprintf(out, "  \"addon_hardware\": null,\n");
        return;
    }
    const std::uint8_t vcpu = stored_vcpu_byte(s);
    const std::uint8_t port = stored_mapper_byte(s);
    const std::uint8_t mif85 = stored_mif85_byte(s);
    std::fprintf(out, "  \"addon_hardware\": {\"vcpu_interrupt_circuit\": \"%s\", ",
                 plugged_name(vcpu_state(vcpu)));
    std::fprintf(out, "\"vcpu_interrupt_circuit_byte\": %d, \"mapper_port\": ", vcpu);
    if (mapper_present(port)) {
        std::fprintf(out, "%d", port);
    } else {
        std::fprintf(out, "null");
    }
    std::fprintf(out, ", \"mif85\": \"%s\", \"mif85_byte\": %d, \"musica_plugged\": %s},\n",
                 plugged_name(mif85_state(mif85)), mif85, json_boolean((quillet_get_musica(s.snapshot) == 1)));
}

void print_rom(std::FILE* out, const SnapshotFacts& s) {
    if (!s.rom.present) {
        std::fprintf(out, "  \"rom\": null,\n");
        return;
    }
    const unsigned descriptor = s.layout.rom_descriptor;
    std::fprintf(out,
                 "  \"rom\": {\"form\": \"%s\", \"descriptor\": %u, \"stored_length\": %zu, "
                 "\"unpacked_length\": %zu, \"offset\": %zu},\n",
                 form_name(s.layout.rom_form), descriptor, s.rom.stored_length, s.rom.unpacked_length,
                 s.rom.offset);
}

void print_block(std::FILE* out, const SnapshotFacts& s, int block) {
    std::fprintf(out, "    {\"index\": %d, ", block);
    if (block_in_address_space(block)) {
        const long first = block_first_address(block);
        std::fprintf(out, "\"address_first\": %ld, \"address_last\": %ld, ", first, first + QUILLET_PAGE_SIZE - 1);
    } else {
        std::fprintf(out, "\"address_first\": null, \"address_last\": null, ");
    }
    const int state = s.layout.block_states[block];
    const quillet_stored_piece& piece = s.blocks[block];
    std::fprintf(out, "\"state\": \"%s\", ", block_state_name(state));
    if (state == QUILLET_BLOCK_PRESENT) {
        std::fprintf(out, "\"form\": \"%s\", \"stored_length\": %zu, \"offset\": %zu, ",
                     form_name(s.layout.block_forms[block]), piece.stored_length, piece.offset);
    } else {
        std::fprintf(out, "\"form\": null, \"stored_length\": 0, \"offset\": null, ");
    }
    std::fprintf(out, "\"length_word\": %u}", s.layout.length_words[block]);
}

void print_blocks(std::FILE* out, const SnapshotFacts& s) {
    std::fprintf(out, "  \"blocks\": [\n");
    const int count = s.layout.block_slots;
    for (int block = 0; block < count; ++block) {
        print_block(out, s, block);
        std::fprintf(out, block + 1 < count ? ",\n" : "\n");
    }
    std::fprintf(out, "  ],\n");
}

void print_sizes(std::FILE* out, const SnapshotFacts& s) {
    const long trailing = trailing_bytes(s);
    if (trailing < 0) {
        std::fprintf(out, "  \"file_size\": null,\n  \"end_offset\": %ld,\n  \"trailing_bytes\": null",
                     s.end_offset);
    } else {
        std::fprintf(out, "  \"file_size\": %ld,\n  \"end_offset\": %ld,\n  \"trailing_bytes\": %ld",
                     s.file_size, s.end_offset, trailing);
    }
}

const char* separator(std::size_t index) { return index ? ", " : ""; }
const char* line_separator(std::size_t index, std::size_t count) { return index + 1 < count ? ",\n" : "\n"; }

// The members that name a RANGE, each followed by a comma:
// "page" (null for the address space), "first", "last".
// One line of a listing: an absent run has "--" for each byte and a null text.
void print_listing_entry(std::FILE* out, const ListingEntry& entry) {
    const std::string bytes =
        entry.absent ? hex_text(std::vector<int>(static_cast<std::size_t>(entry.absent), ABSENT_BYTE))
                     : hex_text(entry.bytes);
    std::fprintf(out, "      {\"address\": %ld, \"bytes\": \"%s\", \"text\": ", entry.position, bytes.c_str());
    if (entry.absent) {
        std::fputs("null", out);
    } else {
        print_json_string(out, entry.text.c_str());
    }
    std::fputs("}", out);
}

const char* absent_side(AbsentSide side) {
    switch (side) {
    case ABSENT_IN_A: return "\"a\"";
    case ABSENT_IN_B: return "\"b\"";
    default: return "null";
    }
}

void print_header_differences(std::FILE* out, const std::vector<HeaderDifference>& header) {
    std::fputs("    \"header\": [", out);
    for (std::size_t i = 0; i < header.size(); ++i) {
        const HeaderDifference& d = header[i];
        std::fprintf(out, "%s\n      {\"field\": \"%s\", \"offset\": %d, \"a\": %u, \"b\": %u}", i ? "," : "", d.field,
                     d.offset, d.a, d.b);
    }
    std::fputs(header.empty() ? "],\n" : "\n    ],\n", out);
}

void print_memory_differences(std::FILE* out, const std::vector<MemoryDifference>& memory) {
    std::fputs("    \"memory\": [", out);
    for (std::size_t i = 0; i < memory.size(); ++i) {
        const MemoryDifference& d = memory[i];
        std::fprintf(out, "%s\n      {\"block\": %d, \"first\": %ld, \"last\": %ld, \"count\": %ld, \"absent\": %s}",
                     i ? "," : "", d.block, d.first, d.last, d.count, absent_side(d.absent));
    }
    std::fputs(memory.empty() ? "]\n" : "\n    ]\n", out);
}

}  // namespace

void print_failure_json(std::FILE* out, const char* path, int status, const std::string& detail) {
    std::fprintf(out, "{\n  \"file\": ");
    print_json_string(out, path);
    std::fprintf(out, ",\n  \"status\": %d", status);
    if (!detail.empty()) {
        std::fprintf(out, ",\n  \"detail\": ");
        print_json_string(out, detail.c_str());
    }
    std::fprintf(out, "\n}");
}

void print_summary_json_members(std::FILE* out, const SnapshotFacts& s, int status) {
    const int model = quillet_get_model(s.snapshot);
    const std::uint8_t allram = allram_byte(s);
    std::fprintf(out, "{\n  \"file\": ");
    print_json_string(out, s.path);
    std::fprintf(out, ",\n  \"status\": %d,\n", status);
    std::fprintf(out, "  \"version\": %d,\n  \"header_length\": %d,\n", s.layout.version, s.layout.header_length);
    std::fprintf(out, "  \"model\": \"%s\",\n  \"model_number\": %d,\n", quillet_model_name(model), model);
    std::fprintf(out, "  \"interrupts_enabled\": %s,\n", json_boolean((quillet_get_interrupts(s.snapshot) != 0)));
    print_registers(out, s);
    std::fprintf(out, "  \"allram\": \"%s\",\n  \"allram_byte\": %d,\n", allram_name(allram_state(allram)), allram);
    print_addon_hardware(out, s);
    print_rom(out, s);
    print_blocks(out, s);
    print_sizes(out, s);
}

void close_json_object(std::FILE* out) { std::fputs("\n}", out); }

void print_summary_json(std::FILE* out, const SnapshotFacts& s, int status) {
    print_summary_json_members(out, s, status);
    close_json_object(out);
}

void print_peek_json(std::FILE* out, const MemoryView& view, const std::vector<MemoryRange>& ranges) {
    std::fputs(",\n  \"peek\": ", out);
    print_dump_json(out, view, ranges);
}

void print_disassembly_json(std::FILE* out, const MemoryView& view, const std::vector<MemoryRange>& ranges) {
    std::fputs(",\n  \"disassembly\": [\n", out);
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        std::fputs("    {", out);
        print_range_members(out, ranges[i]);
        std::fputs("\"listing\": [\n", out);
        const std::vector<ListingEntry> entries = disassemble_range(view, ranges[i]);
        for (std::size_t e = 0; e < entries.size(); ++e) {
            print_listing_entry(out, entries[e]);
            std::fputs(line_separator(e, entries.size()), out);
        }
        std::fprintf(out, "    ]}%s", line_separator(i, ranges.size()));
    }
    std::fputs("  ]", out);
}

void print_find_json(std::FILE* out, const std::vector<SearchPattern>& patterns,
                     const std::vector<SearchMatches>& matches) {
    std::fputs(",\n  \"find\": [\n", out);
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        std::fprintf(out, "    {\"hex\": \"%s\", \"addresses\": [", hex_text(patterns[i].bytes).c_str());
        const std::vector<long>& addresses = matches[i].addresses;
        for (std::size_t a = 0; a < addresses.size(); ++a) std::fprintf(out, "%s%ld", separator(a), addresses[a]);
        std::fputs("], \"pages\": [", out);
        const std::vector<PagePlace>& pages = matches[i].pages;
        for (std::size_t p = 0; p < pages.size(); ++p) {
            std::fprintf(out, "%s{\"page\": %d, \"offset\": %ld}", separator(p), pages[p].page, pages[p].offset);
        }
        std::fprintf(out, "]}%s", line_separator(i, patterns.size()));
    }
    std::fputs("  ]", out);
}

void print_diff_json(std::FILE* out, const char* other, const SnapshotDiff* diff) {
    std::fputs(",\n  \"diff\": ", out);
    if (!diff) {
        std::fputs("null", out);
        return;
    }
    std::fputs("{\n    \"other\": ", out);
    print_json_string(out, other);
    std::fprintf(out, ",\n    \"same\": %s,\n", diff->same() ? "true" : "false");
    print_header_differences(out, diff->header);
    if (diff->rom_differs) {
        const RomDifference& rom = diff->rom;
        std::fprintf(out, "    \"rom\": {\"a_length\": %ld, \"b_length\": %ld, \"first\": %ld, \"count\": %ld},\n",
                     rom.a_length, rom.b_length, rom.first, rom.count);
    } else {
        std::fputs("    \"rom\": null,\n", out);
    }
    print_memory_differences(out, diff->memory);
    std::fputs("  }", out);
}

}  // namespace quillet::info
