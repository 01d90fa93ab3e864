#include "info_help.hpp"

#include "quillet/quillet.h"

namespace quillet::info {
namespace {

constexpr const char* PROGRAM_NAME = "quillet-info";

constexpr const char* HELP_TEXT =
    "Usage: quillet-info [OPTION]... FILE...\n"
    "Shows what ZVK snapshot files hold, checks them as quillet checks its\n"
    "templates, and extracts their contents.\n"
    "\n"
    "  -j, --json           print JSON: one object per FILE, an array for several\n"
    "  -x, --extract DIR    write DIR/rom.bin and DIR/block-NN.bin (one FILE only)\n"
    "  -m, --memory OUT     write the 64 KB address space, blocks 0 to 3, to OUT\n"
    "                       (one FILE only)\n"
    "  -h, --help           show this help and exit\n"
    "      --version        show the version and exit\n"
    "\n"
    "Exit status: 0 on success; 2 to 29 the failure code of the first FILE\n"
    "that failed, as quillet reports it (10 to 12 when an extracted file\n"
    "cannot be written); 64 for a usage error.\n";

}  // namespace

void print_help(std::FILE* out) { std::fputs(HELP_TEXT, out); }

void print_version(std::FILE* out) { std::fprintf(out, "%s %s\n", PROGRAM_NAME, quillet_version()); }

void print_usage_error(const char* message, const char* detail) {
    if (detail) {
        std::fprintf(stderr, "%s: %s '%s'\n", PROGRAM_NAME, message, detail);
    } else {
        std::fprintf(stderr, "%s: %s\n", PROGRAM_NAME, message);
    }
    std::fprintf(stderr, "Try '%s --help' for more information.\n", PROGRAM_NAME);
}

}  // namespace quillet::info
