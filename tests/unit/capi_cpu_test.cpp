// The public interface of the 8080: its checks, and that it reaches the
// processor (whose behaviour cpu_test.cpp and the differential test pin).
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "quillet/quillet.h"
#include "unit/snapshot_test_support.hpp"

namespace {

using quillet_test::ReportLog;

struct Cpu {
    Cpu() { quillet_cpu_set_reporter(cpu, ReportLog::take, &log); }
    ~Cpu() { quillet_cpu_free(cpu); }
    quillet_cpu* cpu = quillet_cpu_new();
    ReportLog log;
};

TEST(CApiCpu, BadArgumentsGiveTheirCodeAndOneReportNamingTheValue) {
    Cpu c;
    std::uint8_t byte = 0;
    char text[QUILLET_DISASSEMBLY_MAX];
    const struct {
        int result;
        int code;
        const char* shown;
    } cases[] = {
        {quillet_cpu_write_memory(c.cpu, -1, &byte, 1), -13, "address (0 to 65535)"},
        {quillet_cpu_read_memory(c.cpu, 65535, &byte, 2), -13, "length (0 to 1)"},
        {quillet_cpu_read_view(c.cpu, 0, nullptr, 1), -4, "out"},
        {quillet_cpu_set_register8(c.cpu, 8, 0), -20, "8"},
        {quillet_cpu_set_register8(c.cpu, QUILLET_CPU_A, 256), -13, "register value (0 to 255)"},
        {quillet_cpu_set_pair(c.cpu, QUILLET_REG_SP, 65536), -13, "SP (0 to 65535)"},
        {static_cast<int>(quillet_cpu_get_pair(c.cpu, 6)), -20, "6"},
        {quillet_cpu_interrupt(c.cpu, 8), -13, "RST number (0 to 7)"},
        {quillet_cpu_set_stop(c.cpu, 65536, 1), -13, "address (0 to 65535)"},
        {quillet_cpu_map_rom(c.cpu, 0xF000, &byte, 0x1001), -13, "length (0 to 4096)"},
        {quillet_cpu_from_snapshot(c.cpu, nullptr), -4, "snapshot"},
        {quillet_cpu_run(nullptr, 1, 1, 0), -4, nullptr},
        {quillet_disassemble(nullptr, 1, text, sizeof text), -4, nullptr},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.shown ? item.shown : "(no reporter)");
        EXPECT_EQ(item.result, item.code);
    }
    ASSERT_EQ(c.log.reports.size(), 11u);
    for (std::size_t i = 0; i < 11; ++i) {
        EXPECT_EQ(c.log.reports[i].code, cases[i].code);
        EXPECT_NE(c.log.reports[i].text.find(cases[i].shown), std::string::npos) << c.log.reports[i].text;
        const std::string& text = c.log.reports[i].text;
        for (std::size_t at = text.find('-'); at != std::string::npos; at = text.find('-', at + 1)) {
            EXPECT_FALSE(at + 1 < text.size() && std::islower(static_cast<unsigned char>(text[at + 1])))
                << "an option's name: " << text;
        }
    }
}

TEST(CApiCpu, ASnapshotsProgramRunsToAStopAndBack) {
    // MVI A,2AH; OUT 10H; HLT at 0x8000, as a snapshot of model V1, which
    // does not store block 2: the processor sees zeros there.
    quillet_snapshot* s = quillet_snapshot_new();
    const std::uint8_t program[] = {0x3E, 0x2A, 0xD3, 0x10, 0x76};
    ASSERT_EQ(quillet_load_bytes(s, 0x4000, program, sizeof program), 0);
    ASSERT_EQ(quillet_load_bytes(s, 0x8000, program, sizeof program), 0);
    ASSERT_EQ(quillet_set_register(s, QUILLET_REG_PC, 0x4000), 0);
    ASSERT_EQ(quillet_set_interrupts(s, 1), 0);
    Cpu c;
    ASSERT_EQ(quillet_set_model(s, QUILLET_MODEL_V1), 0);
    ASSERT_EQ(quillet_cpu_from_snapshot(c.cpu, s), 0);
    quillet_snapshot_free(s);
    std::uint8_t seen[5];
    ASSERT_EQ(quillet_cpu_read_memory(c.cpu, 0x8000, seen, sizeof seen), 0);
    EXPECT_EQ(std::vector<std::uint8_t>(seen, seen + 5), std::vector<std::uint8_t>(5, 0));
    EXPECT_EQ(quillet_cpu_get_pair(c.cpu, QUILLET_REG_PC), 0x4000);
    EXPECT_EQ(quillet_cpu_get_interrupts(c.cpu), 1);

    struct Out {
        int port = -1, value = -1;
        std::uint64_t states = 0;
        quillet_cpu* cpu = nullptr;
    } out;
    out.cpu = c.cpu;
    ASSERT_EQ(quillet_cpu_set_ports(c.cpu, nullptr,
                                    [](void* user, int port, int value) {
                                        Out* o = static_cast<Out*>(user);
                                        o->port = port;
                                        o->value = value;
                                        o->states = quillet_cpu_states(o->cpu);
                                    },
                                    &out),
              0);
    ASSERT_EQ(quillet_cpu_set_stop(c.cpu, 0x4002, 1), 0);
    EXPECT_EQ(quillet_cpu_run(c.cpu, UINT64_MAX, UINT64_MAX, 0), QUILLET_STOP_ADDRESS);
    EXPECT_EQ(quillet_cpu_instructions(c.cpu), 1u);
    EXPECT_EQ(quillet_cpu_run(c.cpu, UINT64_MAX, UINT64_MAX, 0), QUILLET_STOP_ADDRESS) << "still at the stop";
    EXPECT_EQ(quillet_cpu_run(c.cpu, UINT64_MAX, UINT64_MAX, 1), QUILLET_STOP_HALTED);
    EXPECT_EQ(out.port, 0x10);
    EXPECT_EQ(out.value, 0x2A);
    EXPECT_EQ(out.states, 17u) << "the counters are up to date in a callback";
    EXPECT_EQ(quillet_cpu_get_register8(c.cpu, QUILLET_CPU_A), 0x2A);
    EXPECT_EQ(quillet_cpu_get_halted(c.cpu), 1);
    EXPECT_EQ(quillet_cpu_states(c.cpu), 7u + 10u + 7u);
    EXPECT_STREQ(quillet_stop_name(QUILLET_STOP_HALTED), "halt");
    EXPECT_EQ(quillet_stop_name(0), nullptr);
}

TEST(CApiCpu, DisassemblesIntoTheCallersBuffer) {
    const std::uint8_t lxi[] = {0x21, 0x00, 0xC0};
    char text[QUILLET_DISASSEMBLY_MAX];
    EXPECT_EQ(quillet_disassemble(lxi, sizeof lxi, text, sizeof text), 3);
    EXPECT_STREQ(text, "LXI H,0C000H");
    EXPECT_EQ(quillet_disassemble(lxi, 2, text, sizeof text), 0);
    EXPECT_STREQ(text, "");
}

}  // namespace
