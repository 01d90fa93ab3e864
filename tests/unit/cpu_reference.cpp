#include "cpu_reference.hpp"

namespace quillet_reference {

namespace {

bool even_parity(std::uint8_t value) {
    int ones = 0;
    for (int bit = 0; bit < 8; ++bit) ones += (value >> bit) & 1;
    return ones % 2 == 0;
}

std::uint8_t low_byte(unsigned value) { return static_cast<std::uint8_t>(value & 0xFF); }
std::uint8_t high_byte(unsigned value) { return static_cast<std::uint8_t>((value >> 8) & 0xFF); }
std::uint16_t word(std::uint8_t high, std::uint8_t low) { return static_cast<std::uint16_t>(high << 8 | low); }

}  // namespace

void Reference8080::write_ram(std::uint16_t address, std::uint8_t value) {
    if (read_only[address]) {
        beneath[address] = value;
    } else {
        memory[address] = value;
    }
}

void Reference8080::map_read_only(std::uint16_t address, const std::uint8_t* image, unsigned length) {
    for (unsigned i = 0; i < length; ++i) {
        const unsigned at = address + i;
        beneath[at] = memory[at];
        memory[at] = image[i];
        read_only[at] = 1;
    }
}

void Reference8080::write(std::uint16_t address, std::uint8_t value) {
    writes.push_back({address, value});
    write_ram(address, value);
}

std::uint8_t Reference8080::fetch() {
    const std::uint8_t value = read(pc);
    pc = static_cast<std::uint16_t>(pc + 1);
    return value;
}

std::uint16_t Reference8080::fetch_word() {
    const std::uint8_t low = fetch();
    const std::uint8_t high = fetch();
    return word(high, low);
}

std::uint16_t Reference8080::read_word(std::uint16_t address) const {
    return word(read(static_cast<std::uint16_t>(address + 1)), read(address));
}

void Reference8080::write_word(std::uint16_t address, std::uint16_t value) {
    write(address, low_byte(value));
    write(static_cast<std::uint16_t>(address + 1), high_byte(value));
}

// The high byte goes to SP - 1, the low byte to SP - 2.
void Reference8080::push(std::uint16_t value) {
    sp = static_cast<std::uint16_t>(sp - 1);
    write(sp, high_byte(value));
    sp = static_cast<std::uint16_t>(sp - 1);
    write(sp, low_byte(value));
}

std::uint16_t Reference8080::pop() {
    const std::uint8_t low = read(sp);
    sp = static_cast<std::uint16_t>(sp + 1);
    const std::uint8_t high = read(sp);
    sp = static_cast<std::uint16_t>(sp + 1);
    return word(high, low);
}

std::uint8_t Reference8080::get_register(int code) const {
    switch (code) {
        case 0: return b;
        case 1: return c;
        case 2: return d;
        case 3: return e;
        case 4: return h;
        case 5: return l;
        case 6: return read(hl());
        default: return a;
    }
}

void Reference8080::set_register(int code, std::uint8_t value) {
    switch (code) {
        case 0: b = value; break;
        case 1: c = value; break;
        case 2: d = value; break;
        case 3: e = value; break;
        case 4: h = value; break;
        case 5: l = value; break;
        case 6: write(hl(), value); break;
        default: a = value; break;
    }
}

std::uint16_t Reference8080::get_pair(int code) const {
    switch (code) {
        case 0: return word(b, c);
        case 1: return word(d, e);
        case 2: return word(h, l);
        default: return sp;
    }
}

void Reference8080::set_pair(int code, std::uint16_t value) {
    switch (code) {
        case 0: b = high_byte(value); c = low_byte(value); break;
        case 1: d = high_byte(value); e = low_byte(value); break;
        case 2: h = high_byte(value); l = low_byte(value); break;
        default: sp = value; break;
    }
}

void Reference8080::put_flag(std::uint8_t bit, bool on) {
    if (on) {
        f = static_cast<std::uint8_t>(f | bit);
    } else {
        f = static_cast<std::uint8_t>(f & ~bit);
    }
}

void Reference8080::set_sign_zero_parity(std::uint8_t result) {
    put_flag(REF_S, (result & 0x80) != 0);
    put_flag(REF_Z, result == 0);
    put_flag(REF_P, even_parity(result));
}

bool Reference8080::condition(int code) const {
    switch (code) {
        case 0: return !flag(REF_Z);   // NZ
        case 1: return flag(REF_Z);    // Z
        case 2: return !flag(REF_CY);  // NC
        case 3: return flag(REF_CY);   // C
        case 4: return !flag(REF_P);   // PO
        case 5: return flag(REF_P);    // PE
        case 6: return !flag(REF_S);   // P
        default: return flag(REF_S);   // M
    }
}

void Reference8080::alu(int operation, std::uint8_t operand) {
    const unsigned carry_in = flag(REF_CY) ? 1 : 0;
    switch (operation) {
        case 0:    // ADD
        case 1: {  // ADC
            const unsigned extra = operation == 1 ? carry_in : 0;
            const unsigned sum = a + operand + extra;
            put_flag(REF_AC, (a & 0x0F) + (operand & 0x0F) + extra > 0x0F);
            put_flag(REF_CY, sum > 0xFF);
            a = low_byte(sum);
            set_sign_zero_parity(a);
            break;
        }
        case 2:    // SUB
        case 3:    // SBB
        case 7: {  // CMP
            // The chip adds the complement of the operand and one (none for
            // SBB with a borrow); CY is the borrow, the inverse of the carry.
            const unsigned complement = ~operand & 0xFFu;
            const unsigned extra = (operation == 3 && carry_in) ? 0 : 1;
            const unsigned sum = a + complement + extra;
            put_flag(REF_AC, (a & 0x0F) + (complement & 0x0F) + extra > 0x0F);
            put_flag(REF_CY, sum <= 0xFF);
            set_sign_zero_parity(low_byte(sum));
            if (operation != 7) a = low_byte(sum);
            break;
        }
        case 4:  // ANA
            put_flag(REF_AC, ((a | operand) & 0x08) != 0);
            put_flag(REF_CY, false);
            a = static_cast<std::uint8_t>(a & operand);
            set_sign_zero_parity(a);
            break;
        case 5:  // XRA
            put_flag(REF_AC, false);
            put_flag(REF_CY, false);
            a = static_cast<std::uint8_t>(a ^ operand);
            set_sign_zero_parity(a);
            break;
        default:  // ORA
            put_flag(REF_AC, false);
            put_flag(REF_CY, false);
            a = static_cast<std::uint8_t>(a | operand);
            set_sign_zero_parity(a);
            break;
    }
}

// INR and DCR leave CY alone.
std::uint8_t Reference8080::increment(std::uint8_t value) {
    const std::uint8_t result = low_byte(value + 1u);
    put_flag(REF_AC, (result & 0x0F) == 0);
    set_sign_zero_parity(result);
    return result;
}

std::uint8_t Reference8080::decrement(std::uint8_t value) {
    const std::uint8_t result = low_byte(value + 0xFFu);
    put_flag(REF_AC, (result & 0x0F) != 0x0F);
    set_sign_zero_parity(result);
    return result;
}

// Adds 6 when the low digit is past 9 or AC is set, and 0x60 when A is past
// 0x99 or CY is set (CY is then set; otherwise it stays as it was).
void Reference8080::decimal_adjust() {
    unsigned correction = 0;
    bool carry = flag(REF_CY);
    if ((a & 0x0F) > 9 || flag(REF_AC)) correction += 0x06;
    if (a > 0x99 || flag(REF_CY)) {
        correction += 0x60;
        carry = true;
    }
    put_flag(REF_AC, (a & 0x0F) + (correction & 0x0F) > 0x0F);
    a = low_byte(a + correction);
    put_flag(REF_CY, carry);
    set_sign_zero_parity(a);
}

int Reference8080::step() {
    writes.clear();
    port_accesses.clear();
    if (interrupt_request >= 0 && interrupts_enabled && !ei_just_run) {
        interrupts_enabled = false;
        halted = false;
        push(pc);
        pc = static_cast<std::uint16_t>(interrupt_request * 8);
        interrupt_request = -1;
        return 11;
    }
    if (halted) return 0;
    ei_just_run = false;
    return execute(fetch());
}

int Reference8080::execute(std::uint8_t opcode) {
    const int middle = (opcode >> 3) & 7;  // destination register, operation or condition
    const int low = opcode & 7;            // source register
    const int pair = (opcode >> 4) & 3;

    if (opcode == 0x76) {  // HLT
        halted = true;
        return 7;
    }
    if (opcode >= 0x40 && opcode <= 0x7F) {  // MOV r,r
        set_register(middle, get_register(low));
        return (middle == 6 || low == 6) ? 7 : 5;
    }
    if (opcode >= 0x80 && opcode <= 0xBF) {  // ADD ADC SUB SBB ANA XRA ORA CMP r
        alu(middle, get_register(low));
        return low == 6 ? 7 : 4;
    }

    switch (opcode) {
        case 0x00:  // NOP
        case 0x08: case 0x10: case 0x18: case 0x20: case 0x28: case 0x30: case 0x38:  // undocumented NOPs
            return 4;

        case 0x01: case 0x11: case 0x21: case 0x31:  // LXI rp
            set_pair(pair, fetch_word());
            return 10;
        case 0x02: case 0x12:  // STAX B, STAX D
            write(get_pair(pair), a);
            return 7;
        case 0x0A: case 0x1A:  // LDAX B, LDAX D
            a = read(get_pair(pair));
            return 7;
        case 0x22:  // SHLD
            write_word(fetch_word(), hl());
            return 16;
        case 0x2A: {  // LHLD
            const std::uint16_t value = read_word(fetch_word());
            set_pair(2, value);
            return 16;
        }
        case 0x32:  // STA
            write(fetch_word(), a);
            return 13;
        case 0x3A:  // LDA
            a = read(fetch_word());
            return 13;

        case 0x03: case 0x13: case 0x23: case 0x33:  // INX rp
            set_pair(pair, static_cast<std::uint16_t>(get_pair(pair) + 1));
            return 5;
        case 0x0B: case 0x1B: case 0x2B: case 0x3B:  // DCX rp
            set_pair(pair, static_cast<std::uint16_t>(get_pair(pair) - 1));
            return 5;
        case 0x09: case 0x19: case 0x29: case 0x39: {  // DAD rp
            const unsigned sum = hl() + unsigned{get_pair(pair)};
            put_flag(REF_CY, sum > 0xFFFF);
            set_pair(2, static_cast<std::uint16_t>(sum & 0xFFFF));
            return 10;
        }

        case 0x04: case 0x0C: case 0x14: case 0x1C: case 0x24: case 0x2C: case 0x34: case 0x3C:  // INR r
            set_register(middle, increment(get_register(middle)));
            return middle == 6 ? 10 : 5;
        case 0x05: case 0x0D: case 0x15: case 0x1D: case 0x25: case 0x2D: case 0x35: case 0x3D:  // DCR r
            set_register(middle, decrement(get_register(middle)));
            return middle == 6 ? 10 : 5;
        case 0x06: case 0x0E: case 0x16: case 0x1E: case 0x26: case 0x2E: case 0x36: case 0x3E:  // MVI r
            set_register(middle, fetch());
            return middle == 6 ? 10 : 7;

        case 0x07: {  // RLC
            const bool out = (a & 0x80) != 0;
            a = static_cast<std::uint8_t>(a << 1 | (out ? 1 : 0));
            put_flag(REF_CY, out);
            return 4;
        }
        case 0x0F: {  // RRC
            const bool out = (a & 0x01) != 0;
            a = static_cast<std::uint8_t>(a >> 1 | (out ? 0x80 : 0));
            put_flag(REF_CY, out);
            return 4;
        }
        case 0x17: {  // RAL
            const bool out = (a & 0x80) != 0;
            a = static_cast<std::uint8_t>(a << 1 | (flag(REF_CY) ? 1 : 0));
            put_flag(REF_CY, out);
            return 4;
        }
        case 0x1F: {  // RAR
            const bool out = (a & 0x01) != 0;
            a = static_cast<std::uint8_t>(a >> 1 | (flag(REF_CY) ? 0x80 : 0));
            put_flag(REF_CY, out);
            return 4;
        }
        case 0x27:  // DAA
            decimal_adjust();
            return 4;
        case 0x2F:  // CMA
            a = static_cast<std::uint8_t>(~a);
            return 4;
        case 0x37:  // STC
            put_flag(REF_CY, true);
            return 4;
        case 0x3F:  // CMC
            put_flag(REF_CY, !flag(REF_CY));
            return 4;

        case 0xC6: case 0xCE: case 0xD6: case 0xDE: case 0xE6: case 0xEE: case 0xF6: case 0xFE:  // ADI ... CPI
            alu(middle, fetch());
            return 7;

        case 0xC3: case 0xCB: {  // JMP (0xCB undocumented)
            pc = fetch_word();
            return 10;
        }
        case 0xC2: case 0xCA: case 0xD2: case 0xDA: case 0xE2: case 0xEA: case 0xF2: case 0xFA: {  // Jcc
            const std::uint16_t target = fetch_word();
            if (condition(middle)) pc = target;
            return 10;
        }
        case 0xCD: case 0xDD: case 0xED: case 0xFD: {  // CALL (0xDD, 0xED, 0xFD undocumented)
            const std::uint16_t target = fetch_word();
            push(pc);
            pc = target;
            return 17;
        }
        case 0xC4: case 0xCC: case 0xD4: case 0xDC: case 0xE4: case 0xEC: case 0xF4: case 0xFC: {  // Ccc
            const std::uint16_t target = fetch_word();
            if (!condition(middle)) return 11;
            push(pc);
            pc = target;
            return 17;
        }
        case 0xC9: case 0xD9:  // RET (0xD9 undocumented)
            pc = pop();
            return 10;
        case 0xC0: case 0xC8: case 0xD0: case 0xD8: case 0xE0: case 0xE8: case 0xF0: case 0xF8:  // Rcc
            if (!condition(middle)) return 5;
            pc = pop();
            return 11;
        case 0xC7: case 0xCF: case 0xD7: case 0xDF: case 0xE7: case 0xEF: case 0xF7: case 0xFF:  // RST n
            push(pc);
            pc = static_cast<std::uint16_t>(middle * 8);
            return 11;
        case 0xE9:  // PCHL
            pc = hl();
            return 5;
        case 0xF9:  // SPHL
            sp = hl();
            return 5;

        case 0xC5: case 0xD5: case 0xE5:  // PUSH B, D, H
            push(get_pair(pair));
            return 11;
        case 0xF5:  // PUSH PSW: A high, F low
            push(word(a, f));
            return 11;
        case 0xC1: case 0xD1: case 0xE1:  // POP B, D, H
            set_pair(pair, pop());
            return 10;
        case 0xF1: {  // POP PSW
            const std::uint16_t value = pop();
            a = high_byte(value);
            set_flags(low_byte(value));
            return 10;
        }
        case 0xE3: {  // XTHL
            const std::uint8_t old_l = read(sp);
            const std::uint8_t old_h = read(static_cast<std::uint16_t>(sp + 1));
            write(sp, l);
            write(static_cast<std::uint16_t>(sp + 1), h);
            l = old_l;
            h = old_h;
            return 18;
        }
        case 0xEB: {  // XCHG
            const std::uint16_t de = get_pair(1);
            set_pair(1, hl());
            set_pair(2, de);
            return 4;
        }

        case 0xDB: {  // IN port
            const std::uint8_t port = fetch();
            a = input ? input(input_context, port) : 0xFF;
            port_accesses.push_back({false, port, a});
            return 10;
        }
        case 0xD3: {  // OUT port
            const std::uint8_t port = fetch();
            port_accesses.push_back({true, port, a});
            return 10;
        }
        case 0xF3:  // DI
            interrupts_enabled = false;
            return 4;
        case 0xFB:  // EI
            interrupts_enabled = true;
            ei_just_run = true;
            return 4;

        default:  // every opcode is handled above
            return 0;
    }
}

}  // namespace quillet_reference
