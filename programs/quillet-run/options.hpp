// Command line of quillet-run:
//
//   quillet-run [OPTION]... SNAPSHOT        (- for standard input)
//   quillet-run [OPTION]... --cpm PROGRAM.COM
//
// The words are read by the programs' one option parser
// (common/option_parser.hpp), with its rules and messages: options may stand
// before and after the operand, "--" ends them, a long option takes its
// value as "--name=VALUE" or as the next word; --rom-at takes two, ADDR and
// FILE. Numbers (addresses, register values, ports, counts) are read as
// quillet-info reads them (common/numbers.hpp); counts are at least 1; HEX
// is pairs of hexadecimal digits, as quillet -hex takes them.
//
// Every value is checked here: a bad one is a usage error that names the
// text, as is an unknown option, a missing value, a second operand, one of
// the single options given twice, an option that needs another (--scale
// without --screen), and an option of the snapshot run given with --cpm.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "memory_range.hpp"
#include "registers.hpp"
#include "screen.hpp"
#include "symbols.hpp"

namespace quillet::run {

using common::MemoryRange;
using common::Palette;
using common::RegisterName;

// The name the program gives itself in its messages.
constexpr const char* PROGRAM_NAME = "quillet-run";
// About 81 minutes of PMD 85 time: a runaway program in CI ends soon.
constexpr std::uint64_t DEFAULT_MAX_STATES = 10000000000ULL;
// CP/M programs are exercisers that run long (8080EXM takes 2.4e10 states).
constexpr std::uint64_t DEFAULT_CPM_MAX_STATES = 100000000000ULL;
constexpr std::uint64_t NO_LIMIT = UINT64_MAX;
constexpr std::uint64_t DEFAULT_TRACE_LIMIT = 100000;

struct RegisterValue {
    RegisterName reg;
    long value;
    std::string label;  // the value as given when it names a label, else ""
};

struct FlagValue {
    const char* name;  // as the flag is shown: "S", "Z", "AC", "P", "CY"
    unsigned mask;
    bool set;
};

// Bytes at an address: --poke, --expect-mem.
struct MemoryBytes {
    long address;
    std::vector<std::uint8_t> bytes;
    std::string label;  // the address as given when it names a label, else ""
};

struct RomImage {
    long address;
    const char* path;
};

// --in: the bytes successive INs from `port` read.
struct PortInput {
    int port;
    std::vector<std::uint8_t> bytes;
};

// The stops a run may end at: --expect-stop, or those --until and --call
// ask for. A run that asks for none may end any way.
// A piece of what --type and --keys type, in the order given.
struct KeyScript {
    bool from_file;    // --keys: `text` names the file
    const char* text;
};

enum StopKind : unsigned {
    STOP_HALT = 1, STOP_UNTIL = 2, STOP_RETURN = 4, STOP_LIMIT = 8,
};

struct RunOptions {
    const char* snapshot_path = nullptr;
    const char* cpm_path = nullptr;
    // The machine: the PMD 85 of the snapshot's model, or the bare 8080.
    bool bare = false;
    const char* monitor_path = nullptr;
    bool boot = false;
    std::vector<KeyScript> key_scripts;
    const char* until_text = nullptr;
    const char* tape_path = nullptr;
    const char* module_path = nullptr;  // --module: the ROM module image
    // The machine before the run.
    std::vector<RomImage> roms;
    std::vector<PortInput> inputs;
    std::vector<RegisterValue> registers;
    std::vector<MemoryBytes> pokes;
    // Where to start and when to stop.
    std::vector<long> untils;
    bool call = false;
    long call_address = 0;
    std::uint64_t max_states = DEFAULT_MAX_STATES;
    std::uint64_t max_instructions = NO_LIMIT;
    unsigned expected_stops = 0;  // StopKind bits; 0: any
    // The labels of the program (--symbols), for every address: read once,
    // and shared by the cases of --tests that name the same files.
    std::shared_ptr<const common::SymbolTable> symbol_table = std::make_shared<const common::SymbolTable>();
    const common::SymbolTable& symbols() const { return *symbol_table; }
    std::vector<const char*> symbol_paths;
    // Checks after the run.
    std::vector<RegisterValue> expected_registers;
    std::vector<FlagValue> expected_flags;
    std::vector<MemoryBytes> expected_memory;
    std::vector<const char*> expected_texts;
    const char* expected_screen = nullptr;
    const char* screen_diff_path = nullptr;
    long screen_tolerance = 0;
    // Reports.
    bool json = false;
    bool stats = false;
    bool out_log = false;
    std::vector<MemoryRange> peeks;
    const char* screen_path = nullptr;
    int screen_scale = common::SCALE_MIN;
    Palette palette = common::DEFAULT_PALETTE;
    const char* trace_path = nullptr;
    std::uint64_t trace_limit = DEFAULT_TRACE_LIMIT;
    const char* output_path = nullptr;
    const char* coverage_path = nullptr;
    bool screen_text = false;
    const char* audio_path = nullptr;
    const char* tape_out_path = nullptr;  // --tape-out
    // --tests: the file of cases to run instead of one run.
    const char* tests_path = nullptr;

    int failure_status = 0;  // with ParseOutcome::file_failure

    bool has_expectations() const {
        return !expected_registers.empty() || !expected_flags.empty() || !expected_memory.empty() ||
               !expected_texts.empty();
    }
};

// What a parse ends with; file_failure: a file the options name (a symbol
// file) cannot be read, its message printed and its status in
// RunOptions::failure_status.
enum class ParseOutcome { run, help, version, usage_error, file_failure };

// Parses the command line into `options`; a usage error is reported on
// standard error here, after `place` when it is given (the words of a case
// of --tests: "cases.txt:4").
// A case of --tests gives the options of its command line as `shared`: the
// symbol files they read are not read again when the case names no others.
ParseOutcome parse_run_options(int argument_count, char** argument_vector, RunOptions* options,
                               const char* place = nullptr, const RunOptions* shared = nullptr);

// The help text, to standard output.
void print_help();

// "PROGRAM: MESSAGE 'DETAIL'" and the pointer to --help, on standard error.
void print_run_usage_error(const char* message, const char* detail);

}  // namespace quillet::run
