// The whole machine saved and restored: a machine that loads a saved state
// runs on as the saved one did (states, registers, memory, screen, sound),
// at points in the middle of typing and of a tape; blobs that are cut,
// damaged or of another model are refused and change nothing; the tape
// wound back plays again.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "quillet/quillet.h"
#include "support/pmd85_roms.hpp"
#include "support/test_machine.hpp"

namespace {

constexpr std::uint32_t RATE = 44100;

struct Machine : quillet::test::TestMachine {
    // Not booted: a test boots it, or loads a state into it.
    Machine(int model, const std::vector<std::uint8_t>& monitor, const std::vector<std::uint8_t>& program = {})
        : TestMachine(model, {monitor, program, {}, false}) {}

    std::vector<std::uint8_t> save() {
        std::size_t length = 0;
        EXPECT_EQ(quillet_machine_save_state(machine, nullptr, 0, &length), 0);
        std::vector<std::uint8_t> blob(length);
        EXPECT_EQ(quillet_machine_save_state(machine, blob.data(), blob.size(), &length), 0);
        return blob;
    }
    void frames(int count) {
        for (int i = 0; i < count; ++i) ASSERT_EQ(quillet_machine_run_frame(machine), QUILLET_STOP_FRAME);
    }
    std::vector<std::int16_t> audio() {
        std::vector<std::int16_t> samples(200000);
        std::size_t count = 0;
        EXPECT_EQ(quillet_machine_take_audio(machine, RATE, samples.data(), samples.size(), &count), 0);
        samples.resize(count);
        return samples;
    }
};

// What a run shows of a machine: its counters, registers, all 64 KB as the
// processor reads them, the video and the sound since the last look.
struct Seen {
    std::uint64_t states, instructions, frames;
    std::vector<long> pairs;
    std::vector<std::uint8_t> memory, video;
    std::vector<std::int16_t> audio;
    int typing;
    std::size_t tape_block;
    bool operator==(const Seen& o) const {
        return states == o.states && instructions == o.instructions && frames == o.frames && pairs == o.pairs &&
               memory == o.memory && video == o.video && audio == o.audio && typing == o.typing &&
               tape_block == o.tape_block;
    }
};

Seen seen(Machine& m) {
    Seen s{quillet_cpu_states(m.cpu()), quillet_cpu_instructions(m.cpu()), quillet_machine_frames(m.machine), {}, {},
           {}, m.audio(), quillet_machine_typing(m.machine), 0};
    for (int pair = QUILLET_REG_AF; pair <= QUILLET_REG_SP; ++pair) s.pairs.push_back(quillet_cpu_get_pair(m.cpu(), pair));
    s.memory.resize(65536);
    quillet_cpu_read_view(m.cpu(), 0, s.memory.data(), s.memory.size());
    s.video.resize(16384);
    quillet_machine_read_video(m.machine, s.video.data(), s.video.size());
    quillet_machine_tape_position(m.machine, &s.tape_block, nullptr);
    return s;
}

// A tape of one file the monitor's MGLD loads.
quillet_tape* small_tape() {
    quillet_tape* tape = quillet_tape_new();
    std::vector<std::uint8_t> bytes(600);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    EXPECT_EQ(quillet_tape_add_file(tape, 0, '?', 0x2000, "STATE", bytes.data(), bytes.size()), 0);
    return tape;
}

// Monitor 2 typing a command and loading a tape: saved at each point,
// restored onto a fresh machine, and run on beside the one that never
// stopped, they agree in everything, to the sample.
TEST(MachineState, RestoredRunsOnAsTheSavedOne) {
    QUILLET_PMD85_ROM_OR_SKIP(monitor, "monit2.rom");
    Machine whole(QUILLET_MODEL_V2, monitor);
    ASSERT_EQ(quillet_machine_boot(whole.machine), 0);
    quillet_tape* tape = small_tape();
    ASSERT_EQ(quillet_machine_insert_tape(whole.machine, tape), 0);
    quillet_tape_free(tape);
    const std::string typed = "MGLD 00{EOL}";
    ASSERT_EQ(quillet_machine_type(whole.machine, typed.data(), typed.size()), 0);
    struct Point {
        const char* what;
        int frames;  // run before the save
    } points[] = {{"booting", 10}, {"mid-typing", 50}, {"mid-tape", 250}, {"after the tape", 600}};
    int done = 0;
    for (const Point& point : points) {
        SCOPED_TRACE(point.what);
        whole.frames(point.frames - done);
        done = point.frames;
        if (std::string(point.what) == "mid-typing") {
            ASSERT_EQ(quillet_machine_typing(whole.machine), 1);
        }
        if (std::string(point.what) == "after the tape") {
            ASSERT_EQ(quillet_machine_key(whole.machine, "A", 1), 0) << "a key given by hand is saved too";
            ASSERT_EQ(quillet_machine_key(whole.machine, "A", 0), 0);
        }
        if (std::string(point.what) == "mid-tape") {
            std::size_t block = 9, total = 0;
            ASSERT_EQ(quillet_machine_tape_position(whole.machine, &block, &total), 0);
            ASSERT_EQ(total, 2u);
            ASSERT_LT(block, 2u) << "the tape still plays";
        }
        const std::vector<std::uint8_t> blob = whole.save();
        Machine restored(QUILLET_MODEL_V2, monitor);
        ASSERT_EQ(quillet_machine_load_state(restored.machine, blob.data(), blob.size()), 0)
            << quillet_machine_last_message(restored.machine);
        whole.audio();  // the sound up to the save: the restored machine has it to take too
        restored.audio();
        for (int step = 0; step < 3; ++step) {
            whole.frames(5);
            restored.frames(5);
            EXPECT_TRUE(seen(whole) == seen(restored)) << "step " << step;
        }
        done += 15;
    }
    std::vector<std::uint8_t> loaded(600);
    quillet_cpu_read_memory(whole.cpu(), 0x2000, loaded.data(), loaded.size());
    EXPECT_EQ(loaded[599], static_cast<std::uint8_t>(599 * 7 + 3)) << "the tape was loaded";
}

// Blobs that are no state of this machine: refused with their own code and
// a message that says why, and the machine is as it was.
TEST(MachineState, DamagedBlobsAreRefused) {
    const std::vector<std::uint8_t> loop = {0x3C, 0xC3, 0x00, 0x00};  // INR A; JMP 0
    Machine m(QUILLET_MODEL_V2, {}, loop);
    m.frames(3);
    const std::vector<std::uint8_t> good = m.save();
    Machine other(QUILLET_MODEL_V2A, {}, loop);
    const std::vector<std::uint8_t> other_model = other.save();
    struct Case {
        const char* what;
        std::vector<std::uint8_t> blob;
        const char* message;
    };
    std::vector<Case> cases = {
        {"empty", {}, "cut short"},
        {"the header only", std::vector<std::uint8_t>(good.begin(), good.begin() + 30), "cut short"},
        {"a byte short", std::vector<std::uint8_t>(good.begin(), good.end() - 1), "cut short"},
        {"a byte more", good, "damaged (bytes after its end)"},
        {"a byte of RAM turned", good, "damaged (its check does not match)"},
        {"no state at all", std::vector<std::uint8_t>(good.size(), 0x55), "not a saved machine state"},
        {"another version", good, "of format version 3, not 2"},
        {"another model", other_model, "of the V2A, not the V2"},
    };
    cases[3].blob.push_back(0);
    cases[4].blob[1000] ^= 0x08;
    cases[6].blob[8] = 3;
    m.frames(1);
    const std::vector<std::uint8_t> before = m.save();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::uint8_t none = 0;
        EXPECT_EQ(quillet_machine_load_state(m.machine, c.blob.empty() ? &none : c.blob.data(), c.blob.size()),
                  QUILLET_ERR_BAD_MACHINE_STATE);
        EXPECT_EQ(std::string(quillet_machine_last_message(m.machine)), std::string("Bad machine state 'state': ") + c.message);
        EXPECT_EQ(m.save(), before) << "the machine is as it was";
    }
    // The good blob goes back three frames, and the run repeats itself.
    ASSERT_EQ(quillet_machine_load_state(m.machine, good.data(), good.size()), 0);
    EXPECT_EQ(quillet_machine_frames(m.machine), 3u);
    m.frames(1);
    EXPECT_EQ(m.save(), before);
    std::size_t length = 0;
    std::uint8_t small[16];
    EXPECT_EQ(quillet_machine_save_state(m.machine, small, sizeof small, &length), QUILLET_ERR_OUTPUT_WRITE);
    EXPECT_EQ(length, good.size());
    EXPECT_EQ(quillet_machine_load_state(m.machine, nullptr, 0), QUILLET_ERR_MISSING_VALUE);
}

