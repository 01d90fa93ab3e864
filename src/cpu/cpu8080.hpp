// The 8080 processor, exact to the clock cycle ("state"): registers, 64 KB
// of RAM with read-only images mapped over it, ports through callbacks,
// interrupts, and a run loop that stops at stop addresses, at HLT, or at a
// limit of states or instructions.
//
// Knows nothing of snapshots: the caller fills the memory and reads it back.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillet {

constexpr std::size_t CPU_MEMORY_SIZE = 65536;

// The bits of F. Bit 1 always reads 1, bits 3 and 5 always 0.
constexpr std::uint8_t FLAG_CY = 0x01;
constexpr std::uint8_t FLAG_ALWAYS_ONE = 0x02;
constexpr std::uint8_t FLAG_P = 0x04;
constexpr std::uint8_t FLAG_AC = 0x10;
constexpr std::uint8_t FLAG_Z = 0x40;
constexpr std::uint8_t FLAG_S = 0x80;
constexpr std::uint8_t FLAG_ALWAYS_ZERO = 0x28;

// F as the chip holds it, whatever was put there.
constexpr std::uint8_t fixed_flags(unsigned f) {
    return static_cast<std::uint8_t>((f & ~unsigned{FLAG_ALWAYS_ZERO} & 0xFF) | FLAG_ALWAYS_ONE);
}

// The single registers, numbered as the instruction set encodes them;
// 6, which the instructions use for M (the byte at HL), is F here.
enum CpuRegister : int {
    CPU_B = 0, CPU_C = 1, CPU_D = 2, CPU_E = 3, CPU_H = 4, CPU_L = 5, CPU_F = 6, CPU_A = 7,
    CPU_REGISTER8_COUNT = 8
};

// Reads a byte from an input port; `context` is the caller's.
using CpuInputFn = std::uint8_t (*)(void* context, std::uint8_t port);
// Takes a byte written to an output port.
using CpuOutputFn = void (*)(void* context, std::uint8_t port, std::uint8_t value);

// Takes a write to a read-only cell in place of the RAM beneath: for a
// machine whose memory map decides where such a write goes (see
// cpu_set_cell). `context` is the caller's.
using CpuMemoryWriteFn = void (*)(void* context, std::uint16_t address, std::uint8_t value);

// Called before each instruction of a run while it returns true: the
// state is up to date (PC at the instruction). Once it returns false the
// run goes on at full speed.
using CpuTraceFn = bool (*)(void* context);

// Why a run ended.
enum CpuStopReason : int {
    CPU_STOP_ADDRESS = 1,            // PC reached a stop address; its instruction has not run
    CPU_STOP_HALTED = 2,             // HLT, and no interrupt to leave it
    CPU_STOP_STATE_LIMIT = 3,        // the state counter reached max_states
    CPU_STOP_INSTRUCTION_LIMIT = 4,  // the instruction counter reached max_instructions
    CPU_STOP_REQUESTED = 5,          // a port callback called cpu_request_stop
    // An instruction read or wrote a watched address; it has run (the
    // number the interface gives it, after the machine's own ends).
    CPU_STOP_WATCH = 9,
};

// What a watchpoint watches: the instructions' reads of data (operands in
// memory, the stack; not the fetch of instructions), their writes.
constexpr std::uint8_t WATCH_READ = 1;
constexpr std::uint8_t WATCH_WRITE = 2;
constexpr std::uint8_t WATCH_KINDS = WATCH_READ | WATCH_WRITE;

// The first watched access of the run that ended with CPU_STOP_WATCH.
struct CpuWatchHit {
    bool hit = false;
    std::uint16_t address = 0;
    std::uint8_t kind = 0;  // WATCH_READ or WATCH_WRITE
};

// How a run counts states: the plain 8080's, or those of a PMD 85, whose
// video circuit adds a wait state to every machine cycle that falls on the
// wrong parity of the clock (video_wait_timing.hpp).
enum CpuTiming : int {
    CPU_TIMING_PLAIN = 0,
    CPU_TIMING_VIDEO_WAITS = 1,
    CPU_TIMING_COUNT = 2
};

// What a run may do. The limits are totals of the counters in CpuState, so
// that a caller running in several pieces keeps one budget. A run checks
// them before each instruction: the last instruction may end up to 17
// states past max_states (21 with the video wait states).
struct CpuRunLimits {
    std::uint64_t max_states = UINT64_MAX;
    std::uint64_t max_instructions = UINT64_MAX;
    // Runs the first instruction even when PC is a stop address: the way to
    // go on from the stop a previous run ended at.
    bool leave_stop = false;
};

