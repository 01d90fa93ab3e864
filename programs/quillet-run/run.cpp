#include "run.hpp"

#include <getopt.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console.hpp"
#include "cpm.hpp"
#include "quillet/quillet.h"

namespace quillet::run {

namespace {

constexpr const char* PROGRAM_NAME = "quillet-run";
// About 13.5 hours of PMD 85 time: a runaway program in CI ends, a long
// exerciser (8080EXM takes 2.4e10 states) does not.
constexpr std::uint64_t DEFAULT_MAX_STATES = 100000000000ULL;

struct Options {
    const char* cpm_path = nullptr;
    bool json = false;
    bool stats = false;
    std::uint64_t max_states = DEFAULT_MAX_STATES;
};

enum LongOnly { CPM = 256, JSON, STATS, MAX_STATES, VERSION };

const option LONG_OPTIONS[] = {
    {"cpm", required_argument, nullptr, CPM},
    {"json", no_argument, nullptr, JSON},
    {"stats", no_argument, nullptr, STATS},
    {"max-states", required_argument, nullptr, MAX_STATES},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, VERSION},
    {nullptr, 0, nullptr, 0},
};

const char USAGE[] =
    "Usage: quillet-run [OPTION]... --cpm PROGRAM.COM\n"
    "Runs an 8080 program on an exact 8080, counting its instructions and clock states.\n"
    "\n"
    "  --cpm FILE        run FILE as a CP/M program: loaded at 0x0100, BDOS functions\n"
    "                    2 and 9 printed to standard output, ended by a jump to 0x0000\n"
    "  --max-states N    stop after N clock states (default 100000000000)\n"
    "  --stats           report the end, instructions and states on standard error\n"
    "  --json            the same report as JSON\n"
    "  -h, --help        show this help and exit\n"
    "      --version     show the version and exit\n"
    "\n"
    "Exit status: 0 the program ended (a jump to 0x0000 or HLT); 2 to 29 the file\n"
    "could not be read, with the message of quillet; 64 usage error; 66 the state\n"
    "limit was reached first.\n";

int usage_error(const char* message, const char* detail) {
    common::print_usage_error(PROGRAM_NAME, message, detail);
    return EXIT_USAGE;
}

// A count in decimal or 0x hexadecimal, the whole text, at least 1.
bool parse_count(const char* text, std::uint64_t* value) {
    if (!text || !*text || *text == '-' || *text == '+' || *text == ' ') return false;
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(hex ? text + 2 : text, &end, hex ? 16 : 10);
    if (errno != 0 || end == (hex ? text + 2 : text) || *end != '\0' || parsed == 0) return false;
    *value = parsed;
    return true;
}

// Parses the command line into `options`: -1 to go on, else the exit status.
int parse_options(int argument_count, char** argument_vector, Options* options) {
    opterr = 0;
    optind = 1;
    for (;;) {
        const int previous = optind;
        const int choice = getopt_long(argument_count, argument_vector, ":h", LONG_OPTIONS, nullptr);
        if (choice == -1) break;
        const char* word = previous < argument_count ? argument_vector[previous] : "";
        switch (choice) {
            case CPM:
                if (options->cpm_path) return usage_error("second --cpm", optarg);
                options->cpm_path = optarg;
                break;
            case JSON: options->json = true; break;
            case STATS: options->stats = true; break;
            case MAX_STATES:
                if (!parse_count(optarg, &options->max_states)) return usage_error("bad count for --max-states", optarg);
                break;
            case 'h': std::fputs(USAGE, stdout); return EXIT_STOPPED;
            case VERSION: std::printf("%s %s\n", PROGRAM_NAME, quillet_version()); return EXIT_STOPPED;
            case ':': return usage_error("missing value for", word);
            default: return usage_error("unknown option", word);
        }
    }
    if (optind < argument_count) return usage_error("unexpected argument", argument_vector[optind]);
    if (!options->cpm_path) return usage_error("no program given: --cpm FILE", nullptr);
    return -1;
}

void print_report(const CpmResult& result, bool json) {
    if (json) {
        std::fprintf(stderr, "{\"stop\": \"%s\", \"pc\": %ld, \"instructions\": %" PRIu64 ", \"states\": %" PRIu64 "}\n",
                     cpm_end_name(result.end), result.pc, result.instructions, result.states);
    } else {
        std::fprintf(stderr, "stop: %s\npc: 0x%04lX\ninstructions: %" PRIu64 "\nstates: %" PRIu64 "\n",
                     cpm_end_name(result.end), result.pc, result.instructions, result.states);
    }
}

}  // namespace

int run_program(int argument_count, char** argument_vector) {
    Options options;
    const int parsed = parse_options(argument_count, argument_vector, &options);
    if (parsed >= 0) return parsed;

    quillet_cpu* cpu = quillet_cpu_new();
    if (!cpu) {
        common::print_failure(quillet_message(QUILLET_ERR_OUT_OF_MEMORY));
        return -QUILLET_ERR_OUT_OF_MEMORY;
    }
    const int loaded = load_cpm_program(cpu, options.cpm_path, common::print_report, nullptr);
    if (loaded != 0) {
        quillet_cpu_free(cpu);
        return -loaded;
    }
    const CpmResult result = run_cpm_program(cpu, options.max_states, stdout);
    quillet_cpu_free(cpu);
    std::fflush(stdout);
    if (options.json || options.stats) print_report(result, options.json);
    if (result.end == CpmEnd::state_limit) {
        if (!options.json && !options.stats) {
            std::fprintf(stderr, "%s: state limit of %" PRIu64 " reached at 0x%04lX\n", PROGRAM_NAME,
                         options.max_states, result.pc);
        }
        return EXIT_LIMIT;
    }
    return EXIT_STOPPED;
}

}  // namespace quillet::run
