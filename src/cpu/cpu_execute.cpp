// The instruction loop: registers in locals (the pairs BC, DE and HL in
// one host register each), flags from tables, one dispatch per
// instruction, and stop checks that cost one subtraction.
#include "cpu/cpu_execute.hpp"

#include <cstring>
#include <type_traits>

#include "cpu/instruction_set.hpp"
#include "cpu/video_wait_timing.hpp"

namespace quillet {

namespace {

// The flags that the result of an operation sets, F's fixed bit included:
// S, Z and P of an 8-bit result (szp), the same with CY from bit 8 of a
// 9-bit result (szpc), and those of INR and DCR with their AC.
struct FlagTables {
    std::uint8_t szp[256];
    std::uint8_t szpc[512];
    std::uint8_t inr[256];
    std::uint8_t dcr[256];
};

constexpr FlagTables make_flag_tables() {
    FlagTables t{};
    for (unsigned r = 0; r < 256; ++r) {
        unsigned ones = 0;
        for (unsigned bit = 0; bit < 8; ++bit) ones += (r >> bit) & 1;
        unsigned f = FLAG_ALWAYS_ONE | (r & FLAG_S);
        if (r == 0) f |= FLAG_Z;
        if (ones % 2 == 0) f |= FLAG_P;
        t.szp[r] = static_cast<std::uint8_t>(f);
        t.szpc[r] = static_cast<std::uint8_t>(f);
        t.szpc[r + 256] = static_cast<std::uint8_t>(f | FLAG_CY);
        // INR sets AC on a carry out of bit 3: the low nibble of the result is 0.
        t.inr[r] = static_cast<std::uint8_t>(f | ((r & 0x0F) == 0 ? FLAG_AC : 0));
        // DCR adds 0xFF: a carry out of bit 3 unless the low nibble became 0xF.
        t.dcr[r] = static_cast<std::uint8_t>(f | ((r & 0x0F) != 0x0F ? FLAG_AC : 0));
    }
    return t;
}

constexpr FlagTables FLAGS = make_flag_tables();

}  // namespace

#define UNLIKELY(x) __builtin_expect(!!(x), 0)

namespace {

// Out of line, so that the loop keeps no copy of what it would store.
__attribute__((noinline)) void save_state(CpuState* s, unsigned bc, unsigned de, unsigned hl, unsigned af,
                                          std::uint16_t pc, std::uint16_t sp, std::uint64_t states,
                                          std::uint64_t instructions) {
    s->regs[CPU_B] = static_cast<std::uint8_t>(bc >> 8);
    s->regs[CPU_C] = static_cast<std::uint8_t>(bc);
    s->regs[CPU_D] = static_cast<std::uint8_t>(de >> 8);
    s->regs[CPU_E] = static_cast<std::uint8_t>(de);
    s->regs[CPU_H] = static_cast<std::uint8_t>(hl >> 8);
    s->regs[CPU_L] = static_cast<std::uint8_t>(hl);
    s->regs[CPU_A] = static_cast<std::uint8_t>(af >> 8);
    s->regs[CPU_F] = static_cast<std::uint8_t>(af);
    s->pc = pc;
    s->sp = sp;
    s->states = states;
    s->instructions = instructions;
}

}  // namespace

// A byte of memory as reads see it, and its marks.
#define MEM(at) (cpu->cells[2 * static_cast<std::size_t>(at) + CELL_BYTE])
#define MARKS(at) (cpu->cells[2 * static_cast<std::size_t>(at) + CELL_MARKS])
#define RD16(at) cpu_read_word(cpu, (at))
// A read of data (not a fetch of the instruction): in the loop that
// watches reads, a watched address ends the budget after the instruction.
// A GNU statement expression, as the loop's computed gotos are.
#define WATCHED_READ(at, count)                                            \
    do {                                                                   \
        if (cpu_watched_read(cpu, static_cast<std::uint16_t>(at), count)) END_BUDGET_IN(-1); \
    } while (0)
// In the loop that counts, every read and write of data counts at its
// address (a word's second byte wraps to 0).
#define COUNT_DATA(kind, at)                                               \
    do {                                                                   \
        if (COUNT) ++counts->kind[static_cast<std::uint16_t>(at)];         \
    } while (0)
#define RDM(at)                                                            \
    ({                                                                     \
        const auto ra_ = (at);                                             \
        if (WATCH_READS && UNLIKELY(MARKS(ra_) & CELL_WATCHED)) WATCHED_READ(ra_, 1); \
        COUNT_DATA(read, ra_);                                             \
        MEM(ra_);                                                          \
    })
#define RD16M(at)                                                          \
    ({                                                                     \
        const auto ra_ = (at);                                             \
        if (WATCH_READS && UNLIKELY(cpu_word_marks(cpu, ra_) & CELL_WATCHED)) WATCHED_READ(ra_, 2); \
        COUNT_DATA(read, ra_);                                             \
        COUNT_DATA(read, ra_ + 1);                                         \
        RD16(ra_);                                                         \
    })
// Writes to marked cells (read-only, address 0, watched, noted) go the
// long way; a watched one ends the budget after the instruction. The loop
// that notes keeps writes to cells that are only noted (LONG_WAY).
constexpr std::uint8_t WRITE_MARKS = CELL_READONLY | CELL_MIRRORED | CELL_WATCHED | CELL_NOTED;
#define STORE_MARKED(at, value)                                                  \
    do {                                                                         \
        if (cpu_store_marked(cpu, static_cast<std::uint16_t>(at), static_cast<std::uint8_t>(value))) END_BUDGET_IN(-1); \
    } while (0)
// In the loop that notes, a write in place ORs its cell's marks into its
// line's entry, without a test: CELL_NOTED among them notes it.
#define NOTE_WRITE(at)                                         \
    do {                                                       \
        if (NOTE) cpu->written[(at) / CPU_NOTE_LINE] |= MARKS(at); \
    } while (0)
#define WR(at, value)                                                 \
    do {                                                              \
        const std::uint16_t wa_ = static_cast<std::uint16_t>(at);     \
        const std::uint8_t wv_ = static_cast<std::uint8_t>(value);    \
        COUNT_DATA(written, wa_);                                     \
        if (UNLIKELY(MARKS(wa_) & LONG_WAY)) {                        \
            STORE_MARKED(wa_, wv_);                                   \
        } else {                                                      \
            MEM(wa_) = wv_;                                           \
            NOTE_WRITE(wa_);                                          \
        }                                                             \
    } while (0)
// The word `value` at `at` and at + 1, low byte first; the marks of both
// cells in one test (the second is never the repetition of address 0 in
// place: that one is marked).
#define WR16(at, value)                                                          \
    do {                                                                         \
        const std::size_t wat_ = static_cast<std::uint16_t>(at);                 \
        const unsigned wval_ = (value);                                          \
        COUNT_DATA(written, wat_);                                               \
        COUNT_DATA(written, wat_ + 1);                                           \
        if (UNLIKELY(cpu_word_marks(cpu, wat_) & LONG_WAY)) {                    \
            STORE_MARKED(wat_, wval_);                                           \
            STORE_MARKED(wat_ + 1, wval_ >> 8);                                  \
        } else {                                                                 \
            MEM(wat_) = static_cast<std::uint8_t>(wval_);                        \
            MEM(wat_ + 1) = static_cast<std::uint8_t>(wval_ >> 8);               \
            NOTE_WRITE(wat_);                                                    \
            NOTE_WRITE(wat_ + 1);                                                \
        }                                                                        \
    } while (0)
#define IMM8 (MEM(pc))
#define SKIP(n) (pc = static_cast<std::uint16_t>(pc + (n)))

// The halves of a pair.
#define HI(p) ((p) >> 8)
#define LO(p) ((p) & 0xFF)
#define SET_HI(p, v) (p = ((p) & 0x00FF) | static_cast<unsigned>(v) << 8)
#define SET_LO(p, v) (p = ((p) & 0xFF00) | static_cast<unsigned>(v))

#define PUSH16(value)                                      \
    do {                                                   \
        sp = static_cast<std::uint16_t>(sp - 2);           \
        WR16(sp, (value));                                 \
    } while (0)
#define POP16(out)                                   \
    do {                                             \
        out = RD16M(sp);                             \
        sp = static_cast<std::uint16_t>(sp + 2);     \
    } while (0)

// The arithmetic group. The 8080 subtracts by adding the complement, so AC
// of SUB, SBB and CMP is the carry out of bit 3 of that sum.
#define ADD8(x, carry)                                           \
    do {                                                         \
        const unsigned v_ = (x);                                 \
        const unsigned r_ = a + v_ + (carry);                    \
        f = FLAGS.szpc[r_] | ((a ^ v_ ^ r_) & FLAG_AC);          \
        a = r_ & 0xFF;                                           \
    } while (0)
#define SUB8(x, borrow, store)                                   \
    do {                                                         \
        const unsigned v_ = (x);                                 \
        const unsigned r_ = (a - v_ - (borrow)) & 0x1FF;         \
        f = FLAGS.szpc[r_] | (~(a ^ v_ ^ r_) & FLAG_AC);         \
        if (store) a = r_ & 0xFF;                                \
    } while (0)
// AND sets AC from bit 3 of either operand.
#define ANA8(x)                                                  \
    do {                                                         \
        const unsigned v_ = (x);                                 \
        f = FLAGS.szp[a & v_] | (((a | v_) << 1) & FLAG_AC);     \
        a &= v_;                                                 \
    } while (0)
#define XRA8(x)           \
    do {                  \
        a ^= (x);         \
        f = FLAGS.szp[a]; \
    } while (0)
#define ORA8(x)           \
    do {                  \
        a |= (x);         \
        f = FLAGS.szp[a]; \
    } while (0)
#define ADD_OP(x) ADD8(x, 0)
#define ADC_OP(x) ADD8(x, f & FLAG_CY)
#define SUB_OP(x) SUB8(x, 0, true)
#define SBB_OP(x) SUB8(x, f & FLAG_CY, true)
#define CMP_OP(x) SUB8(x, 0, false)
// INR and DCR of a value `v`, which becomes the result.
#define INR_VALUE(v)                          \
    do {                                      \
        v = (v + 1) & 0xFF;                   \
        f = (f & FLAG_CY) | FLAGS.inr[v];     \
    } while (0)
#define DCR_VALUE(v)                          \
    do {                                      \
        v = (v - 1) & 0xFF;                   \
        f = (f & FLAG_CY) | FLAGS.dcr[v];     \
    } while (0)
#define INR_HI(p) do { unsigned v_ = HI(p); INR_VALUE(v_); SET_HI(p, v_); } while (0)
#define INR_LO(p) do { unsigned v_ = LO(p); INR_VALUE(v_); SET_LO(p, v_); } while (0)
#define DCR_HI(p) do { unsigned v_ = HI(p); DCR_VALUE(v_); SET_HI(p, v_); } while (0)
#define DCR_LO(p) do { unsigned v_ = LO(p); DCR_VALUE(v_); SET_LO(p, v_); } while (0)
#define DAD(value)                                 \
    do {                                           \
        const unsigned s_ = hl + (value);          \
        hl = s_ & 0xFFFF;                          \
        f = (f & ~FLAG_CY) | (s_ >> 16);           \
    } while (0)

// The conditions of Jcc, Ccc and Rcc.
#define C_NZ (!(f & FLAG_Z))
#define C_Z (f & FLAG_Z)
#define C_NC (!(f & FLAG_CY))
#define C_C (f & FLAG_CY)
#define C_PO (!(f & FLAG_P))
#define C_PE (f & FLAG_P)
#define C_P (!(f & FLAG_S))
#define C_M (f & FLAG_S)

// The jump, call or return `opcode` under the condition `cond`.
#define JUMP_IF(opcode, cond)                                         \
    do {                                                              \
        pc = static_cast<std::uint16_t>((cond) ? RD16(pc) : pc + 2u); \
        SPEND_OF(opcode);                                             \
    } while (0)
#define CALL_TO(opcode)                                                \
    do {                                                               \
        const unsigned t_ = RD16(pc);                                  \
        PUSH16(pc + 2u);                                               \
        pc = static_cast<std::uint16_t>(t_);                           \
        SPEND_TAKEN_OF(opcode, VIDEO_WAIT_CALL_TAKEN);                 \
    } while (0)
#define CALL_IF(opcode, cond)   \
    do {                        \
        if (cond) {             \
            CALL_TO(opcode);    \
        } else {                \
            SKIP(2);            \
            SPEND_OF(opcode);   \
        }                       \
    } while (0)
#define RETURN()                                  \
    do {                                          \
        unsigned t_;                              \
        POP16(t_);                                \
        pc = static_cast<std::uint16_t>(t_);      \
    } while (0)
#define RETURN_IF(opcode, cond)                                             \
    do {                                                                    \
        if (cond) {                                                         \
            RETURN();                                                       \
            SPEND_TAKEN_OF(opcode, VIDEO_WAIT_RETURN_TAKEN);                \
        } else {                                                            \
            SPEND_OF(opcode);                                               \
        }                                                                   \
    } while (0)
#define RST(n)                         \
    do {                               \
        PUSH16(pc);                    \
        pc = (n) * 8;                  \
        SPEND_OF(0xC7 | (n) << 3);     \
    } while (0)

// The opcode 0x<hi><lo>, whose operand is `operand`.
#define REGISTER_OP(hi, lo, DO, operand) \
    op_##hi##lo: DO(operand); SPEND_OF(0x##hi##lo); NEXT;
// The eight opcodes of a group whose operand is a register or M (op & 7):
// 0x<hi>0 to 0x<hi>7, or 0x<hi>8 to 0x<hi>F.
#define REGISTER_OPS_LOW(hi, DO)                                                     \
    REGISTER_OP(hi, 0, DO, HI(bc)) REGISTER_OP(hi, 1, DO, LO(bc))                   \
    REGISTER_OP(hi, 2, DO, HI(de)) REGISTER_OP(hi, 3, DO, LO(de))                   \
    REGISTER_OP(hi, 4, DO, HI(hl)) REGISTER_OP(hi, 5, DO, LO(hl))                   \
    REGISTER_OP(hi, 6, DO, RDM(hl)) REGISTER_OP(hi, 7, DO, a)
#define REGISTER_OPS_HIGH(hi, DO)                                                    \
    REGISTER_OP(hi, 8, DO, HI(bc)) REGISTER_OP(hi, 9, DO, LO(bc))                   \
    REGISTER_OP(hi, A, DO, HI(de)) REGISTER_OP(hi, B, DO, LO(de))                   \
    REGISTER_OP(hi, C, DO, HI(hl)) REGISTER_OP(hi, D, DO, LO(hl))                   \
    REGISTER_OP(hi, E, DO, RDM(hl)) REGISTER_OP(hi, F, DO, a)
#define MOV_TO_B(x) SET_HI(bc, x)
#define MOV_TO_C(x) SET_LO(bc, x)
#define MOV_TO_D(x) SET_HI(de, x)
#define MOV_TO_E(x) SET_LO(de, x)
#define MOV_TO_H(x) SET_HI(hl, x)
#define MOV_TO_L(x) SET_LO(hl, x)
#define MOV_TO_A(x) (a = (x))

// The registers go back into the state around a port callback, so that
// the callback sees the processor as it is; the loop's own copies stay
// valid, since a callback changes only the requests.
#define SAVE_STATE()                                                                  \
    save_state(&s, bc, de, hl, a << 8 | f, pc, sp, first_state + (USED() >> COUNT_BITS), \
               first_instruction + (USED() & COUNT_MASK))
// One counter, `left`, keeps both the states and the instructions of the
// run: each instruction takes (its states << COUNT_BITS) + 1 from it, and
// the run ends when it falls below 0, with no more than COUNT_MASK
// instructions (cpu_execute's budget sees to that). So the check of the
// budget and the count of instructions cost a single subtraction.
constexpr int COUNT_BITS = 26;
constexpr std::uint64_t COUNT_MASK = (std::uint64_t{1} << COUNT_BITS) - 1;
static_assert(CPU_EXECUTE_BUDGET_MAX / INSTRUCTION_STATES_MIN <= COUNT_MASK,
              "a budget's instructions must fit in COUNT_BITS");
// With the video circuit's wait states an instruction takes its entry of
// VIDEO_WAIT_STATES (or the taken form's), one more when it starts on an
// odd state; `odd` is that parity, which is the parity of the last entry.
#define SPEND_AS(states, video_states)                                   \
    do {                                                                 \
        if (TIMING == CPU_TIMING_VIDEO_WAITS) {                          \
            const unsigned d_ = (video_states);                          \
            left -= (static_cast<std::int64_t>(d_ + odd) << COUNT_BITS) + 1; \
            odd = d_ & 1;                                                \
        } else {                                                         \
            left -= (std::int64_t{states} << COUNT_BITS) + 1;            \
        }                                                                \
    } while (0)
// The states of `opcode` (a constant) in the instruction set's table and
// with the video waits: constants in the loop, as if written out.
#define STATES_OF(opcode) (std::integral_constant<unsigned, INSTRUCTION_SET[opcode].states>::value)
#define STATES_TAKEN_OF(opcode) (std::integral_constant<unsigned, INSTRUCTION_SET[opcode].states_taken>::value)
#define VIDEO_STATES_OF(opcode) (std::integral_constant<unsigned, VIDEO_WAIT_STATES[opcode]>::value)
// In the loop that counts, the instruction is counted as it spends its
// states: at its address, by its length (a constant in each handler).
#define SPEND_OF(opcode)                                               \
    do {                                                               \
        COUNT_BEGUN(opcode);                                           \
        SPEND_AS(STATES_OF(opcode), VIDEO_STATES_OF(opcode));          \
    } while (0)
#define SPEND_TAKEN_OF(opcode, video_states)                           \
    do {                                                               \
        COUNT_BEGUN(opcode);                                           \
        SPEND_AS(STATES_TAKEN_OF(opcode), video_states);               \
    } while (0)
#define COUNT_BEGUN(opcode)                                                                              \
    do {                                                                                                 \
        if (COUNT) ++counts->begun[std::integral_constant<unsigned, LENGTH_ROWS.row[opcode]>::value][begun]; \
    } while (0)
// An undefined opcode runs the handler of the opcode it executes as, which
// spends that opcode's states: the video waits must agree.
constexpr bool video_waits_follow_executed_as() {
    for (unsigned opcode = 0; opcode < 256; ++opcode) {
        if (VIDEO_WAIT_STATES[opcode] != VIDEO_WAIT_STATES[INSTRUCTION_SET[opcode].executed_as]) return false;
    }
    return true;
}
static_assert(video_waits_follow_executed_as(), "an undefined opcode waits unlike the opcode it executes as");
#define USED() static_cast<std::uint64_t>(start - left)
// Ends the run after the current instruction (to = -1) or after the
// next one (to = 0), keeping the counts.
#define END_BUDGET_IN(to)         \
    do {                          \
        start += (to) - left;     \
        left = (to);              \
    } while (0)
#define AFTER_CALLBACK()                                                                          \
    do {                                                                                          \
        if (cpu->stop_requested || (s.interrupts_enabled && s.interrupt_request >= 0)) END_BUDGET_IN(-1); \
    } while (0)

// Each instruction ends with the check of the budget and the dispatch of
// the next one: an indirect jump per instruction, which the host's
// predictor tells apart by the instruction it comes from. The marks of the
// byte at PC select the handler too: a stop address dispatches to the stop.
// In the loop that counts, the address the instruction begins at is kept.
#define NEXT                                                           \
    do {                                                               \
        if (UNLIKELY(left < 0)) goto budget_spent;                     \
        std::uint16_t cell_;                                           \
        std::memcpy(&cell_, &cpu->cells[2u * pc], sizeof cell_);       \
        if (COUNT) begun = pc;                                         \
        pc = static_cast<std::uint16_t>(pc + 1);                       \
        goto* dispatch[cell_];                                         \
    } while (0)

// Computed gotos: a GNU extension that GCC and Clang (MinGW included) offer.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"

namespace {

// The row of CpuCounts::begun of each opcode: its length, as the opcode it
// executes as has it, less one.
struct LengthRows {
    std::uint8_t row[256];
};
constexpr LengthRows make_length_rows() {
    LengthRows rows{};
    for (unsigned opcode = 0; opcode < 256; ++opcode) {
        rows.row[opcode] = static_cast<std::uint8_t>(INSTRUCTION_SET[INSTRUCTION_SET[opcode].executed_as].length - 1);
    }
    return rows;
}
constexpr LengthRows LENGTH_ROWS = make_length_rows();

template <CpuTiming TIMING, CpuLoop LOOP>
CpuStopReason execute_timed(Cpu8080* cpu, std::uint64_t budget, bool leave_stop) {
    constexpr bool NOTE = LOOP == CPU_LOOP_NOTING;
    constexpr bool WATCH_READS = LOOP == CPU_LOOP_WATCHING_READS || LOOP == CPU_LOOP_COUNTING;
    constexpr bool COUNT = LOOP == CPU_LOOP_COUNTING;
    constexpr std::uint8_t LONG_WAY = NOTE ? WRITE_MARKS & ~CELL_NOTED : WRITE_MARKS;
#define OPS16(r) &&op_##r##0, &&op_##r##1, &&op_##r##2, &&op_##r##3, &&op_##r##4, &&op_##r##5, &&op_##r##6, \
                 &&op_##r##7, &&op_##r##8, &&op_##r##9, &&op_##r##A, &&op_##r##B, &&op_##r##C, &&op_##r##D, \
                 &&op_##r##E, &&op_##r##F
    static const void* const OPCODES[256] = {OPS16(0), OPS16(1), OPS16(2), OPS16(3), OPS16(4), OPS16(5),
                                             OPS16(6), OPS16(7), OPS16(8), OPS16(9), OPS16(A), OPS16(B),
                                             OPS16(C), OPS16(D), OPS16(E), OPS16(F)};
#undef OPS16
    const void** const dispatch = cpu->dispatch[TIMING * CPU_LOOP_KINDS + LOOP];
    CpuCounts* const counts = cpu->counts;
    std::uint16_t begun = 0;  // where the instruction being executed begins (the loop that counts)
    if (dispatch[0] != OPCODES[0]) {
        for (unsigned marks = 0; marks < CELL_MARK_VALUES; ++marks) {
            for (unsigned code = 0; code < 256; ++code) {
                dispatch[marks << 8 | code] = (marks & CELL_STOP) ? &&at_stop : OPCODES[code];
            }
        }
    }

    CpuState& s = cpu->state;
    unsigned bc = static_cast<unsigned>(s.regs[CPU_B]) << 8 | s.regs[CPU_C];
    unsigned de = static_cast<unsigned>(s.regs[CPU_D]) << 8 | s.regs[CPU_E];
    unsigned hl = static_cast<unsigned>(s.regs[CPU_H]) << 8 | s.regs[CPU_L];
    unsigned a = s.regs[CPU_A], f = s.regs[CPU_F];
    std::uint16_t pc = s.pc, sp = s.sp;
    const std::uint64_t first_state = s.states;
    const std::uint64_t first_instruction = s.instructions;
    std::int64_t start = static_cast<std::int64_t>(budget << COUNT_BITS) - 1;
    std::int64_t left = start;
    cpu->ei_at = s.ei_pending ? first_instruction : UINT64_MAX;
    CpuStopReason reason;
    // The parity of the state count, for the video timing.
    unsigned odd = first_state & 1;

    // The first instruction runs whatever its marks say when leaving a stop.
    {
        const unsigned cell = MEM(pc) | (leave_stop ? 0u : static_cast<unsigned>(MARKS(pc)) << 8);
        begun = pc;
        pc = static_cast<std::uint16_t>(pc + 1);
        goto* dispatch[cell];
    }

    // Moves, loads and stores.
    REGISTER_OPS_LOW(4, MOV_TO_B)
    REGISTER_OPS_HIGH(4, MOV_TO_C)
    REGISTER_OPS_LOW(5, MOV_TO_D)
    REGISTER_OPS_HIGH(5, MOV_TO_E)
    REGISTER_OPS_LOW(6, MOV_TO_H)
    REGISTER_OPS_HIGH(6, MOV_TO_L)
    REGISTER_OPS_HIGH(7, MOV_TO_A)
op_70: WR(hl, HI(bc)); SPEND_OF(0x70); NEXT;
op_71: WR(hl, LO(bc)); SPEND_OF(0x71); NEXT;
op_72: WR(hl, HI(de)); SPEND_OF(0x72); NEXT;
op_73: WR(hl, LO(de)); SPEND_OF(0x73); NEXT;
op_74: WR(hl, HI(hl)); SPEND_OF(0x74); NEXT;
op_75: WR(hl, LO(hl)); SPEND_OF(0x75); NEXT;
op_77: WR(hl, a); SPEND_OF(0x77); NEXT;
op_06: SET_HI(bc, IMM8); SKIP(1); SPEND_OF(0x06); NEXT;
op_0E: SET_LO(bc, IMM8); SKIP(1); SPEND_OF(0x0E); NEXT;
op_16: SET_HI(de, IMM8); SKIP(1); SPEND_OF(0x16); NEXT;
op_1E: SET_LO(de, IMM8); SKIP(1); SPEND_OF(0x1E); NEXT;
op_26: SET_HI(hl, IMM8); SKIP(1); SPEND_OF(0x26); NEXT;
op_2E: SET_LO(hl, IMM8); SKIP(1); SPEND_OF(0x2E); NEXT;
op_36: WR(hl, IMM8); SKIP(1); SPEND_OF(0x36); NEXT;
op_3E: a = IMM8; SKIP(1); SPEND_OF(0x3E); NEXT;
op_01: bc = RD16(pc); SKIP(2); SPEND_OF(0x01); NEXT;
op_11: de = RD16(pc); SKIP(2); SPEND_OF(0x11); NEXT;
op_21: hl = RD16(pc); SKIP(2); SPEND_OF(0x21); NEXT;
op_31: sp = static_cast<std::uint16_t>(RD16(pc)); SKIP(2); SPEND_OF(0x31); NEXT;
op_02: WR(bc, a); SPEND_OF(0x02); NEXT;
op_12: WR(de, a); SPEND_OF(0x12); NEXT;
op_0A: a = RDM(bc); SPEND_OF(0x0A); NEXT;
op_1A: a = RDM(de); SPEND_OF(0x1A); NEXT;
op_22: WR16(RD16(pc), hl); SKIP(2); SPEND_OF(0x22); NEXT;
op_2A: hl = RD16M(RD16(pc)); SKIP(2); SPEND_OF(0x2A); NEXT;
op_32: WR(RD16(pc), a); SKIP(2); SPEND_OF(0x32); NEXT;
op_3A: a = RDM(RD16(pc)); SKIP(2); SPEND_OF(0x3A); NEXT;
op_EB: {
    const unsigned t = de;
    de = hl;
    hl = t;
    SPEND_OF(0xEB);
    NEXT;
}
op_E3: {
    const unsigned t = RD16M(sp);
    WR16(sp, hl);
    hl = t;
    SPEND_OF(0xE3);
    NEXT;
}
op_F9: sp = static_cast<std::uint16_t>(hl); SPEND_OF(0xF9); NEXT;
op_C5: PUSH16(bc); SPEND_OF(0xC5); NEXT;
op_D5: PUSH16(de); SPEND_OF(0xD5); NEXT;
op_E5: PUSH16(hl); SPEND_OF(0xE5); NEXT;
op_F5: PUSH16(a << 8 | f); SPEND_OF(0xF5); NEXT;
op_C1: POP16(bc); SPEND_OF(0xC1); NEXT;
op_D1: POP16(de); SPEND_OF(0xD1); NEXT;
op_E1: POP16(hl); SPEND_OF(0xE1); NEXT;
op_F1: {
    unsigned v;
    POP16(v);
    a = v >> 8;
    f = fixed_flags(v);
    SPEND_OF(0xF1);
    NEXT;
}

    // Arithmetic and logic.
    REGISTER_OPS_LOW(8, ADD_OP)
    REGISTER_OPS_HIGH(8, ADC_OP)
    REGISTER_OPS_LOW(9, SUB_OP)
    REGISTER_OPS_HIGH(9, SBB_OP)
    REGISTER_OPS_LOW(A, ANA8)
    REGISTER_OPS_HIGH(A, XRA8)
    REGISTER_OPS_LOW(B, ORA8)
    REGISTER_OPS_HIGH(B, CMP_OP)
op_C6: ADD8(IMM8, 0); SKIP(1); SPEND_OF(0xC6); NEXT;
op_CE: ADD8(IMM8, f & FLAG_CY); SKIP(1); SPEND_OF(0xCE); NEXT;
op_D6: SUB8(IMM8, 0, true); SKIP(1); SPEND_OF(0xD6); NEXT;
op_DE: SUB8(IMM8, f & FLAG_CY, true); SKIP(1); SPEND_OF(0xDE); NEXT;
op_E6: ANA8(IMM8); SKIP(1); SPEND_OF(0xE6); NEXT;
op_EE: XRA8(IMM8); SKIP(1); SPEND_OF(0xEE); NEXT;
op_F6: ORA8(IMM8); SKIP(1); SPEND_OF(0xF6); NEXT;
op_FE: SUB8(IMM8, 0, false); SKIP(1); SPEND_OF(0xFE); NEXT;
op_04: INR_HI(bc); SPEND_OF(0x04); NEXT;
op_0C: INR_LO(bc); SPEND_OF(0x0C); NEXT;
op_14: INR_HI(de); SPEND_OF(0x14); NEXT;
op_1C: INR_LO(de); SPEND_OF(0x1C); NEXT;
op_24: INR_HI(hl); SPEND_OF(0x24); NEXT;
op_2C: INR_LO(hl); SPEND_OF(0x2C); NEXT;
op_3C: INR_VALUE(a); SPEND_OF(0x3C); NEXT;
op_34: {
    unsigned v = RDM(hl);
    INR_VALUE(v);
    WR(hl, v);
    SPEND_OF(0x34);
    NEXT;
}
op_05: DCR_HI(bc); SPEND_OF(0x05); NEXT;
op_0D: DCR_LO(bc); SPEND_OF(0x0D); NEXT;
op_15: DCR_HI(de); SPEND_OF(0x15); NEXT;
op_1D: DCR_LO(de); SPEND_OF(0x1D); NEXT;
op_25: DCR_HI(hl); SPEND_OF(0x25); NEXT;
op_2D: DCR_LO(hl); SPEND_OF(0x2D); NEXT;
op_3D: DCR_VALUE(a); SPEND_OF(0x3D); NEXT;
op_35: {
    unsigned v = RDM(hl);
    DCR_VALUE(v);
    WR(hl, v);
    SPEND_OF(0x35);
    NEXT;
}
op_03: bc = (bc + 1) & 0xFFFF; SPEND_OF(0x03); NEXT;
op_13: de = (de + 1) & 0xFFFF; SPEND_OF(0x13); NEXT;
op_23: hl = (hl + 1) & 0xFFFF; SPEND_OF(0x23); NEXT;
op_33: sp = static_cast<std::uint16_t>(sp + 1); SPEND_OF(0x33); NEXT;
op_0B: bc = (bc - 1) & 0xFFFF; SPEND_OF(0x0B); NEXT;
op_1B: de = (de - 1) & 0xFFFF; SPEND_OF(0x1B); NEXT;
op_2B: hl = (hl - 1) & 0xFFFF; SPEND_OF(0x2B); NEXT;
op_3B: sp = static_cast<std::uint16_t>(sp - 1); SPEND_OF(0x3B); NEXT;
op_09: DAD(bc); SPEND_OF(0x09); NEXT;
op_19: DAD(de); SPEND_OF(0x19); NEXT;
op_29: DAD(hl); SPEND_OF(0x29); NEXT;
op_39: DAD(sp); SPEND_OF(0x39); NEXT;
op_27: {
    unsigned correction = 0;
    unsigned carry = f & FLAG_CY;
    if ((a & 0x0F) > 9 || (f & FLAG_AC)) correction = 0x06;
    if (a > 0x99 || carry) {
        correction |= 0x60;
        carry = FLAG_CY;
    }
    const unsigned r = a + correction;
    f = FLAGS.szp[r & 0xFF] | carry | ((a ^ correction ^ r) & FLAG_AC);
    a = r & 0xFF;
    SPEND_OF(0x27);
    NEXT;
}
op_07: a = (a << 1 | a >> 7) & 0xFF; f = (f & ~FLAG_CY) | (a & 1); SPEND_OF(0x07); NEXT;
op_0F: f = (f & ~FLAG_CY) | (a & 1); a = (a >> 1 | a << 7) & 0xFF; SPEND_OF(0x0F); NEXT;
op_17: {
    const unsigned carry = a >> 7;
    a = (a << 1 | (f & FLAG_CY)) & 0xFF;
    f = (f & ~FLAG_CY) | carry;
    SPEND_OF(0x17);
    NEXT;
}
op_1F: {
    const unsigned carry = a & 1;
    a = a >> 1 | (f & FLAG_CY) << 7;
    f = (f & ~FLAG_CY) | carry;
    SPEND_OF(0x1F);
    NEXT;
}
op_2F: a ^= 0xFF; SPEND_OF(0x2F); NEXT;
op_37: f |= FLAG_CY; SPEND_OF(0x37); NEXT;
op_3F: f ^= FLAG_CY; SPEND_OF(0x3F); NEXT;

    // Jumps, calls and returns; 0xCB, 0xD9 and 0xDD, 0xED, 0xFD are the
    // undefined opcodes that the chip runs as JMP, RET and CALL (the
    // instruction set's executed_as, which a test holds these labels to).
op_C3: op_CB: pc = static_cast<std::uint16_t>(RD16(pc)); SPEND_OF(0xC3); NEXT;
op_C2: JUMP_IF(0xC2, C_NZ); NEXT;
op_CA: JUMP_IF(0xCA, C_Z); NEXT;
op_D2: JUMP_IF(0xD2, C_NC); NEXT;
op_DA: JUMP_IF(0xDA, C_C); NEXT;
op_E2: JUMP_IF(0xE2, C_PO); NEXT;
op_EA: JUMP_IF(0xEA, C_PE); NEXT;
op_F2: JUMP_IF(0xF2, C_P); NEXT;
op_FA: JUMP_IF(0xFA, C_M); NEXT;
op_CD: op_DD: op_ED: op_FD: CALL_TO(0xCD); NEXT;
op_C4: CALL_IF(0xC4, C_NZ); NEXT;
op_CC: CALL_IF(0xCC, C_Z); NEXT;
op_D4: CALL_IF(0xD4, C_NC); NEXT;
op_DC: CALL_IF(0xDC, C_C); NEXT;
op_E4: CALL_IF(0xE4, C_PO); NEXT;
op_EC: CALL_IF(0xEC, C_PE); NEXT;
op_F4: CALL_IF(0xF4, C_P); NEXT;
op_FC: CALL_IF(0xFC, C_M); NEXT;
op_C9: op_D9: RETURN(); SPEND_OF(0xC9); NEXT;
op_C0: RETURN_IF(0xC0, C_NZ); NEXT;
op_C8: RETURN_IF(0xC8, C_Z); NEXT;
op_D0: RETURN_IF(0xD0, C_NC); NEXT;
op_D8: RETURN_IF(0xD8, C_C); NEXT;
op_E0: RETURN_IF(0xE0, C_PO); NEXT;
op_E8: RETURN_IF(0xE8, C_PE); NEXT;
op_F0: RETURN_IF(0xF0, C_P); NEXT;
op_F8: RETURN_IF(0xF8, C_M); NEXT;
op_C7: RST(0); NEXT;
op_CF: RST(1); NEXT;
op_D7: RST(2); NEXT;
op_DF: RST(3); NEXT;
op_E7: RST(4); NEXT;
op_EF: RST(5); NEXT;
op_F7: RST(6); NEXT;
op_FF: RST(7); NEXT;
op_E9: pc = static_cast<std::uint16_t>(hl); SPEND_OF(0xE9); NEXT;

    // Control and ports.
op_00: op_08: op_10: op_18: op_20: op_28: op_30: op_38:
    SPEND_OF(0x00);
    NEXT;
op_F3: s.interrupts_enabled = false; SPEND_OF(0xF3); NEXT;
op_FB:
    SPEND_OF(0xFB);
    s.interrupts_enabled = true;
    cpu->ei_at = first_instruction + (USED() & COUNT_MASK);
    // An interrupt waiting is taken after the next instruction.
    if (s.interrupt_request >= 0 && left > 0) END_BUDGET_IN(0);
    NEXT;
op_76:
    SPEND_OF(0x76);
    s.halted = true;
    reason = CPU_STOP_HALTED;
    goto done;
op_DB: {
    const std::uint8_t port = IMM8;
    SKIP(1);
    SPEND_OF(0xDB);
    if (cpu->input) {
        SAVE_STATE();
        a = cpu->input(cpu->port_context, port);
        AFTER_CALLBACK();
    } else {
        a = 0xFF;
    }
    NEXT;
}
op_D3: {
    const std::uint8_t port = IMM8;
    SKIP(1);
    SPEND_OF(0xD3);
    if (cpu->output) {
        SAVE_STATE();
        cpu->output(cpu->port_context, port, static_cast<std::uint8_t>(a));
        AFTER_CALLBACK();
    }
    NEXT;
}

at_stop:
    // Fetched, but not to be executed.
    pc = static_cast<std::uint16_t>(pc - 1);
    reason = CPU_STOP_ADDRESS;
    goto done;
budget_spent:
    reason = CPU_STOP_STATE_LIMIT;
done:
    SAVE_STATE();
    s.ei_pending = cpu->ei_at == s.instructions;
    return reason;
}

}  // namespace

CpuStopReason cpu_execute(Cpu8080* cpu, CpuLoop loop, std::uint64_t budget, bool leave_stop) {
    using Loop = CpuStopReason (*)(Cpu8080*, std::uint64_t, bool);
    // Only a machine notes cells, with the video timing: the plain timing's
    // noted cells (a test's) are noted the long way, by its plain loop.
    static constexpr Loop LOOPS[CPU_TIMING_COUNT][CPU_LOOP_KINDS] = {
        {execute_timed<CPU_TIMING_PLAIN, CPU_LOOP_PLAIN>, execute_timed<CPU_TIMING_PLAIN, CPU_LOOP_PLAIN>,
         execute_timed<CPU_TIMING_PLAIN, CPU_LOOP_WATCHING_READS>, execute_timed<CPU_TIMING_PLAIN, CPU_LOOP_COUNTING>},
        {execute_timed<CPU_TIMING_VIDEO_WAITS, CPU_LOOP_PLAIN>, execute_timed<CPU_TIMING_VIDEO_WAITS, CPU_LOOP_NOTING>,
         execute_timed<CPU_TIMING_VIDEO_WAITS, CPU_LOOP_WATCHING_READS>,
         execute_timed<CPU_TIMING_VIDEO_WAITS, CPU_LOOP_COUNTING>}};
    return LOOPS[cpu->timing][loop](cpu, budget, leave_stop);
}

#pragma GCC diagnostic pop

}  // namespace quillet
