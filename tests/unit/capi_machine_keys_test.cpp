// The real monitors through the interface: each boots to its ready text,
// read back with its own font; typing a command shows what the monitor
// answers; BASIC starts from a ROM module and computes; the key click is
// heard. Skipped without the firmware (QUILLET_FIRMWARE).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/pmd85_roms.hpp"
#include "support/test_machine.hpp"
#include "quillet/quillet.h"

namespace {

constexpr std::uint64_t FRAME = QUILLET_MACHINE_FRAME_STATES;

struct Machine : quillet::test::TestMachine {
    Machine(int model, const std::vector<std::uint8_t>& monitor, const std::vector<std::uint8_t>& module = {})
        : TestMachine(model, {monitor, {}, module, true}) {}

    // Runs until the screen shows `wanted`, at most `frames` frames; the
    // frames it took, or -1.
    long run_until(const std::string& wanted, std::uint64_t frames) {
        EXPECT_EQ(quillet_machine_set_until_text(machine, wanted.c_str()), 0);
        std::uint64_t start = quillet_machine_frames(machine);
        int reason = quillet_cpu_run(quillet_machine_cpu(machine), frames * FRAME, UINT64_MAX, 0);
        quillet_machine_set_until_text(machine, nullptr);
        return reason == QUILLET_STOP_REQUESTED ? static_cast<long>(quillet_machine_frames(machine) - start) : -1;
    }
    void type(const std::string& script) {
        EXPECT_EQ(quillet_machine_type(machine, script.data(), script.size()), 0) << failure;
    }
};

struct Boot {
    const char* image;
    int model;
    const char* first;  // shown before the ready text, or ""
    const char* ready;
};

class MonitorBoot : public ::testing::TestWithParam<Boot> {};

TEST_P(MonitorBoot, ShowsItsReadyText) {
    const Boot& boot = GetParam();
    QUILLET_PMD85_ROM_OR_SKIP(monitor, boot.image);
    Machine m(boot.model, monitor);
    if (*boot.first) {
        EXPECT_GE(m.run_until(boot.first, 100), 0) << m.text();
    }
    EXPECT_GE(m.run_until(boot.ready, 400), 0) << m.text();
    EXPECT_NE(m.text().find(boot.ready), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Monitors, MonitorBoot,
                         ::testing::Values(Boot{"monit1.rom", QUILLET_MODEL_V1, "", "** PMD-85 READY /1.0 **"},
                                           Boot{"monit2.rom", QUILLET_MODEL_V2, "", "++ Os ready ++"},
                                           Boot{"monit2A.rom", QUILLET_MODEL_V2A, "", "++ Os ready ++"},
                                           Boot{"monit3.rom", QUILLET_MODEL_V3, "Testing memory", "++ OS ready ++"},
                                           Boot{"mato-mb.rom", QUILLET_MODEL_MATO, "", "** OS READY **"}));

TEST(MonitorTyping, MemShowsTheBytesInTheEditLine) {
    QUILLET_PMD85_ROM_OR_SKIP(monitor, "monit2.rom");
    Machine m(QUILLET_MODEL_V2, monitor);
    ASSERT_EQ(quillet_machine_record_port_c(m.machine, 1), 0);
    m.type("MEM 8000{EOL}");
    EXPECT_GE(m.run_until("SUB 8000 31 00 80 C3 06 80 3E 8A D3 F7 CD D8 8B", 400), 0) << m.text();
    // The last key's release runs on after the answer is shown.
    EXPECT_EQ(quillet_cpu_run(quillet_machine_cpu(m.machine), 30 * FRAME, UINT64_MAX, 0), QUILLET_STOP_STATE_LIMIT);
    EXPECT_EQ(quillet_machine_typing(m.machine), 0);
    // The key click: PC1 toggled around a delay, a 4 kHz burst per key.
    size_t count = 0;
    ASSERT_EQ(quillet_machine_audio_samples(m.machine, 44100, nullptr, 0, &count), 0);
    std::vector<std::int16_t> samples(count);
    ASSERT_EQ(quillet_machine_audio_samples(m.machine, 44100, samples.data(), samples.size(), &count), 0);
    int loud = 0;
    for (std::int16_t sample : samples) loud += sample != 0;
    EXPECT_GT(loud, 0);
}

TEST(MonitorTyping, BasicFromTheModuleComputes) {
    QUILLET_PMD85_ROM_OR_SKIP(monitor, "monit2A.rom");
    QUILLET_PMD85_ROM_OR_SKIP(basic, "basic2A.rmm");
    Machine m(QUILLET_MODEL_V2A, monitor, basic);
    EXPECT_GE(m.run_until("BASIC-G /V2.A", 200), 0) << m.text();
    EXPECT_GE(m.run_until("OK", 200), 0) << m.text();
    m.type("PRINT 6*7{EOL}");
    EXPECT_GE(m.run_until(" 42", 600), 0) << m.text();
}

// Monitor 1 takes a key on its release after a long stable press: a hold
// cut short at the next frame's end would lose it ("BASIC 00" once showed
// as "BA00").
TEST(MonitorTyping, MonitorOneStartsBasicByCommand) {
    QUILLET_PMD85_ROM_OR_SKIP(monitor, "monit1.rom");
    QUILLET_PMD85_ROM_OR_SKIP(basic, "basic1.rmm");
    Machine m(QUILLET_MODEL_V1, monitor, basic);
    m.type("BASIC 00{EOL}");
    EXPECT_GE(m.run_until("BASIC-G /V1.0", 1000), 0) << m.text();
}

// Monitor 3 runs the loader at the module's start, which copies BASIC
// from the module's last kilobyte and starts it. The module is 10 KB, more
// than a V3 snapshot file may store (8192 bytes), so it is given here
// through the library.
TEST(MonitorTyping, MonitorThreeStartsBasicFromTheModule) {
    QUILLET_PMD85_ROM_OR_SKIP(monitor, "monit3.rom");
    QUILLET_PMD85_ROM_OR_SKIP(basic, "basic3.rmm");
    Machine m(QUILLET_MODEL_V3, monitor, basic);
    EXPECT_GE(m.run_until("OK", 1500), 0) << m.text();
    m.type("PRINT 6*7{EOL}");
    EXPECT_GE(m.run_until(" 42", 600), 0) << m.text();
}

TEST(MachineKeys, RefusesWhatTheKeyboardHasNot) {
    Machine m(QUILLET_MODEL_V2, {});
    const char* script = "AB{FOO}";
    EXPECT_EQ(quillet_machine_type(m.machine, script, 7), QUILLET_ERR_BAD_KEY);
    EXPECT_EQ(m.failure, "Bad key 'FOO': the V2 keyboard has no key of that name");
    EXPECT_EQ(quillet_machine_type(m.machine, "{", 1), QUILLET_ERR_BAD_KEY);
    EXPECT_EQ(m.failure, "Bad key '{': no } closes the name");
    EXPECT_EQ(quillet_machine_key(m.machine, "`", 1), 0);
    Machine v1(QUILLET_MODEL_V1, {});
    EXPECT_EQ(quillet_machine_key(v1.machine, "`", 1), QUILLET_ERR_BAD_KEY);
    EXPECT_EQ(v1.failure, "Bad key '`': the V1 keyboard cannot type it");
    EXPECT_EQ(quillet_machine_key(v1.machine, "eol", 1), 0);
    EXPECT_EQ(quillet_machine_screen_text(m.machine, nullptr, 0, nullptr), QUILLET_ERR_BAD_STATE);
    EXPECT_EQ(quillet_machine_set_until_text(m.machine, "OK"), QUILLET_ERR_BAD_STATE);
    EXPECT_EQ(quillet_machine_set_until_text(m.machine, nullptr), 0);
    size_t count = 0;
    EXPECT_EQ(quillet_machine_audio_samples(m.machine, 7999, nullptr, 0, &count), QUILLET_ERR_VALUE_RANGE);
}

}  // namespace
