// The screen's picture: every pixel of a machine's frame and of bare video
// memory against what the test works out from the bytes itself (six
// pixels a byte, bit 6 dim, bit 7 blinking, the C2717's eight-pixel mode).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "quillet/quillet.h"

namespace {

constexpr int HEIGHT = 256;

struct Rgb {
    int r, g, b;
};

// What the test expects at (x, y): from the byte that holds the pixel.
Rgb expected_pixel(const std::vector<std::uint8_t>& video, int x, int y, bool wide, bool blink_on,
                   const std::uint8_t* palette) {
    const int per_byte = wide ? 8 : 6;
    const int byte = video[static_cast<std::size_t>(y * 64 + x / per_byte)];
    if (!((byte >> (x % per_byte)) & 1)) return {0, 0, 0};
    const int attribute = wide ? 0 : byte >> 6;
    if ((attribute & 2) && !blink_on) return {0, 0, 0};
    if (palette) return {palette[3 * attribute], palette[3 * attribute + 1], palette[3 * attribute + 2]};
    const int level = (attribute & 1) ? 0x80 : 0xFF;
    return {level, level, level};
}

// The first pixel of `picture` (width by 256, RGBA) that differs, or "".
std::string first_difference(const std::vector<std::uint8_t>& picture, const std::vector<std::uint8_t>& video,
                             int width, bool wide, bool blink_on, const std::uint8_t* palette = nullptr) {
    if (picture.size() != static_cast<std::size_t>(width) * HEIGHT * 4) return "size";
    for (int y = 0; y < HEIGHT; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = &picture[(static_cast<std::size_t>(y) * width + x) * 4];
            const Rgb e = expected_pixel(video, x, y, wide, blink_on, palette);
            if (p[0] != e.r || p[1] != e.g || p[2] != e.b || p[3] != 0xFF) {
                return "x " + std::to_string(x) + " y " + std::to_string(y);
            }
        }
    }
    return "";
}

std::vector<std::uint8_t> random_video(unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> video(QUILLET_VIDEO_SIZE);
    for (auto& b : video) b = static_cast<std::uint8_t>(random());
    return video;
}

struct Machine {
    // A machine of `model` without a monitor, running `program` from 0 to its HLT.
    Machine(int model, const std::vector<std::uint8_t>& program) {
        quillet_snapshot* snapshot = quillet_snapshot_new();
        quillet_set_model(snapshot, model);
        quillet_load_page_bytes(snapshot, 0, program.data(), program.size());
        quillet_set_register(snapshot, QUILLET_REG_PC, 0);
        EXPECT_EQ(quillet_machine_new(snapshot, nullptr, 0, nullptr, nullptr, &m), 0);
        quillet_snapshot_free(snapshot);
        EXPECT_EQ(quillet_cpu_run(quillet_machine_cpu(m), UINT64_MAX, 100, 0), QUILLET_STOP_HALTED);
    }
    ~Machine() { quillet_machine_free(m); }
    quillet_machine* m = nullptr;
};

const std::vector<std::uint8_t> HALT = {0x76};
// MVI A,80h; OUT F7h (port C an output); MVI A,0Bh; OUT F7h (PC5 set); HLT
const std::vector<std::uint8_t> WIDE_MODE = {0x3E, 0x80, 0xD3, 0xF7, 0x3E, 0x0B, 0xD3, 0xF7, 0x76};

struct MachineCase {
    const char* what;
    int model;
    const std::vector<std::uint8_t>* program;
    int width;
    bool wide;
};

const MachineCase MACHINE_CASES[] = {
    {"PMD 85-2", QUILLET_MODEL_V2, &HALT, QUILLET_SCREEN_WIDTH, false},
    {"PMD 85-3", QUILLET_MODEL_V3, &HALT, QUILLET_SCREEN_WIDTH, false},
    {"C2717 in its 288-pixel mode", QUILLET_MODEL_C2717, &HALT, QUILLET_SCREEN_WIDTH, false},
    {"C2717 in its 384-pixel mode", QUILLET_MODEL_C2717, &WIDE_MODE, QUILLET_SCREEN_WIDE_WIDTH, true},
};

