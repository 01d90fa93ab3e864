#include "options.hpp"

#include <cstdio>
#include <getopt.h>
#include <string>

#include "console.hpp"
#include "png_encoding.hpp"

namespace quillet::info {
namespace {

// Long options without a short form.
enum LongOnlyOption {
    VERSION_OPTION = 256,
    PEEK_OPTION,
    DISASSEMBLE_OPTION,
    FIND_OPTION,
    DIFF_OPTION,
    RANGE_OPTION,
    SCREEN_OPTION,
    SCALE_OPTION,
    PALETTE_OPTION,
};

constexpr char SHORT_OPTIONS[] = "jx:m:h";
constexpr option LONG_OPTIONS[] = {
    {"json", no_argument, nullptr, 'j'},
    {"extract", required_argument, nullptr, 'x'},
    {"memory", required_argument, nullptr, 'm'},
    {"range", required_argument, nullptr, RANGE_OPTION},
    {"peek", required_argument, nullptr, PEEK_OPTION},
    {"disassemble", required_argument, nullptr, DISASSEMBLE_OPTION},
    {"find", required_argument, nullptr, FIND_OPTION},
    {"diff", required_argument, nullptr, DIFF_OPTION},
    {"screen", required_argument, nullptr, SCREEN_OPTION},
    {"scale", required_argument, nullptr, SCALE_OPTION},
    {"palette", required_argument, nullptr, PALETTE_OPTION},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, VERSION_OPTION},
    {nullptr, 0, nullptr, 0},
};

ParseResult usage_error(const char* message, const char* detail) {
    print_usage_error(message, detail);
    return PARSE_USAGE_ERROR;
}

ParseResult usage_error(const std::string& message, const char* detail) {
    return usage_error(message.c_str(), detail);
}

// The argument getopt_long just stepped over: the option word whose value
// is missing, or an unknown long option.
const char* last_word(char** argument_vector, int argument_count) {
    const int index = optind - 1;
    return index > 0 && index < argument_count ? argument_vector[index] : "";
}

// The option whose value getopt_long reports (its optopt), or null.
const option* known_option(int value) {
    for (const option& known : LONG_OPTIONS) {
        if (known.name && known.val == value) return &known;
    }
    return nullptr;
}

// getopt_long rejected an option: an unknown long one (optopt 0), one of
// ours without its value ("-x" last), one of ours given a value it does not
// take ("--json=1"), or an unknown letter. The C libraries agree on optopt
// for each, not on the result they return for the first three.
ParseResult rejected_option(char** argument_vector, int argument_count) {
    const char* word = last_word(argument_vector, argument_count);
    if (optopt == 0) return usage_error("unknown option", word);
    if (const option* ours = known_option(optopt)) {
        return usage_error(ours->has_arg == required_argument ? "missing value for" : "option takes no value", word);
    }
    const char letter[] = {'-', static_cast<char>(optopt), '\0'};
    return usage_error("unknown option", letter);
}

// Stores the value of an option that may be given once.
ParseResult take_once(const char** slot, const char* word, const char* value) {
    if (*slot) return usage_error(std::string("second ") + word, value);
    *slot = value;
    return PARSE_RUN;
}

ParseResult take_range(const char* text, MemoryRange* range) {
    const char* problem = parse_memory_range(text, range);
    return problem ? usage_error(problem, text) : PARSE_RUN;
}

// A RANGE of a repeatable option, added to `ranges`.
ParseResult take_repeated_range(const char* text, std::vector<MemoryRange>* ranges) {
    MemoryRange range;
    if (take_range(text, &range) != PARSE_RUN) return PARSE_USAGE_ERROR;
    ranges->push_back(range);
    return PARSE_RUN;
}

ParseResult take_find(const char* text, InfoOptions* options) {
    SearchPattern pattern;
    if (const char* problem = parse_search_pattern(text, &pattern)) return usage_error(problem, text);
    options->finds.push_back(pattern);
    return PARSE_RUN;
}

ParseResult take_scale(const char* text, int* scale) {
    long value = 0;
    if (!parse_strict_number(text, SCALE_MAX, &value) || value < SCALE_MIN) {
        return usage_error("bad scale (1 to 4)", text);
    }
    *scale = static_cast<int>(value);
    return PARSE_RUN;
}

ParseResult take_palette(const char* text, Palette* palette) {
    const char* problem = parse_palette(text, palette);
    return problem ? usage_error(problem, text) : PARSE_RUN;
}

// The values given once, as text, while the scan goes on.
struct SingleValues {
    const char* range;
    const char* scale;
    const char* palette;
};

ParseResult take_option(int option, const char* value, InfoOptions* options, SingleValues* given) {
    switch (option) {
    case 'j': options->json = true; return PARSE_RUN;
    case 'x': options->extract_directory = value; return PARSE_RUN;
    case 'm': options->memory_path = value; return PARSE_RUN;
    case RANGE_OPTION:
        if (take_once(&given->range, "--range", value) != PARSE_RUN) return PARSE_USAGE_ERROR;
        options->memory_range_given = true;
        return take_range(value, &options->memory_range);
    case PEEK_OPTION: return take_repeated_range(value, &options->peeks);
    case DISASSEMBLE_OPTION: return take_repeated_range(value, &options->disassemblies);
    case FIND_OPTION: return take_find(value, options);
    case DIFF_OPTION: return take_once(&options->diff_path, "--diff", value);
    case SCREEN_OPTION: return take_once(&options->screen_path, "--screen", value);
    case SCALE_OPTION:
        if (take_once(&given->scale, "--scale", value) != PARSE_RUN) return PARSE_USAGE_ERROR;
        return take_scale(value, &options->screen_scale);
    case PALETTE_OPTION:
        if (take_once(&given->palette, "--palette", value) != PARSE_RUN) return PARSE_USAGE_ERROR;
        return take_palette(value, &options->palette);
    default: return usage_error("unknown option", nullptr);
    }
}

// The first of the options that look at a single snapshot, or null.
const char* single_snapshot_option(const InfoOptions* options) {
    if (options->extract_directory || options->memory_path) return nullptr;  // has its own message
    if (!options->peeks.empty()) return "--peek";
    if (!options->disassemblies.empty()) return "--disassemble";
    if (!options->finds.empty()) return "--find";
    if (options->diff_path) return "--diff";
    if (options->screen_path) return "--screen";
    return nullptr;
}

int standard_input_uses(const InfoOptions* options) {
    int uses = options->diff_path && is_standard_input(options->diff_path) ? 1 : 0;
    for (int i = 0; i < options->file_count; ++i) uses += is_standard_input(options->files[i]) ? 1 : 0;
    return uses;
}

ParseResult check_operands(const InfoOptions* options, const SingleValues& given) {
    if (options->file_count == 0) return usage_error("no snapshot FILE given", nullptr);
    const bool extracting = options->extract_directory || options->memory_path;
    if (extracting && options->file_count > 1) {
        return usage_error("-x and -m take a single snapshot FILE", nullptr);
    }
    if (options->extract_directory && !*options->extract_directory) {
        return usage_error("empty directory name for", "-x");
    }
    const char* single = single_snapshot_option(options);
    if (single && options->file_count > 1) {
        return usage_error(std::string(single) + " takes a single snapshot FILE", nullptr);
    }
    if (given.range && !options->memory_path) return usage_error("--range needs -m OUT", given.range);
    if (given.scale && !options->screen_path) return usage_error("--scale needs --screen OUT.png", given.scale);
    if (given.palette && !options->screen_path) return usage_error("--palette needs --screen OUT.png", given.palette);
    if (standard_input_uses(options) > 1) return usage_error("standard input named twice:", STANDARD_INPUT_NAME);
    if (options->screen_path && !png_encoding_available()) {
        return usage_error("--screen needs PNG support, which this build lacks (libstb-dev)", options->screen_path);
    }
    return PARSE_RUN;
}

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
    "      --disassemble RANGE  show the 8080 instructions in RANGE (repeatable)\n"
    "      --find HEX       show where the bytes HEX lie in memory (repeatable)\n"
    "      --diff OTHER     show what differs between FILE and the snapshot OTHER\n"
    "      --screen OUT     write the picture of the video memory to OUT as PNG\n"
    "      --scale N        with --screen: enlarge the picture N times (1 to 4)\n"
    "      --palette COLOURS  with --screen: RRGGBB,RRGGBB,RRGGBB,RRGGBB, the\n"
    "                       colours of lit pixels whose byte has bits 7 and 6\n"
    "                       00, 01, 10, 11 (default ffffff,808080,ffffff,808080)\n"
    "  -h, --help           show this help and exit\n"
    "      --version        show the version and exit\n"
    "\n"
    "RANGE is A, A-B (inclusive) or A+N in the 64 KB address space, or pN:A,\n"
    "pN:A-B or pN:A+N by offset in memory page N; numbers are decimal, 0x hex\n"
    "or 0 octal. HEX is pairs of hex digits, as quillet -hex takes them.\n"
    "--peek, --disassemble, --find, --diff and --screen take one FILE; with\n"
    "--peek, --disassemble, --find or --diff the text output is their answers\n"
    "instead of the summary. Absent memory is shown as absent, never decoded.\n"
    "\n"
    "Exit status: 0 on success (with --diff: the snapshots are the same); 1\n"
    "when --diff finds a difference; 2 to 29 the failure code of the first\n"
    "FILE that failed, as quillet reports it (10 to 12 when an extracted file\n"
    "cannot be written); 64 for a usage error; 65 when --screen finds no\n"
    "video memory (block 3 absent).\n";

}  // namespace