struct CpuState {
    std::uint8_t regs[CPU_REGISTER8_COUNT] = {0, 0, 0, 0, 0, 0, FLAG_ALWAYS_ONE, 0};
    std::uint16_t sp = 0;
    std::uint16_t pc = 0;
    bool interrupts_enabled = false;
    bool ei_pending = false;     // EI was the last instruction: no interrupt is taken before the next one ends
    bool halted = false;         // HLT executed; an accepted interrupt ends it
    int interrupt_request = -1;  // the RST (0..7) a device asks for, until it is accepted; -1 none
    std::uint64_t states = 0;        // clock states since reset
    std::uint64_t instructions = 0;  // instructions since reset, accepted interrupts included
};

// The marks of a memory cell.
constexpr std::uint8_t CELL_STOP = 0x01;      // a stop address
constexpr std::uint8_t CELL_READONLY = 0x02;  // an image is mapped here
constexpr std::uint8_t CELL_MIRRORED = 0x04;  // address 0, repeated after 0xFFFF
constexpr std::uint8_t CELL_WATCHED = 0x08;   // a watchpoint's address (its repetition too)
constexpr std::uint8_t CELL_NOTED = 0x10;     // a write here (the processor's, the caller's) is noted in Cpu8080::written
constexpr unsigned CELL_MARK_VALUES = 32;

// The writes to noted cells are noted by lines of CPU_NOTE_LINE bytes.
constexpr unsigned CPU_NOTE_LINE = 64;
constexpr unsigned CPU_NOTE_LINES = CPU_MEMORY_SIZE / CPU_NOTE_LINE;

// What a counting run counts at each address: the instructions that begin
// there, by their length (1..3), and the reads and writes of data made by
// instructions (operands in memory, the stack; not the fetches of
// instructions, nor an accepted interrupt's push).
struct CpuCounts {
    std::uint64_t begun[3][CPU_MEMORY_SIZE];
    std::uint64_t read[CPU_MEMORY_SIZE];
    std::uint64_t written[CPU_MEMORY_SIZE];
};
// The forms of the instruction loop, each for what a run must watch: the
// plain one; one that notes writes to noted cells in place; one that
// checks every read of data against the watchpoints; one that also counts
// (CpuCounts).
enum CpuLoop : int {
    CPU_LOOP_PLAIN = 0,
    CPU_LOOP_NOTING = 1,
    CPU_LOOP_WATCHING_READS = 2,
    CPU_LOOP_COUNTING = 3,
    CPU_LOOP_KINDS = 4
};

// Where a cell keeps its byte and its marks: so that the two, read as one
// host word, are byte | marks << 8.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
constexpr unsigned CELL_BYTE = 1;
#else
constexpr unsigned CELL_BYTE = 0;
#endif
constexpr unsigned CELL_MARKS = 1 - CELL_BYTE;

struct Cpu8080 {
    CpuState state;
    // For each address, the byte reads see (the RAM, or a mapped image)
    // followed by its marks: the instruction loop fetches both at once. A
    // last cell repeats address 0, so that the word at 0xFFFF reads in one
    // load too.
    std::uint8_t cells[2 * (CPU_MEMORY_SIZE + 1)];
    // The RAM beneath the mapped images (meaningful only where one is mapped).
    std::uint8_t beneath[CPU_MEMORY_SIZE];
    CpuInputFn input;
    CpuOutputFn output;
    void* port_context;
    CpuMemoryWriteFn memory_write;  // null: writes to read-only cells go to the RAM beneath
    void* memory_context;
    CpuTiming timing;
    CpuTraceFn trace;  // null: no trace
    void* trace_context;
    bool stop_requested;
    std::uint64_t ei_at;  // during a run: the instruction count just after the last EI
    // The kinds watched at each address (WATCH_READ, WATCH_WRITE), and how
    // many addresses are watched for reads: while there are any, runs take
    // the loop that checks every read of data.
    std::uint8_t watch[CPU_MEMORY_SIZE];
    unsigned watched_reads;
    CpuWatchHit watch_hit;
    // For each line, CELL_NOTED when a noted cell of it was written since
    // the owner of the marks last cleared the entry; the other marks
    // there mean nothing (the loop that notes ORs in the marks of every
    // cell it writes).
    std::uint8_t written[CPU_NOTE_LINES];
    // Set by the owner of the noted marks while their cells are written
    // often: runs of the video timing take the loop that notes such writes
    // in place. Elsewhere they are noted too, the long way, and the plain
    // loop keeps its one test of a written cell's marks.
    bool noting;
    // Not null: runs count into it (the loop that counts, which watches
    // reads too). The caller owns it.
    CpuCounts* counts;
    // The instruction loop's handlers by opcode and marks, one table per
    // loop (timing, CpuLoop), filled by that loop.
    const void* dispatch[CPU_TIMING_COUNT * CPU_LOOP_KINDS][CELL_MARK_VALUES * 256];
};

