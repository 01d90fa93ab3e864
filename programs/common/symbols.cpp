#include "symbols.hpp"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "console.hpp"
#include "file_reading.hpp"
#include "memory_range.hpp"
#include "numbers.hpp"

namespace quillet::common {
namespace {

constexpr long VALUE_LIMIT = 0xFFFF;
constexpr const char* LISTING_MARK = "DEFINED AT LINE";
constexpr const char* LISTING_USE_MARK = "> USED AT LINE";
constexpr int MESSAGE_SIZE = 64;

bool name_start(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '?' || c == '@';
}
bool name_char(char c) { return name_start(c) || std::isdigit(static_cast<unsigned char>(c)); }

bool is_name(const std::string& word) {
    if (word.empty() || !name_start(word[0])) return false;
    return std::all_of(word.begin(), word.end(), name_char);
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool hex_digits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) != 0;
    });
}

bool to_value(const std::string& digits, int base, long* value, long limit = VALUE_LIMIT) {
    if (digits.empty() || digits.size() > 8) return false;
    char* end = nullptr;
    const long number = std::strtol(digits.c_str(), &end, base);
    if (*end != '\0' || number > limit) return false;
    *value = number;
    return true;
}

// A VALUE as symbol files write it: 0x22, $22, 22H, 0022h, 34.
bool parse_value(const std::string& text, long* value, long limit = VALUE_LIMIT) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        return hex_digits(text.substr(2)) && to_value(text.substr(2), 16, value, limit);
    }
    if (text.size() > 1 && text[0] == '$') return hex_digits(text.substr(1)) && to_value(text.substr(1), 16, value, limit);
    const char last = text.empty() ? '\0' : text.back();
    if (last == 'h' || last == 'H') {
        const std::string digits = text.substr(0, text.size() - 1);
        return !digits.empty() && std::isdigit(static_cast<unsigned char>(digits[0])) && hex_digits(digits) &&
               to_value(digits, 16, value, limit);
    }
    const bool decimal = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
    return decimal && to_value(text, 10, value, limit);
}

std::vector<std::string> words_of(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == '\r') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

std::string strip_comment(const std::string& line) {
    const std::size_t at = line.find_first_of(";#");
    return at == std::string::npos ? line : line.substr(0, at);
}

// The definition of one line of definitions; false if it is none.
bool parse_definition(const std::string& line, std::string* name, long* value, long limit = VALUE_LIMIT) {
    std::vector<std::string> words = words_of(strip_comment(line));
    // "NAME=VALUE", "NAME =VALUE", "NAME= VALUE": the '=' as a word of its own.
    std::vector<std::string> split;
    for (const std::string& word : words) {
        std::size_t start = 0;
        for (std::size_t at = word.find('='); at != std::string::npos; at = word.find('=', start)) {
            if (at > start) split.push_back(word.substr(start, at - start));
            split.push_back("=");
            start = at + 1;
        }
        if (start < word.size()) split.push_back(word.substr(start));
    }
    if (split.size() < 2 || split.size() > 3) return false;
    std::string label = split[0];
    if (label.size() > 1 && label.back() == ':') label.pop_back();
    if (!is_name(label)) return false;
    if (split.size() == 3 && split[1] != "=" && upper(split[1]) != "EQU") return false;
    if (split.size() == 2 && split[0].back() == ':' && split[1] == "=") return false;
    if (!parse_value(split.back(), value, limit)) return false;
    *name = label;
    return true;
}

// A line of asm80's symbol table: "NAME:   HHHH DEFINED AT LINE N".
bool parse_listing_symbol(const std::string& line, std::string* name, long* value) {
    const std::size_t mark = line.find(LISTING_MARK);
    if (mark == std::string::npos) return false;
    const std::vector<std::string> words = words_of(line.substr(0, mark));
    if (words.size() != 2 || words[0].size() < 2 || words[0].back() != ':') return false;
    const std::string label = words[0].substr(0, words[0].size() - 1);
    if (!is_name(label) || !hex_digits(words[1]) || !to_value(words[1], 16, value)) return false;
    *name = label;
    return true;
}

std::size_t edit_distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const std::size_t change = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, change});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string hex4(long value) {
    char text[MESSAGE_SIZE];
    std::snprintf(text, sizeof text, "0x%04lX", value);
    return text;
}

}  // namespace

std::string SymbolTable::add_text(const std::string& file, const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    const bool listing = text.find(LISTING_MARK) != std::string::npos;
    // This file's labels by name in capitals, and their order.
    std::unordered_map<std::string, Symbol> added;
    std::vector<std::string> order;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::string& line = lines[index];
        const long number = static_cast<long>(index + 1);
        std::string name;
        long value = 0;
        if (listing) {
            if (!parse_listing_symbol(line, &name, &value)) continue;
        } else if (words_of(strip_comment(line)).empty()) {
            continue;
        } else if (!parse_definition(line, &name, &value)) {
            std::string shown = line;
            if (!shown.empty() && shown.back() == '\r') shown.pop_back();
            // A definition but for a value the addresses do not reach: the limit said.
            const bool past = parse_definition(line, &name, &value, LONG_MAX);
            return file + ":" + std::to_string(number) + (past ? ": value past 0xFFFF: '" : ": not a symbol definition: '") +
                   shown_line(shown) + "'";
        }
        const std::string key = upper(name);
        const Symbol* before = find(name);
        if (!before) {
            const auto earlier = added.find(key);
            if (earlier != added.end()) before = &earlier->second;
        }
        if (before && before->value != value) {
            return file + ":" + std::to_string(number) + ": label '" + name + "' is " + hex4(value) + " here but " +
                   hex4(before->value) + " at " + before->file + ":" + std::to_string(before->line);
        }
        if (!before) {
            added.emplace(key, Symbol{name, value, file, number});
            order.push_back(key);
        }
    }
    for (const std::string& key : order) add(std::move(added[key]));
    return "";
}

