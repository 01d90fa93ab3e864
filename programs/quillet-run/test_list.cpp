#include "test_list.hpp"

namespace quillet::run {
namespace {

constexpr char NAME_MARK = '#';

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_quote(char c) { return c == '\'' || c == '"'; }

std::string trimmed(const std::string& text) {
    std::size_t first = 0, end = text.size();
    while (first < end && is_blank(text[first])) ++first;
    while (end > first && is_blank(text[end - 1])) --end;
    return text.substr(first, end - first);
}

// Splits `line` into the words and name of a case. False for an unclosed
// quote.
bool split_line(const std::string& line, TestCase* test) {
    std::size_t at = 0;
    std::size_t words_end = line.size();
    while (at < line.size()) {
        if (is_blank(line[at])) {
            ++at;
            continue;
        }
        if (line[at] == NAME_MARK) {
            words_end = at;
            test->name = trimmed(line.substr(at + 1));
            break;
        }
        std::string word;
        while (at < line.size() && !is_blank(line[at])) {
            if (!is_quote(line[at])) {
                word += line[at++];
                continue;
            }
            const std::size_t close = line.find(line[at], at + 1);
            if (close == std::string::npos) return false;
            word.append(line, at + 1, close - at - 1);
            at = close + 1;
        }
        test->words.push_back(word);
    }
    if (test->name.empty()) test->name = trimmed(line.substr(0, words_end));
    return true;
}

}  // namespace

std::string read_test_list(const std::string& file, const std::string& text, std::vector<TestCase>* cases) {
    std::vector<TestCase> read;
    long number = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        start = end + 1;
        ++number;
        TestCase test{number, {}, {}};
        if (!split_line(line, &test)) return file + ":" + std::to_string(number) + ": unclosed quote in a case";
        if (!test.words.empty()) read.push_back(std::move(test));
    }
    cases->insert(cases->end(), read.begin(), read.end());
    return "";
}

}  // namespace quillet::run