// Everything to its power-on value: RAM all zero, registers 0 (F 0x02), PC
// and SP 0, interrupts disabled, no images, no stops, no callbacks, counters
// 0, plain timing, nothing counted, no noted cells, not noting.
void cpu_reset(Cpu8080* cpu);

// Reads and writes of the RAM (beneath any image) and of what the processor
// reads (images included). The range must lie within the 64 KB.
void cpu_write_ram(Cpu8080* cpu, std::uint16_t address, const std::uint8_t* data, std::size_t length);
void cpu_read_ram(const Cpu8080* cpu, std::uint16_t address, std::uint8_t* out, std::size_t length);
void cpu_read_view(const Cpu8080* cpu, std::uint16_t address, std::uint8_t* out, std::size_t length);

// Maps `length` bytes of `image` (1..65536 - address, copied) as read-only
// at `address`. False, and nothing changes, when the range leaves the 64 KB
// or overlaps an image mapped before.
bool cpu_map_readonly(Cpu8080* cpu, std::uint16_t address, const std::uint8_t* image, std::size_t length);
bool cpu_is_readonly(const Cpu8080* cpu, std::uint16_t address);

// Sets what reads see at `address` and whether the cell is read-only
// (writes then go to memory_write, or to the RAM beneath without one),
// keeping its stop mark: the way a machine lays its memory map over the
// cells.
void cpu_set_cell(Cpu8080* cpu, std::uint16_t address, std::uint8_t value, bool readonly);

// The same for `length` bytes (address + length at most 65536) at memory
// speed: reads see `bytes`, and each cell's marks become (marks & keep) |
// set. The way a machine lays a region of its map when it switches.
void cpu_lay_cells(Cpu8080* cpu, std::uint16_t address, const std::uint8_t* bytes, std::size_t length,
                   std::uint8_t keep, std::uint8_t set);

// The counts of `counts` as a coverage takes them: for each address, how
// many times its byte was executed as part of an instruction (`executed`),
// and read and written as data, each 65536 entries.
void cpu_executed_counts(const CpuCounts& counts, std::uint64_t* executed);

// Stop addresses: a run ends before executing the instruction at one.
void cpu_set_stop(Cpu8080* cpu, std::uint16_t address, bool stop);
void cpu_clear_stops(Cpu8080* cpu);
bool cpu_is_stop(const Cpu8080* cpu, std::uint16_t address);

// Watchpoints: a run ends with CPU_STOP_WATCH after the instruction that
// read or wrote (`kinds`, WATCH_READ and/or WATCH_WRITE) an address of
// first..last, which cpu->watch_hit then names. cpu_watch adds `kinds` to
// those the addresses have; cpu_unwatch removes every kind. The caller's
// own reads and writes (cpu_write_ram and the like) are not watched.
void cpu_watch(Cpu8080* cpu, std::uint16_t first, std::uint16_t last, std::uint8_t kinds);
void cpu_unwatch(Cpu8080* cpu, std::uint16_t first, std::uint16_t last);

// Register pairs in the order of the snapshot header: AF, BC, DE, HL, PC,
// SP (0..5). Setting AF keeps F's fixed bits as the chip holds them.
std::uint16_t cpu_get_pair(const Cpu8080* cpu, int pair);
void cpu_set_pair(Cpu8080* cpu, int pair, std::uint16_t value);

// A device asks for RST `rst` (0..7); -1 withdraws the request. The request
// is accepted before the next instruction once interrupts are enabled (and
// the instruction after EI has run): PC is pushed, PC = rst * 8, interrupts
// are disabled, HLT ends, and it counts as one instruction of 11 states.
void cpu_request_interrupt(Cpu8080* cpu, int rst);

// From a port callback: ends the run after the current instruction.
void cpu_request_stop(Cpu8080* cpu);

// Runs until a stop condition; see CpuStopReason.
CpuStopReason cpu_run(Cpu8080* cpu, const CpuRunLimits& limits);

}  // namespace quillet
