#include "info_options.hpp"

#include <cstdio>
#include <cstring>
#include <getopt.h>

#include "info_help.hpp"

namespace quillet::info {
namespace {

constexpr int VERSION_OPTION = 256;  // a long option without a short form

constexpr char SHORT_OPTIONS[] = ":jx:m:h";
constexpr option LONG_OPTIONS[] = {
    {"json", no_argument, nullptr, 'j'},
    {"extract", required_argument, nullptr, 'x'},
    {"memory", required_argument, nullptr, 'm'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, VERSION_OPTION},
    {nullptr, 0, nullptr, 0},
};

ParseResult usage_error(const char* message, const char* detail) {
    print_usage_error(message, detail);
    return PARSE_USAGE_ERROR;
}

// The argument getopt_long just stepped over: the option word whose value
// is missing, or an unknown long option.
const char* last_word(char** argument_vector, int argument_count) {
    const int index = optind - 1;
    return index > 0 && index < argument_count ? argument_vector[index] : "";
}

// getopt_long rejected an option: an unknown long one (optopt 0), one of
// ours given a value it does not take ("--json=1"), or an unknown letter.
ParseResult rejected_option(char** argument_vector, int argument_count) {
    if (optopt == 0) return usage_error("unknown option", last_word(argument_vector, argument_count));
    if (std::strchr(SHORT_OPTIONS + 1, optopt)) {
        return usage_error("option takes no value", last_word(argument_vector, argument_count));
    }
    const char word[] = {'-', static_cast<char>(optopt), '\0'};
    return usage_error("unknown option", word);
}

ParseResult check_operands(const InfoOptions* options) {
    if (options->file_count == 0) return usage_error("no snapshot FILE given", nullptr);
    const bool extracting = options->extract_directory || options->memory_path;
    if (extracting && options->file_count > 1) {
        return usage_error("-x and -m take a single snapshot FILE", nullptr);
    }
    if (options->extract_directory && !*options->extract_directory) {
        return usage_error("empty directory name for", "-x");
    }
    return PARSE_RUN;
}

}  // namespace

ParseResult parse_info_options(int argument_count, char** argument_vector, InfoOptions* options) {
    *options = InfoOptions{};
    optind = 0;  // a fresh scan, also when called again in one process
    opterr = 0;  // the messages are ours
    for (;;) {
        const int option = getopt_long(argument_count, argument_vector, SHORT_OPTIONS, LONG_OPTIONS, nullptr);
        if (option == -1) break;
        switch (option) {
        case 'j': options->json = true; break;
        case 'x': options->extract_directory = optarg; break;
        case 'm': options->memory_path = optarg; break;
        case 'h': return PARSE_SHOW_HELP;
        case VERSION_OPTION: return PARSE_SHOW_VERSION;
        case ':': return usage_error("missing value for", last_word(argument_vector, argument_count));
        default: return rejected_option(argument_vector, argument_count);
        }
    }
    options->files = argument_vector + optind;
    options->file_count = argument_count - optind;
    return check_operands(options);
}

}  // namespace quillet::info
