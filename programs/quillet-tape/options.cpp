#include "options.hpp"

#include <cstring>

#include "console.hpp"
#include "numbers.hpp"
#include "option_parser.hpp"
#include "quillet/quillet.h"

namespace quillet::tape_tool {
namespace {

enum OptionId { JSON, OUTPUT, PMD, NUMBER, NAME, TYPE, EXTRACT, SNAPSHOT, MODEL, WAV, IGNORE_CHECKSUMS, MONITOR, HELP, VERSION };

constexpr common::OptionSpec OPTIONS[] = {
    {"--json", "-j", 0, false, JSON},
    {"--output", "-o", 1, true, OUTPUT},
    {"--pmd", nullptr, 0, false, PMD},
    {"--number", nullptr, 1, true, NUMBER},
    {"--name", nullptr, 1, false, NAME},
    {"--type", nullptr, 1, true, TYPE},
    {"--extract", "-x", 1, true, EXTRACT},
    {"--snapshot", nullptr, 1, true, SNAPSHOT},
    {"--model", nullptr, 1, true, MODEL},
    {"--wav", nullptr, 1, true, WAV},
    {"--ignore-checksums", nullptr, 0, false, IGNORE_CHECKSUMS},
    {"--monitor", nullptr, 1, true, MONITOR},
    {"--help", "-h", 0, false, HELP},
    {"--version", nullptr, 0, false, VERSION},
};

using common::OptionStep;

OptionStep refuse(const char* message, const char* detail) {
    print_usage_error(message, detail);
    return OptionStep::usage_error;
}

// What the walk finds, as given; checked as a whole afterwards.
struct Given {
    const char* mode_option = nullptr;  // the option that chose the mode
    const char* number = nullptr;
    const char* type = nullptr;
    const char* model = nullptr;
    const char* pmd = nullptr;
    const char* name = nullptr;
    const char* ignore_checksums = nullptr;
    const char* monitor = nullptr;
    std::vector<const char*> operands;
};

class Receiver : public common::OptionReceiver {
public:
    Receiver(TapeOptions* options, Given* given) : options_(options), given_(given) {}
    ParseResult stopped_as = PARSE_RUN;

    OptionStep option(const common::OptionUse& use) override {
        switch (use.entry->id) {
        case HELP: stopped_as = PARSE_SHOW_HELP; return OptionStep::stop;
        case VERSION: stopped_as = PARSE_SHOW_VERSION; return OptionStep::stop;
        case JSON: options_->json = true; break;
        case OUTPUT: return choose(Mode::make, use);
        case EXTRACT: return choose(Mode::extract, use);
        case SNAPSHOT: return choose(Mode::snapshot, use);
        case WAV: return choose(Mode::wav, use);
        case PMD: options_->pmd = true; given_->pmd = use.name; break;
        case MONITOR:
            if (!*use.value) return refuse("empty file name for", use.name);
            options_->monitor = given_->monitor = use.value;
            break;
        case IGNORE_CHECKSUMS: options_->ignore_checksums = true; given_->ignore_checksums = use.name; break;
        case NUMBER: {
            long number = 0;
            if (!common::parse_strict_number(use.value, QUILLET_TAPE_NUMBER_MAX, &number)) {
                return refuse("bad file number (0 to 99)", use.value);
            }
            options_->first_number = static_cast<int>(number);
            given_->number = use.value;
            break;
        }
        case NAME:
            options_->names.push_back(use.value);
            given_->name = use.value;
            break;
        case TYPE: {
            const unsigned char c = static_cast<unsigned char>(use.value[0]);
            if (std::strlen(use.value) != 1 || c < 0x20 || c >= 0x7F) {
                return refuse("bad file type (one printable ASCII character)", use.value);
            }
            options_->type = c;
            given_->type = use.value;
            break;
        }
        case MODEL: {
            const int model = quillet_model_number(use.value);
            if (model < 0) return refuse("bad computer model", use.value);
            options_->model = model;
            given_->model = use.value;
            break;
        }
        }
        return OptionStep::go_on;
    }
    void operand(const char* word) override { given_->operands.push_back(word); }

private:
    OptionStep choose(Mode mode, const common::OptionUse& use) {
        if (given_->mode_option) {
            print_usage_error((std::string(use.name) + " cannot go with").c_str(), given_->mode_option);
            return OptionStep::usage_error;
        }
        if (!*use.value) return refuse("empty file name for", use.name);
        options_->mode = mode;
        options_->output = use.value;
        given_->mode_option = use.name;
        return OptionStep::go_on;
    }

