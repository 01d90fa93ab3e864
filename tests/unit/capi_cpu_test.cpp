// The public interface of the 8080: its checks, and that it reaches the
// processor (whose behaviour cpu_test.cpp and the differential test pin).
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "quillet/quillet.h"
#include "support/temp_dir.hpp"
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

// The last failure's text is kept on the processor, whether a reporter
// takes it or not, cut to fit; a success leaves it; a machine's processor
// and the machine keep one text between them.
TEST(CApiCpu, KeepsTheLastFailuresMessage) {
    const std::string long_path = std::string(600, 'x') + ".bin";
    std::uint8_t byte = 0;
    const struct {
        long (*call)(quillet_cpu* cpu, const std::string& path, std::uint8_t* byte);
        std::string message;
    } cases[] = {
        {[](quillet_cpu* cpu, const std::string&, std::uint8_t* b) -> long {
             return quillet_cpu_write_memory(cpu, -1, b, 1);
         },
         "Value -1 is out of range for address (0 to 65535)"},
        {[](quillet_cpu* cpu, const std::string&, std::uint8_t*) -> long {
             return quillet_cpu_read_view(cpu, 0, nullptr, 1);
         },
         "Null pointer given for 'out'!"},
        {[](quillet_cpu* cpu, const std::string& path, std::uint8_t*) -> long {
             return quillet_cpu_load_file(cpu, 0, path.c_str());
         },
         ("Can't open source file '" + long_path).substr(0, 511)},
    };
    for (const bool with_reporter : {false, true}) {
        Cpu c;
        if (!with_reporter) quillet_cpu_set_reporter(c.cpu, nullptr, nullptr);
        EXPECT_STREQ(quillet_cpu_last_message(c.cpu), "");
        for (const auto& item : cases) {
            EXPECT_LT(item.call(c.cpu, long_path, &byte), 0);
            EXPECT_EQ(quillet_cpu_last_message(c.cpu), item.message);
            EXPECT_EQ(quillet_cpu_set_pair(c.cpu, QUILLET_REG_PC, 0), 0);
            EXPECT_EQ(quillet_cpu_last_message(c.cpu), item.message) << "after a success";
        }
        EXPECT_EQ(c.log.reports.size(), with_reporter ? std::size(cases) : 0u);
    }
    EXPECT_STREQ(quillet_cpu_last_message(nullptr), "");

    quillet_snapshot* snapshot = quillet_snapshot_new();
    quillet_machine* machine = nullptr;
    ASSERT_EQ(quillet_machine_new(snapshot, nullptr, 0, nullptr, nullptr, &machine), 0);
    quillet_cpu* cpu = quillet_machine_cpu(machine);
    EXPECT_EQ(quillet_cpu_set_register8(cpu, 9, 0), QUILLET_ERR_BAD_REGISTER);
    EXPECT_STREQ(quillet_machine_last_message(machine), "Bad register number '9'!");
    EXPECT_EQ(quillet_machine_key(machine, "NO SUCH KEY", 1), QUILLET_ERR_BAD_KEY);
    EXPECT_STREQ(quillet_cpu_last_message(cpu), quillet_machine_last_message(machine));
    EXPECT_NE(std::string(quillet_cpu_last_message(cpu)).find("NO SUCH KEY"), std::string::npos);
    quillet_machine_free(machine);
    quillet_snapshot_free(snapshot);
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

TEST(CApiCpu, ACallEndsWhenTheRoutineReturnsWithTheStackAsBefore) {
    // At 0x9000: DCR B; JP 9000H; RET (B counts down from 1).
    const std::uint8_t routine[] = {0x05, 0xF2, 0x00, 0x90, 0xC9};
    // DCR B; JM 9008H; CALL 9000H; NOP; RET: called from 0x9007, its inner
    // call meets that return address first with SP one frame deeper.
    const std::uint8_t recursive[] = {0x05, 0xFA, 0x08, 0x90, 0xCD, 0x00, 0x90, 0x00, 0xC9};
    const struct {
        const std::uint8_t* code;
        std::size_t length;
        long caller_pc;
        bool stop_at_return;  // the return address is a stop of the caller's
        int reason;
        long sp;
        long instructions;
    } cases[] = {
        {routine, sizeof routine, 0x1234, false, QUILLET_STOP_RETURNED, 0x8000, 5},
        {recursive, sizeof recursive, 0x9007, false, QUILLET_STOP_RETURNED, 0x8000, 8},
        {recursive, sizeof recursive, 0x9007, true, QUILLET_STOP_ADDRESS, 0x7FFE, 6},
    };
    for (const auto& item : cases) {
        Cpu c;
        ASSERT_EQ(quillet_cpu_write_memory(c.cpu, 0x9000, item.code, item.length), 0);
        quillet_cpu_set_pair(c.cpu, QUILLET_REG_PC, item.caller_pc);
        quillet_cpu_set_pair(c.cpu, QUILLET_REG_SP, 0x8000);
        quillet_cpu_set_register8(c.cpu, QUILLET_CPU_B, 1);
        quillet_cpu_set_stop(c.cpu, item.caller_pc, item.stop_at_return ? 1 : 0);
        EXPECT_EQ(quillet_cpu_call(c.cpu, 0x9000, UINT64_MAX, UINT64_MAX), item.reason);
        EXPECT_EQ(quillet_cpu_get_pair(c.cpu, QUILLET_REG_PC), item.caller_pc);
        EXPECT_EQ(quillet_cpu_get_pair(c.cpu, QUILLET_REG_SP), item.sp);
        EXPECT_EQ(static_cast<long>(quillet_cpu_instructions(c.cpu)), item.instructions);
        // The stop at the return address is the caller's again, or gone.
        EXPECT_EQ(quillet_cpu_run(c.cpu, UINT64_MAX, 1, 0),
                  item.stop_at_return ? QUILLET_STOP_ADDRESS : QUILLET_STOP_INSTRUCTION_LIMIT);
    }
    Cpu limited;
    const std::uint8_t loop[] = {0xC3, 0x00, 0x90};  // JMP 9000H
    quillet_cpu_write_memory(limited.cpu, 0x9000, loop, sizeof loop);
    EXPECT_EQ(quillet_cpu_call(limited.cpu, 0x9000, 100, UINT64_MAX), QUILLET_STOP_STATE_LIMIT);
    EXPECT_EQ(quillet_cpu_call(limited.cpu, 65536, 100, UINT64_MAX), -13);
    EXPECT_STREQ(quillet_stop_name(QUILLET_STOP_RETURNED), "return");
}

// Each run and call spends its own budget from where the counters stand,
// which stay totals: a JMP to itself takes 10 states.
TEST(CApiCpu, LimitsAreABudgetOfEachRunFromItsStart) {
    Cpu c;
    const std::uint8_t loop[] = {0xC3, 0x00, 0x90};  // JMP 9000H
    ASSERT_EQ(quillet_cpu_write_memory(c.cpu, 0x9000, loop, sizeof loop), 0);
    quillet_cpu_set_pair(c.cpu, QUILLET_REG_SP, 0x8000);
    const struct {
        bool call;
        std::uint64_t max_states, max_instructions;
        int reason;
        std::uint64_t states, instructions;  // totals after it
    } steps[] = {
        {true, 1000, UINT64_MAX, QUILLET_STOP_STATE_LIMIT, 1000, 100},
        {true, 1000, UINT64_MAX, QUILLET_STOP_STATE_LIMIT, 2000, 200},
        {false, UINT64_MAX, 7, QUILLET_STOP_INSTRUCTION_LIMIT, 2070, 207},
        {false, 30, UINT64_MAX, QUILLET_STOP_STATE_LIMIT, 2100, 210},
        {false, 0, UINT64_MAX, QUILLET_STOP_STATE_LIMIT, 2100, 210},
    };
    for (const auto& step : steps) {
        const int reason = step.call ? quillet_cpu_call(c.cpu, 0x9000, step.max_states, step.max_instructions)
                                     : quillet_cpu_run(c.cpu, step.max_states, step.max_instructions, 0);
        EXPECT_EQ(reason, step.reason) << step.states;
        EXPECT_EQ(quillet_cpu_states(c.cpu), step.states);
        EXPECT_EQ(quillet_cpu_instructions(c.cpu), step.instructions);
    }
}

// A file read straight into the processor: into the RAM or as an image
// over it, as much as fits from the address, with the codes of the
// snapshot's memory files; a failure or an empty file changes nothing.
TEST(CApiCpu, AFileIsReadStraightIntoTheProcessor) {
    quillet_test::TempDir dir;
    dir.write("three.bin", {0x3E, 0x2A, 0x76});
    dir.write("empty.bin", {});
    dir.write("page.bin", quillet_test::Bytes(0x101, 0xAA));
    const std::string three = dir.file("three.bin");
    const struct {
        bool rom;
        long address;
        std::string path;
        long result;
        const char* report;  // null: none
    } cases[] = {
        {false, 0x4000, three, 3, nullptr},
        {true, 0x4000, three, 3, nullptr},
        {true, 0xFFFD, three, 3, nullptr},
        {true, 0x4000, dir.file("empty.bin"), 0, nullptr},
        {false, 0xFF00, dir.file("page.bin"), -8, "Source file '"},
        {true, 0xFFFE, three, -8, "Source file '"},
        {false, 0x4000, dir.file("missing.bin"), -5, "Can't open source file '"},
        {true, 0x10000, three, -13, "Value 65536 is out of range for address (0 to 65535)"},
    };
    for (const auto& c : cases) {
        Cpu cpu;
        const long result = c.rom ? quillet_cpu_map_rom_file(cpu.cpu, c.address, c.path.c_str())
                                  : quillet_cpu_load_file(cpu.cpu, c.address, c.path.c_str());
        EXPECT_EQ(result, c.result) << c.path;
        EXPECT_EQ(cpu.log.reports.size(), c.report ? 1u : 0u) << c.path;
        if (c.report && !cpu.log.reports.empty()) {
            EXPECT_EQ(cpu.log.reports[0].text.rfind(c.report, 0), 0u) << cpu.log.reports[0].text;
        }
        if (c.address > 0xFFFF) continue;
        std::uint8_t ram = 0xFF, view = 0xFF;
        quillet_cpu_read_memory(cpu.cpu, c.address, &ram, 1);
        quillet_cpu_read_view(cpu.cpu, c.address, &view, 1);
        const std::uint8_t loaded = c.result > 0 ? 0x3E : 0x00;
        EXPECT_EQ(ram, c.rom ? 0x00 : loaded) << c.path;
        EXPECT_EQ(view, loaded) << c.path;
        std::uint8_t byte = 0x55;  // a mapped image is read-only
        quillet_cpu_write_memory(cpu.cpu, c.address, &byte, 1);
        quillet_cpu_read_view(cpu.cpu, c.address, &view, 1);
        EXPECT_EQ(view, c.rom && c.result > 0 ? 0x3E : 0x55) << c.path;
    }
    Cpu cpu;
    EXPECT_EQ(quillet_cpu_load_file(cpu.cpu, 0, nullptr), -4);
    EXPECT_EQ(quillet_cpu_map_rom_file(nullptr, 0, three.c_str()), -4);
    ASSERT_EQ(quillet_cpu_map_rom_file(cpu.cpu, 0x4000, three.c_str()), 3);
    EXPECT_EQ(quillet_cpu_map_rom_file(cpu.cpu, 0x4002, three.c_str()), -13) << "an image is mapped there";
}

// A null buffer with a length of 0 is nothing to copy for both handles;
// an address is checked alike without either.
TEST(CApiCpu, ANullBufferOfNoBytesIsNoFailureForEitherHandle) {
    Cpu c;
    quillet_snapshot* s = quillet_snapshot_new();
    EXPECT_EQ(quillet_cpu_write_memory(c.cpu, 0x100, nullptr, 0), 0);
    EXPECT_EQ(quillet_cpu_read_memory(c.cpu, 0x100, nullptr, 0), 0);
    EXPECT_EQ(quillet_cpu_read_view(c.cpu, 0x100, nullptr, 0), 0);
    EXPECT_EQ(quillet_load_bytes(s, 0x100, nullptr, 0), 0);
    EXPECT_EQ(quillet_read_memory(s, 0x100, nullptr, 0), 0);
    EXPECT_EQ(quillet_cpu_write_memory(c.cpu, 0x100, nullptr, 1), -4);
    EXPECT_EQ(quillet_load_bytes(s, 0x100, nullptr, 1), -4);
    EXPECT_EQ(c.log.reports.size(), 1u);
    quillet_snapshot_free(s);
    const struct {
        long address;
        int result;
    } addresses[] = {{0, 0}, {0xFFFF, 0}, {-1, -13}, {0x10000, -13}};
    for (const auto& a : addresses) EXPECT_EQ(quillet_address_check(a.address), a.result) << a.address;
}

TEST(CApiCpu, ATraceSeesEachInstructionUntilItHasEnough) {
    // MVI A,1; INR A; INR A; INR A; HLT
    const std::uint8_t program[] = {0x3E, 0x01, 0x3C, 0x3C, 0x3C, 0x76};
    Cpu c;
    quillet_cpu_write_memory(c.cpu, 0, program, sizeof program);
    struct Seen {
        std::vector<long> pcs;
        std::vector<int> as;
    } seen;
    ASSERT_EQ(quillet_cpu_set_trace(c.cpu,
                                    [](void* user, const quillet_cpu* cpu) {
                                        Seen* s = static_cast<Seen*>(user);
                                        s->pcs.push_back(quillet_cpu_get_pair(cpu, QUILLET_REG_PC));
                                        s->as.push_back(quillet_cpu_get_register8(cpu, QUILLET_CPU_A));
                                        return s->pcs.size() < 3 ? 1 : 0;
                                    },
                                    &seen),
              0);
    EXPECT_EQ(quillet_cpu_run(c.cpu, UINT64_MAX, UINT64_MAX, 0), QUILLET_STOP_HALTED);
    EXPECT_EQ(seen.pcs, std::vector<long>({0, 2, 3}));
    EXPECT_EQ(seen.as, std::vector<int>({0, 1, 2}));
    EXPECT_EQ(quillet_cpu_get_register8(c.cpu, QUILLET_CPU_A), 4) << "the run went on without the trace";
    EXPECT_EQ(quillet_cpu_instructions(c.cpu), 5u);
}

TEST(CApiCpu, TheStateGoesBackIntoTheSnapshot) {
    quillet_snapshot* s = quillet_snapshot_new();
    const std::uint8_t byte = 0x11;
    ASSERT_EQ(quillet_load_bytes(s, 0x0000, &byte, 1), 0);  // block 0 present
    ASSERT_EQ(quillet_set_rom(s, &byte, 1), 0);
    Cpu c;
    ASSERT_EQ(quillet_cpu_from_snapshot(c.cpu, s), 0);
    const std::uint8_t video = 0x3F, image = 0xAA, beneath = 0x55;
    quillet_cpu_write_memory(c.cpu, 0xC000, &video, 1);  // block 3 written, blocks 1 and 2 stay zero
    quillet_cpu_map_rom(c.cpu, 0x0001, &image, 1);
    quillet_cpu_write_memory(c.cpu, 0x0001, &beneath, 1);
    quillet_cpu_set_pair(c.cpu, QUILLET_REG_AF, 0x12FF);
    quillet_cpu_set_pair(c.cpu, QUILLET_REG_PC, 0x8000);
    quillet_cpu_set_interrupts(c.cpu, 1);
    ASSERT_EQ(quillet_cpu_to_snapshot(c.cpu, s), 0);
    EXPECT_EQ(std::vector<int>({quillet_has_page(s, 0), quillet_has_page(s, 1), quillet_has_page(s, 2),
                                quillet_has_page(s, 3), quillet_has_page(s, 4)}),
              std::vector<int>({1, 0, 0, 1, 0}));
    std::uint8_t seen[2];
    quillet_read_memory(s, 0x0000, seen, 2);
    EXPECT_EQ(seen[0], 0x11);
    EXPECT_EQ(seen[1], beneath) << "the RAM beneath an image";
    quillet_read_memory(s, 0xC000, seen, 1);
    EXPECT_EQ(seen[0], video);
    EXPECT_EQ(quillet_get_register(s, QUILLET_REG_AF), 0x12D7);
    EXPECT_EQ(quillet_get_register(s, QUILLET_REG_PC), 0x8000);
    EXPECT_EQ(quillet_get_interrupts(s), 1);
    EXPECT_EQ(quillet_rom_length(s), 1024u) << "the rest as the snapshot held it";
    EXPECT_EQ(quillet_cpu_to_snapshot(c.cpu, nullptr), -4);
    quillet_snapshot_free(s);
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

// The instruction set as the interface offers it: lengths, both states of
// a conditional call, what an undefined opcode runs as.
TEST(CApiInstructionSet, OffersTheProcessorsTable) {
    const struct {
        int opcode, length, states, states_taken, executed_as;
    } cases[] = {
        {0x00, 1, 4, 4, 0x00},    {0x3E, 2, 7, 7, 0x3E},   {0xC3, 3, 10, 10, 0xC3}, {0xC4, 3, 11, 17, 0xC4},
        {0xC0, 1, 5, 11, 0xC0},   {0xDD, 3, 17, 17, 0xCD}, {0xD9, 1, 10, 10, 0xC9}, {0xCB, 3, 10, 10, 0xC3},
        {0x76, 1, 7, 7, 0x76},
    };
    for (const auto& c : cases) {
        quillet_instruction instruction{};
        ASSERT_EQ(quillet_instruction_info(c.opcode, &instruction), 0);
        EXPECT_EQ(instruction.length, c.length) << c.opcode;
        EXPECT_EQ(instruction.states, c.states) << c.opcode;
        EXPECT_EQ(instruction.states_taken, c.states_taken) << c.opcode;
        EXPECT_EQ(instruction.executed_as, c.executed_as) << c.opcode;
    }
    quillet_instruction instruction{};
    EXPECT_EQ(quillet_instruction_info(256, &instruction), QUILLET_ERR_VALUE_RANGE);
    EXPECT_EQ(quillet_instruction_info(-1, &instruction), QUILLET_ERR_VALUE_RANGE);
    EXPECT_EQ(quillet_instruction_info(0, nullptr), QUILLET_ERR_MISSING_VALUE);
}
