#include "coverage_summary.hpp"

#include <algorithm>

namespace quillet::common {
namespace {

constexpr long LAST_AREA_MAX = 256;
constexpr long ADDRESS_END = QUILLET_ADDRESS_SPACE;

// Where the code from `start` ends: after its first RET, JMP, PCHL or HLT.
long routine_end(const MemoryView& view, long start) {
    std::uint8_t lengths[256];
    instruction_lengths(lengths);
    long at = start;
    while (at < ADDRESS_END && at - start < LAST_AREA_MAX) {
        const int opcode = view.byte(ADDRESS_SPACE, at);
        if (opcode < 0) break;
        at += lengths[opcode];
        if (opcode == 0xC9 || opcode == 0xC3 || opcode == 0xE9 || opcode == 0x76) break;
    }
    return std::min(at, ADDRESS_END);
}

// "vaddr+6", or "vaddr+6..vaddr+9" for more than one byte.
std::string offset_range(const std::string& label, long first, long last) {
    const std::string from = label + "+" + std::to_string(first);
    return first == last ? from : from + ".." + label + "+" + std::to_string(last);
}

// The bytes of a routine that ran in part and were never executed, as
// ranges of offsets from its label.
void add_unexecuted(const Coverage& coverage, const Symbol& label, long end, std::vector<std::string>* never_run) {
    long gap = -1;  // where the current run of unexecuted bytes began
    for (long a = label.value; a <= end; ++a) {
        const bool executed = a == end || coverage.count(COVERAGE_EXECUTED, a) != 0;
        if (!executed && gap < 0) gap = a;
        if (executed && gap >= 0) {
            never_run->push_back(offset_range(label.name, gap - label.value, a - 1 - label.value));
            gap = -1;
        }
    }
}

}  // namespace

CoverageSummary summarise_coverage(const Coverage& coverage, const SymbolTable& symbols, const MemoryView& view) {
    std::vector<Symbol> labels = symbols.symbols();
    std::stable_sort(labels.begin(), labels.end(), [](const Symbol& a, const Symbol& b) { return a.value < b.value; });
    CoverageSummary summary;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const long first = labels[i].value;
        const long end = i + 1 < labels.size() ? labels[i + 1].value : routine_end(view, first);
        if (end <= first) continue;  // another label at the same address owns the bytes
        long executed = 0;
        bool data = false;
        for (long a = first; a < end; ++a) {
            executed += coverage.count(COVERAGE_EXECUTED, a) ? 1 : 0;
            data = data || coverage.count(COVERAGE_READ, a) || coverage.count(COVERAGE_WRITTEN, a);
        }
        if (data && executed == 0) continue;
        summary.code_bytes += end - first;
        summary.executed_bytes += executed;
        if (executed == 0) {
            summary.never_run.push_back(labels[i].name);
        } else if (executed < end - first) {
            add_unexecuted(coverage, labels[i], end, &summary.never_run);
        }
    }
    return summary;
}

std::string coverage_summary_text(const CoverageSummary& summary) {
    const long share = summary.code_bytes ? summary.executed_bytes * 100 / summary.code_bytes : 0;
    std::string text = std::to_string(share) + " % of code bytes executed; never run: ";
    if (summary.never_run.empty()) return text + "none";
    for (std::size_t i = 0; i < summary.never_run.size(); ++i) text += (i ? ", " : "") + summary.never_run[i];
    return text;
}

}  // namespace quillet::common
