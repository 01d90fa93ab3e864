// A range of memory disassembled as 8080 code, and its text, one line per
// instruction:
//
//   0100  3e 05     MVI A,05H
//   0102  cb 05 01  DB 0CBH,05H,01H ; JMP 0105H
//   3fff  c3        DB 0C3H ; cut short (3-byte instruction)
//   4000  --        (absent, 16384 bytes)
//
// A line starts with the place of its first byte as the hex dump writes it
// (four hex digits, or "pN:" and the offset in page N), two blanks, the
// instruction's bytes in lower-case hex in a column eight characters wide,
// two blanks and the text of the library's disassembler.
//
// Decoding starts at the range's first place and goes on while an
// instruction starts within the range; the last one may take bytes past the
// range's end. Memory the snapshot does not hold is never decoded: a run of
// absent bytes within the range is one line ("--" and the count), and
// decoding resumes at the next present byte. An instruction whose bytes end
// at absent memory or at the end of the space is shown as the data bytes
// there are, with the length it needs.
//
// With labels (a listing of the address space), each instruction at a
// labelled address comes after a line "NAME:" for each label there, and a
// jump's or call's target is named (labelled_code.hpp):
//
//   vaddr:
//   0025  6f        MOV L,A
//   0030  c2 25 00  JNZ vaddr (0x0025)
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "memory_view.hpp"
#include "symbols.hpp"

namespace quillet::common {

// One line of a listing: an instruction, or a run of absent bytes.
struct ListingEntry {
    long position;                    // address, or offset in the range's page
    std::vector<std::uint8_t> bytes;  // the instruction's bytes; empty for an absent run
    long absent;                      // bytes in the absent run; 0 for an instruction
    std::string text;                 // the instruction's text; empty for an absent run
};

// The entries of `range` of `view`, in order.
std::vector<ListingEntry> disassemble_range(const MemoryView& view, const MemoryRange& range);

// The listing of `range` of `view`, as above, with the labels of `symbols`
// when it is given.
void print_disassembly(std::FILE* out, const MemoryView& view, const MemoryRange& range,
                       const SymbolTable* symbols = nullptr);

}  // namespace quillet::common