    TapeOptions* options_;
    Given* given_;
};

ParseResult usage_error(const std::string& message, const char* detail) {
    print_usage_error(message.c_str(), detail);
    return PARSE_USAGE_ERROR;
}

// The options that only one mode takes.
ParseResult check_mode_options(const TapeOptions* options, const Given& given) {
    const bool making = options->mode == Mode::make;
    if (options->json && options->mode != Mode::list) return usage_error("--json only lists a tape, not with", given.mode_option);
    if (!making) {
        if (given.pmd) return usage_error("--pmd needs -o OUT", nullptr);
        if (given.number) return usage_error("--number needs -o OUT", given.number);
        if (given.name) return usage_error("--name needs -o OUT", given.name);
        if (given.type) return usage_error("--type needs -o OUT", given.type);
    }
    if (given.ignore_checksums && (making || options->mode == Mode::list)) {
        return usage_error("--ignore-checksums needs -x DIR, --snapshot OUT or --wav OUT", nullptr);
    }
    if (given.monitor && options->mode != Mode::snapshot) return usage_error("--monitor needs --snapshot OUT", given.monitor);
    if (given.model && options->mode != Mode::snapshot) return usage_error("--model needs --snapshot OUT", given.model);
    return PARSE_RUN;
}

ParseResult check_operands(TapeOptions* options, const Given& given) {
    if (options->mode != Mode::make) {
        if (given.operands.empty()) return usage_error("no TAPE given", nullptr);
        if (given.operands.size() > 1) return usage_error("one TAPE only; also given", given.operands[1]);
        options->tape = given.operands[0];
        return PARSE_RUN;
    }
    if (given.operands.empty()) return usage_error("no ADDR FILE given", nullptr);
    if (given.operands.size() % 2 != 0) return usage_error("ADDR without its FILE", given.operands.back());
    for (std::size_t i = 0; i < given.operands.size(); i += 2) {
        long address = 0;
        if (!common::parse_strict_number(given.operands[i], 0xFFFF, &address)) {
            return usage_error("bad address (0 to 0xFFFF)", given.operands[i]);
        }
        options->binaries.push_back(Binary{address, given.operands[i + 1]});
    }
    if (options->names.size() > options->binaries.size()) {
        return usage_error("more --name than FILEs; the last is", options->names.back());
    }
    const long last_number = options->first_number + static_cast<long>(options->binaries.size()) - 1;
    if (last_number > QUILLET_TAPE_NUMBER_MAX) {
        return usage_error("file numbers over 99 for " + std::to_string(options->binaries.size()) + " files from --number",
                           given.number);
    }
    return PARSE_RUN;
}

constexpr const char* HELP_TEXT =
    "Usage: quillet-tape [OPTION]... TAPE\n"
    "  or:  quillet-tape -o OUT [--pmd] [--number N] [--name NAME]... [--type C] ADDR FILE...\n"
    "Lists, makes, extracts and converts PMD 85 tapes: PTP images, raw PMD\n"
    "images and WAV recordings of the tape signal. A TAPE may be any of them.\n"
    "\n"
    "  -j, --json           list the tape as JSON\n"
    "  -o, --output OUT     make the tape OUT (PTP) of the binaries FILE, each\n"
    "                       loaded at its ADDR\n"
    "      --pmd            with -o: write a raw PMD image instead\n"
    "      --number N       with -o: the first file's number (0 to 99, default\n"
    "                       0); the others count up from it\n"
    "      --name NAME      with -o: the name of the next FILE (8 ASCII\n"
    "                       characters at most; default: its file name without\n"
    "                       extension, in capitals, cut to 8); repeatable\n"
    "      --type C         with -o: the type character of every file (default ?)\n"
    "  -x, --extract DIR    write each file's data as DIR/NN-NAME.bin (NN its\n"
    "                       place on the tape) and each block of no file as\n"
    "                       DIR/NN-block.bin, all of them or none\n"
    "      --snapshot OUT   write a ZVK snapshot with each ? file at its start\n"
    "                       address and PC at the first one's\n"
    "      --model M        with --snapshot: the computer model (default V2A)\n"
    "      --monitor FILE   with --snapshot: boot the model with this monitor\n"
    "                       image, load the first ? file with MGLD and start\n"
    "                       it with JUMP, as the machine does; the snapshot is\n"
    "                       taken at its first instruction (run it without\n"
    "                       --boot)\n"
    "      --wav OUT        write the tape as sound: 1200 bit/s, 8-bit mono PCM\n"
    "                       at 48000 samples a second\n"
    "      --ignore-checksums  with -x, --snapshot or --wav: take a tape whose\n"
    "                       checksums fail with its bytes as stored, naming\n"
    "                       each block that fails\n"
    "  -h, --help           show this help and exit\n"
    "      --version        show the version and exit\n"
    "\n"
    "ADDR is decimal, 0x hex or 0 octal. A listing shows each file's number as\n"
    "the monitor takes it (MGLD NN), its type, start, length and name, and\n"
    "whether its header and data checksums hold. A damaged tape is listed as\n"
    "far as it goes; -x, --snapshot and --wav refuse it and write nothing\n"
    "(a checksum that fails too, unless --ignore-checksums).\n"
    "\n"
    "Exit status: 0 on success; 2 to 13 as quillet reports a file that cannot\n"
    "be read or written; 40 no tape blocks found; 41 a damaged tape (a record\n"
    "past the end, a data block shorter than its header says, a file without\n"
    "data); 42 a checksum that fails; 43 a name or type a header cannot hold;\n"
    "44 a WAV file that is no PCM recording; 64 for a usage error.\n";

}  // namespace

ParseResult parse_tape_options(int argument_count, char** argument_vector, TapeOptions* options) {
    *options = TapeOptions{};
    Given given;
    Receiver receiver(options, &given);
    switch (common::parse_command_line(PROGRAM_NAME, OPTIONS, argument_count, argument_vector, &receiver)) {
    case common::CommandLineEnd::stopped: return receiver.stopped_as;
    case common::CommandLineEnd::usage_error: return PARSE_USAGE_ERROR;
    case common::CommandLineEnd::done: break;
    }
    const ParseResult mode = check_mode_options(options, given);
    return mode != PARSE_RUN ? mode : check_operands(options, given);
}

void print_help(std::FILE* out) { std::fputs(HELP_TEXT, out); }

void print_version(std::FILE* out) { std::fprintf(out, "%s %s\n", PROGRAM_NAME, quillet_version()); }

void print_usage_error(const char* message, const char* detail) {
    common::print_usage_error(PROGRAM_NAME, message, detail);
}

}  // namespace quillet::tape_tool
