#include "json.hpp"

namespace quillet::common {
namespace {

constexpr unsigned char FIRST_PRINTABLE = 0x20;

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

const char* json_boolean(bool value) { return value ? "true" : "false"; }

void print_range_members(std::FILE* out, const MemoryRange& range) {
    std::fputs("\"page\": ", out);
    if (range.space == ADDRESS_SPACE) {
        std::fputs("null", out);
    } else {
        std::fprintf(out, "%d", range.space);
    }
    std::fprintf(out, ", \"first\": %ld, \"last\": %ld, ", range.first, range.last);
}

}  // namespace quillet::common
