#include "labelled_code.hpp"

#include <cstdio>

namespace quillet::common {
namespace {

constexpr int JUMP_LENGTH = 3;  // an opcode and a 16-bit address
constexpr int ADDRESS_TEXT_SIZE = 16;

bool is_jump_or_call(const std::string& text, int length) {
    return length == JUMP_LENGTH && !text.empty() && (text[0] == 'J' || text[0] == 'C');
}

}  // namespace

std::vector<std::string> label_lines(const SymbolTable& symbols, long address) {
    std::vector<std::string> lines;
    for (const Symbol* symbol : symbols.all_at(address)) lines.push_back(symbol->name + ":");
    return lines;
}

std::string labelled_instruction(const SymbolTable& symbols, const std::uint8_t* bytes, int length,
                                 const std::string& text) {
    if (symbols.empty() || !is_jump_or_call(text, length)) return text;
    const long target = bytes[1] | (static_cast<long>(bytes[2]) << 8);
    const Symbol* label = symbols.at(target);
    const std::size_t operand = text.find(' ');
    if (!label || operand == std::string::npos) return text;
    char address[ADDRESS_TEXT_SIZE];
    std::snprintf(address, sizeof address, " (0x%04lX)", target);
    return text.substr(0, operand + 1) + label->name + address;
}

}  // namespace quillet::common
