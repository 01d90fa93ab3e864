// Prints the disassembly of every opcode, 00H to 0FFH, followed by the
// operand bytes LOW HIGH (hex): one line per opcode, the bytes the
// instruction took in hex, a tab, and its text. The round-trip test
// assembles the texts back and compares the bytes.
// Usage: print_disassembly LOW HIGH
#include <cstdio>
#include <cstdlib>

#include "cpu/disassembler.hpp"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: print_disassembly LOW HIGH\n");
        return 2;
    }
    const unsigned long low = std::strtoul(argv[1], nullptr, 16);
    const unsigned long high = std::strtoul(argv[2], nullptr, 16);
    if (low > 0xFF || high > 0xFF) {
        std::fprintf(stderr, "print_disassembly: operand bytes are 00..FF\n");
        return 2;
    }
    for (unsigned opcode = 0; opcode < 256; ++opcode) {
        const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(opcode), static_cast<std::uint8_t>(low),
                                       static_cast<std::uint8_t>(high)};
        char text[quillet::DISASSEMBLY_TEXT_CAPACITY];
        const int length = quillet::disassemble_8080(bytes, sizeof bytes, text, sizeof text);
        if (length < 1 || length > 3) {
            std::fprintf(stderr, "print_disassembly: opcode %02X: length %d\n", opcode, length);
            return 1;
        }
        for (int i = 0; i < length; ++i) std::printf(i == 0 ? "%02X" : " %02X", bytes[i]);
        std::printf("\t%s\n", text);
    }
    return 0;
}