void SymbolTable::add(Symbol symbol) {
    by_name_.emplace(upper(symbol.name), symbols_.size());
    by_value_.emplace(symbol.value, symbols_.size());
    symbols_.push_back(std::move(symbol));
}

const Symbol* SymbolTable::find(const std::string& name) const {
    const auto found = by_name_.find(upper(name));
    return found == by_name_.end() ? nullptr : &symbols_[found->second];
}

std::vector<std::string> SymbolTable::nearest(const std::string& name, std::size_t count) const {
    std::vector<std::pair<std::size_t, std::size_t>> ranked;  // distance, index
    const std::string wanted = upper(name);
    for (std::size_t index = 0; index < symbols_.size(); ++index) {
        ranked.emplace_back(edit_distance(wanted, upper(symbols_[index].name)), index);
    }
    std::stable_sort(ranked.begin(), ranked.end());
    std::vector<std::string> names;
    for (std::size_t i = 0; i < ranked.size() && i < count; ++i) names.push_back(symbols_[ranked[i].second].name);
    return names;
}

const Symbol* SymbolTable::at(long address) const {
    const auto found = by_value_.lower_bound(address);
    return found == by_value_.end() || found->first != address ? nullptr : &symbols_[found->second];
}

std::vector<const Symbol*> SymbolTable::all_at(long address) const {
    std::vector<const Symbol*> found;
    const auto same = by_value_.equal_range(address);
    for (auto it = same.first; it != same.second; ++it) found.push_back(&symbols_[it->second]);
    return found;
}

std::string SymbolTable::describe(long address, long reach) const {
    // The first label of the highest value at or below the address.
    const auto above = by_value_.upper_bound(address);
    if (above == by_value_.begin()) return "";
    const Symbol* best = at(std::prev(above)->first);
    if (address - best->value > reach) return "";
    if (best->value == address) return best->name;
    return best->name + "+" + std::to_string(address - best->value);
}

int read_symbol_file(const char* path, SymbolTable* table, std::string* problem) {
    std::string text;
    if (const int code = read_text_file(path, &text)) return code;
    *problem = table->add_text(path, text);
    return 0;
}

std::string nearest_text(const SymbolTable& table, const std::string& name) {
    const std::vector<std::string> close = table.nearest(name, 3);
    if (close.empty()) return "";
    std::string text = " (nearest:";
    for (std::size_t i = 0; i < close.size(); ++i) text += (i ? ", " : " ") + close[i];
    return text + ")";
}

std::string parse_address(const std::string& text, const SymbolTable& table, long limit, long* value,
                          std::string* unknown) {
    const std::size_t sign = text.find_first_of("+-");
    const std::string base = text.substr(0, sign);
    long result = 0;
    if (!base.empty() && name_start(base[0])) {
        if (!is_name(base)) return "bad address '" + text + "'";
        const Symbol* symbol = table.find(base);
        if (!symbol && table.empty()) return "bad address '" + text + "'";
        if (!symbol) {
            if (unknown) *unknown = base;
            return "unknown label '" + base + "'" + nearest_text(table, base);
        }
        result = symbol->value;
    } else if (!parse_strict_number(base, limit, &result)) {
        return "bad address '" + text + "'";
    }
    if (sign != std::string::npos) {
        long offset = 0;
        if (!parse_strict_number(text.substr(sign + 1), limit, &offset)) return "bad address '" + text + "'";
        result = text[sign] == '+' ? result + offset : result - offset;
    }
    if (result < 0 || result > limit) {
        char range[32];
        std::snprintf(range, sizeof range, "(0 to 0x%lX)", limit);
        return std::string("address out of range ") + range + " '" + text + "'";
    }
    *value = result;
    return "";
}

std::string parse_labelled_range(const std::string& text, const SymbolTable& table, MemoryRange* range) {
    constexpr long LAST = 0xFFFF;
    const std::size_t dots = text.find("..");
    const bool page_form = !text.empty() && text[0] == 'p' && text.find(':') != std::string::npos;
    if (dots == std::string::npos && (page_form || table.empty() || text.empty() || !name_start(text[0]))) {
        const char* problem = parse_memory_range(text.c_str(), range);
        return problem ? std::string(problem) + " '" + text + "'" : "";
    }
    long first = 0;
    long last = 0;
    std::string problem = parse_address(text.substr(0, dots), table, LAST, &first);
    if (problem.empty() && dots != std::string::npos) problem = parse_address(text.substr(dots + 2), table, LAST, &last);
    if (!problem.empty()) return problem;
    if (dots == std::string::npos) last = first;
    if (last < first) return "empty range '" + text + "'";
    *range = MemoryRange{ADDRESS_SPACE, first, last};
    return "";
}

}  // namespace quillet::common
