// Command line of quillet-info: `quillet-info [OPTION]... FILE...`, parsed
// with getopt_long (options and files may be mixed; "--" ends the options).
//
//   -j, --json           JSON output
//   -x, --extract DIR    extract the ROM image and the blocks into DIR
//   -m, --memory FILE    write the 64 KB address space to FILE
//   -h, --help           help text
//       --version        version line
//
// -x and -m work on a single snapshot: with several FILEs they are a usage
// error, as are an unknown option, a missing option value, an empty DIR
// and no FILE at all.
#pragma once

namespace quillet::info {

// Exit status of a usage error: apart from quillet's failure codes 2..29.
constexpr int USAGE_ERROR_STATUS = 64;

enum ParseResult {
    PARSE_RUN,           // options accepted: inspect the files
    PARSE_SHOW_HELP,     // -h / --help
    PARSE_SHOW_VERSION,  // --version
    PARSE_USAGE_ERROR,   // already reported on standard error
};

struct InfoOptions {
    bool json;
    const char* extract_directory;  // null when not given
    const char* memory_path;        // null when not given
    char** files;                   // the FILE operands
    int file_count;
};

// Parses `argument_vector` (getopt_long may reorder it so that the FILE
// operands come last). Reports a usage error on standard error itself.
ParseResult parse_info_options(int argument_count, char** argument_vector, InfoOptions* options);

}  // namespace quillet::info
