#include "options.hpp"

#include <cstdio>
#include <cstring>
#include <string>

#include "console.hpp"
#include "hex_dump.hpp"
#include "option_parser.hpp"
#include "png_encoding.hpp"
#include "snapshot_input.hpp"
#include "symbols.hpp"

namespace quillet::run {
namespace {

constexpr long PORT_MAX = 0xFF;
constexpr long BYTE_MAX = 0xFF;
constexpr long WORD_MAX = 0xFFFF;

enum OptionId {
    CPM, ROM_AT, IN, REG, POKE, UNTIL, CALL, MAX_STATES, MAX_INSTRUCTIONS, EXPECT, EXPECT_FLAG, EXPECT_MEM,
    JSON, STATS, OUT_LOG, PEEK, SCREEN, SCALE, PALETTE, TRACE, TRACE_LIMIT, OUTPUT, HELP, VERSION,
    SYMBOLS, EXPECT_STOP, EXPECT_SCREEN, SCREEN_DIFF, SCREEN_TOLERANCE, COVERAGE,
    BARE, MONITOR, BOOT, TYPE, KEYS, SCREEN_TEXT, EXPECT_TEXT, UNTIL_TEXT, AUDIO, TESTS, TAPE,
    MODULE, TAPE_OUT, OPTION_COUNT
};

constexpr common::OptionSpec OPTIONS[] = {
    {"--cpm", nullptr, 1, true, CPM},
    {"--rom-at", nullptr, 2, false, ROM_AT},
    {"--in", nullptr, 1, false, IN},
    {"--reg", nullptr, 1, false, REG},
    {"--poke", nullptr, 1, false, POKE},
    {"--until", nullptr, 1, false, UNTIL},
    {"--call", nullptr, 1, true, CALL},
    {"--max-states", nullptr, 1, true, MAX_STATES},
    {"--max-instructions", nullptr, 1, true, MAX_INSTRUCTIONS},
    {"--expect", nullptr, 1, false, EXPECT},
    {"--expect-flag", nullptr, 1, false, EXPECT_FLAG},
    {"--expect-mem", nullptr, 1, false, EXPECT_MEM},
    {"--json", nullptr, 0, false, JSON},
    {"--stats", nullptr, 0, false, STATS},
    {"--out-log", nullptr, 0, false, OUT_LOG},
    {"--peek", nullptr, 1, false, PEEK},
    {"--screen", nullptr, 1, true, SCREEN},
    {"--scale", nullptr, 1, true, SCALE},
    {"--palette", nullptr, 1, true, PALETTE},
    {"--trace", nullptr, 1, true, TRACE},
    {"--trace-limit", nullptr, 1, true, TRACE_LIMIT},
    {"--output", "-o", 1, true, OUTPUT},
    {"--help", "-h", 0, false, HELP},
    {"--version", nullptr, 0, false, VERSION},
    {"--symbols", nullptr, 1, false, SYMBOLS},
    {"--expect-stop", nullptr, 1, false, EXPECT_STOP},
    {"--expect-screen", nullptr, 1, true, EXPECT_SCREEN},
    {"--screen-diff", nullptr, 1, true, SCREEN_DIFF},
    {"--screen-tolerance", nullptr, 1, true, SCREEN_TOLERANCE},
    {"--coverage", nullptr, 1, true, COVERAGE},
    {"--bare", nullptr, 0, false, BARE},
    {"--monitor", nullptr, 1, true, MONITOR},
    {"--boot", nullptr, 0, false, BOOT},
    {"--type", nullptr, 1, false, TYPE},
    {"--keys", nullptr, 1, false, KEYS},
    {"--screen-text", nullptr, 0, false, SCREEN_TEXT},
    {"--expect-text", nullptr, 1, false, EXPECT_TEXT},
    {"--until-text", nullptr, 1, true, UNTIL_TEXT},
    {"--audio", nullptr, 1, true, AUDIO},
    {"--tests", nullptr, 1, true, TESTS},
    {"--tape", nullptr, 1, true, TAPE},
    {"--module", nullptr, 1, true, MODULE},
    {"--tape-out", nullptr, 1, true, TAPE_OUT},
};

// Which runs each option belongs to, by OptionId: a CP/M program's, a
// snapshot's on the PMD 85, a snapshot's on the bare 8080 (--bare).
enum Runs : unsigned { ON_CPM = 1, ON_MACHINE = 2, ON_BARE = 4, ON_SNAPSHOT = ON_MACHINE | ON_BARE, ANY = 7 };
constexpr unsigned PLACEMENTS[] = {
    ON_CPM,       // CPM
    ON_BARE,      // ROM_AT
    ON_SNAPSHOT,  // IN
    ON_SNAPSHOT,  // REG
    ON_SNAPSHOT,  // POKE
    ON_SNAPSHOT,  // UNTIL
    ON_SNAPSHOT,  // CALL
    ANY,          // MAX_STATES
    ANY,          // MAX_INSTRUCTIONS
    ON_SNAPSHOT,  // EXPECT
    ON_SNAPSHOT,  // EXPECT_FLAG
    ON_SNAPSHOT,  // EXPECT_MEM
    ANY,          // JSON
    ON_CPM,       // STATS
    ON_SNAPSHOT,  // OUT_LOG
    ON_SNAPSHOT,  // PEEK
    ON_SNAPSHOT,  // SCREEN
    ON_SNAPSHOT,  // SCALE
    ON_SNAPSHOT,  // PALETTE
    ON_SNAPSHOT,  // TRACE
    ON_SNAPSHOT,  // TRACE_LIMIT
    ON_SNAPSHOT,  // OUTPUT
    ANY,          // HELP
    ANY,          // VERSION
    ON_SNAPSHOT,  // SYMBOLS
    ON_SNAPSHOT,  // EXPECT_STOP
    ON_SNAPSHOT,  // EXPECT_SCREEN
    ON_SNAPSHOT,  // SCREEN_DIFF
    ON_SNAPSHOT,  // SCREEN_TOLERANCE
    ON_SNAPSHOT,  // COVERAGE
    ON_BARE,      // BARE
    ON_MACHINE,   // MONITOR
    ON_MACHINE,   // BOOT
    ON_MACHINE,   // TYPE
    ON_MACHINE,   // KEYS
    ON_MACHINE,   // SCREEN_TEXT
    ON_MACHINE,   // EXPECT_TEXT
    ON_MACHINE,   // UNTIL_TEXT
    ON_MACHINE,   // AUDIO
    ON_SNAPSHOT,  // TESTS
    ON_MACHINE,   // TAPE
    ON_MACHINE,   // MODULE
    ON_MACHINE,   // TAPE_OUT
};
static_assert(sizeof PLACEMENTS / sizeof PLACEMENTS[0] == OPTION_COUNT, "a placement for every option");

const char HELP_TEXT[] =
    "Usage: quillet-run [OPTION]... SNAPSHOT\n"
    "  or:  quillet-run [OPTION]... --cpm PROGRAM.COM\n"
    "Runs the program in SNAPSHOT (- for standard input) on the PMD 85 of the\n"
    "snapshot's model, exact to the clock state, until it stops; checks registers,\n"
    "memory and screen, and reports what it did.\n"
    "\n"
    "The machine:\n"
    "  --monitor FILE         the model's monitor ROM image; without it the\n"
    "                         monitor's range reads 0xFF\n"
    "  --module FILE          the ROM module image (up to 32 KB) in place of the\n"
    "                         snapshot's, which holds less (8 KB on V3)\n"
    "  --boot                 start from power-on (PC 0), not the snapshot's\n"
    "                         registers; needs --monitor\n"
    "  --bare                 a bare 8080 over 64 KB of RAM instead of the PMD 85\n"
    "  --rom-at ADDR FILE     with --bare: map FILE read-only at ADDR; writes go to\n"
    "                         the RAM beneath (repeatable)\n"
    "  --in PORT=HEX          the bytes successive INs from PORT read first, then\n"
    "                         the port's device (0xFF with --bare)\n"
    "  --reg RG=VALUE         set a register before the run: AF BC DE HL PC SP, or\n"
    "                         A F B C D E H L\n"
    "  --poke ADDR=HEX        store bytes at ADDR before the run (repeatable)\n"
    "The keyboard (repeatable, typed in order):\n"
    "  --type TEXT            type TEXT from the program's first keyboard scan;\n"
    "                         keys by name in braces: {EOL} {CLR} {K0}..{K11}\n"
    "                         {STOP} {LEFT} {WAIT n} ...\n"
    "  --keys FILE            type what FILE holds, as --type does\n"
    "The tape recorder:\n"
    "  --tape FILE            play the tape FILE (PTP, PMD or WAV) into the model's\n"
    "                         tape interface from the program's first read of it\n"
    "  --tape-out OUT         record what the program saves through the 8251 as\n"
    "                         the tape OUT: a WAV recording if OUT ends in .wav, a\n"
    "                         raw PMD image if in .pmd, else PTP\n"
    "Where to stop:\n"
    "  --until ADDR           stop before the instruction at ADDR runs (repeatable)\n"
    "  --call ADDR            call the routine at ADDR; stop when it returns\n"
    "  --max-states N         end the run after N clock states (default 10000000000)\n"
    "  --max-instructions N   end the run after N instructions\n"
    "  --until-text TEXT      stop at the first frame whose screen shows TEXT\n"
    "  --expect-stop KIND     the run must end at: halt, until, return or limit\n"
    "                         (repeatable; default: the stops --until and --call\n"
    "                         ask for, else any)\n"
    "Checks after the run (repeatable):\n"
    "  --expect RG=VALUE      register RG holds VALUE\n"
    "  --expect-flag FLAG=0|1 flag S, Z, AC, P or CY is clear or set\n"
    "  --expect-mem ADDR=HEX  memory from ADDR holds the bytes HEX\n"
    "  --expect-text TEXT     a row of the screen shows TEXT\n"
    "  --expect-screen REF    the screen equals REF, a PNG --screen wrote or a\n"
    "                         16384-byte video memory image\n"
    "  --screen-tolerance N   ... but for at most N differing pixels\n"
    "  --screen-diff OUT.png  ... and the differences drawn over the dimmed REF\n"
    "Reports:\n"
    "  --json                 the report as JSON\n"
    "  --peek RANGE           hex dump of RANGE of memory after the run (repeatable)\n"
    "  --screen OUT.png       the video memory after the run as a picture\n"
    "  --scale N              ... enlarged N times (1 to 4)\n"
    "  --palette COLOURS      ... in four colours RRGGBB,RRGGBB,RRGGBB,RRGGBB\n"
    "  --screen-text          the text the screen shows, read with the monitor's\n"
    "                         font\n"
    "  --audio OUT.wav        what the speaker played, as a WAV file\n"
    "  --trace FILE           one line per instruction into FILE\n"
    "  --trace-limit N        ... for the first N instructions (default 100000)\n"
    "  --out-log              list the OUT writes: port, value, state count\n"
    "  -o, --output OUT.zvk   the state after the run as a snapshot\n"
    "  --coverage FILE        add the addresses the run executed, read and wrote\n"
    "                         to FILE\n"
    "Many cases:\n"
    "  --tests FILE           run each line of FILE (options as on the command line,\n"
    "                         '# NAME' after them) from SNAPSHOT's state; report\n"
    "                         in TAP: 'ok N - NAME' or 'not ok N - NAME: WHY'\n"
    "Labels:\n"
    "  --symbols FILE         the program's labels, from asm80's listing or\n"
    "                         NAME EQU VALUE lines (repeatable); every ADDR and\n"
    "                         register pair value may then be LABEL, LABEL+N or\n"
    "                         LABEL-N\n"
    "CP/M programs:\n"
    "  --cpm FILE             run FILE as a CP/M program: loaded at 0x0100, BDOS\n"
    "                         functions 2 and 9 printed to standard output, ended by\n"
    "                         a jump to 0x0000 (default limit 100000000000 states)\n"
    "  --stats                report the end, instructions and states on standard error\n"
    "  -h, --help             show this help and exit\n"
    "      --version          show the version and exit\n"
    "\n"
    "RANGE is A, A-B, A+N, A..B, or pN:A-B within memory page N, as quillet-info\n"
    "takes it. Numbers are decimal (010 is ten), 0x hexadecimal, or hexadecimal\n"
    "with a trailing H (0C000H).\n"
    "\n"
    "Exit status: 0 the run stopped as asked (an --until address or text, the\n"
    "--call return, HLT, a CP/M program's end) and every check holds; 1 a check\n"
    "failed, the run ended at another stop than the one asked for, the program\n"
    "called the monitor without --monitor, or a case of --tests is not ok; 2 to\n"
    "29 a file could not be read or written, with the message of quillet; 40 to\n"
    "44 the tape could not be read, as quillet-tape says, or 40 the program saved\n"
    "nothing for --tape-out; 64 usage error; 65 --screen without video memory;\n"
    "66 a limit was reached first.\n";

// The name and value of "NAME=VALUE", split at the first '='.
bool split_assignment(const char* text, std::string* name, std::string* value) {
    const char* equals = std::strchr(text, '=');
    if (!equals) return false;
    name->assign(text, equals);
    value->assign(equals + 1);
    return true;
}

// "0 to 0xFFFF": the values a number may take, for the messages.
std::string values_up_to(long limit) {
    char text[32];
    std::snprintf(text, sizeof text, "0 to 0x%lX", limit);
    return text;
}

// A count, at least 1.
bool parse_count(const char* text, std::uint64_t* value) {
    std::uint64_t count = 0;
    if (!common::parse_number_text(text, UINT64_MAX, &count) || count == 0) return false;
    *value = count;
    return true;
}

// The parse of one command line: the options so far, and how and with
// which value each of them was last given.
class Parser : public common::OptionReceiver {
public:
    Parser(RunOptions* options, const char* place, const RunOptions* shared)
        : options_(options), place_(place), shared_(shared) {}

