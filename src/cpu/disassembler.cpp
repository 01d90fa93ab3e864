// The text of each instruction comes from the instruction set's table:
// its pattern with the operand bytes in hex where the pattern has its
// operand's word.
#include "cpu/disassembler.hpp"

#include "cpu/instruction_set.hpp"

namespace quillet {
namespace {

// Appends to the caller's buffer, keeping it NUL-terminated and dropping
// whatever does not fit.
class TextOut {
public:
    TextOut(char* text, std::size_t capacity) : text_(text), capacity_(capacity) {
        if (capacity_ > 0) text_[0] = '\0';
    }

    void put(char c) {
        if (length_ + 1 >= capacity_) return;
        text_[length_++] = c;
        text_[length_] = '\0';
    }

    void put(const char* s) {
        while (*s) put(*s++);
    }

    // `value` in `digits` hex digits, H suffix, and a leading 0 when the
    // first digit is a letter (so that it cannot be read as a name).
    void hex(unsigned value, int digits) {
        static const char DIGITS[] = "0123456789ABCDEF";
        if (((value >> (4 * (digits - 1))) & 0xF) >= 10) put('0');
        for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) put(DIGITS[(value >> shift) & 0xF]);
        put('H');
    }

private:
    char* text_;
    std::size_t capacity_;
    std::size_t length_ = 0;
};

}  // namespace

int instruction_length_8080(std::uint8_t opcode) { return INSTRUCTION_SET[opcode].length; }

int disassemble_8080(const std::uint8_t* bytes, std::size_t available, char* text, std::size_t capacity) {
    TextOut out(text, capacity);
    if (available == 0) return 0;
    const Instruction& instruction = INSTRUCTION_SET[bytes[0]];
    const int length = instruction.length;
    if (available < static_cast<std::size_t>(length)) return 0;
    if (instruction.executed_as != bytes[0]) {
        out.put("DB ");
        for (int i = 0; i < length; ++i) {
            if (i > 0) out.put(',');
            out.hex(bytes[i], 2);
        }
        out.put(" ; ");
    }
    // The operand's word is the pattern's last.
    for (const char* at = instruction.pattern; *at != '\0'; ++at) {
        if (starts_operand(*at)) {
            const unsigned operand = length == 2 ? bytes[1] : bytes[1] | unsigned{bytes[2]} << 8;
            out.hex(operand, 2 * (length - 1));
            break;
        }
        out.put(*at);
    }
    return length;
}

}  // namespace quillet
