// The 8080 instruction set as text: one instruction at a time, in Intel
// mnemonics, upper case, in a form that an 8080 assembler takes back to the
// same bytes.
//
// The text is the mnemonic, one space, and the operands separated by a comma
// without spaces: "MOV A,M", "MVI B,3EH", "LXI SP,0C000H", "PUSH PSW",
// "RST 7", "IN 10H". Numbers are hexadecimal with an H suffix and a leading
// 0 when the first digit is a letter; 8-bit operands have two digits
// ("05H", "0FEH"), addresses and 16-bit data four ("0105H", "0C000H").
//
// The twelve opcodes the instruction set leaves undefined are shown as the
// data bytes the instruction takes, with a comment naming what the chip
// executes for them, so that a listing keeps in step with execution:
//   08H 10H 18H 20H 28H 30H 38H   "DB 08H ; NOP"                 1 byte
//   0D9H                          "DB 0D9H ; RET"                1 byte
//   0CBH                          "DB 0CBH,05H,01H ; JMP 0105H"  3 bytes
//   0DDH 0EDH 0FDH                "DB 0FDH,05H,01H ; CALL 0105H" 3 bytes
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillet {

// Room for the longest text, "DB 0DDH,0FFH,0FFH ; CALL 0FFFFH", and its NUL.
constexpr std::size_t DISASSEMBLY_TEXT_CAPACITY = 32;

// The bytes (1..3) of the instruction that starts with `opcode`, its
// operands included; undefined opcodes count as what the chip executes.
int instruction_length_8080(std::uint8_t opcode);

// Writes the text of the instruction at `bytes` to `text` and returns its
// length in bytes (1..3). Returns 0, with an empty text, when `available`
// holds fewer bytes than the instruction takes: the caller shows them as
// data. The text is always NUL-terminated, cut short when `capacity` is
// less than DISASSEMBLY_TEXT_CAPACITY; a capacity of 0 writes nothing.
// No operand depends on the instruction's address (the 8080 has no
// relative ones), so none is asked for.
int disassemble_8080(const std::uint8_t* bytes, std::size_t available, char* text, std::size_t capacity);

}  // namespace quillet