ParseResult parse_info_options(int argument_count, char** argument_vector, InfoOptions* options) {
    *options = InfoOptions{};
    options->screen_scale = SCALE_MIN;
    options->palette = DEFAULT_PALETTE;
    SingleValues given{};
    optind = 0;  // a fresh scan, also when called again in one process
    opterr = 0;  // the messages are ours
    for (;;) {
        const int option = getopt_long(argument_count, argument_vector, SHORT_OPTIONS, LONG_OPTIONS, nullptr);
        if (option == -1) break;
        switch (option) {
        case 'h': return PARSE_SHOW_HELP;
        case VERSION_OPTION: return PARSE_SHOW_VERSION;
        case '?': return rejected_option(argument_vector, argument_count);
        default:
            if (take_option(option, optarg, options, &given) != PARSE_RUN) return PARSE_USAGE_ERROR;
        }
    }
    options->files = argument_vector + optind;
    options->file_count = argument_count - optind;
    return check_operands(options, given);
}

void print_help(std::FILE* out) { std::fputs(HELP_TEXT, out); }

void print_version(std::FILE* out) { std::fprintf(out, "%s %s\n", PROGRAM_NAME, quillet_version()); }

void print_usage_error(const char* message, const char* detail) {
    common::print_usage_error(PROGRAM_NAME, message, detail);
}

}  // namespace quillet::info
