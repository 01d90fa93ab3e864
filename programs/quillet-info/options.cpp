#include "options.hpp"

#include <cstdio>
#include <string>

#include "console.hpp"
#include "option_parser.hpp"
#include "png_encoding.hpp"
#include "symbols.hpp"

namespace quillet::info {
namespace {

constexpr const char* PROGRAM_NAME = "quillet-info";

enum OptionId {
    JSON, EXTRACT, MEMORY, RANGE, PEEK, DISASSEMBLE, FIND, DIFF, SCREEN, SCALE, PALETTE, HELP, VERSION, SYMBOLS, COVERAGE
};

constexpr common::OptionSpec OPTIONS[] = {
    {"--json", "-j", 0, false, JSON},
    {"--extract", "-x", 1, true, EXTRACT},
    {"--memory", "-m", 1, true, MEMORY},
    {"--range", nullptr, 1, true, RANGE},
    {"--peek", nullptr, 1, false, PEEK},
    {"--disassemble", nullptr, 1, false, DISASSEMBLE},
    {"--find", nullptr, 1, false, FIND},
    {"--diff", nullptr, 1, true, DIFF},
    {"--screen", nullptr, 1, true, SCREEN},
    {"--scale", nullptr, 1, true, SCALE},
    {"--palette", nullptr, 1, true, PALETTE},
    {"--help", "-h", 0, false, HELP},
    {"--version", nullptr, 0, false, VERSION},
    {"--symbols", nullptr, 1, false, SYMBOLS},
    {"--coverage", nullptr, 1, true, COVERAGE},
};

using common::OptionStep;

OptionStep refuse(const char* message, const char* detail) {
    print_usage_error(message, detail);
    return OptionStep::usage_error;
}

ParseResult usage_error(const char* message, const char* detail) {
    print_usage_error(message, detail);
    return PARSE_USAGE_ERROR;
}

ParseResult usage_error(const std::string& message, const char* detail) {
    return usage_error(message.c_str(), detail);
}

OptionStep take_find(const char* text, InfoOptions* options) {
    SearchPattern pattern;
    if (const char* problem = parse_search_pattern(text, &pattern)) return refuse(problem, text);
    options->finds.push_back(pattern);
    return OptionStep::go_on;
}

OptionStep take_scale(const char* text, int* scale) {
    long value = 0;
    if (!parse_strict_number(text, SCALE_MAX, &value) || value < SCALE_MIN) {
        return refuse("bad scale (1 to 4)", text);
    }
    *scale = static_cast<int>(value);
    return OptionStep::go_on;
}

OptionStep take_palette(const char* text, Palette* palette) {
    const char* problem = parse_palette(text, palette);
    return problem ? refuse(problem, text) : OptionStep::go_on;
}

// The values given once, as text, while the scan goes on.
struct SingleValues {
    const char* range;
    const char* scale;
    const char* palette;
    // and the ones read once every symbol file is
    std::vector<const char*> symbols;
    std::vector<const char*> peeks;
    std::vector<const char*> disassemblies;
};

// Reads the symbol files, then the RANGEs that may name their labels.
ParseResult take_labelled(InfoOptions* options, const SingleValues& given) {
    for (const char* path : given.symbols) {
        std::string problem;
        if (const int code = common::read_symbol_file(path, &options->symbols, &problem)) {
            options->failure_status = -code;
            return PARSE_FILE_FAILURE;
        }
        if (!problem.empty()) return usage_error(problem, nullptr);
    }
    const std::pair<const std::vector<const char*>*, std::vector<MemoryRange>*> lists[] = {
        {&given.peeks, &options->peeks}, {&given.disassemblies, &options->disassemblies}};
    for (const auto& list : lists) {
        for (const char* text : *list.first) {
            MemoryRange range{};
            const std::string problem = common::parse_labelled_range(text, options->symbols, &range);
            if (!problem.empty()) return usage_error(problem, nullptr);
            list.second->push_back(range);
        }
    }
    if (options->coverage_path && options->symbols.empty()) {
        return usage_error("--coverage needs --symbols FILE", options->coverage_path);
    }
    return PARSE_RUN;
}

// What the walk over the command line finds goes into the options.
class Receiver : public common::OptionReceiver {
public:
    Receiver(InfoOptions* options, SingleValues* given) : options_(options), given_(given) {}
    ParseResult stopped_as = PARSE_RUN;

