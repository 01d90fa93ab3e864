// What a coverage file says of a program with labels: the labelled
// routines its runs never executed and the share of code bytes they did.
//
// Each label owns the bytes from its address to the next label's; the last
// one's run over the snapshot's instructions to the first RET, JMP, PCHL or
// HLT (at most 256 bytes). A label whose bytes the runs read or wrote but
// never executed is data; the others are routines, whose bytes are the code.
// A routine that ran in part names the bytes it never executed by their
// offsets from its label.
#pragma once

#include <string>
#include <vector>

#include "coverage.hpp"
#include "memory_view.hpp"
#include "symbols.hpp"

namespace quillet::common {

struct CoverageSummary {
    long code_bytes = 0;
    long executed_bytes = 0;
    std::vector<std::string> never_run;  // labels and "label+N..label+M", in order of address
};

CoverageSummary summarise_coverage(const Coverage& coverage, const SymbolTable& symbols, const MemoryView& view);

// "87 % of code bytes executed; never run: error_beep, scroll_up+4..scroll_up+6"
// (the share rounded down; "never run: none" when all ran).
std::string coverage_summary_text(const CoverageSummary& summary);

}  // namespace quillet::common
