// The states each instruction takes on a processor whose READY input a
// video circuit drives, as on the PMD 85: READY is the processor's write
// status bit XOR a signal that flips every state, so a read-type machine
// cycle waits once when its second state falls on one parity of the global
// state count and a write-type cycle when it falls on the other.
//
// Worked out from that rule and the 8080's machine cycles, the duration of
// an instruction that starts on an even state is the table below; one that
// starts on an odd state takes one state more (its opcode fetch waits) and
// ends as if it had started on an even one. So the parity at the end of an
// instruction is that of its table entry, whatever its start.
#pragma once

#include <cstdint>

namespace quillet {

// By opcode: the duration from an even state of the instruction, or of its
// not-taken form for the conditional returns and calls (Jcc takes 11
// either way).
constexpr std::uint8_t VIDEO_WAIT_STATES[256] = {
    4, 11, 8, 5, 5, 5, 7, 4, 4, 10, 7, 5, 5, 5, 7, 4,        // 0_
    4, 11, 8, 5, 5, 5, 7, 4, 4, 10, 7, 5, 5, 5, 7, 4,        // 1_
    4, 11, 18, 5, 5, 5, 7, 4, 4, 10, 19, 5, 5, 5, 7, 4,      // 2_
    4, 11, 14, 5, 10, 10, 10, 4, 4, 10, 15, 5, 5, 5, 7, 4,   // 3_
    5, 5, 5, 5, 5, 5, 7, 5, 5, 5, 5, 5, 5, 5, 7, 5,          // 4_
    5, 5, 5, 5, 5, 5, 7, 5, 5, 5, 5, 5, 5, 5, 7, 5,          // 5_
    5, 5, 5, 5, 5, 5, 7, 5, 5, 5, 5, 5, 5, 5, 7, 5,          // 6_
    8, 8, 8, 8, 8, 8, 5, 8, 5, 5, 5, 5, 5, 5, 7, 5,          // 7_
    4, 4, 4, 4, 4, 4, 7, 4, 4, 4, 4, 4, 4, 4, 7, 4,          // 8_
    4, 4, 4, 4, 4, 4, 7, 4, 4, 4, 4, 4, 4, 4, 7, 4,          // 9_
    4, 4, 4, 4, 4, 4, 7, 4, 4, 4, 4, 4, 4, 4, 7, 4,          // A_
    4, 4, 4, 4, 4, 4, 7, 4, 4, 4, 4, 4, 4, 4, 7, 4,          // B_
    5, 11, 11, 11, 13, 12, 7, 12, 5, 11, 11, 11, 13, 20, 7, 12,  // C_
    5, 11, 11, 10, 13, 12, 7, 12, 5, 11, 11, 11, 13, 20, 7, 12,  // D_
    5, 11, 11, 20, 13, 12, 7, 12, 5, 5, 11, 4, 13, 20, 7, 12,    // E_
    5, 11, 11, 4, 13, 12, 7, 12, 5, 5, 11, 4, 13, 20, 7, 12,     // F_
};

// A conditional return that returns, and a call that calls (conditional
// or not): M1 of five states, then the stack's reads or the operand's
// reads and the stack's writes.
constexpr std::uint8_t VIDEO_WAIT_RETURN_TAKEN = 13;
constexpr std::uint8_t VIDEO_WAIT_CALL_TAKEN = 20;

}  // namespace quillet
