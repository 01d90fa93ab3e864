// Command line of quillet-info: `quillet-info [OPTION]... FILE...`, read
// by the programs' one option parser (common/option_parser.hpp: options and
// files may be mixed; "--" ends the options); a FILE of "-" is standard
// input.
//
//   -j, --json           JSON output
//   -x, --extract DIR    extract the ROM image and the blocks into DIR
//   -m, --memory FILE    write the 64 KB address space to FILE
//       --range RANGE    ... or only RANGE of memory (with -m)
//       --peek RANGE     hex dump of RANGE (repeatable)
//       --disassemble RANGE  8080 instructions in RANGE (repeatable)
//       --find HEX       places of a byte string (repeatable)
//       --diff OTHER     compare FILE with OTHER
//       --screen PNG     the picture of the video memory as a PNG file
//       --scale N        ... enlarged N times (1 to 4)
//       --palette COLOURS  ... in four colours RRGGBB,RRGGBB,RRGGBB,RRGGBB
//       --symbols FILE   labels for RANGEs (repeatable)
//       --coverage FILE  with --symbols: the routines never run and the
//                        share of code bytes run, from a coverage file
//   -h, --help           help text
//       --version        version line
//
// Usage errors (reported here, exit status USAGE_ERROR_STATUS): an unknown
// option, a missing option value, no FILE; a bad RANGE, HEX, N or COLOURS,
// naming the text; one of -x, -m, --diff, --range, --screen, --scale,
// --palette given twice; --range without -m; --scale or --palette without --screen;
// standard input named twice; and with several FILEs: -x, -m, --peek,
// --disassemble, --find, --diff or --screen, which each look at a single
// snapshot.
//
// It also prints what quillet-info says about itself: help, version and
// usage errors.
#pragma once

#include <cstdio>
#include <vector>

#include "coverage.hpp"
#include "memory_range.hpp"
#include "questions.hpp"
#include "screen.hpp"
#include "snapshot_facts.hpp"
#include "symbols.hpp"

namespace quillet::info {

// Exit status of a usage error: apart from quillet's failure codes 2..29.
constexpr int USAGE_ERROR_STATUS = 64;

enum ParseResult {
    PARSE_RUN,           // options accepted: inspect the files
    PARSE_SHOW_HELP,     // -h / --help
    PARSE_SHOW_VERSION,  // --version
    PARSE_USAGE_ERROR,   // already reported on standard error
    PARSE_FILE_FAILURE,  // a symbol file cannot be read: reported, its status in failure_status
};

struct InfoOptions {
    bool json;
    const char* extract_directory;  // null when not given
    const char* memory_path;        // null when not given
    bool memory_range_given;        // --range: write only memory_range
    MemoryRange memory_range;
    std::vector<MemoryRange> peeks;
    std::vector<MemoryRange> disassemblies;
    std::vector<SearchPattern> finds;
    const char* diff_path;    // null when not given
    const char* screen_path;  // null when not given
    int screen_scale;
    Palette palette;
    common::SymbolTable symbols;     // --symbols: labels in RANGEs
    const char* coverage_path;       // --coverage, null when not given
    const common::Coverage* coverage;  // its counts, once read
    std::vector<const char*> files;  // the FILE operands
    int file_count;
    int failure_status;  // with PARSE_FILE_FAILURE

    // Whether the text output shows the answers of --peek, --disassemble,
    // --find and --diff instead of the summary.
    bool answers_questions() const {
        return !peeks.empty() || !disassemblies.empty() || !finds.empty() || diff_path || coverage_path;
    }
};

// Parses `argument_vector`. Reports a usage error on standard error itself.
ParseResult parse_info_options(int argument_count, char** argument_vector, InfoOptions* options);

// The help text, to `out`.
void print_help(std::FILE* out);

// "quillet-info 1.0" and a line end, to `out`.
void print_version(std::FILE* out);

// "quillet-info: MESSAGE 'DETAIL'" (DETAIL may be null) and a pointer to
// --help, to standard error.
void print_usage_error(const char* message, const char* detail);

}  // namespace quillet::info
