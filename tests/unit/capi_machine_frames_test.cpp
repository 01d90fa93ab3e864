// The machine driven frame by frame, as a front end drives it: a frame
// step that a halted processor does not stop, the sound of each frame,
// keys passed as their events come, the names of the keys and the last
// failure's message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "quillet/quillet.h"
#include "support/pmd85_roms.hpp"
#include "support/test_machine.hpp"

namespace {

constexpr std::uint64_t FRAME = QUILLET_MACHINE_FRAME_STATES;
constexpr std::uint32_t RATE = 44100;
constexpr std::size_t FRAME_SAMPLES = 882;  // 40 960 states at 2 048 000 a second

struct Machine : quillet::test::TestMachine {
    Machine(int model, const std::vector<std::uint8_t>& monitor, const std::vector<std::uint8_t>& program = {})
        : TestMachine(model, {monitor, program, {}, true}) {}

    std::vector<std::int16_t> take(std::size_t capacity = 4 * FRAME_SAMPLES) {
        std::vector<std::int16_t> samples(capacity);
        std::size_t count = 0;
        EXPECT_EQ(quillet_machine_take_audio(machine, RATE, samples.data(), samples.size(), &count), 0);
        samples.resize(count);
        return samples;
    }
    // Runs frames until the screen shows `wanted`, at most `frames`; the
    // frames it took, or -1.
    long frames_until(const std::string& wanted, int frames) {
        for (int i = 0; i < frames; ++i) {
            EXPECT_EQ(quillet_machine_run_frame(machine), QUILLET_STOP_FRAME);
            if (quillet_machine_screen_shows(machine, wanted.c_str()) == 1) return i + 1;
        }
        return -1;
    }
};

int loud(const std::vector<std::int16_t>& samples) {
    int count = 0;
    for (std::int16_t sample : samples) count += sample != 0;
    return count;
}

// The 4 kHz tone gated on, then DI; HLT: the frames go on, and so does the tone.
const std::vector<std::uint8_t> TONE_THEN_HALT = {
    0x3E, 0x80, 0xD3, 0xF7,  // MVI A,80h; OUT F7h: the system 8255's ports all outputs
    0x3E, 0x03, 0xD3, 0xF7,  // MVI A,03h; OUT F7h: PC1 set, the 4 kHz tone's gate
    0xF3, 0x76,              // DI; HLT
};

TEST(MachineFrames, TimePassesAcrossAHalt) {
    Machine m(QUILLET_MODEL_V2, {}, TONE_THEN_HALT);
    for (std::uint64_t frame = 1; frame <= 5; ++frame) {
        ASSERT_EQ(quillet_machine_run_frame(m.machine), QUILLET_STOP_FRAME);
        EXPECT_EQ(quillet_machine_frames(m.machine), frame);
        EXPECT_EQ(quillet_cpu_get_halted(m.cpu()), 1);
        const std::vector<std::int16_t> samples = m.take();
        EXPECT_NEAR(static_cast<double>(samples.size()), FRAME_SAMPLES, 2);
        // A square wave: about half the samples up, in every frame.
        EXPECT_NEAR(loud(samples), FRAME_SAMPLES / 2, FRAME_SAMPLES / 8) << "frame " << frame;
    }
    EXPECT_EQ(quillet_cpu_states(m.cpu()), 5 * FRAME);
    // quillet_cpu_run keeps its contract: a halt ends it.
    EXPECT_EQ(quillet_cpu_run(m.cpu(), FRAME, UINT64_MAX, 0), QUILLET_STOP_HALTED);
}

TEST(MachineFrames, StopsBeforeTheFrameEndsAndGoesOnFromThem) {
    const std::vector<std::uint8_t> loop = {0x00, 0x00, 0xC3, 0x00, 0x00};  // NOP; NOP; JMP 0
    Machine m(QUILLET_MODEL_V2A, {}, loop);
    ASSERT_EQ(quillet_cpu_set_stop(m.cpu(), 1, 1), 0);
    EXPECT_EQ(quillet_machine_run_frame(m.machine), QUILLET_STOP_ADDRESS);
    EXPECT_EQ(quillet_cpu_get_pair(m.cpu(), QUILLET_REG_PC), 1);
    // The next step leaves the stop it ended at, and meets it again a turn later.
    const std::uint64_t before = quillet_cpu_states(m.cpu());
    EXPECT_EQ(quillet_machine_run_frame(m.machine), QUILLET_STOP_ADDRESS);
    EXPECT_GT(quillet_cpu_states(m.cpu()), before);
    ASSERT_EQ(quillet_cpu_set_stop(m.cpu(), 1, 0), 0);
    EXPECT_EQ(quillet_machine_run_frame(m.machine), QUILLET_STOP_FRAME);
    EXPECT_EQ(quillet_machine_frames(m.machine), 1u);
    EXPECT_EQ(quillet_machine_run_frame(nullptr), QUILLET_ERR_MISSING_VALUE);
    EXPECT_STREQ(quillet_stop_name(QUILLET_STOP_FRAME), "frame");
}

TEST(MachineFrames, AudioIsTakenOnceAndKeptUntilTaken) {
    Machine m(QUILLET_MODEL_V2, {}, TONE_THEN_HALT);
    std::size_t count = 99;
    EXPECT_EQ(quillet_machine_audio_samples(m.machine, RATE, nullptr, 0, &count), QUILLET_ERR_BAD_STATE)
        << "no record unless asked";
    ASSERT_EQ(quillet_machine_record_port_c(m.machine, 1), 0);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(quillet_machine_run_frame(m.machine), QUILLET_STOP_FRAME);
    // Three frames wait; a small buffer takes them a piece at a time and
    // the pieces join up to the whole, each sample once.
    std::vector<std::int16_t> pieces;
    for (std::vector<std::int16_t> piece = m.take(500); !piece.empty(); piece = m.take(500)) {
        EXPECT_LE(piece.size(), 500u);
        pieces.insert(pieces.end(), piece.begin(), piece.end());
    }
    EXPECT_EQ(pieces.size(), 3 * FRAME_SAMPLES);
    EXPECT_TRUE(m.take().empty()) << "taken once";
    EXPECT_EQ(quillet_machine_take_audio(m.machine, 7999, nullptr, 0, &count), QUILLET_ERR_VALUE_RANGE);
    EXPECT_NE(std::string(quillet_machine_last_message(m.machine)).find("sample rate"), std::string::npos);
    EXPECT_EQ(quillet_machine_take_audio(m.machine, RATE, nullptr, 4, &count), QUILLET_ERR_MISSING_VALUE);
    EXPECT_EQ(quillet_machine_take_audio(m.machine, RATE, nullptr, 0, nullptr), QUILLET_ERR_MISSING_VALUE);
    // The same frames rendered whole agree with the pieces.
    std::vector<std::int16_t> whole(3 * FRAME_SAMPLES);
    ASSERT_EQ(quillet_machine_audio_samples(m.machine, RATE, whole.data(), whole.size(), &count), 0);
    ASSERT_EQ(count, whole.size());
    EXPECT_EQ(whole, pieces);
}

TEST(MachineFrames, KeyNamesOfEachModel) {
    struct Case {
        int model;
        const char* first;
        const char* named;   // a name in the list
        const char* typed;   // a character in the list
        const char* absent;  // one not in it
    } cases[] = {
        {QUILLET_MODEL_V1, "K0", "LINE-END", "@", "`"},
        {QUILLET_MODEL_V2, "K0", "EOL", "`", "~"},
        {QUILLET_MODEL_C2717, "K0", "CLR", "~", "@@"},
        {QUILLET_MODEL_MATO, "DOWN", "CNT", "@", "K0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        const int count = quillet_machine_key_names(c.model, nullptr, 0);
        ASSERT_GT(count, 20);
        std::vector<const char*> names(static_cast<std::size_t>(count));
        ASSERT_EQ(quillet_machine_key_names(c.model, names.data(), count), count);
        EXPECT_STREQ(names[0], c.first);
        std::vector<std::string> texts(names.begin(), names.end());
        const auto has = [&](const char* name) { return std::find(texts.begin(), texts.end(), name) != texts.end(); };
        EXPECT_TRUE(has(c.named));
        EXPECT_TRUE(has(c.typed));
        EXPECT_FALSE(has(c.absent));
        // Every name listed is one the keys take, with or without braces.
        Machine m(c.model, {});
        for (const std::string& name : texts) {
            EXPECT_EQ(quillet_machine_key(m.machine, name.c_str(), 1), 0) << name;
            const std::string braced = name == "{" ? "{LBRACE}" : name == "}" ? "{RBRACE}" : "{" + name + "}";
            EXPECT_EQ(quillet_machine_key(m.machine, braced.c_str(), 0), 0) << name;
        }
    }
    EXPECT_EQ(quillet_machine_key_names(8, nullptr, 0), QUILLET_ERR_BAD_MODEL);
}

TEST(MachineFrames, RefusedKeysSayWhy) {
    Machine m(QUILLET_MODEL_V1, {});
    struct Case {
        const char* name;
        const char* message;
    } cases[] = {
        {"FOO", "Bad key 'FOO': the V1 keyboard has no key of that name"},
        {"{FOO}", "Bad key 'FOO': the V1 keyboard has no key of that name"},
        {"`", "Bad key '`': the V1 keyboard cannot type it"},
        {"WAIT 3", "Bad key 'WAIT 3': the V1 keyboard has no key of that name"},
    };
    EXPECT_STREQ(quillet_machine_last_message(m.machine), "");
    for (const Case& c : cases) {
        EXPECT_EQ(quillet_machine_key(m.machine, c.name, 1), QUILLET_ERR_BAD_KEY) << c.name;
        EXPECT_STREQ(quillet_machine_last_message(m.machine), c.message);
    }
    EXPECT_EQ(quillet_machine_key(m.machine, "{shift+eol}", 1), 0);
    Machine v3(QUILLET_MODEL_V3, {});
    EXPECT_EQ(quillet_machine_key(v3.machine, "}", 1), 0) << "a brace is a character of monitor 3's keyboard";
    EXPECT_STREQ(quillet_machine_last_message(nullptr), "");
}

// Each monitor booted and typed to through frame steps, every key pressed
// and released inside one frame, as a front end passes a fast typist's
// key events: none is lost, none doubled.
struct Typing {
    const char* image;
    int model;
    const char* ready;
    const char* keys;    // each character pressed and released
    const char* shown;
};

class MonitorTypedByFrames : public ::testing::TestWithParam<Typing> {};

TEST_P(MonitorTypedByFrames, EveryKeyIsSeenOnce) {
    const Typing& t = GetParam();
    QUILLET_PMD85_ROM_OR_SKIP(monitor, t.image);
    Machine m(t.model, monitor);
    ASSERT_GE(m.frames_until(t.ready, 600), 0) << m.text();
    for (int i = 0; i < 20; ++i) ASSERT_EQ(quillet_machine_run_frame(m.machine), QUILLET_STOP_FRAME);
    for (const char* key = t.keys; *key; ++key) {
        const char name[2] = {*key, '\0'};
        ASSERT_EQ(quillet_machine_key(m.machine, name, 1), 0) << name;
        ASSERT_EQ(quillet_machine_key(m.machine, name, 0), 0) << name;
        // Two keys a frame: faster than the firmware takes them.
        if ((key - t.keys) % 2 == 1) {
            ASSERT_EQ(quillet_machine_run_frame(m.machine), QUILLET_STOP_FRAME);
        }
    }
    EXPECT_GE(m.frames_until(t.shown, 600), 0) << m.text();
    // A key seen twice at either end would still show the text.
    const std::string keys = t.keys;
    if (keys == t.shown) {
        EXPECT_EQ(m.text().find(keys.front() + keys), std::string::npos) << m.text();
        EXPECT_EQ(m.text().find(keys + keys.back()), std::string::npos) << m.text();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Monitors, MonitorTypedByFrames,
    ::testing::Values(Typing{"monit1.rom", QUILLET_MODEL_V1, "** PMD-85 READY /1.0 **", "MEM 8000", "MEM 8000"},
                      Typing{"monit2.rom", QUILLET_MODEL_V2, "++ Os ready ++", "MEM 8000", "MEM 8000"},
                      Typing{"monit2A.rom", QUILLET_MODEL_V2A, "++ Os ready ++", "MEM 8000", "MEM 8000"},
                      Typing{"monit3.rom", QUILLET_MODEL_V3, "++ OS ready ++", "MEM 8000", "MEM 8000"},
                      Typing{"didalfa2.rom", QUILLET_MODEL_ALFA2, "++ Os ready ++", "MEM 8000", "MEM 8000"},
                      Typing{"c2717.rom", QUILLET_MODEL_C2717, "OK", "PRINT 6*7\n", " 42"},
                      Typing{"mato-mb.rom", QUILLET_MODEL_MATO, "** OS READY **", "MEM 8000", "MEM 8000"}));

}  // namespace
