#include "coverage.hpp"

#include "console.hpp"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quillet::common {
namespace {

constexpr long ADDRESS_LAST = QUILLET_ADDRESS_SPACE - 1;
constexpr long LABEL_REACH = 0xFF;  // how far past a label an address is still named by it
constexpr const char KIND_LETTERS[COVERAGE_KINDS + 1] = "xrw";
constexpr const char* HEADER = "# quillet coverage: FIRST[-LAST] KIND COUNT [LABEL]\n";
constexpr int LINE_SIZE = 96;
constexpr unsigned OPCODE_HLT = 0x76;
// Counts stop at the largest one rather than wrap to 0, which would drop
// the address from the file.
constexpr std::uint64_t COUNT_MAX = UINT64_MAX;

// Which data a defined opcode reads or writes (an undefined one does what
// the instruction it executes as does: the library's table says which).
static_assert(COVERAGE_EXECUTED == QUILLET_COVERAGE_EXECUTED && COVERAGE_READ == QUILLET_COVERAGE_READ &&
                  COVERAGE_WRITTEN == QUILLET_COVERAGE_WRITTEN,
              "the kinds are the interface's");

enum Access : std::uint8_t {
    NONE,
    READ_HL, WRITE_HL, MODIFY_HL,    // MOV r,M / ALU M; MOV M,r / MVI M; INR M / DCR M
    READ_BC, READ_DE, WRITE_BC, WRITE_DE,
    READ_DIRECT, WRITE_DIRECT,      // LDA, STA
    READ_DIRECT2, WRITE_DIRECT2,    // LHLD, SHLD
    PUSH2, POP2, EXCHANGE_STACK,    // PUSH, CALL, RST; POP, RET; XTHL
    PUSH2_IF, POP2_IF,              // Ccc, Rcc: when the condition holds
};

Access access_of(unsigned opcode) {
    if (opcode == OPCODE_HLT) return NONE;
    if (opcode >= 0x40 && opcode <= 0x7F) {
        if ((opcode & 0x07) == 6) return READ_HL;
        if (((opcode >> 3) & 0x07) == 6) return WRITE_HL;
        return NONE;
    }
    if (opcode >= 0x80 && opcode <= 0xBF) return (opcode & 0x07) == 6 ? READ_HL : NONE;
    switch (opcode) {
    case 0x36: return WRITE_HL;
    case 0x34: case 0x35: return MODIFY_HL;
    case 0x0A: return READ_BC;
    case 0x1A: return READ_DE;
    case 0x02: return WRITE_BC;
    case 0x12: return WRITE_DE;
    case 0x3A: return READ_DIRECT;
    case 0x32: return WRITE_DIRECT;
    case 0x2A: return READ_DIRECT2;
    case 0x22: return WRITE_DIRECT2;
    case 0xE3: return EXCHANGE_STACK;
    case 0xCD: return PUSH2;  // CALL
    case 0xC9: return POP2;   // RET
    default: break;
    }
    if ((opcode & 0xCF) == 0xC5) return PUSH2;  // PUSH
    if ((opcode & 0xCF) == 0xC1) return POP2;   // POP
    if ((opcode & 0xC7) == 0xC7) return PUSH2;  // RST
    if ((opcode & 0xC7) == 0xC4) return PUSH2_IF;
    if ((opcode & 0xC7) == 0xC0) return POP2_IF;
    return NONE;
}

// The condition of Ccc and Rcc (bits 5..3: NZ Z NC C PO PE P M) against F.
bool condition_holds(unsigned opcode, int flags) {
    static const int FLAG_OF[4] = {QUILLET_FLAG_Z, QUILLET_FLAG_CY, QUILLET_FLAG_P, QUILLET_FLAG_S};
    const unsigned condition = (opcode >> 3) & 0x07;
    const bool set = (flags & FLAG_OF[condition >> 1]) != 0;
    return (condition & 1) ? set : !set;
}

// A COUNT: decimal digits only (no sign, no blank before them), at most
// COUNT_MAX. Moves `*text` past them.
bool read_count(const char** text, std::uint64_t* count) {
    const char* p = *text;
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    std::uint64_t value = 0;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        const unsigned digit = static_cast<unsigned>(*p - '0');
        if (value > (COUNT_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    *text = p;
    *count = value;
    return true;
}

std::string label_beside(const SymbolTable& symbols, long address) {
    if (symbols.empty()) return "";
    const std::string name = symbols.describe(address, LABEL_REACH);
    return name.empty() ? "" : " " + name;
}

}  // namespace

void instruction_lengths(std::uint8_t lengths[256]) {
    for (int opcode = 0; opcode < 256; ++opcode) {
        quillet_instruction instruction{};
        quillet_instruction_info(opcode, &instruction);
        lengths[opcode] = static_cast<std::uint8_t>(instruction.length);
    }
}

Coverage::Coverage() {
    for (auto& counts : counts_) counts.assign(QUILLET_ADDRESS_SPACE, 0);
    for (int opcode = 0; opcode < 256; ++opcode) {
        quillet_instruction instruction{};
        quillet_instruction_info(opcode, &instruction);
        lengths_[opcode] = static_cast<std::uint8_t>(instruction.length);
        executed_as_[opcode] = static_cast<std::uint8_t>(instruction.executed_as);
    }
}

void Coverage::record(const quillet_cpu* cpu) {
    const long pc = quillet_cpu_get_pair(cpu, QUILLET_REG_PC);
    std::uint8_t bytes[3] = {0, 0, 0};
    const long available = QUILLET_ADDRESS_SPACE - pc < 3 ? QUILLET_ADDRESS_SPACE - pc : 3;
    quillet_cpu_read_view(cpu, pc, bytes, static_cast<std::size_t>(available));
    const unsigned opcode = executed_as_[bytes[0]];
    auto touch = [this](CoverageKind kind, long address) {
        std::uint64_t& count = counts_[kind][static_cast<std::size_t>(address & ADDRESS_LAST)];
        count += count != COUNT_MAX ? 1 : 0;
    };
    for (unsigned i = 0; i < lengths_[opcode]; ++i) touch(COVERAGE_EXECUTED, static_cast<long>(pc + i));
    const long direct = bytes[1] | bytes[2] << 8;
    const long hl = quillet_cpu_get_pair(cpu, QUILLET_REG_HL);
    const long sp = quillet_cpu_get_pair(cpu, QUILLET_REG_SP);
    switch (access_of(opcode)) {
    case NONE: break;
    case READ_HL: touch(COVERAGE_READ, hl); break;
    case WRITE_HL: touch(COVERAGE_WRITTEN, hl); break;
    case MODIFY_HL: touch(COVERAGE_READ, hl); touch(COVERAGE_WRITTEN, hl); break;
    case READ_BC: touch(COVERAGE_READ, quillet_cpu_get_pair(cpu, QUILLET_REG_BC)); break;
    case READ_DE: touch(COVERAGE_READ, quillet_cpu_get_pair(cpu, QUILLET_REG_DE)); break;
    case WRITE_BC: touch(COVERAGE_WRITTEN, quillet_cpu_get_pair(cpu, QUILLET_REG_BC)); break;
    case WRITE_DE: touch(COVERAGE_WRITTEN, quillet_cpu_get_pair(cpu, QUILLET_REG_DE)); break;
    case READ_DIRECT: touch(COVERAGE_READ, direct); break;
    case WRITE_DIRECT: touch(COVERAGE_WRITTEN, direct); break;
    case READ_DIRECT2: touch(COVERAGE_READ, direct); touch(COVERAGE_READ, direct + 1); break;
    case WRITE_DIRECT2: touch(COVERAGE_WRITTEN, direct); touch(COVERAGE_WRITTEN, direct + 1); break;
    case EXCHANGE_STACK:
        for (long a = sp; a <= sp + 1; ++a) {
            touch(COVERAGE_READ, a);
            touch(COVERAGE_WRITTEN, a);
        }
        break;
    case PUSH2_IF:
        if (!condition_holds(opcode, quillet_cpu_get_register8(cpu, QUILLET_CPU_F))) break;
        // fall through
    case PUSH2: touch(COVERAGE_WRITTEN, sp - 1); touch(COVERAGE_WRITTEN, sp - 2); break;
    case POP2_IF:
        if (!condition_holds(opcode, quillet_cpu_get_register8(cpu, QUILLET_CPU_F))) break;
        // fall through
    case POP2: touch(COVERAGE_READ, sp); touch(COVERAGE_READ, sp + 1); break;
    }
}

bool Coverage::add_counted(const quillet_cpu* cpu) {
    std::vector<std::uint64_t> counted[COVERAGE_KINDS];
    for (int kind = 0; kind < COVERAGE_KINDS; ++kind) {
        counted[kind].resize(QUILLET_ADDRESS_SPACE);
        // The kinds are numbered as the interface numbers them.
        if (quillet_cpu_coverage(cpu, kind, counted[kind].data(), counted[kind].size()) != 0) return false;
    }
    for (int kind = 0; kind < COVERAGE_KINDS; ++kind) {
        for (std::size_t a = 0; a < counted[kind].size(); ++a) {
            std::uint64_t& count = counts_[kind][a];
            count = count > COUNT_MAX - counted[kind][a] ? COUNT_MAX : count + counted[kind][a];
        }
    }
    return true;
}

std::string Coverage::add_text(const std::string& file, const std::string& text) {
    struct Line {
        int kind;
        long first, last;
        std::uint64_t count;
    };
    std::vector<Line> lines;
    std::size_t start = 0;
    for (long number = 1; start < text.size(); ++number) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        unsigned first = 0, last = 0;
        char kind = 0;
        std::uint64_t count = 0;
        int used = 0;
        bool good = false;
        bool past = false;  // a count past COUNT_MAX
        if (std::sscanf(line.c_str(), "0x%4X-0x%4X %c %n", &first, &last, &kind, &used) == 3 ||
            (std::sscanf(line.c_str(), "0x%4X %c %n", &first, &kind, &used) == 2 && (last = first, true))) {
            const char* rest = line.c_str() + used;
            const bool counted = used > 0 && rest[-1] == ' ' && read_count(&rest, &count);
            past = !counted && used > 0 && std::isdigit(static_cast<unsigned char>(*rest));
            const bool tail_ok = *rest == '\0' || (rest[0] == ' ' && rest[1] != '\0' && !std::strchr(rest + 1, ' '));
            const char* letter = kind ? std::strchr(KIND_LETTERS, kind) : nullptr;
            good = counted && tail_ok && letter && first <= last && last <= ADDRESS_LAST && line.compare(0, 2, "0x") == 0;
            if (good) lines.push_back(Line{static_cast<int>(letter - KIND_LETTERS), static_cast<long>(first),
                                           static_cast<long>(last), count});
        }
        if (past) {
            return file + ":" + std::to_string(number) + ": count past " + std::to_string(COUNT_MAX) + ": '" +
                   shown_line(line) + "'";
        }
        if (!good) return file + ":" + std::to_string(number) + ": not a coverage line: '" + shown_line(line) + "'";
    }
    for (const Line& line : lines) {
        for (long a = line.first; a <= line.last; ++a) {
            std::uint64_t& count = counts_[line.kind][static_cast<std::size_t>(a)];
            count = count > COUNT_MAX - line.count ? COUNT_MAX : count + line.count;
        }
    }
    return "";
}

std::string Coverage::text(const SymbolTable& symbols) const {
    std::string out = HEADER;
    // Runs of each kind, then merged in order of their first address.
    struct Run {
        long first, last;
        int kind;
        std::uint64_t count;
    };
    std::vector<Run> runs;
    for (int kind = 0; kind < COVERAGE_KINDS; ++kind) {
        const std::vector<std::uint64_t>& counts = counts_[kind];
        for (long a = 0; a <= ADDRESS_LAST; ++a) {
            const std::uint64_t count = counts[static_cast<std::size_t>(a)];
            if (count == 0) continue;
            long last = a;
            while (last < ADDRESS_LAST && counts[static_cast<std::size_t>(last + 1)] == count) ++last;
            runs.push_back(Run{a, last, kind, count});
            a = last;
        }
    }
    std::stable_sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) {
        return a.first != b.first ? a.first < b.first : a.kind < b.kind;
    });
    char line[LINE_SIZE];
    for (const Run& run : runs) {
        if (run.first == run.last) {
            std::snprintf(line, sizeof line, "0x%04lX %c %" PRIu64, run.first, KIND_LETTERS[run.kind], run.count);
        } else {
            std::snprintf(line, sizeof line, "0x%04lX-0x%04lX %c %" PRIu64, run.first, run.last, KIND_LETTERS[run.kind],
                          run.count);
        }
        out += line + label_beside(symbols, run.first) + "\n";
    }
    return out;
}

}  // namespace quillet::common
