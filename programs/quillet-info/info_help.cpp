#include "info_help.hpp"

#include "quillet/quillet.h"

namespace quillet::info {
namespace {

constexpr const char* PROGRAM_NAME = "quillet-info";

constexpr const char* HELP_TEXT =
    "Usage: quillet-info [OPTION]... FILE...\n"
    "Shows what ZVK snapshot files hold, checks them as quillet checks its\n"
    "templates, and extracts their contents. A FILE of - is standard input.\n"
    "\n"
    "  -j, --json           print JSON: one object per FILE, an array for several\n"
    "  -x, --extract DIR    write DIR/rom.bin and DIR/block-NN.bin (one FILE only)\n"
    "  -m, --memory OUT     write the 64 KB address space, blocks 0 to 3, to OUT\n"
    "                       (one FILE only)\n"
    "      --range RANGE    with -m: write only RANGE of memory\n"
    "      --peek RANGE     show RANGE of memory as a hex dump (repeatable)\n"
    "      --find HEX       show where the bytes HEX lie in memory (repeatable)\n"
    "      --diff OTHER     show what differs between FILE and the snapshot OTHER\n"
    "      --screen OUT     write the picture of the video memory to OUT as PNG\n"
    "      --scale N        with --screen: enlarge the picture N times (1 to 4)\n"
    "      --palette COLOURS  with --screen: RRGGBB,RRGGBB,RRGGBB,RRGGBB, the\n"
    "                       colours of lit pixels whose byte has bits 7 and 6\n"
    "                       00, 01, 10, 11 (default ffffff,ffffff,808080,808080)\n"
    "  -h, --help           show this help and exit\n"
    "      --version        show the version and exit\n"
    "\n"
    "RANGE is A, A-B (inclusive) or A+N in the 64 KB address space, or pN:A,\n"
    "pN:A-B or pN:A+N by offset in memory page N; numbers are decimal, 0x hex\n"
    "or 0 octal. HEX is pairs of hex digits, as quillet -hex takes them.\n"
    "--peek, --find, --diff and --screen take one FILE; with --peek, --find or\n"
    "--diff the text output is their answers instead of the summary.\n"
    "\n"
    "Exit status: 0 on success (with --diff: the snapshots are the same); 1\n"
    "when --diff finds a difference; 2 to 29 the failure code of the first\n"
    "FILE that failed, as quillet reports it (10 to 12 when an extracted file\n"
    "cannot be written); 64 for a usage error; 65 when --screen finds no\n"
    "video memory (block 3 absent).\n";

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
