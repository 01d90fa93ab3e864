// The readers of quillet-run's and quillet-info's text inputs from arbitrary
// bytes: symbol files (--symbols) and lists of cases (--tests).
//
// Byte 0's low bit picks the reader, the rest is the file. A symbol file
// read whole gives names that are found again, in any letter case, at
// values within 0..0xFFFF; one refused names a line of the file and adds
// nothing. A list of cases gives cases in the order of their lines, each
// with words and a name of one line; one refused names a line of the file
// and adds nothing.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.hpp"
#include "symbols.hpp"
#include "test_list.hpp"

namespace {

using namespace quillet;

long line_count(const std::string& text) {
    return static_cast<long>(std::count(text.begin(), text.end(), '\n')) + 1;
}

// The line a message "FILE:LINE: ..." names, or 0.
long named_line(const std::string& message, const std::string& file) {
    if (message.compare(0, file.size() + 1, file + ":") != 0) return 0;
    return std::strtol(message.c_str() + file.size() + 1, nullptr, 10);
}

void read_symbols(const std::string& text) {
    common::SymbolTable table;
    FUZZ_CHECK(table.add_text("before.sym", "kept EQU 1\n").empty());
    const std::string problem = table.add_text("f.sym", text);
    if (!problem.empty()) {
        FUZZ_CHECK(table.symbols().size() == 1);
        const long line = named_line(problem, "f.sym");
        FUZZ_CHECK(line >= 1 && line <= line_count(text));
        return;
    }
    for (const common::Symbol& symbol : table.symbols()) {
        FUZZ_CHECK(symbol.value >= 0 && symbol.value <= 0xFFFF);
        FUZZ_CHECK(!symbol.name.empty());
        std::string lower = symbol.name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const common::Symbol* found = table.find(lower);
        FUZZ_CHECK(found && found->value == symbol.value);
        long address = -1;
        FUZZ_CHECK(common::parse_address(symbol.name, table, 0xFFFF, &address).empty() && address == symbol.value);
    }
}

void read_cases(const std::string& text) {
    std::vector<run::TestCase> cases(1, run::TestCase{0, {"kept"}, "kept"});
    const std::string problem = run::read_test_list("t.txt", text, &cases);
    const long lines = line_count(text);
    if (!problem.empty()) {
        FUZZ_CHECK(cases.size() == 1);
        const long line = named_line(problem, "t.txt");
        FUZZ_CHECK(line >= 1 && line <= lines);
        return;
    }
    for (std::size_t i = 1; i < cases.size(); ++i) {
        FUZZ_CHECK(cases[i].line >= 1 && cases[i].line <= lines && cases[i].line > cases[i - 1].line);
        FUZZ_CHECK(!cases[i].words.empty());
        FUZZ_CHECK(cases[i].name.find('\n') == std::string::npos);
        for (const std::string& word : cases[i].words) FUZZ_CHECK(word.find('\n') == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) {
        read_cases(text);
    } else {
        read_symbols(text);
    }
    return 0;
}
