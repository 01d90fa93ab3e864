// What runs of a program touched: for each address, how many times the
// bytes of an instruction there were executed, and how many times a byte
// was read or written as data (instruction fetches are not reads). A run
// adds what the processor's loop counted (quillet_cpu_coverage); `record`
// counts one instruction from outside, through the interface, the way the
// tests check the loop's counts against; an accepted interrupt's push is
// seen by neither.
//
// The coverage file (--coverage FILE), plain text that runs of one program
// add to:
//
//   # quillet coverage: FIRST[-LAST] KIND COUNT [LABEL]
//   0x0000-0x0005 x 1 start
//   0x0006-0x0013 x 256 line
//   0xC000-0xC02F w 1
//
// One line per run of consecutive addresses with the same KIND and COUNT,
// in order of address then kind: KIND x (executed), r (read), w
// (written); COUNT decimal; FIRST and LAST 0x and four hexadecimal digits;
// with symbols, the label or label+offset of FIRST after it. Lines
// beginning with '#' and blank lines are passed over.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "quillet/quillet.h"
#include "symbols.hpp"

namespace quillet::common {

enum CoverageKind { COVERAGE_EXECUTED, COVERAGE_READ, COVERAGE_WRITTEN, COVERAGE_KINDS };

class Coverage {
public:
    Coverage();

    // Counts the instruction at the processor's PC, about to run.
    void record(const quillet_cpu* cpu);

    // Adds the counts of a run that counted (quillet_cpu_set_coverage), each
    // held at the largest count. False, and nothing added, when the
    // processor has none.
    bool add_counted(const quillet_cpu* cpu);

    std::uint64_t count(CoverageKind kind, long address) const {
        return counts_[kind][static_cast<std::size_t>(address)];
    }

    // Adds the counts of a coverage file's `text`. Returns "" or
    // "FILE:LINE: not a coverage line: 'TEXT'"; on an error nothing is added.
    std::string add_text(const std::string& file, const std::string& text);

    // The coverage file's text, labels beside when `symbols` has any.
    std::string text(const SymbolTable& symbols) const;

private:
    std::vector<std::uint64_t> counts_[COVERAGE_KINDS];
    std::uint8_t lengths_[256];
    std::uint8_t executed_as_[256];  // the defined opcode each runs as
};

// The length of the instruction of each opcode, as the library's
// disassembler counts it.
void instruction_lengths(std::uint8_t lengths[256]);

}  // namespace quillet::common
