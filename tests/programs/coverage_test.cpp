// Coverage: what each instruction counts, and the file that runs add to.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "coverage.hpp"

namespace quillet::common {
namespace {

class CoverageRun : public testing::Test {
protected:
    CoverageRun() : cpu_(quillet_cpu_new()) {}
    ~CoverageRun() override { quillet_cpu_free(cpu_); }

    static int trace(void* user, const quillet_cpu* cpu) {
        static_cast<Coverage*>(user)->record(cpu);
        return 1;
    }

    // Runs `hex` from 0 to its HLT with SP 0x8000, HL 0x9000, BC 0x9100, DE 0x9200.
    void run(const std::vector<std::uint8_t>& program) {
        ASSERT_EQ(quillet_cpu_write_memory(cpu_, 0, program.data(), program.size()), 0);
        quillet_cpu_set_pair(cpu_, QUILLET_REG_SP, 0x8000);
        quillet_cpu_set_pair(cpu_, QUILLET_REG_HL, 0x9000);
        quillet_cpu_set_pair(cpu_, QUILLET_REG_BC, 0x9100);
        quillet_cpu_set_pair(cpu_, QUILLET_REG_DE, 0x9200);
        quillet_cpu_set_trace(cpu_, trace, &coverage_);
        ASSERT_EQ(quillet_cpu_run(cpu_, UINT64_MAX, 1000, 0), QUILLET_STOP_HALTED);
    }

