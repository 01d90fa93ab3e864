// The labels of an assembled program, read from symbol files, and the
// addresses that name them.
//
// A symbol file is one of:
//   - asm80's listing (.lst): its symbol table at the end, lines
//       DONE:               0022 DEFINED AT LINE 20
//                           > USED AT LINE 20
//     (everything else in the listing is passed over);
//   - definitions one a line, as assemblers write symbol and export files:
//       NAME EQU VALUE     NAME = VALUE     NAME: EQU VALUE     NAME VALUE
//     with blank lines and comments (from ';' or '#') passed over.
// A VALUE is decimal, hexadecimal with 0x or $ before it or H after it
// (0022H, 0x22, $22), at most 0xFFFF. A NAME begins with a letter, '_',
// '.', '?' or '@' and goes on with those and digits.
//
// Names match without regard to letter case; each keeps the spelling of its
// first definition. A name defined again with the same value is taken once;
// with another value, the second is an error that names both places.
//
// An ADDRESS on a command line is a number, a label, or either with +N or -N
// after it (done, vaddr+3, table-1, 0x8000+16), the result within 0..limit.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "memory_range.hpp"

namespace quillet::common {

struct Symbol {
    std::string name;
    long value;
    std::string file;  // where it was defined, for messages
    long line;
};

class SymbolTable {
public:
    // Adds the definitions of `text`, the contents of the file `file`.
    // Returns "" or the error: "FILE:LINE: not a symbol definition: 'TEXT'",
    // "FILE:LINE: label 'X' is 0x0025 here but 0x0022 at FILE:LINE". On an
    // error nothing of `text` is added.
    std::string add_text(const std::string& file, const std::string& text);

    bool empty() const { return symbols_.empty(); }
    const std::vector<Symbol>& symbols() const { return symbols_; }

    // The symbol called `name`, in any letter case; null if none.
    const Symbol* find(const std::string& name) const;

    // Up to `count` names closest to `name` (fewest edits, then in order of
    // definition): the suggestions for a name that is not defined.
    std::vector<std::string> nearest(const std::string& name, std::size_t count) const;

    // The first label defined at `address`; null if none.
    const Symbol* at(long address) const;
    // Every label defined at `address`, in order of definition.
    std::vector<const Symbol*> all_at(long address) const;

    // "done", "vaddr+3" for the nearest label at or below `address` within
    // `reach` bytes; "" when there is none.
    std::string describe(long address, long reach) const;

private:
    void add(Symbol symbol);

    std::vector<Symbol> symbols_;
    // Each name in capitals, and each value, to the first symbol of it: so
    // that a file of many labels is read, and a label found, without
    // passing every earlier one.
    std::unordered_map<std::string, std::size_t> by_name_;
    std::multimap<long, std::size_t> by_value_;  // equal values in order of definition
};

// Reads the symbol file `path` into `table`. Returns 0, or the library's
// code of why the file cannot be read (its message printed, naming the
// file); `problem` receives what add_text finds wrong in it, or "".
int read_symbol_file(const char* path, SymbolTable* table, std::string* problem);

// Reads an ADDRESS (see above) into `value`, at most `limit`. Returns "" or
// what is wrong: "bad address 'TEXT'", "address out of range 'TEXT'",
// "unknown label 'donee' (nearest: done, line)"; `unknown`, when given,
// receives the name of a label that is not defined.
std::string parse_address(const std::string& text, const SymbolTable& table, long limit, long* value,
                          std::string* unknown = nullptr);

// A RANGE that may name labels: FIRST..LAST (each an ADDRESS, inclusive),
// an ADDRESS that begins with a label (its one byte), or a range as
// memory_range.hpp reads it. Returns "" or what is wrong.
std::string parse_labelled_range(const std::string& text, const SymbolTable& table, MemoryRange* range);

// " (nearest: A, B, C)" for a name that is not defined; "" without labels.
std::string nearest_text(const SymbolTable& table, const std::string& name);

}  // namespace quillet::common
