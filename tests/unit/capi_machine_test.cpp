// The machine through the public interface: made from a snapshot and a
// monitor image, its processor through quillet_cpu_*, booted, run, called,
// its video memory and back into a snapshot; its refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quillet/quillet.h"
#include "support/pmd85_roms.hpp"

namespace {

struct Snapshot {
    explicit Snapshot(int model) { quillet_set_model(s, model); }
    ~Snapshot() { quillet_snapshot_free(s); }
    quillet_snapshot* s = quillet_snapshot_new();
};

struct Machine {
    ~Machine() { quillet_machine_free(m); }
    quillet_machine* m = nullptr;
};

TEST(CApiMachine, MonitorSizesOfAModel) {
    size_t sizes[4] = {};
    EXPECT_EQ(quillet_machine_monitor_sizes(QUILLET_MODEL_V1, sizes, 4), 3);
    EXPECT_EQ(sizes[0], 4096u);
    EXPECT_EQ(sizes[2], 8192u);
    EXPECT_EQ(quillet_machine_monitor_sizes(QUILLET_MODEL_V3, nullptr, 0), 1);
    EXPECT_EQ(quillet_machine_monitor_sizes(8, nullptr, 0), QUILLET_ERR_BAD_MODEL);
    EXPECT_EQ(quillet_machine_monitor_fits(QUILLET_MODEL_V3, 8192), 1);
    EXPECT_EQ(quillet_machine_monitor_fits(QUILLET_MODEL_V3, 4096), 0);
}

TEST(CApiMachine, RefusesWhatItCannotBe) {
    Snapshot snap(QUILLET_MODEL_V2);
    Machine machine;
    const std::vector<std::uint8_t> small(100, 0);
    EXPECT_EQ(quillet_machine_new(snap.s, small.data(), small.size(), nullptr, nullptr, &machine.m),
              QUILLET_ERR_VALUE_RANGE);
    EXPECT_EQ(machine.m, nullptr);
    EXPECT_EQ(quillet_machine_new(nullptr, nullptr, 0, nullptr, nullptr, &machine.m), QUILLET_ERR_MISSING_VALUE);
    ASSERT_EQ(quillet_machine_new(snap.s, nullptr, 0, nullptr, nullptr, &machine.m), 0);
    EXPECT_EQ(quillet_machine_boot(machine.m), QUILLET_ERR_BAD_STATE) << "no monitor to boot";
    std::uint8_t image[4] = {};
    EXPECT_EQ(quillet_cpu_map_rom(quillet_machine_cpu(machine.m), 0, image, sizeof image), QUILLET_ERR_BAD_STATE);
}

// A program that calls the monitor without one ends there, with PC at the call.
TEST(CApiMachine, CallingAnAbsentMonitorEndsTheRun) {
    Snapshot snap(QUILLET_MODEL_V2);
    const std::uint8_t program[] = {0x3E, 0x41, 0xCD, 0x00, 0x85, 0x76};  // MVI A,'A'; CALL 8500h; HLT
    ASSERT_EQ(quillet_load_page_bytes(snap.s, 0, program, sizeof program), 0);
    quillet_set_register(snap.s, QUILLET_REG_PC, 0);
    quillet_set_register(snap.s, QUILLET_REG_SP, 0x7000);
    Machine machine;
    ASSERT_EQ(quillet_machine_new(snap.s, nullptr, 0, nullptr, nullptr, &machine.m), 0);
    quillet_cpu* cpu = quillet_machine_cpu(machine.m);
    EXPECT_EQ(quillet_cpu_run(cpu, UINT64_MAX, 1000, 0), QUILLET_STOP_NO_MONITOR);
    EXPECT_EQ(quillet_cpu_get_pair(cpu, QUILLET_REG_PC), 0x8500);
    EXPECT_STREQ(quillet_stop_name(QUILLET_STOP_NO_MONITOR), "no monitor");
    // The machine's states: MVI 7, then CALL from an odd state 20 + 1.
    EXPECT_EQ(quillet_cpu_states(cpu), 28u);
}

// The caller's IN bytes first, then the device; OUT seen and done.
TEST(CApiMachine, PortsKeepTheirDevices) {
    Snapshot snap(QUILLET_MODEL_V2A);
    const std::uint8_t program[] = {0xDB, 0x1F, 0x47, 0xDB, 0x1F, 0x76};  // IN 1Fh; MOV B,A; IN 1Fh; HLT
    ASSERT_EQ(quillet_load_page_bytes(snap.s, 0, program, sizeof program), 0);
    quillet_set_register(snap.s, QUILLET_REG_PC, 0);
    Machine machine;
    ASSERT_EQ(quillet_machine_new(snap.s, nullptr, 0, nullptr, nullptr, &machine.m), 0);
    quillet_cpu* cpu = quillet_machine_cpu(machine.m);
    int calls = 0;
    quillet_cpu_set_ports(
        cpu, [](void* user, int) { return (*static_cast<int*>(user))++ == 0 ? 0x11 : -1; }, nullptr, &calls);
    EXPECT_EQ(quillet_cpu_run(cpu, UINT64_MAX, UINT64_MAX, 0), QUILLET_STOP_HALTED);
    EXPECT_EQ(quillet_cpu_get_register8(cpu, QUILLET_CPU_B), 0x11);
    EXPECT_EQ(quillet_cpu_get_register8(cpu, QUILLET_CPU_A), 0x85) << "then the 8251's status";
}

TEST(CApiMachine, BootsMonitorTwoAndGoesBackIntoASnapshot) {
    QUILLET_PMD85_ROM_OR_SKIP(image, "monit2.rom");
    Snapshot snap(QUILLET_MODEL_V2);
    Machine machine;
    ASSERT_EQ(quillet_machine_new(snap.s, image.data(), image.size(), nullptr, nullptr, &machine.m), 0);
    ASSERT_EQ(quillet_machine_boot(machine.m), 0);
    quillet_cpu* cpu = quillet_machine_cpu(machine.m);
    quillet_cpu_set_stop(cpu, 0x89C0, 1);  // the keyboard scan
    EXPECT_EQ(quillet_cpu_run(cpu, 40 * QUILLET_MACHINE_FRAME_STATES, UINT64_MAX, 0), QUILLET_STOP_ADDRESS);
    EXPECT_GE(quillet_machine_frames(machine.m), 12u);
    std::vector<std::uint8_t> video(16384);
    ASSERT_EQ(quillet_machine_read_video(machine.m, video.data(), video.size()), 0);
    std::uint8_t scratch = 0;
    // The monitor's variables at the invisible end of line 0 (C030h..).
    quillet_cpu_read_view(cpu, 0xC03A, &scratch, 1);
    EXPECT_EQ(video[0x3A], scratch);
    // PRTOUT prints through the monitor: the cursor moves on.
    std::uint8_t cursor_before[2], cursor_after[2];
    quillet_cpu_read_view(cpu, 0xC03E, cursor_before, 2);
    quillet_cpu_set_register8(cpu, QUILLET_CPU_A, 'Q');
    EXPECT_EQ(quillet_cpu_call(cpu, 0x8500, UINT64_MAX, 100000), QUILLET_STOP_RETURNED);
    quillet_cpu_read_view(cpu, 0xC03E, cursor_after, 2);
    EXPECT_NE(cursor_before[0] | cursor_before[1] << 8, cursor_after[0] | cursor_after[1] << 8);
    ASSERT_EQ(quillet_machine_read_video(machine.m, video.data(), video.size()), 0);
    Snapshot out(QUILLET_MODEL_V2);
    ASSERT_EQ(quillet_machine_to_snapshot(machine.m, out.s), 0);
    EXPECT_EQ(quillet_get_register(out.s, QUILLET_REG_PC), 0x89C0);
    std::uint8_t page3[16384];
    ASSERT_EQ(quillet_read_page(out.s, 3, 0, page3, sizeof page3), 0);
    EXPECT_EQ(std::vector<std::uint8_t>(page3, page3 + 16384), video);
}

}  // namespace
