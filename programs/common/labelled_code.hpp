// Labels in what the programs show of code (disassembly listings, traces):
// a line that names each label at an instruction's address, and a jump's
// or call's target by its label, the address kept beside it:
//
//   vaddr:
//   0025  6f        MOV L,A
//   0009  cd 25 00  CALL vaddr (0x0025)
//
// A jump or call is an instruction of three bytes whose mnemonic begins
// with J or C (JMP, the conditional jumps, CALL, the conditional calls);
// when a label stands at its target (the first one defined there), its
// operand, the disassembler's "0025H", becomes "vaddr (0x0025)". Every
// other text stays the disassembler's, and without labels nothing changes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "symbols.hpp"

namespace quillet::common {

// "NAME:" for each label at `address`, in the order of definition.
std::vector<std::string> label_lines(const SymbolTable& symbols, long address);

// The disassembler's `text` of the instruction `bytes` (`length` of them),
// with its target named when it is a jump or call to a label.
std::string labelled_instruction(const SymbolTable& symbols, const std::uint8_t* bytes, int length,
                                 const std::string& text);

}  // namespace quillet::common
