// Watchpoints through the interface: reads and writes of data, ranges,
// unwatching, the instruction that touched the address run whole, and the
// same run with and without watches taking the same states.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "quillet/quillet.h"

namespace {

constexpr std::uint16_t ORIGIN = 0x0100;

// A PMD 85-2 without a monitor running `program` from 0100h, SP 7000h, HL
// 2000h; 2000h holds 41h, 2FFFh and 3000h a word.
struct Machine {
    explicit Machine(const std::vector<std::uint8_t>& program) {
        quillet_snapshot* snapshot = quillet_snapshot_new();
        quillet_set_model(snapshot, QUILLET_MODEL_V2);
        std::vector<std::uint8_t> page(16384, 0);
        std::copy(program.begin(), program.end(), page.begin() + ORIGIN);
        page[0x2000] = 0x41;
        page[0x2FFF] = 0x34;
        page[0x3000] = 0x12;
        quillet_load_page_bytes(snapshot, 0, page.data(), page.size());
        quillet_set_register(snapshot, QUILLET_REG_PC, ORIGIN);
        quillet_set_register(snapshot, QUILLET_REG_SP, 0x7000);
        quillet_set_register(snapshot, QUILLET_REG_HL, 0x2000);
        EXPECT_EQ(quillet_machine_new(snapshot, nullptr, 0, nullptr, nullptr, &m), 0);
        quillet_snapshot_free(snapshot);
        cpu = quillet_machine_cpu(m);
    }
    ~Machine() { quillet_machine_free(m); }
    int run() { return quillet_cpu_run(cpu, UINT64_MAX, 1000, 0); }
    int byte(long address) const {
        std::uint8_t value = 0;
        quillet_cpu_read_memory(cpu, address, &value, 1);
        return value;
    }
    quillet_machine* m = nullptr;
    quillet_cpu* cpu = nullptr;
};

constexpr int R = QUILLET_WATCH_READ;
constexpr int W = QUILLET_WATCH_WRITE;
constexpr long NONE = -1;

// MOV A,M; INR A; MOV M,A; STA 3001h; PUSH B; POP D; LHLD 2FFFh; HLT
const std::vector<std::uint8_t> PROGRAM = {0x7E, 0x3C, 0x77, 0x32, 0x01, 0x30, 0xC5, 0xD1, 0x2A, 0xFF, 0x2F, 0x76};

struct WatchCase {
    const char* what;
    std::uint16_t first, last;
    int kinds;
    long unwatch_first, unwatch_last;  // NONE: nothing unwatched
    long hit_address;                  // NONE: the run ends at HLT
    int hit_kind;
    std::uint16_t pc_after;  // the instruction that touched it has run (or HLT)
};

const WatchCase WATCH_CASES[] = {
    {"a read of M", 0x2000, 0x2000, R, NONE, NONE, 0x2000, R, ORIGIN + 1},
    {"a write of M", 0x2000, 0x2000, W, NONE, NONE, 0x2000, W, ORIGIN + 3},
    {"both kinds: the read comes first", 0x2000, 0x2000, R | W, NONE, NONE, 0x2000, R, ORIGIN + 1},
    {"a range around it", 0x1F00, 0x20FF, W, NONE, NONE, 0x2000, W, ORIGIN + 3},
    {"a range beside it", 0x2001, 0x2FFE, R | W, NONE, NONE, NONE, 0, ORIGIN + 12},
    {"STA", 0x3001, 0x3001, W, NONE, NONE, 0x3001, W, ORIGIN + 6},
    {"STA is no read", 0x3001, 0x3001, R, NONE, NONE, NONE, 0, ORIGIN + 12},
    {"PUSH: the first byte it stores", 0x6FFE, 0x6FFF, W, NONE, NONE, 0x6FFE, W, ORIGIN + 7},
    {"PUSH: the high byte", 0x6FFF, 0x6FFF, W, NONE, NONE, 0x6FFF, W, ORIGIN + 7},
    {"POP reads the stack", 0x6FFF, 0x6FFF, R, NONE, NONE, 0x6FFF, R, ORIGIN + 8},
    {"LHLD's second byte", 0x3000, 0x3000, R, NONE, NONE, 0x3000, R, ORIGIN + 11},
    {"a fetch is no read", ORIGIN, ORIGIN + 11, R, NONE, NONE, NONE, 0, ORIGIN + 12},
    {"unwatched in the middle", 0x1F00, 0x20FF, R | W, 0x2000, 0x2000, NONE, 0, ORIGIN + 12},
    {"unwatched around it", 0x2000, 0x2000, R, 0x0000, 0xFFFF, NONE, 0, ORIGIN + 12},
};

TEST(CApiMachineWatch, ReadsAndWritesEndTheRunAfterTheirInstruction) {
    for (const WatchCase& c : WATCH_CASES) {
        SCOPED_TRACE(c.what);
        Machine machine(PROGRAM);
        ASSERT_EQ(quillet_machine_watch(machine.m, c.first, c.last, c.kinds), 0);
        if (c.unwatch_first != NONE) {
            ASSERT_EQ(quillet_machine_unwatch(machine.m, static_cast<std::uint16_t>(c.unwatch_first),
                                              static_cast<std::uint16_t>(c.unwatch_last)),
                      0);
        }
        const int reason = machine.run();
        std::uint16_t address = 0xABCD;
        int kind = -7;
        const int hit = quillet_machine_watch_hit(machine.m, &address, &kind);
        EXPECT_EQ(quillet_cpu_get_pair(machine.cpu, QUILLET_REG_PC), c.pc_after);
        if (c.hit_address == NONE) {
            EXPECT_EQ(reason, QUILLET_STOP_HALTED);
            EXPECT_EQ(hit, 0);
            EXPECT_EQ(address, 0xABCD) << "left as it was";
            EXPECT_EQ(kind, -7);
            continue;
        }
        EXPECT_EQ(reason, QUILLET_STOP_WATCH);
        EXPECT_EQ(hit, 1);
        EXPECT_EQ(address, c.hit_address);
        EXPECT_EQ(kind, c.hit_kind);
        // The next run goes on from the instruction after it, to the end.
        quillet_machine_unwatch(machine.m, 0, 0xFFFF);
        EXPECT_EQ(machine.run(), QUILLET_STOP_HALTED);
        EXPECT_EQ(quillet_machine_watch_hit(machine.m, &address, &kind), 0) << "the last run ended otherwise";
        EXPECT_EQ(machine.byte(0x2000), 0x42) << "every instruction ran once";
        EXPECT_EQ(quillet_cpu_get_pair(machine.cpu, QUILLET_REG_HL), 0x1234);
    }
}

// A watched write finishes its instruction: the byte is stored, and the
// states and instructions are those of the run without watches.
TEST(CApiMachineWatch, AWatchedRunCountsAsTheUnwatchedOne) {
    Machine plain(PROGRAM);
    ASSERT_EQ(plain.run(), QUILLET_STOP_HALTED);
    Machine watched(PROGRAM);
    quillet_machine_watch(watched.m, 0x0000, 0xFFFF, R | W);
    int stops = 0;
    while (watched.run() == QUILLET_STOP_WATCH) {
        ++stops;
        ASSERT_LT(stops, 20);
    }
    // MOV A,M; MOV M,A; STA; PUSH; POP; LHLD.
    EXPECT_EQ(stops, 6);
    EXPECT_EQ(quillet_cpu_states(watched.cpu), quillet_cpu_states(plain.cpu));
    EXPECT_EQ(quillet_cpu_instructions(watched.cpu), quillet_cpu_instructions(plain.cpu));
    EXPECT_EQ(watched.byte(0x2000), 0x42);
    EXPECT_EQ(watched.byte(0x3001), 0x42);
}

// An interrupt's push is the processor's write; the caller's own writes are
// not watched.
TEST(CApiMachineWatch, InterruptPushesAreWatchedCallersWritesNot) {
    Machine machine({0xFB, 0x00, 0x76});  // EI; NOP; HLT
    quillet_machine_watch(machine.m, 0x6FFE, 0x6FFF, W);
    const std::uint8_t value = 0x99;
    EXPECT_EQ(quillet_cpu_write_memory(machine.cpu, 0x6FFE, &value, 1), 0);
    std::uint16_t address = 0;
    int kind = 0;
    EXPECT_EQ(quillet_machine_watch_hit(machine.m, &address, &kind), 0) << "the caller's write";
    quillet_cpu_interrupt(machine.cpu, 7);
    EXPECT_EQ(machine.run(), QUILLET_STOP_WATCH);
    EXPECT_EQ(quillet_machine_watch_hit(machine.m, &address, &kind), 1);
    EXPECT_EQ(address, 0x6FFF) << "the push stores the high byte of PC first";
    EXPECT_EQ(quillet_cpu_get_pair(machine.cpu, QUILLET_REG_PC), 0x38) << "RST 7 taken whole";
}

TEST(CApiMachineWatch, Refusals) {
    Machine machine(PROGRAM);
    std::uint16_t address = 0;
    int kind = 0;
    const struct {
        int result, expected;
    } cases[] = {
        {quillet_machine_watch(nullptr, 0, 1, R), QUILLET_ERR_MISSING_VALUE},
        {quillet_machine_watch(machine.m, 2, 1, R), QUILLET_ERR_VALUE_RANGE},
        {quillet_machine_watch(machine.m, 0, 1, 0), QUILLET_ERR_VALUE_RANGE},
        {quillet_machine_watch(machine.m, 0, 1, 4), QUILLET_ERR_VALUE_RANGE},
        {quillet_machine_unwatch(machine.m, 0xFFFF, 0), QUILLET_ERR_VALUE_RANGE},
        {quillet_machine_unwatch(nullptr, 0, 0), QUILLET_ERR_MISSING_VALUE},
        {quillet_machine_watch_hit(machine.m, nullptr, &kind), QUILLET_ERR_MISSING_VALUE},
        {quillet_machine_watch_hit(machine.m, &address, nullptr), QUILLET_ERR_MISSING_VALUE},
        {quillet_machine_watch_hit(nullptr, &address, &kind), QUILLET_ERR_MISSING_VALUE},
    };
    for (const auto& c : cases) EXPECT_EQ(c.result, c.expected);
    EXPECT_EQ(machine.run(), QUILLET_STOP_HALTED) << "a refused watch watches nothing";
}

}  // namespace
