#include "options.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console.hpp"
#include "hex_dump.hpp"
#include "png_encoding.hpp"
#include "snapshot_input.hpp"

namespace quillet::run {
namespace {

constexpr const char* PROGRAM_NAME = "quillet-run";
constexpr long ADDRESS_MAX = QUILLET_ADDRESS_SPACE - 1;
constexpr long PORT_MAX = 0xFF;
constexpr long BYTE_MAX = 0xFF;
constexpr long WORD_MAX = 0xFFFF;

enum OptionId {
    CPM, ROM_AT, IN, REG, POKE, UNTIL, CALL, MAX_STATES, MAX_INSTRUCTIONS, EXPECT, EXPECT_FLAG, EXPECT_MEM,
    JSON, STATS, OUT_LOG, PEEK, SCREEN, SCALE, PALETTE, TRACE, TRACE_LIMIT, OUTPUT, HELP, VERSION,
    OPTION_COUNT
};

struct OptionEntry {
    const char* name;
    OptionId id;
    int values;       // words of value it takes: 0, 1, or 2 (--rom-at)
    bool once;        // a second one is a usage error
    bool with_cpm;    // goes with --cpm
    bool with_image;  // goes with a SNAPSHOT
};

constexpr OptionEntry OPTIONS[] = {
    {"--cpm", CPM, 1, true, true, false},
    {"--rom-at", ROM_AT, 2, false, false, true},
    {"--in", IN, 1, false, false, true},
    {"--reg", REG, 1, false, false, true},
    {"--poke", POKE, 1, false, false, true},
    {"--until", UNTIL, 1, false, false, true},
    {"--call", CALL, 1, true, false, true},
    {"--max-states", MAX_STATES, 1, true, true, true},
    {"--max-instructions", MAX_INSTRUCTIONS, 1, true, true, true},
    {"--expect", EXPECT, 1, false, false, true},
    {"--expect-flag", EXPECT_FLAG, 1, false, false, true},
    {"--expect-mem", EXPECT_MEM, 1, false, false, true},
    {"--json", JSON, 0, false, true, true},
    {"--stats", STATS, 0, false, true, false},
    {"--out-log", OUT_LOG, 0, false, false, true},
    {"--peek", PEEK, 1, false, false, true},
    {"--screen", SCREEN, 1, true, false, true},
    {"--scale", SCALE, 1, true, false, true},
    {"--palette", PALETTE, 1, true, false, true},
    {"--trace", TRACE, 1, true, false, true},
    {"--trace-limit", TRACE_LIMIT, 1, true, false, true},
    {"-o", OUTPUT, 1, true, false, true},
    {"--output", OUTPUT, 1, true, false, true},
    {"-h", HELP, 0, false, true, true},
    {"--help", HELP, 0, false, true, true},
    {"--version", VERSION, 0, false, true, true},
};

const char HELP_TEXT[] =
    "Usage: quillet-run [OPTION]... SNAPSHOT\n"
    "  or:  quillet-run [OPTION]... --cpm PROGRAM.COM\n"
    "Runs the program in SNAPSHOT (- for standard input) on an exact 8080 until it\n"
    "stops, checks registers and memory, and reports what it did.\n"
    "\n"
    "The machine:\n"
    "  --rom-at ADDR FILE     map FILE read-only at ADDR; writes go to the RAM\n"
    "                         beneath (repeatable)\n"
    "  --in PORT=HEX          the bytes successive INs from PORT read, then 0xFF\n"
    "  --reg RG=VALUE         set a register before the run: AF BC DE HL PC SP, or\n"
    "                         A F B C D E H L\n"
    "  --poke ADDR=HEX        store bytes at ADDR before the run (repeatable)\n"
    "Where to stop:\n"
    "  --until ADDR           stop before the instruction at ADDR runs (repeatable)\n"
    "  --call ADDR            call the routine at ADDR; stop when it returns\n"
    "  --max-states N         end the run after N clock states (default 10000000000)\n"
    "  --max-instructions N   end the run after N instructions\n"
    "Checks after the run (repeatable):\n"
    "  --expect RG=VALUE      register RG holds VALUE\n"
    "  --expect-flag FLAG=0|1 flag S, Z, AC, P or CY is clear or set\n"
    "  --expect-mem ADDR=HEX  memory from ADDR holds the bytes HEX\n"
    "Reports:\n"
    "  --json                 the report as JSON\n"
    "  --peek RANGE           hex dump of RANGE of memory after the run (repeatable)\n"
    "  --screen OUT.png       the video memory after the run as a picture\n"
    "  --scale N              ... enlarged N times (1 to 4)\n"
    "  --palette COLOURS      ... in four colours RRGGBB,RRGGBB,RRGGBB,RRGGBB\n"
    "  --trace FILE           one line per instruction into FILE\n"
    "  --trace-limit N        ... for the first N instructions (default 100000)\n"
    "  --out-log              list the OUT writes: port, value, state count\n"
    "  -o, --output OUT.zvk   the state after the run as a snapshot\n"
    "CP/M programs:\n"
    "  --cpm FILE             run FILE as a CP/M program: loaded at 0x0100, BDOS\n"
    "                         functions 2 and 9 printed to standard output, ended by\n"
    "                         a jump to 0x0000 (default limit 100000000000 states)\n"
    "  --stats                report the end, instructions and states on standard error\n"
    "  -h, --help             show this help and exit\n"
    "      --version          show the version and exit\n"
    "\n"
    "RANGE is A, A-B, A+N, or pN:A-B within memory page N, as quillet-info takes it.\n"
    "\n"
    "Exit status: 0 the run stopped as asked (an --until address, the --call\n"
    "return, HLT, a CP/M program's end) and every check holds; 1 a check failed;\n"
    "2 to 29 a file could not be read or written, with the message of quillet;\n"
    "64 usage error; 65 --screen without video memory; 66 a limit was reached first.\n";

// The name and value of "NAME=VALUE", split at the first '='.
bool split_assignment(const char* text, std::string* name, std::string* value) {
    const char* equals = std::strchr(text, '=');
    if (!equals) return false;
    name->assign(text, equals);
    value->assign(equals + 1);
    return true;
}

bool parse_address(const std::string& text, long* address) {
    return common::parse_strict_number(text, ADDRESS_MAX, address);
}

// A count in decimal or 0x hexadecimal, the whole text, at least 1.
bool parse_count(const char* text, std::uint64_t* value) {
    if (!*text || *text == '-' || *text == '+' || *text == ' ') return false;
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* digits = hex ? text + 2 : text;
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(digits, &end, hex ? 16 : 10);
    if (errno != 0 || end == digits || *end != '\0' || parsed == 0) return false;
    *value = parsed;
    return true;
}

// The parse of one command line: the options so far, and which of the
// single ones were given.
class Parser {
public:
    Parser(int count, char** words, RunOptions* options) : count_(count), words_(words), options_(options) {}

