// A run that waits for a text on the screen stops at the end of the frame
// in which the text appeared, however the video memory was written: by
// the processor where the map keeps it in place, through a second window
// onto it, in the block the video circuit is switched to, by the caller
// between runs. The frame is the first whose whole reading shows the text.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "quillet/quillet.h"

namespace {

constexpr std::uint64_t FRAME = QUILLET_MACHINE_FRAME_STATES;
constexpr std::uint8_t MAPPER_PORT = 0x6D;
constexpr std::uint8_t POST[8] = {0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0};  // '!'

// A monitor image whose font has the one glyph '!'; its code never runs.
std::vector<std::uint8_t> monitor_with_a_glyph() {
    std::vector<std::uint8_t> image(0x1000);
    for (int i = 0; i < 8; ++i) image[0x600 + 8 * ('!' - 0x20) + i] = POST[i];
    return image;
}

// 8080 code, put together from what the program does.
struct Code {
    std::vector<std::uint8_t> bytes;
    void out(std::uint8_t port, std::uint8_t value) { bytes.insert(bytes.end(), {0x3E, value, 0xD3, port}); }
    // The glyph drawn at `address` (line by line, 64 bytes apart).
    void glyph(unsigned address) {
        for (unsigned i = 0; i < 8; ++i) {
            const unsigned at = address + 64 * i;
            bytes.insert(bytes.end(), {0x3E, POST[i], 0x32, static_cast<std::uint8_t>(at), static_cast<std::uint8_t>(at >> 8)});
        }
    }
    // About `frames` frames of a loop that counts BC down.
    void wait(unsigned frames) {
        const unsigned count = frames * 1700;  // 24 states and the video waits a round
        bytes.insert(bytes.end(), {0x01, static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8)});
        const unsigned loop = 0x4000 + static_cast<unsigned>(bytes.size());
        bytes.insert(bytes.end(), {0x0B, 0x78, 0xB1, 0xC2, static_cast<std::uint8_t>(loop), static_cast<std::uint8_t>(loop >> 8)});
    }
    void spin() {
        const unsigned here = 0x4000 + static_cast<unsigned>(bytes.size());
        bytes.insert(bytes.end(), {0xC3, static_cast<std::uint8_t>(here), static_cast<std::uint8_t>(here >> 8)});
    }
};

// A PMD 85-2A with the mapper fitted, running `code` from 4000h.
struct Machine {
    quillet_snapshot* snapshot = quillet_snapshot_new();
    quillet_machine* machine = nullptr;

    explicit Machine(const Code& code) {
        const std::vector<std::uint8_t> monitor = monitor_with_a_glyph();
        EXPECT_EQ(quillet_set_model(snapshot, QUILLET_MODEL_V2A), 0);
        EXPECT_EQ(quillet_set_mapper_port(snapshot, 0), 0);
        EXPECT_EQ(quillet_load_page_bytes(snapshot, 1, code.bytes.data(), code.bytes.size()), 0);
        quillet_set_register(snapshot, QUILLET_REG_SP, 0x7000);
        quillet_set_register(snapshot, QUILLET_REG_PC, 0x4000);
        EXPECT_EQ(quillet_machine_new(snapshot, monitor.data(), monitor.size(), nullptr, nullptr, &machine), 0);
    }
    ~Machine() {
        quillet_machine_free(machine);
        quillet_snapshot_free(snapshot);
    }
    quillet_cpu* cpu() { return quillet_machine_cpu(machine); }
};

struct WaitCase {
    const char* what;
    Code code;
};

void PrintTo(const WaitCase& c, std::ostream* out) { *out << c.what; }

Code program(void (*make)(Code*)) {
    Code code;
    make(&code);
    code.spin();
    return code;
}

class TextWait : public ::testing::TestWithParam<WaitCase> {};

TEST_P(TextWait, StopsAtTheFrameTheTextAppeared) {
    const Code& code = GetParam().code;
    // Frame by frame, the whole screen read at each frame's end.
    Machine whole(code);
    std::uint64_t appeared = 0;
    for (std::uint64_t frame = 1; frame <= 20 && !appeared; ++frame) {
        ASSERT_EQ(quillet_machine_run_frame(whole.machine), QUILLET_STOP_FRAME);
        if (quillet_machine_screen_shows(whole.machine, "!") == 1) appeared = frame;
    }
    ASSERT_NE(appeared, 0U);
    Machine waiting(code);
    ASSERT_EQ(quillet_machine_set_until_text(waiting.machine, "!"), 0);
    EXPECT_EQ(quillet_cpu_run(waiting.cpu(), 20 * FRAME, UINT64_MAX, 0), QUILLET_STOP_REQUESTED);
    EXPECT_EQ(quillet_machine_frames(waiting.machine), appeared);
}

INSTANTIATE_TEST_SUITE_P(
    WritesToTheVideoMemory, TextWait,
    ::testing::Values(
        WaitCase{"by the processor at once", program([](Code* c) { c->glyph(0xC000 + 64 * 100 + 3); })},
        WaitCase{"by the processor frames later", program([](Code* c) {
                     c->wait(1);
                     c->out(MAPPER_PORT, 0x00);  // a map switch between
                     c->wait(3);
                     c->glyph(0xC000 + 64 * 17 + 40);
                 })},
        // Bank 3, the video memory, also in window 0: written through the map.
        WaitCase{"through a second window", program([](Code* c) {
                     c->out(MAPPER_PORT, 0x03);
                     c->wait(2);
                     c->glyph(0x0000 + 64 * 200);
                 })},
        // Bank 7 drawn in window 0, then shown by the video circuit.
        WaitCase{"in the block the video circuit shows next", program([](Code* c) {
                     c->out(MAPPER_PORT, 0x07);
                     c->glyph(0x0000 + 64 * 50 + 10);
                     c->wait(2);
                     c->out(MAPPER_PORT, 0x40);
                 })}),
    [](const ::testing::TestParamInfo<WaitCase>& info) {
        std::string name;
        for (const char* p = info.param.what; *p; ++p) name += *p == ' ' ? '_' : *p;
        return name;
    });

// The caller's own writes between runs are seen too, at the next frame's end.
TEST(TextWaitByTheCaller, StopsAtTheNextFrame) {
    Code code;
    code.spin();
    Machine m(code);
    ASSERT_EQ(quillet_machine_set_until_text(m.machine, "!"), 0);
    ASSERT_EQ(quillet_cpu_run(m.cpu(), 3 * FRAME, UINT64_MAX, 0), QUILLET_STOP_STATE_LIMIT);
    const std::uint64_t frames = quillet_machine_frames(m.machine);
    for (unsigned i = 0; i < 8; ++i) ASSERT_EQ(quillet_cpu_write_memory(m.cpu(), 0xC000 + 64 * (30 + i) + 7, &POST[i], 1), 0);
    EXPECT_EQ(quillet_cpu_run(m.cpu(), 3 * FRAME, UINT64_MAX, 0), QUILLET_STOP_REQUESTED);
    EXPECT_EQ(quillet_machine_frames(m.machine), frames + 1);
    // Still shown: the next run stops at the next frame's end again.
    EXPECT_EQ(quillet_cpu_run(m.cpu(), 3 * FRAME, UINT64_MAX, 0), QUILLET_STOP_REQUESTED);
    EXPECT_EQ(quillet_machine_frames(m.machine), frames + 2);
}

}  // namespace
