#include "answers_json.hpp"

#include "json_output.hpp"

namespace quillet::info {
namespace {

const char* separator(std::size_t index) { return index ? ", " : ""; }
const char* line_separator(std::size_t index, std::size_t count) { return index + 1 < count ? ",\n" : "\n"; }

void print_peek_bytes(std::FILE* out, const std::vector<int>& bytes) {
    std::fputc('"', out);
    for (const int b : bytes) {
        if (b == ABSENT_BYTE) {
            std::fputs("--", out);
        } else {
            std::fprintf(out, "%02x", b);
        }
    }
    std::fputc('"', out);
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

void print_peek_json(std::FILE* out, const MemoryView& view, const std::vector<MemoryRange>& ranges) {
    std::fputs(",\n  \"peek\": [\n", out);
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        const MemoryRange& range = ranges[i];
        std::fputs("    {\"page\": ", out);
        if (range.space == ADDRESS_SPACE) {
            std::fputs("null", out);
        } else {
            std::fprintf(out, "%d", range.space);
        }
        std::fprintf(out, ", \"first\": %ld, \"last\": %ld, \"bytes\": ", range.first, range.last);
        print_peek_bytes(out, view.bytes(range));
        std::fprintf(out, "}%s", line_separator(i, ranges.size()));
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