    quillet_cpu* cpu_;
    Coverage coverage_;
};

TEST_F(CoverageRun, EachInstructionCountsItsBytesAndItsData) {
    run({
        0x7E,              // 0000 MOV A,M        reads 9000
        0x77,              // 0001 MOV M,A        writes 9000
        0x34,              // 0002 INR M          reads and writes 9000
        0x0A, 0x12,        // 0003 LDAX B; STAX D reads 9100, writes 9200
        0x3A, 0x00, 0xA0,  // 0005 LDA A000
        0x22, 0x10, 0xA0,  // 0008 SHLD A010      writes A010, A011
        0xCD, 0x12, 0x00,  // 000B CALL 0012      writes 7FFE, 7FFF
        0xC4, 0x12, 0x00,  // 000E CNZ 0012       Z is set by then: nothing pushed
        0x76,              // 0011 HLT
        0xAF,              // 0012 XRA A          Z set
        0xC9,              // 0013 RET            reads 7FFE, 7FFF
    });
    struct Case {
        CoverageKind kind;
        long address;
        std::uint64_t count;
    } cases[] = {
        {COVERAGE_EXECUTED, 0x0000, 1}, {COVERAGE_EXECUTED, 0x0007, 1}, {COVERAGE_EXECUTED, 0x0010, 1},
        {COVERAGE_EXECUTED, 0x0012, 1}, {COVERAGE_EXECUTED, 0x0014, 0}, {COVERAGE_READ, 0x0001, 0},
        {COVERAGE_READ, 0x9000, 2},     {COVERAGE_WRITTEN, 0x9000, 2},  {COVERAGE_READ, 0x9100, 1},
        {COVERAGE_WRITTEN, 0x9200, 1},  {COVERAGE_READ, 0xA000, 1},     {COVERAGE_WRITTEN, 0xA010, 1},
        {COVERAGE_WRITTEN, 0xA011, 1},  {COVERAGE_WRITTEN, 0x7FFE, 1},  {COVERAGE_WRITTEN, 0x7FFF, 1},
        {COVERAGE_WRITTEN, 0x7FFD, 0},  {COVERAGE_READ, 0x7FFE, 1},     {COVERAGE_READ, 0x7FFF, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(coverage_.count(c.kind, c.address), c.count) << std::hex << c.address;
}

TEST_F(CoverageRun, TheFileAddsUpAndNamesLabels) {
    run({0x06, 0x03, 0x05, 0xC2, 0x02, 0x00, 0x76});  // MVI B,3; loop: DCR B; JNZ loop; HLT
    SymbolTable symbols;
    ASSERT_EQ(symbols.add_text("s", "start 0\nloop 2\n"), "");
    const std::string once =
        "# quillet coverage: FIRST[-LAST] KIND COUNT [LABEL]\n"
        "0x0000-0x0001 x 1 start\n"
        "0x0002-0x0005 x 3 loop\n"
        "0x0006 x 1 loop+4\n";
    EXPECT_EQ(coverage_.text(symbols), once);
    ASSERT_EQ(coverage_.add_text("cov.txt", once), "");
    EXPECT_EQ(coverage_.text(SymbolTable()),
              "# quillet coverage: FIRST[-LAST] KIND COUNT [LABEL]\n"
              "0x0000-0x0001 x 2\n"
              "0x0002-0x0005 x 6\n"
              "0x0006 x 2\n");
}

// A count past the largest one is refused naming that limit; the largest
// itself is read.
TEST(CoverageFile, ACountPastTheLimitSaysTheLimit) {
    const struct {
        const char* line;
        const char* error;
    } cases[] = {
        {"0x0100 x 18446744073709551615", ""},
        {"0x0100 x 18446744073709551616", "cov.txt:1: count past 18446744073709551615: '0x0100 x 18446744073709551616'"},
        {"0x0100-0x0102 r 99999999999999999999999 LOOP",
         "cov.txt:1: count past 18446744073709551615: '0x0100-0x0102 r 99999999999999999999999 LOOP'"},
    };
    for (const auto& item : cases) {
        Coverage coverage;
        EXPECT_EQ(coverage.add_text("cov.txt", std::string(item.line) + "\n"), item.error);
    }
}

TEST(CoverageFile, ALineItCannotReadIsNamedAndNothingIsAdded) {
    const char* bad[] = {"0x0000 q 1", "0x0005-0x0001 x 1", "0x10000 x 1", "0 x 1", "0x0000 x", "0x0000 x 1 a b",
                         // a sign
                         "0x0100 x -5", "0x0100 x +5"};
    for (const char* line : bad) {
        Coverage coverage;
        EXPECT_EQ(coverage.add_text("cov.txt", std::string("0x0001 x 5\n\n") + line + "\n"),
                  std::string("cov.txt:3: not a coverage line: '") + line + "'");
        EXPECT_EQ(coverage.count(COVERAGE_EXECUTED, 1), 0U) << line;
    }
}

// Counts stop at the largest one, in the file and in a run: one that
// wrapped to 0 would drop its address from the file.
TEST_F(CoverageRun, ACountAtItsLargestStaysThere) {
    const std::string largest = "0x0000 x 18446744073709551615\n";
    ASSERT_EQ(coverage_.add_text("cov.txt", largest), "");
    ASSERT_EQ(coverage_.add_text("cov.txt", "0x0000 x 7\n0x0001 x 18446744073709551614\n0x0001 x 1\n"), "");
    EXPECT_EQ(coverage_.count(COVERAGE_EXECUTED, 0), UINT64_MAX);
    EXPECT_EQ(coverage_.count(COVERAGE_EXECUTED, 1), UINT64_MAX);
    run({0x00, 0x76});  // NOP; HLT: 0x0000 executed once more
    EXPECT_EQ(coverage_.count(COVERAGE_EXECUTED, 0), UINT64_MAX);
    EXPECT_EQ(coverage_.text(SymbolTable()),
              "# quillet coverage: FIRST[-LAST] KIND COUNT [LABEL]\n"
              "0x0000-0x0001 x 18446744073709551615\n");
}

// What a line that is no coverage line holds reaches the terminal escaped
// and cut, whatever bytes and however long it is.
TEST(CoverageFile, ALineIsShownEscapedAndCut) {
    Coverage coverage;
    EXPECT_EQ(coverage.add_text("cov.txt", "\x1b[2J\n"), "cov.txt:1: not a coverage line: '\\x1B[2J'");
    const std::string message = coverage.add_text("cov.txt", std::string(100000, 'x') + "\n");
    EXPECT_EQ(message, "cov.txt:1: not a coverage line: '" + std::string(80, 'x') + "...'");
}

}  // namespace
}  // namespace quillet::common

namespace quillet::common {
namespace {

// The run loop's own counts against the instructions seen one by one
// through the trace (`record`): random code, which reads and writes all
// over memory, rewrites itself, pushes, pops, calls and returns, stopped at
// a few addresses and gone on from each; on a bare processor and on
// machines whose loop adds the video wait states and whose ports switch
// the memory map.
class LoopCounts : public testing::TestWithParam<std::tuple<int, unsigned>> {
protected:
    static constexpr int BARE = -1;
    static constexpr std::uint64_t INSTRUCTIONS = 20000;

    // A processor (bare, or a machine of `model` without a monitor) with
    // the random memory and registers of `seed`.
    struct Subject {
        quillet_snapshot* snapshot = quillet_snapshot_new();
        quillet_machine* machine = nullptr;
        quillet_cpu* cpu = nullptr;

