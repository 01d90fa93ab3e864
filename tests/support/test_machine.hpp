// A whole PMD 85 made through the public interface for a test: a snapshot
// of `model` with, as asked, a program in page 0 (run from 0, the stack at
// 7000h) and a ROM module, and the machine over it with the monitor image,
// booted when one is given (unless told not to). The message of the
// machine's last failure is kept in `failure`. Each test file adds what
// it reads back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "quillet/quillet.h"

namespace quillet::test {

struct MachineSetup {
    std::vector<std::uint8_t> monitor;
    std::vector<std::uint8_t> program;  // page 0, from address 0
    std::vector<std::uint8_t> module;
    bool boot = true;                   // with a monitor: from power-on
};

struct TestMachine {
    quillet_snapshot* snapshot = quillet_snapshot_new();
    quillet_machine* machine = nullptr;
    std::string failure;

    TestMachine(int model, const MachineSetup& setup) {
        EXPECT_EQ(quillet_set_model(snapshot, model), 0);
        if (!setup.program.empty()) {
            EXPECT_EQ(quillet_load_page_bytes(snapshot, 0, setup.program.data(), setup.program.size()), 0);
            quillet_set_register(snapshot, QUILLET_REG_SP, 0x7000);
            quillet_set_register(snapshot, QUILLET_REG_PC, 0);
        }
        if (!setup.module.empty()) {
            EXPECT_EQ(quillet_set_rom(snapshot, setup.module.data(), setup.module.size()), 0);
        }
        const std::vector<std::uint8_t>& monitor = setup.monitor;
        EXPECT_EQ(quillet_machine_new(snapshot, monitor.empty() ? nullptr : monitor.data(), monitor.size(), report,
                                      this, &machine),
                  0);
        if (!monitor.empty() && setup.boot) {
            EXPECT_EQ(quillet_machine_boot(machine), 0);
        }
    }
    TestMachine(const TestMachine&) = delete;
    TestMachine& operator=(const TestMachine&) = delete;
    ~TestMachine() {
        quillet_machine_free(machine);
        quillet_snapshot_free(snapshot);
    }

    quillet_cpu* cpu() { return quillet_machine_cpu(machine); }

    // The screen's text as the library reads it ("" when it reads none).
    std::string text() {
        std::size_t length = 0;
        if (quillet_machine_screen_text(machine, nullptr, 0, &length) != 0) return "";
        std::string out(length + 1, '\0');
        EXPECT_EQ(quillet_machine_screen_text(machine, &out[0], out.size(), nullptr), 0);
        out.resize(length);
        return out;
    }

private:
    static void report(void* user, int, const char* text) { static_cast<TestMachine*>(user)->failure = text; }
};

}  // namespace quillet::test
