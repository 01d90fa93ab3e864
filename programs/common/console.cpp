#include "console.hpp"

#include <cstdio>

namespace quillet::common {

std::string shown_bytes(const char* data, std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        if (c >= 0x20 && c < 0x7F) {
            text += static_cast<char>(c);
        } else {
            static const char HEX[] = "0123456789ABCDEF";
            text += "\\x";
            text += HEX[c >> 4];
            text += HEX[c & 0x0F];
        }
    }
    return text;
}

std::string shown_line(const std::string& line, std::size_t most) {
    std::string text = shown_bytes(line.data(), line.size() < most ? line.size() : most);
    if (line.size() > most) text += "...";
    return text;
}

void print_usage_error(const char* program, const char* message, const char* detail, const char* place) {
    std::fprintf(stderr, "%s: ", program);
    // Words from a file's line are shown escaped and cut, as its lines are.
    std::string shown_message = message;
    std::string shown_detail = detail ? detail : "";
    if (place) {
        std::fprintf(stderr, "%s: ", place);
        shown_message = shown_line(shown_message, 4 * SHOWN_LINE_MAX);
        shown_detail = shown_line(shown_detail);
    }
    if (detail) {
        std::fprintf(stderr, "%s '%s'\n", shown_message.c_str(), shown_detail.c_str());
    } else {
        std::fprintf(stderr, "%s\n", shown_message.c_str());
    }
    std::fprintf(stderr, "Try '%s --help' for more information.\n", program);
}

void print_failure(const char* text) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", text);
}

void print_report(void* user, int code, const char* text) {
    if (code < 0) {
        print_failure(text);
    } else if (user && *static_cast<const bool*>(user)) {
        std::printf("%s\n", text);
    }
}

}  // namespace quillet::common