    OptionStep option(const common::OptionUse& use) override;
    void operand(const char* word) override { options_->files.push_back(word); }

private:
    InfoOptions* options_;
    SingleValues* given_;
};

OptionStep Receiver::option(const common::OptionUse& use) {
    const char* value = use.value;
    switch (use.entry->id) {
    case HELP: stopped_as = PARSE_SHOW_HELP; return OptionStep::stop;
    case VERSION: stopped_as = PARSE_SHOW_VERSION; return OptionStep::stop;
    case JSON: options_->json = true; break;
    case EXTRACT: options_->extract_directory = value; break;
    case MEMORY: options_->memory_path = value; break;
    case RANGE:
        given_->range = value;
        options_->memory_range_given = true;
        if (const char* problem = parse_memory_range(value, &options_->memory_range)) {
            return refuse(problem, value);
        }
        break;
    case PEEK: given_->peeks.push_back(value); break;
    case DISASSEMBLE: given_->disassemblies.push_back(value); break;
    case SYMBOLS: given_->symbols.push_back(value); break;
    case COVERAGE: options_->coverage_path = value; break;
    case FIND: return take_find(value, options_);
    case DIFF: options_->diff_path = value; break;
    case SCREEN: options_->screen_path = value; break;
    case SCALE: given_->scale = value; return take_scale(value, &options_->screen_scale);
    case PALETTE: given_->palette = value; return take_palette(value, &options_->palette);
    }
    return OptionStep::go_on;
}

// The first of the options that look at a single snapshot, or null.
const char* single_snapshot_option(const InfoOptions* options) {
    if (options->extract_directory || options->memory_path) return nullptr;  // has its own message
    if (!options->peeks.empty()) return "--peek";
    if (!options->disassemblies.empty()) return "--disassemble";
    if (!options->finds.empty()) return "--find";
    if (options->diff_path) return "--diff";
    if (options->coverage_path) return "--coverage";
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
    "      --symbols FILE   the program's labels (asm80's listing, NAME EQU VALUE\n"
    "                       lines): RANGEs may name them (repeatable)\n"
    "      --coverage FILE  with --symbols: the routines that the runs of\n"
    "                       quillet-run --coverage FILE never executed, and the\n"
    "                       share of code bytes they did (one FILE only)\n"
    "  -h, --help           show this help and exit\n"
    "      --version        show the version and exit\n"
    "\n"
    "RANGE is A, A-B (inclusive) or A+N in the 64 KB address space, or pN:A,\n"
    "pN:A-B or pN:A+N by offset in memory page N. Numbers are decimal (010 is\n"
    "ten), 0x hexadecimal, or hexadecimal with a trailing H (0C000H); with\n"
    "--symbols, LABEL, LABEL+N, LABEL-N and FIRST..LAST too. HEX is pairs of\n"
    "hex digits, as quillet -hex takes them.\n"
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
    Receiver receiver(options, &given);
    switch (common::parse_command_line(PROGRAM_NAME, OPTIONS, argument_count, argument_vector, &receiver)) {
    case common::CommandLineEnd::stopped: return receiver.stopped_as;
    case common::CommandLineEnd::usage_error: return PARSE_USAGE_ERROR;
    case common::CommandLineEnd::done: break;
    }
    options->file_count = static_cast<int>(options->files.size());
    const ParseResult labelled = take_labelled(options, given);
    if (labelled != PARSE_RUN) return labelled;
    return check_operands(options, given);
}

void print_help(std::FILE* out) { std::fputs(HELP_TEXT, out); }

void print_version(std::FILE* out) { std::fprintf(out, "%s %s\n", PROGRAM_NAME, quillet_version()); }

void print_usage_error(const char* message, const char* detail) {
    common::print_usage_error(PROGRAM_NAME, message, detail);
}

}  // namespace quillet::info
