#include "console.hpp"

#include <cstdio>

namespace quillet::common {

void print_usage_error(const char* program, const char* message, const char* detail, const char* place) {
    std::fprintf(stderr, "%s: ", program);
    if (place) std::fprintf(stderr, "%s: ", place);
    if (detail) {
        std::fprintf(stderr, "%s '%s'\n", message, detail);
    } else {
        std::fprintf(stderr, "%s\n", message);
    }
    std::fprintf(stderr, "Try '%s --help' for more information.\n", program);
}

void print_failure(const char* text) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n\n", text);
}

void print_report(void* user, int code, const char* text) {
    if (code < 0) {
        print_failure(text);
    } else if (user && *static_cast<const bool*>(user)) {
        std::printf("%s\n", text);
    }
}

}  // namespace quillet::common
