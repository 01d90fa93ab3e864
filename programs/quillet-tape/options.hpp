// Command line of quillet-tape, parsed with the programs' shared option
// parser (common/option_parser.hpp):
//
//   quillet-tape [-j] TAPE                         list what TAPE holds
//   quillet-tape -o OUT [--pmd] [--number N] [--name NAME]... [--type C] ADDR FILE...
//   quillet-tape -x DIR TAPE                       extract each file's data
//   quillet-tape --snapshot OUT [--model M] [--monitor FILE] TAPE
//                                                  a snapshot of its ? files
//   quillet-tape --wav OUT TAPE                    the tape as sound
//   (-x, --snapshot, --wav with --ignore-checksums: checksums that fail too)
//
// Usage errors (exit status USAGE_ERROR_STATUS) are reported here.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace quillet::tape_tool {

constexpr int USAGE_ERROR_STATUS = 64;
constexpr const char* PROGRAM_NAME = "quillet-tape";

enum class Mode { list, make, extract, snapshot, wav };

// One binary of a tape to make: where it goes and its file.
struct Binary {
    long address;
    const char* path;
};

struct TapeOptions {
    Mode mode = Mode::list;
    bool json = false;
    const char* output = nullptr;  // -o, -x, --snapshot or --wav: what it writes
    bool pmd = false;
    int first_number = 0;
    std::vector<const char*> names;  // --name, the Nth for the Nth FILE
    int type = '?';
    int model = -1;  // --model; -1: the snapshot's default
    bool ignore_checksums = false;
    const char* monitor = nullptr;  // --monitor: load through it in the machine
    const char* tape = nullptr;  // the TAPE operand
    std::vector<Binary> binaries;
};

enum ParseResult { PARSE_RUN, PARSE_SHOW_HELP, PARSE_SHOW_VERSION, PARSE_USAGE_ERROR };

ParseResult parse_tape_options(int argument_count, char** argument_vector, TapeOptions* options);

void print_help(std::FILE* out);
void print_version(std::FILE* out);
void print_usage_error(const char* message, const char* detail);

}  // namespace quillet::tape_tool
