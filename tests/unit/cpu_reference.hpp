// A deliberately plain 8080, written from the documented behaviour of each
// instruction: one readable case per instruction group, no tables, no
// shortcuts. It is the yardstick that the fast core (src/cpu) is compared
// with, instruction by instruction, in the differential test and the
// differential fuzz target; it shares no code with that core.
//
// It knows the same things as the chip: registers, 64 KB of memory (with
// optional read-only bytes whose writes go to the RAM beneath), ports,
// the interrupt enable and its one-instruction delay after EI, HLT, and one
// pending RST request. step() runs one instruction (or accepts the pending
// interrupt) and returns its states; the memory writes and port accesses of
// that step are recorded.
#pragma once

#include <cstdint>
#include <vector>

namespace quillet_reference {

constexpr std::uint8_t REF_CY = 0x01;
constexpr std::uint8_t REF_ONE = 0x02;  // always 1
constexpr std::uint8_t REF_P = 0x04;
constexpr std::uint8_t REF_AC = 0x10;
constexpr std::uint8_t REF_Z = 0x40;
constexpr std::uint8_t REF_S = 0x80;
constexpr std::uint8_t REF_ZERO_BITS = 0x28;  // bits 3 and 5: always 0

constexpr unsigned REF_MEMORY_SIZE = 65536;

struct ReferenceWrite {
    std::uint16_t address;
    std::uint8_t value;
};

struct ReferencePortAccess {
    bool is_output;
    std::uint8_t port;
    std::uint8_t value;  // read from the port, or written to it
};

struct Reference8080 {
    std::uint8_t a = 0, f = REF_ONE, b = 0, c = 0, d = 0, e = 0, h = 0, l = 0;
    std::uint16_t sp = 0;
    std::uint16_t pc = 0;
    bool interrupts_enabled = false;
    bool ei_just_run = false;  // EI was the last instruction: no interrupt yet
    bool halted = false;
    int interrupt_request = -1;  // RST 0..7 asked for, -1 none

    std::vector<std::uint8_t> memory = std::vector<std::uint8_t>(REF_MEMORY_SIZE, 0);   // what reads see
    std::vector<std::uint8_t> beneath = std::vector<std::uint8_t>(REF_MEMORY_SIZE, 0);  // RAM under read-only bytes
    std::vector<std::uint8_t> read_only = std::vector<std::uint8_t>(REF_MEMORY_SIZE, 0);

    // Supplies the byte an IN reads; without one, IN reads 0xFF.
    std::uint8_t (*input)(void* context, std::uint8_t port) = nullptr;
    void* input_context = nullptr;

    // What the last step() wrote, in the order written.
    std::vector<ReferenceWrite> writes;
    std::vector<ReferencePortAccess> port_accesses;

    // Runs one instruction, or accepts the pending interrupt when interrupts
    // are enabled and the last instruction was not EI. Returns its states;
    // 0 when halted with nothing to accept (nothing happens then).
    int step();

    // Puts `value` into the RAM: beneath a read-only byte, or where reads see it.
    void write_ram(std::uint16_t address, std::uint8_t value);
    // Lays `length` bytes of `image` over the RAM as read-only; the RAM keeps
    // its contents beneath. The caller keeps the range within the 64 KB.
    void map_read_only(std::uint16_t address, const std::uint8_t* image, unsigned length);

    void set_flags(std::uint8_t value) { f = static_cast<std::uint8_t>((value & ~REF_ZERO_BITS) | REF_ONE); }

private:
    std::uint8_t read(std::uint16_t address) const { return memory[address]; }
    void write(std::uint16_t address, std::uint8_t value);
    std::uint8_t fetch();
    std::uint16_t fetch_word();
    std::uint16_t read_word(std::uint16_t address) const;
    void write_word(std::uint16_t address, std::uint16_t value);
    void push(std::uint16_t value);
    std::uint16_t pop();

    // Registers by their 3-bit code: B C D E H L M A (6 is the byte at HL).
    std::uint8_t get_register(int code) const;
    void set_register(int code, std::uint8_t value);
    // Pairs by their 2-bit code: BC DE HL SP.
    std::uint16_t get_pair(int code) const;
    void set_pair(int code, std::uint16_t value);
    std::uint16_t hl() const { return static_cast<std::uint16_t>(h << 8 | l); }

    bool flag(std::uint8_t bit) const { return (f & bit) != 0; }
    void put_flag(std::uint8_t bit, bool on);
    void set_sign_zero_parity(std::uint8_t result);
    // Conditions by their 3-bit code: NZ Z NC C PO PE P M.
    bool condition(int code) const;

    // The eight accumulator operations by their 3-bit code:
    // ADD ADC SUB SBB ANA XRA ORA CMP.
    void alu(int operation, std::uint8_t operand);
    std::uint8_t increment(std::uint8_t value);
    std::uint8_t decrement(std::uint8_t value);
    void decimal_adjust();

    int execute(std::uint8_t opcode);
};

// Ports for running the reference and the core in lock-step: both read the
// same byte from any port at a given step; the core's accesses are recorded
// here (its callbacks), the reference records its own.
struct Ports {
    std::uint8_t input_value = 0;
    std::vector<ReferencePortAccess> core_accesses;
};

inline std::uint8_t core_input(void* context, std::uint8_t port) {
    auto* ports = static_cast<Ports*>(context);
    ports->core_accesses.push_back({false, port, ports->input_value});
    return ports->input_value;
}

inline void core_output(void* context, std::uint8_t port, std::uint8_t value) {
    static_cast<Ports*>(context)->core_accesses.push_back({true, port, value});
}

inline std::uint8_t reference_input(void* context, std::uint8_t) { return static_cast<Ports*>(context)->input_value; }

}  // namespace quillet_reference
