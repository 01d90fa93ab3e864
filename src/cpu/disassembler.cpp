#include "cpu/disassembler.hpp"

namespace quillet {
namespace {

// The fields of an opcode as the instruction set encodes them: the two top
// bits select the group, bits 5..3 (y) a register, pair or condition, bits
// 2..0 (z) the source register or the operation within the group.
struct OpcodeFields {
    unsigned group;  // bits 7..6
    unsigned y;      // bits 5..3
    unsigned z;      // bits 2..0
    unsigned pair;   // bits 5..4: y without its low bit
    bool odd;        // bit 3: y's low bit
};

OpcodeFields fields_of(unsigned opcode) {
    return {opcode >> 6, (opcode >> 3) & 7, opcode & 7, (opcode >> 4) & 3, (opcode & 0x08) != 0};
}

// What the chip executes for an opcode: itself, or for an undefined one
// the defined instruction it behaves as.
unsigned executed_as(unsigned opcode) {
    if ((opcode & 0xC7) == 0x00) return 0x00;  // 08H..38H: NOP
    switch (opcode) {
    case 0xCB: return 0xC3;                        // JMP
    case 0xD9: return 0xC9;                        // RET
    case 0xDD: case 0xED: case 0xFD: return 0xCD;  // CALL
    default: return opcode;
    }
}

const char REGISTER_NAMES[] = "BCDEHLMA";
const char* const PAIR_NAMES[] = {"B", "D", "H", "SP"};
const char* const STACK_PAIR_NAMES[] = {"B", "D", "H", "PSW"};
const char* const CONDITION_NAMES[] = {"NZ", "Z", "NC", "C", "PO", "PE", "P", "M"};
const char* const ALU_NAMES[] = {"ADD", "ADC", "SUB", "SBB", "ANA", "XRA", "ORA", "CMP"};
const char* const ALU_IMMEDIATE_NAMES[] = {"ADI", "ACI", "SUI", "SBI", "ANI", "XRI", "ORI", "CPI"};
const char* const ACCUMULATOR_NAMES[] = {"RLC", "RRC", "RAL", "RAR", "DAA", "CMA", "STC", "CMC"};
// Group 0, z = 2, by y: the first four with their pair, the last four
// take an address.
const char* const MEMORY_NAMES[] = {"STAX B", "LDAX B", "STAX D", "LDAX D", "SHLD", "LHLD", "STA", "LDA"};
// Group 3, z = 3, by y (1 is undefined).
const char* const GROUP3_Z3_NAMES[] = {"JMP", "", "OUT", "IN", "XTHL", "XCHG", "DI", "EI"};

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

// The text of a defined instruction; `d8` and `a16` are its operand bytes
// as a byte and as a little-endian word, where it has them.
void write_defined(TextOut& out, unsigned opcode, unsigned d8, unsigned a16) {
    const OpcodeFields f = fields_of(opcode);
    switch (f.group) {
    case 0:
        switch (f.z) {
        case 0:
            out.put("NOP");
            return;
        case 1:
            if (f.odd) {
                out.put("DAD ");
                out.put(PAIR_NAMES[f.pair]);
            } else {
                out.put("LXI ");
                out.put(PAIR_NAMES[f.pair]);
                out.put(',');
                out.hex(a16, 4);
            }
            return;
        case 2:
            out.put(MEMORY_NAMES[f.y]);
            if (f.y >= 4) {
                out.put(' ');
                out.hex(a16, 4);
            }
            return;
        case 3:
            out.put(f.odd ? "DCX " : "INX ");
            out.put(PAIR_NAMES[f.pair]);
            return;
        case 4:
        case 5:
            out.put(f.z == 4 ? "INR " : "DCR ");
            out.put(REGISTER_NAMES[f.y]);
            return;
        case 6:
            out.put("MVI ");
            out.put(REGISTER_NAMES[f.y]);
            out.put(',');
            out.hex(d8, 2);
            return;
        default:
            out.put(ACCUMULATOR_NAMES[f.y]);
            return;
        }
    case 1:
        if (opcode == 0x76) {  // where MOV M,M would be
            out.put("HLT");
            return;
        }
        out.put("MOV ");
        out.put(REGISTER_NAMES[f.y]);
        out.put(',');
        out.put(REGISTER_NAMES[f.z]);
        return;
    case 2:
        out.put(ALU_NAMES[f.y]);
        out.put(' ');
        out.put(REGISTER_NAMES[f.z]);
        return;
    default:
        break;
    }
    switch (f.z) {
    case 0:
        out.put('R');
        out.put(CONDITION_NAMES[f.y]);
        return;
    case 1:
        if (!f.odd) {
            out.put("POP ");
            out.put(STACK_PAIR_NAMES[f.pair]);
        } else {
            // 0C9H, 0E9H, 0F9H (0D9H is undefined).
            out.put(f.pair == 0 ? "RET" : f.pair == 2 ? "PCHL" : "SPHL");
        }
        return;
    case 2:
    case 4:
        out.put(f.z == 2 ? 'J' : 'C');
        out.put(CONDITION_NAMES[f.y]);
        out.put(' ');
        out.hex(a16, 4);
        return;
    case 3:
        out.put(GROUP3_Z3_NAMES[f.y]);
        if (f.y == 0) {
            out.put(' ');
            out.hex(a16, 4);
        } else if (f.y == 2 || f.y == 3) {
            out.put(' ');
            out.hex(d8, 2);
        }
        return;
    case 5:
        if (!f.odd) {
            out.put("PUSH ");
            out.put(STACK_PAIR_NAMES[f.pair]);
        } else {  // 0CDH (the others are undefined)
            out.put("CALL ");
            out.hex(a16, 4);
        }
        return;
    case 6:
        out.put(ALU_IMMEDIATE_NAMES[f.y]);
        out.put(' ');
        out.hex(d8, 2);
        return;
    default:
        out.put("RST ");
        out.put(static_cast<char>('0' + f.y));
        return;
    }
}

}  // namespace

int instruction_length_8080(std::uint8_t opcode) {
    const unsigned op = executed_as(opcode);
    const OpcodeFields f = fields_of(op);
    if (f.group == 0) {
        if (f.z == 1) return f.odd ? 1 : 3;  // DAD; LXI
        if (f.z == 2) return f.y >= 4 ? 3 : 1;  // SHLD, LHLD, STA, LDA; STAX, LDAX
        return f.z == 6 ? 2 : 1;                // MVI
    }
    if (f.group != 3) return 1;
    switch (f.z) {
    case 2: case 4: return 3;                                      // Jcc, Ccc
    case 3: return op == 0xC3 ? 3 : op == 0xD3 || op == 0xDB ? 2 : 1;  // JMP; OUT, IN
    case 5: return f.odd ? 3 : 1;                                  // CALL; PUSH
    case 6: return 2;                                              // immediate arithmetic
    default: return 1;
    }
}

int disassemble_8080(const std::uint8_t* bytes, std::size_t available, char* text, std::size_t capacity) {
    TextOut out(text, capacity);
    if (available == 0) return 0;
    const int length = instruction_length_8080(bytes[0]);
    if (available < static_cast<std::size_t>(length)) return 0;
    const unsigned d8 = length >= 2 ? bytes[1] : 0;
    const unsigned a16 = length == 3 ? bytes[1] | unsigned{bytes[2]} << 8 : 0;
    const unsigned executed = executed_as(bytes[0]);
    if (executed != bytes[0]) {
        out.put("DB ");
        for (int i = 0; i < length; ++i) {
            if (i > 0) out.put(',');
            out.hex(bytes[i], 2);
        }
        out.put(" ; ");
    }
    write_defined(out, executed, d8, a16);
    return length;
}

}  // namespace quillet