    common::OptionStep option(const common::OptionUse& use) override;
    void operand(const char* word) override;
    ParseOutcome finish();

    ParseOutcome stopped_as = ParseOutcome::run;

private:
    void report(const char* message, const char* detail) const {
        common::print_usage_error(PROGRAM_NAME, message, detail, place_);
    }
    common::OptionStep error(const char* message, const char* detail) {
        report(message, detail);
        return common::OptionStep::usage_error;
    }
    ParseOutcome usage_error(const char* message, const char* detail) {
        report(message, detail);
        return ParseOutcome::usage_error;
    }
    common::OptionStep take_value(const common::OptionUse& use);
    common::OptionStep take_register(const char* text, const char* option, std::vector<RegisterValue>* into);
    common::OptionStep take_bytes(const char* text, const char* option, std::vector<MemoryBytes>* into);
    // An ADDR (or a register pair's value), labels allowed; a bad one is
    // reported as `bad` with the text, an unknown label by its name.
    bool take_address(const std::string& text, long limit, const std::string& bad, const char* option,
                      const char* whole, long* address);
    common::OptionStep take_stop(const char* value);
    ParseOutcome read_symbols();

    RunOptions* options_;
    const char* place_;  // where the words came from, for the messages; null: the command line
    const RunOptions* shared_;  // the command line's, for a case of --tests
    unsigned explicit_stops_ = 0;
    const char* given_[OPTION_COUNT] = {};        // the name each option was last given as
    const char* given_value_[OPTION_COUNT] = {};  // and its value
    const char* extra_operand_ = nullptr;
    // The uses of options, taken once every symbol file is read.
    std::vector<common::OptionUse> uses_;
    std::vector<const char*> symbol_files_;
};

bool Parser::take_address(const std::string& text, long limit, const std::string& bad, const char* option,
                          const char* whole, long* address) {
    std::string unknown;
    const std::string problem = common::parse_address(text, options_->symbols(), limit, address, &unknown);
    if (problem.empty()) return true;
    if (!unknown.empty()) {
        const std::string message = "unknown label in " + std::string(option) + " '" + unknown + "'" +
                                    common::nearest_text(options_->symbols(), unknown);
        report(message.c_str(), nullptr);
    } else {
        report(bad.c_str(), whole);
    }
    return false;
}

ParseOutcome Parser::read_symbols() {
    if (shared_ && shared_->symbol_paths == symbol_files_) {
        options_->symbol_table = shared_->symbol_table;
        return ParseOutcome::run;
    }
    const auto table = std::make_shared<common::SymbolTable>();
    for (const char* path : symbol_files_) {
        std::string problem;
        if (const int code = common::read_symbol_file(path, table.get(), &problem)) {
            options_->failure_status = -code;
            return ParseOutcome::file_failure;
        }
        if (!problem.empty()) return usage_error(problem.c_str(), nullptr);
    }
    options_->symbol_table = table;
    return ParseOutcome::run;
}

common::OptionStep Parser::take_stop(const char* value) {
    static const struct {
        const char* name;
        unsigned kind;
    } KINDS[] = {{"halt", STOP_HALT}, {"until", STOP_UNTIL}, {"return", STOP_RETURN}, {"limit", STOP_LIMIT}};
    for (const auto& kind : KINDS) {
        if (std::strcmp(value, kind.name) == 0) {
            explicit_stops_ |= kind.kind;
            return common::OptionStep::go_on;
        }
    }
    return error("bad stop for --expect-stop (halt, until, return or limit)", value);
}

// The first operand is the snapshot; a second one is reported once the
// options are read, so that --help still answers.
void Parser::operand(const char* word) {
    if (!options_->snapshot_path) {
        options_->snapshot_path = word;
    } else if (!extra_operand_) {
        extra_operand_ = word;
    }
}

common::OptionStep Parser::option(const common::OptionUse& use) {
    const int id = use.entry->id;
    if (id == HELP || id == VERSION) {
        stopped_as = id == HELP ? ParseOutcome::help : ParseOutcome::version;
        return common::OptionStep::stop;
    }
    given_[id] = use.name;
    given_value_[id] = use.value;
    if (id == SYMBOLS) {
        symbol_files_.push_back(use.value);
    } else {
        uses_.push_back(use);
    }
    return common::OptionStep::go_on;
}

// An address or value as given, when it names a label rather than a number:
// a failed check names it as the user wrote it.
std::string label_given(const std::string& text) {
    long number = 0;
    return common::parse_strict_number(text, QUILLET_ADDRESS_MAX, &number) ? std::string() : text;
}

common::OptionStep Parser::take_register(const char* text, const char* option, std::vector<RegisterValue>* into) {
    std::string name, value;
    RegisterValue item{};
    if (!split_assignment(text, &name, &value) || !common::parse_register_name(name.c_str(), &item.reg)) {
        return error((std::string("unknown register in ") + option).c_str(), text);
    }
    const long limit = item.reg.pair ? WORD_MAX : BYTE_MAX;
    const std::string bad = std::string("bad register value (") + common::register_name_text(item.reg) + " is " +
                            values_up_to(limit) + ") in " + option;
    if (item.reg.pair) {
        if (!take_address(value, WORD_MAX, bad, option, text, &item.value)) return common::OptionStep::usage_error;
        item.label = label_given(value);
    } else if (!common::parse_strict_number(value, BYTE_MAX, &item.value)) {
        return error(bad.c_str(), text);
    }
    into->push_back(item);
    return common::OptionStep::go_on;
}

common::OptionStep Parser::take_bytes(const char* text, const char* option, std::vector<MemoryBytes>* into) {
    std::string address, hex;
    MemoryBytes item{};
    const std::string bad = "bad address (" + values_up_to(QUILLET_ADDRESS_MAX) + ") in " + option;
    if (!split_assignment(text, &address, &hex)) return error(bad.c_str(), text);
    if (!take_address(address, QUILLET_ADDRESS_MAX, bad, option, text, &item.address)) return common::OptionStep::usage_error;
    item.label = label_given(address);
    if (common::decode_hex(hex.c_str(), &item.bytes) != common::HexProblem::none) {
        return error((std::string("bad hexadecimal bytes in ") + option).c_str(), text);
    }
    if (item.address + static_cast<long>(item.bytes.size()) > QUILLET_ADDRESS_SPACE) {
        return error((std::string("bytes past 0xFFFF in ") + option).c_str(), text);
    }
    into->push_back(std::move(item));
    return common::OptionStep::go_on;
}

common::OptionStep Parser::take_value(const common::OptionUse& use) {
    RunOptions& o = *options_;
    const char* value = use.value;
    const std::string bad_address = "bad address (" + values_up_to(QUILLET_ADDRESS_MAX) + ") for " + use.name;
    const std::string bad_count = std::string("bad count (1 to ") + std::to_string(UINT64_MAX) + ") for " + use.name;
    switch (static_cast<OptionId>(use.entry->id)) {
    case CPM: o.cpm_path = value; break;
    case ROM_AT: {
        RomImage image{0, use.second};
        if (!take_address(value, QUILLET_ADDRESS_MAX, bad_address, use.name, value, &image.address)) {
            return common::OptionStep::usage_error;
        }
        o.roms.push_back(image);
        break;
    }
    case IN: {
        std::string port, hex;
        PortInput input{};
        long number = 0;
        if (!split_assignment(value, &port, &hex) || !common::parse_strict_number(port, PORT_MAX, &number)) {
            return error(("bad port (" + values_up_to(PORT_MAX) + ") in --in").c_str(), value);
        }
        input.port = static_cast<int>(number);
        if (common::decode_hex(hex.c_str(), &input.bytes) != common::HexProblem::none) {
            return error("bad hexadecimal bytes in --in", value);
        }
        o.inputs.push_back(std::move(input));
        break;
    }
    case REG: return take_register(value, use.name, &o.registers);
    case POKE: return take_bytes(value, use.name, &o.pokes);
    case UNTIL: {
        long address = 0;
        if (!take_address(value, QUILLET_ADDRESS_MAX, bad_address, use.name, value, &address)) {
            return common::OptionStep::usage_error;
        }
        o.untils.push_back(address);
        break;
    }
    case CALL:
        if (!take_address(value, QUILLET_ADDRESS_MAX, bad_address, use.name, value, &o.call_address)) {
            return common::OptionStep::usage_error;
        }
        o.call = true;
        break;
    case MAX_STATES:
        if (!parse_count(value, &o.max_states)) return error(bad_count.c_str(), value);
        break;
    case MAX_INSTRUCTIONS:
        if (!parse_count(value, &o.max_instructions)) return error(bad_count.c_str(), value);
        break;
    case EXPECT: return take_register(value, use.name, &o.expected_registers);
    case EXPECT_FLAG: {
        std::string name, state;
        const common::FlagBit* bit = split_assignment(value, &name, &state) ? common::find_flag(name.c_str()) : nullptr;
        if (!bit) return error("unknown flag in --expect-flag", value);
        if (state != "0" && state != "1") return error("bad flag value in --expect-flag", value);
        o.expected_flags.push_back(FlagValue{bit->name, bit->mask, state == "1"});
        break;
    }
    case EXPECT_MEM: return take_bytes(value, use.name, &o.expected_memory);
    case JSON: o.json = true; break;
    case STATS: o.stats = true; break;
    case OUT_LOG: o.out_log = true; break;
    case PEEK: {
        MemoryRange range{};
        const std::string problem = common::parse_labelled_range(value, o.symbols(), &range);
        if (!problem.empty()) return error(problem.c_str(), nullptr);
        o.peeks.push_back(range);
        break;
    }
    case SCREEN: o.screen_path = value; break;
    case SCALE: {
        long scale = 0;
        if (!common::parse_strict_number(value, common::SCALE_MAX, &scale) || scale < common::SCALE_MIN) {
            return error("bad scale (1 to 4)", value);
        }
        o.screen_scale = static_cast<int>(scale);
        break;
    }
    case PALETTE:
        if (const char* problem = common::parse_palette(value, &o.palette)) return error(problem, value);
        break;
    case TRACE: o.trace_path = value; break;
    case TRACE_LIMIT:
        if (!parse_count(value, &o.trace_limit)) return error(bad_count.c_str(), value);
        break;
    case OUTPUT: o.output_path = value; break;
    case EXPECT_STOP: return take_stop(value);
    case EXPECT_SCREEN: o.expected_screen = value; break;
    case SCREEN_DIFF: o.screen_diff_path = value; break;
    case SCREEN_TOLERANCE:
        if (!common::parse_strict_number(value, QUILLET_SCREEN_WIDTH * QUILLET_SCREEN_HEIGHT, &o.screen_tolerance)) {
            const std::string bad = "bad pixel count (0 to " +
                                    std::to_string(QUILLET_SCREEN_WIDTH * QUILLET_SCREEN_HEIGHT) + ") for --screen-tolerance";
            return error(bad.c_str(), value);
        }
        break;
    case COVERAGE: o.coverage_path = value; break;
    case BARE: o.bare = true; break;
    case MONITOR: o.monitor_path = value; break;
    case BOOT: o.boot = true; break;
    case TYPE: o.key_scripts.push_back(KeyScript{false, value}); break;
    case KEYS: o.key_scripts.push_back(KeyScript{true, value}); break;
    case SCREEN_TEXT: o.screen_text = true; break;
    case EXPECT_TEXT:
        if (*value == '\0') return error("empty text for --expect-text", value);
        o.expected_texts.push_back(value);
        break;
    case UNTIL_TEXT:
        if (*value == '\0') return error("empty text for --until-text", value);
        o.until_text = value;
        break;
    case AUDIO: o.audio_path = value; break;
    case TAPE: o.tape_path = value; break;
    case TAPE_OUT: o.tape_out_path = value; break;
    case MODULE: o.module_path = value; break;
    case TESTS: o.tests_path = value; break;
    case SYMBOLS:
    case HELP:
    case VERSION:
    case OPTION_COUNT: break;
    }
    return common::OptionStep::go_on;
}

ParseOutcome Parser::finish() {
    RunOptions& o = *options_;
    o.symbol_paths = symbol_files_;
    const ParseOutcome symbols = read_symbols();
    if (symbols != ParseOutcome::run) return symbols;
    for (const common::OptionUse& use : uses_) {
        if (take_value(use) != common::OptionStep::go_on) return ParseOutcome::usage_error;
    }
    if (extra_operand_) return usage_error("unexpected argument", extra_operand_);
    if (given_[SCREEN_DIFF] && !o.expected_screen) {
        return usage_error("--screen-diff needs --expect-screen REF", given_value_[SCREEN_DIFF]);
    }
    if (given_[SCREEN_TOLERANCE] && !o.expected_screen) {
        return usage_error("--screen-tolerance needs --expect-screen REF", given_value_[SCREEN_TOLERANCE]);
    }
    if (o.screen_diff_path && !common::png_encoding_available()) {
        return usage_error("--screen-diff needs PNG support, which this build lacks (libstb-dev)", o.screen_diff_path);
    }
    o.expected_stops = explicit_stops_;
    if (!o.expected_stops) {
        if (!o.untils.empty()) o.expected_stops |= STOP_UNTIL;
        if (o.call) o.expected_stops |= STOP_RETURN;
    }
    if (given_[SCALE] && !o.screen_path) return usage_error("--scale needs --screen OUT.png", given_value_[SCALE]);
    if (given_[PALETTE] && !o.screen_path) return usage_error("--palette needs --screen OUT.png", given_value_[PALETTE]);
    if (o.screen_path && !common::png_encoding_available()) {
        return usage_error("--screen needs PNG support, which this build lacks (libstb-dev)", o.screen_path);
    }
    if (given_[TRACE_LIMIT] && !o.trace_path) return usage_error("--trace-limit needs --trace FILE", given_value_[TRACE_LIMIT]);
    if (o.cpm_path) {
        if (o.snapshot_path) return usage_error("--cpm takes no SNAPSHOT:", o.snapshot_path);
        for (int id = 0; id < OPTION_COUNT; ++id) {
            if (given_[id] && !(PLACEMENTS[id] & ON_CPM)) return usage_error("does not go with --cpm:", given_[id]);
        }
        if (!given_[MAX_STATES]) o.max_states = DEFAULT_CPM_MAX_STATES;
        return ParseOutcome::run;
    }
    const unsigned run = o.bare ? ON_BARE : ON_MACHINE;
    for (int id = 0; id < OPTION_COUNT; ++id) {
        if (!given_[id] || (PLACEMENTS[id] & run) != 0) continue;
        if (PLACEMENTS[id] == ON_CPM) return usage_error("goes only with --cpm:", given_[id]);
        if (PLACEMENTS[id] == ON_BARE) return usage_error("goes only with --bare:", given_[id]);
        return usage_error("does not go with --bare:", given_[id]);
    }
    if (o.boot && !o.monitor_path) return usage_error("--boot needs --monitor FILE", nullptr);
    for (const int id : {SCREEN_TEXT, EXPECT_TEXT, UNTIL_TEXT}) {
        if (given_[id] && !o.monitor_path) {
            return usage_error((std::string(given_[id]) + " needs --monitor FILE, whose font reads the screen").c_str(),
                               given_value_[id]);
        }
    }
    if (o.until_text && !explicit_stops_) o.expected_stops |= STOP_UNTIL;
    if (!o.snapshot_path) return usage_error("no SNAPSHOT given (or --cpm FILE)", nullptr);
    return ParseOutcome::run;
}

}  // namespace

ParseOutcome parse_run_options(int argument_count, char** argument_vector, RunOptions* options, const char* place,
                               const RunOptions* shared) {
    Parser parser(options, place, shared);
    switch (common::parse_command_line(PROGRAM_NAME, OPTIONS, argument_count, argument_vector, &parser, place)) {
    case common::CommandLineEnd::stopped: return parser.stopped_as;
    case common::CommandLineEnd::usage_error: return ParseOutcome::usage_error;
    case common::CommandLineEnd::done: break;
    }
    return parser.finish();
}

void print_help() { std::fputs(HELP_TEXT, stdout); }

void print_run_usage_error(const char* message, const char* detail) {
    common::print_usage_error(PROGRAM_NAME, message, detail);
}

}  // namespace quillet::run
