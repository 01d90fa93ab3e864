// The benchmarks' CPU-bound program, shared by the bare processor's
// benchmark and the machine's.
#pragma once

#include <cstdint>

// MVI/LXI, MOV, ALU with registers, memory and immediates, INR/DCR, DAD,
// INX, PUSH/POP, CALL/RET, conditional and unconditional jumps, rotates:
// an endless loop at 0x0100 whose inner loop runs 256 times.
inline constexpr std::uint8_t MIXED_LOOP[] = {
    0x31, 0x00, 0xF0,  // 0100 LXI SP,0F000H
    0x21, 0x00, 0x80,  // 0103 LXI H,8000H
    0x06, 0x00,        // 0106 MVI B,0
    0x78,              // 0108 loop: MOV A,B
    0x86,              // 0109 ADD M
    0x77,              // 010A MOV M,A
    0xEE, 0x5A,        // 010B XRI 5AH
    0x0F,              // 010D RRC
    0x4F,              // 010E MOV C,A
    0xA1,              // 010F ANA C
    0xB0,              // 0110 ORA B
    0xFE, 0x40,        // 0111 CPI 40H
    0xDA, 0x17, 0x01,  // 0113 JC 0117H
    0x0C,              // 0116 INR C
    0xC5,              // 0117 PUSH B
    0xCD, 0x27, 0x01,  // 0118 CALL 0127H
    0xC1,              // 011B POP B
    0x23,              // 011C INX H
    0x05,              // 011D DCR B
    0xC2, 0x08, 0x01,  // 011E JNZ 0108H
    0x19,              // 0121 DAD D
    0x27,              // 0122 DAA
    0xC3, 0x03, 0x01,  // 0123 JMP 0103H
    0x00,              // 0126 NOP
    0x11, 0x34, 0x12,  // 0127 LXI D,1234H
    0x7B,              // 012A MOV A,E
    0x8A,              // 012B ADC D
    0x5F,              // 012C MOV E,A
    0xC9,              // 012D RET
};
