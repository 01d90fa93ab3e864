#include "json.hpp"

namespace quillet::common {
namespace {

constexpr unsigned char FIRST_PRINTABLE = 0x20;
constexpr unsigned char LAST_PRINTABLE = 0x7E;
constexpr unsigned char LAST_BYTE = 0xFF;

// A byte of a JSON string: '"' and '\' after a backslash, a byte outside
// FIRST_PRINTABLE..`last` as \u00XX, any other as it is.
void put_json_byte(std::FILE* out, unsigned char c, unsigned char last) {
    if (c == '"' || c == '\\') {
        std::fprintf(out, "\\%c", c);
    } else if (c < FIRST_PRINTABLE || c > last) {
        std::fprintf(out, "\\u%04x", c);
    } else {
        std::fputc(c, out);
    }
}

}  // namespace

void print_json_string(std::FILE* out, const char* text) {
    std::fputc('"', out);
    for (const char* p = text; *p; ++p) put_json_byte(out, static_cast<unsigned char>(*p), LAST_BYTE);
    std::fputc('"', out);
}

void print_json_bytes(std::FILE* out, const char* data, std::size_t length) {
    std::fputc('"', out);
    for (std::size_t i = 0; i < length; ++i) put_json_byte(out, static_cast<unsigned char>(data[i]), LAST_PRINTABLE);
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