        Subject(int model, unsigned seed) {
            std::uint32_t state = seed * 2654435761u + 1;
            const auto next = [&state] {
                state ^= state << 13;
                state ^= state >> 17;
                state ^= state << 5;
                return state;
            };
            std::vector<std::uint8_t> memory(QUILLET_ADDRESS_SPACE);
            for (std::uint8_t& byte : memory) {
                byte = static_cast<std::uint8_t>(next());
                if (byte == 0x76) byte = 0x00;  // HLT would end the run too soon
            }
            if (model == BARE) {
                cpu = quillet_cpu_new();
            } else {
                EXPECT_EQ(quillet_set_model(snapshot, model), 0);
                EXPECT_EQ(quillet_machine_new(snapshot, nullptr, 0, nullptr, nullptr, &machine), 0);
                cpu = quillet_machine_cpu(machine);
            }
            EXPECT_EQ(quillet_cpu_write_memory(cpu, 0, memory.data(), memory.size()), 0);
            for (int pair = QUILLET_REG_AF; pair <= QUILLET_REG_SP; ++pair) {
                quillet_cpu_set_pair(cpu, pair, static_cast<long>(next() & 0xFFFF));
            }
            for (int i = 0; i < 3; ++i) quillet_cpu_set_stop(cpu, static_cast<long>(next() & 0xFFFF), 1);
        }
        ~Subject() {
            if (machine) {
                quillet_machine_free(machine);
            } else {
                quillet_cpu_free(cpu);
            }
            quillet_snapshot_free(snapshot);
        }
        // Runs INSTRUCTIONS instructions or to another end, going on from
        // each stop address and from the absent monitor (whose FFh bytes
        // run as RST 7).
        void run() {
            int reason = quillet_cpu_run(cpu, UINT64_MAX, INSTRUCTIONS, 0);
            while ((reason == QUILLET_STOP_ADDRESS || reason == QUILLET_STOP_NO_MONITOR) &&
                   quillet_cpu_instructions(cpu) < INSTRUCTIONS) {
                reason = quillet_cpu_run(cpu, UINT64_MAX, INSTRUCTIONS - quillet_cpu_instructions(cpu), 1);
            }
        }
    };

    static int trace(void* user, const quillet_cpu* cpu) {
        static_cast<Coverage*>(user)->record(cpu);
        return 1;
    }
};

TEST_P(LoopCounts, AreTheCountsOfTheInstructionsSeenOneByOne) {
    const int model = std::get<0>(GetParam());
    const unsigned seed = std::get<1>(GetParam());
    Coverage seen, counted;
    Subject traced(model, seed), counting(model, seed);
    quillet_cpu_set_trace(traced.cpu, trace, &seen);
    traced.run();
    ASSERT_EQ(quillet_cpu_set_coverage(counting.cpu, 1), 0);
    counting.run();
    ASSERT_TRUE(counted.add_counted(counting.cpu));
    // The same run: the loop that counts does what the traced one does.
    ASSERT_EQ(quillet_cpu_states(counting.cpu), quillet_cpu_states(traced.cpu));
    ASSERT_GT(quillet_cpu_instructions(counting.cpu), 100U);
    int differences = 0;
    for (const CoverageKind kind : {COVERAGE_EXECUTED, COVERAGE_READ, COVERAGE_WRITTEN}) {
        for (long address = 0; address < QUILLET_ADDRESS_SPACE && differences < 5; ++address) {
            if (counted.count(kind, address) == seen.count(kind, address)) continue;
            ADD_FAILURE() << "kind " << kind << " at " << std::hex << address << ": " << std::dec
                          << counted.count(kind, address) << " counted, " << seen.count(kind, address) << " seen";
            ++differences;
        }
    }
    // Counting again starts from zero; ended, there is nothing to read.
    ASSERT_EQ(quillet_cpu_set_coverage(counting.cpu, 1), 0);
    Coverage again;
    ASSERT_TRUE(again.add_counted(counting.cpu));
    EXPECT_EQ(again.text(SymbolTable()), "# quillet coverage: FIRST[-LAST] KIND COUNT [LABEL]\n");
    ASSERT_EQ(quillet_cpu_set_coverage(counting.cpu, 0), 0);
    EXPECT_FALSE(again.add_counted(counting.cpu));
}

INSTANTIATE_TEST_SUITE_P(BareAndMachines, LoopCounts,
                         testing::Combine(testing::Values(-1, QUILLET_MODEL_V1, QUILLET_MODEL_V3),
                                          testing::Values(1u, 2u, 3u, 4u)));

}  // namespace
}  // namespace quillet::common