// A tape wound back plays its blocks again, for the monitor to load twice.
TEST(MachineState, TapeWoundBackPlaysAgain) {
    QUILLET_PMD85_ROM_OR_SKIP(monitor, "monit2.rom");
    Machine m(QUILLET_MODEL_V2, monitor);
    ASSERT_EQ(quillet_machine_boot(m.machine), 0);
    EXPECT_EQ(quillet_machine_rewind_tape(m.machine, 0), QUILLET_ERR_BAD_STATE) << "no tape";
    quillet_tape* tape = small_tape();
    ASSERT_EQ(quillet_machine_insert_tape(m.machine, tape), 0);
    quillet_tape_free(tape);
    const std::string typed = "MGLD 00{EOL}";
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(quillet_machine_type(m.machine, typed.data(), typed.size()), 0);
        std::size_t block = 0, total = 0;
        for (int frame = 0; frame < 600 && (total == 0 || block < total); ++frame) {
            m.frames(1);
            quillet_machine_tape_position(m.machine, &block, &total);
        }
        EXPECT_EQ(block, 2u);
        m.frames(50);
        std::vector<std::uint8_t> loaded(600);
        quillet_cpu_read_memory(m.cpu(), 0x2000, loaded.data(), loaded.size());
        EXPECT_EQ(loaded[599], static_cast<std::uint8_t>(599 * 7 + 3));
        // Cleared, so that the second round must load it again.
        const std::vector<std::uint8_t> zeros(600, 0);
        quillet_cpu_write_memory(m.cpu(), 0x2000, zeros.data(), zeros.size());
        ASSERT_EQ(quillet_machine_rewind_tape(m.machine, 0), 0);
        quillet_machine_tape_position(m.machine, &block, nullptr);
        EXPECT_EQ(block, 0u);
    }
    EXPECT_EQ(quillet_machine_rewind_tape(m.machine, 3), QUILLET_ERR_VALUE_RANGE);
}

}  // namespace