    ParseOutcome parse();

private:
    ParseOutcome error(const char* message, const char* detail) {
        print_run_usage_error(message, detail);
        return ParseOutcome::usage_error;
    }
    void take_operand(const char* word);
    ParseOutcome take_option(const OptionEntry& entry, const char* word, const char* inline_value, int* index);
    ParseOutcome take_value(const OptionEntry& entry, const char* value, const char* second);
    ParseOutcome take_register(const char* text, const char* option, std::vector<RegisterValue>* into);
    ParseOutcome take_bytes(const char* text, const char* option, std::vector<MemoryBytes>* into);
    ParseOutcome check_combination();

    int count_;
    char** words_;
    RunOptions* options_;
    const char* given_[OPTION_COUNT] = {};  // the word each option was last given as
    const char* extra_operand_ = nullptr;
};

const OptionEntry* find_option(const char* word, std::size_t length) {
    for (const OptionEntry& entry : OPTIONS) {
        if (std::strlen(entry.name) == length && std::strncmp(entry.name, word, length) == 0) return &entry;
    }
    return nullptr;
}

ParseOutcome Parser::parse() {
    bool options_ended = false;
    for (int i = 1; i < count_; ++i) {
        const char* word = words_[i];
        if (options_ended || word[0] != '-' || common::is_standard_input(word)) {
            take_operand(word);
            continue;
        }
        if (std::strcmp(word, "--") == 0) {
            options_ended = true;
            continue;
        }
        // "--name=VALUE" for a long option, "-oFILE" for the short one.
        const char* equals = std::strncmp(word, "--", 2) == 0 ? std::strchr(word, '=') : nullptr;
        std::size_t name_length = equals ? static_cast<std::size_t>(equals - word) : std::strlen(word);
        const char* inline_value = equals ? equals + 1 : nullptr;
        if (!equals && word[1] != '-' && name_length > 2) {
            name_length = 2;
            inline_value = word + 2;
        }
        const OptionEntry* entry = find_option(word, name_length);
        if (!entry || (inline_value && entry->values == 0)) return error("unknown option", word);
        const ParseOutcome outcome = take_option(*entry, word, inline_value, &i);
        if (outcome != ParseOutcome::run) return outcome;
    }
    if (extra_operand_) return error("unexpected argument", extra_operand_);
    return check_combination();
}

// The first operand is the snapshot; a second one is reported once the
// options are read, so that --help still answers.
void Parser::take_operand(const char* word) {
    if (!options_->snapshot_path) {
        options_->snapshot_path = word;
    } else if (!extra_operand_) {
        extra_operand_ = word;
    }
}

ParseOutcome Parser::take_option(const OptionEntry& entry, const char* word, const char* inline_value, int* index) {
    if (entry.id == HELP) return ParseOutcome::help;
    if (entry.id == VERSION) return ParseOutcome::version;
    if (entry.once && given_[entry.id]) {
        const std::string message = std::string("second ") + entry.name;
        return error(message.c_str(), word);
    }
    given_[entry.id] = word;
    const char* values[2] = {inline_value, nullptr};
    for (int v = inline_value ? 1 : 0; v < entry.values; ++v) {
        if (*index + 1 >= count_) return error("missing value for", word);
        values[v] = words_[++*index];
    }
    return take_value(entry, values[0], values[1]);
}

ParseOutcome Parser::take_register(const char* text, const char* option, std::vector<RegisterValue>* into) {
    std::string name, value;
    RegisterValue item{};
    if (!split_assignment(text, &name, &value) || !common::parse_register_name(name.c_str(), &item.reg)) {
        return error((std::string("unknown register in ") + option).c_str(), text);
    }
    if (!common::parse_strict_number(value, item.reg.pair ? WORD_MAX : BYTE_MAX, &item.value)) {
        return error((std::string("bad register value in ") + option).c_str(), text);
    }
    into->push_back(item);
    return ParseOutcome::run;
}

ParseOutcome Parser::take_bytes(const char* text, const char* option, std::vector<MemoryBytes>* into) {
    std::string address, hex;
    MemoryBytes item{};
    if (!split_assignment(text, &address, &hex) || !parse_address(address, &item.address)) {
        return error((std::string("bad address in ") + option).c_str(), text);
    }
    if (common::decode_hex(hex.c_str(), &item.bytes) != common::HexProblem::none) {
        return error((std::string("bad hexadecimal bytes in ") + option).c_str(), text);
    }
    if (item.address + static_cast<long>(item.bytes.size()) > QUILLET_ADDRESS_SPACE) {
        return error((std::string("bytes past 0xFFFF in ") + option).c_str(), text);
    }
    into->push_back(std::move(item));
    return ParseOutcome::run;
}

ParseOutcome Parser::take_value(const OptionEntry& entry, const char* value, const char* second) {
    RunOptions& o = *options_;
    const std::string bad_address = std::string("bad address for ") + entry.name;
    const std::string bad_count = std::string("bad count for ") + entry.name;
    switch (entry.id) {
    case CPM: o.cpm_path = value; break;
    case ROM_AT: {
        RomImage image{0, second};
        if (!parse_address(value, &image.address)) return error(bad_address.c_str(), value);
        o.roms.push_back(image);
        break;
    }
    case IN: {
        std::string port, hex;
        PortInput input{};
        long number = 0;
        if (!split_assignment(value, &port, &hex) || !common::parse_strict_number(port, PORT_MAX, &number)) {
            return error("bad port in --in", value);
        }
        input.port = static_cast<int>(number);
        if (common::decode_hex(hex.c_str(), &input.bytes) != common::HexProblem::none) {
            return error("bad hexadecimal bytes in --in", value);
        }
        o.inputs.push_back(std::move(input));
        break;
    }
    case REG: return take_register(value, entry.name, &o.registers);
    case POKE: return take_bytes(value, entry.name, &o.pokes);
    case UNTIL: {
        long address = 0;
        if (!parse_address(value, &address)) return error(bad_address.c_str(), value);
        o.untils.push_back(address);
        break;
    }
    case CALL:
        if (!parse_address(value, &o.call_address)) return error(bad_address.c_str(), value);
        o.call = true;
        break;
    case MAX_STATES:
        if (!parse_count(value, &o.max_states)) return error(bad_count.c_str(), value);
        break;
    case MAX_INSTRUCTIONS:
        if (!parse_count(value, &o.max_instructions)) return error(bad_count.c_str(), value);
        break;
    case EXPECT: return take_register(value, entry.name, &o.expected_registers);
    case EXPECT_FLAG: {
        std::string name, state;
        const common::FlagBit* bit = split_assignment(value, &name, &state) ? common::find_flag(name.c_str()) : nullptr;
        if (!bit) return error("unknown flag in --expect-flag", value);
        if (state != "0" && state != "1") return error("bad flag value in --expect-flag", value);
        o.expected_flags.push_back(FlagValue{bit->name, bit->mask, state == "1"});
        break;
    }
    case EXPECT_MEM: return take_bytes(value, entry.name, &o.expected_memory);
    case JSON: o.json = true; break;
    case STATS: o.stats = true; break;
    case OUT_LOG: o.out_log = true; break;
    case PEEK: {
        MemoryRange range{};
        if (const char* problem = common::parse_memory_range(value, &range)) return error(problem, value);
        o.peeks.push_back(range);
        break;
    }
    case SCREEN: o.screen_path = value; break;
    case SCALE: {
        long scale = 0;
        if (!common::parse_strict_number(value, common::SCALE_MAX, &scale) || scale < common::SCALE_MIN) {
            return error("bad scale, 1 to 4:", value);
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
    case HELP:
    case VERSION:
    case OPTION_COUNT: break;
    }
    return ParseOutcome::run;
}

ParseOutcome Parser::check_combination() {
    RunOptions& o = *options_;
    if (given_[SCALE] && !o.screen_path) return error("--scale needs --screen OUT.png", given_[SCALE]);
    if (given_[PALETTE] && !o.screen_path) return error("--palette needs --screen OUT.png", given_[PALETTE]);
    if (o.screen_path && !common::png_encoding_available()) {
        return error("--screen needs PNG support, which this build lacks (libstb-dev)", o.screen_path);
    }
    if (given_[TRACE_LIMIT] && !o.trace_path) return error("--trace-limit needs --trace FILE", given_[TRACE_LIMIT]);
    if (o.cpm_path) {
        if (o.snapshot_path) return error("--cpm takes no SNAPSHOT:", o.snapshot_path);
        for (const OptionEntry& entry : OPTIONS) {
            if (given_[entry.id] && !entry.with_cpm) return error("does not go with --cpm:", given_[entry.id]);
        }
        if (!given_[MAX_STATES]) o.max_states = DEFAULT_CPM_MAX_STATES;
        return ParseOutcome::run;
    }
    for (const OptionEntry& entry : OPTIONS) {
        if (given_[entry.id] && !entry.with_image) return error("goes only with --cpm:", given_[entry.id]);
    }
    if (!o.snapshot_path) return error("no SNAPSHOT given (or --cpm FILE)", nullptr);
    return ParseOutcome::run;
}

}  // namespace

ParseOutcome parse_run_options(int argument_count, char** argument_vector, RunOptions* options) {
    return Parser(argument_count, argument_vector, options).parse();
}

void print_help() { std::fputs(HELP_TEXT, stdout); }

void print_run_usage_error(const char* message, const char* detail) {
    common::print_usage_error(PROGRAM_NAME, message, detail);
}

}  // namespace quillet::run