TEST(ScreenPicture, AMachinesFrameInBothPhasesOfTheBlink) {
    for (const MachineCase& c : MACHINE_CASES) {
        SCOPED_TRACE(c.what);
        Machine machine(c.model, *c.program);
        ASSERT_EQ(quillet_machine_screen_width(machine.m), c.width);
        const std::vector<std::uint8_t> video = random_video(static_cast<unsigned>(c.model));
        ASSERT_EQ(quillet_cpu_write_memory(quillet_machine_cpu(machine.m), 0xC000, video.data(), video.size()), 0);
        for (const bool blink_on : {true, false}) {
            std::vector<std::uint8_t> picture(static_cast<std::size_t>(c.width) * HEIGHT * 4, 0x5A);
            ASSERT_EQ(quillet_machine_render_rgba(machine.m, blink_on, picture.data(), picture.size()), 0);
            EXPECT_EQ(first_difference(picture, video, c.width, c.wide, blink_on), "") << "blink on " << blink_on;
        }
        std::vector<std::uint8_t> short_picture(static_cast<std::size_t>(c.width) * HEIGHT * 4 - 1, 0x5A);
        EXPECT_EQ(quillet_machine_render_rgba(machine.m, 1, short_picture.data(), short_picture.size()),
                  QUILLET_ERR_VALUE_RANGE);
        EXPECT_EQ(short_picture[0], 0x5A) << "nothing written";
    }
}

TEST(ScreenPicture, VideoMemoryInAPalette) {
    const std::vector<std::uint8_t> video = random_video(7);
    const std::uint8_t palette[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const struct {
        int model, wide, blink_on;
        const std::uint8_t* palette;
        int width;
    } cases[] = {
        {QUILLET_MODEL_V1, 0, 1, palette, QUILLET_SCREEN_WIDTH},
        {QUILLET_MODEL_V1, 0, 0, palette, QUILLET_SCREEN_WIDTH},
        {QUILLET_MODEL_MATO, 0, 0, nullptr, QUILLET_SCREEN_WIDTH},
        {QUILLET_MODEL_C2717, 1, 1, palette, QUILLET_SCREEN_WIDE_WIDTH},
        {QUILLET_MODEL_C2717, 1, 0, nullptr, QUILLET_SCREEN_WIDE_WIDTH},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.model) + " wide " + std::to_string(c.wide) + " blink " + std::to_string(c.blink_on));
        std::vector<std::uint8_t> picture(static_cast<std::size_t>(c.width) * HEIGHT * 4);
        ASSERT_EQ(quillet_screen_render_rgba(video.data(), video.size(), c.model, c.wide, c.blink_on, c.palette,
                                             picture.data(), picture.size()),
                  0);
        EXPECT_EQ(first_difference(picture, video, c.width, c.wide != 0, c.blink_on != 0, c.palette), "");
    }
}

TEST(ScreenPicture, Refusals) {
    const std::vector<std::uint8_t> video(QUILLET_VIDEO_SIZE, 0xFF);
    std::vector<std::uint8_t> picture(static_cast<std::size_t>(QUILLET_SCREEN_WIDE_WIDTH) * HEIGHT * 4);
    const std::size_t narrow = static_cast<std::size_t>(QUILLET_SCREEN_WIDTH) * HEIGHT * 4;
    const struct {
        int result, expected;
    } cases[] = {
        {quillet_screen_render_rgba(video.data(), video.size(), QUILLET_MODEL_V2, 0, 1, nullptr, picture.data(), narrow),
         0},
        {quillet_screen_render_rgba(video.data(), video.size(), QUILLET_MODEL_V2, 0, 1, nullptr, picture.data(),
                                    narrow - 1),
         QUILLET_ERR_VALUE_RANGE},
        {quillet_screen_render_rgba(video.data(), video.size(), QUILLET_MODEL_C2717, 1, 1, nullptr, picture.data(),
                                    narrow),
         QUILLET_ERR_VALUE_RANGE},
        {quillet_screen_render_rgba(video.data(), video.size(), QUILLET_MODEL_V2, 1, 1, nullptr, picture.data(),
                                    picture.size()),
         QUILLET_ERR_VALUE_RANGE},
        {quillet_screen_render_rgba(video.data(), video.size() - 1, QUILLET_MODEL_V2, 0, 1, nullptr, picture.data(),
                                    picture.size()),
         QUILLET_ERR_VALUE_RANGE},
        {quillet_screen_render_rgba(video.data(), video.size(), QUILLET_MODEL_COUNT, 0, 1, nullptr, picture.data(),
                                    picture.size()),
         QUILLET_ERR_BAD_MODEL},
        {quillet_screen_render_rgba(nullptr, 0, QUILLET_MODEL_V2, 0, 1, nullptr, picture.data(), picture.size()),
         QUILLET_ERR_MISSING_VALUE},
        {quillet_screen_render_rgba(video.data(), video.size(), QUILLET_MODEL_V2, 0, 1, nullptr, nullptr, 0),
         QUILLET_ERR_MISSING_VALUE},
        {quillet_machine_render_rgba(nullptr, 1, picture.data(), picture.size()), QUILLET_ERR_MISSING_VALUE},
    };
    for (const auto& c : cases) EXPECT_EQ(c.result, c.expected);
}

}  // namespace
