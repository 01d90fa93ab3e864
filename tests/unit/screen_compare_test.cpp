// Two screens compared through the public interface, and the picture of
// their differences.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "quillet/quillet.h"

namespace {

constexpr long LINE = 64;

std::vector<std::uint8_t> blank() { return std::vector<std::uint8_t>(QUILLET_VIDEO_SIZE, 0); }

quillet_screen_difference compared(const std::vector<std::uint8_t>& video, const std::vector<std::uint8_t>& reference) {
    quillet_screen_difference difference{};
    EXPECT_EQ(quillet_screen_compare(video.data(), reference.data(), &difference), 0);
    return difference;
}

TEST(ScreenCompare, WhatCountsAsADifference) {
    struct Case {
        const char* what;
        long offset;
        std::uint8_t video, reference;
        long pixels;
        int x, y, bit;
    } cases[] = {
        {"equal", 0, 0x2A, 0x2A, 0, -1, -1, -1},
        {"a hidden byte", 48, 0x3F, 0x00, 0, -1, -1, -1},
        {"unlit pixels of another attribute", 5 * LINE + 2, 0xC0, 0x00, 0, -1, -1, -1},
        {"one pixel", 5 * LINE + 2, 0x08, 0x00, 1, 2 * 6 + 3, 5, 3},
        {"lit, another attribute", LINE * 255 + 47, 0x60, 0x20, 1, 47 * 6 + 5, 255, 5},
        {"six pixels", 0, 0x3F, 0x00, 6, 0, 0, 0},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> video = blank(), reference = blank();
        video[static_cast<std::size_t>(c.offset)] = c.video;
        reference[static_cast<std::size_t>(c.offset)] = c.reference;
        const quillet_screen_difference d = compared(video, reference);
        EXPECT_EQ(d.pixels, c.pixels) << c.what;
        EXPECT_EQ(d.x, c.x) << c.what;
        EXPECT_EQ(d.y, c.y) << c.what;
        EXPECT_EQ(d.bit, c.bit) << c.what;
        EXPECT_EQ(d.address, c.pixels ? 0xC000 + c.offset : -1) << c.what;
    }
}

TEST(ScreenCompare, TheFirstInReadingOrderAndTheCountOfAll) {
    std::vector<std::uint8_t> video = blank(), reference = blank();
    video[10 * LINE + 1] = 0x01;      // (6, 10)
    reference[3 * LINE + 40] = 0x30;  // (244, 3), (245, 3)
    const quillet_screen_difference d = compared(video, reference);
    EXPECT_EQ(d.pixels, 3);
    EXPECT_EQ(d.x, 244);
    EXPECT_EQ(d.y, 3);
    EXPECT_EQ(d.address, 0xC000 + 3 * LINE + 40);
    EXPECT_EQ(d.bit, 4);
}

TEST(ScreenCompare, TheDifferencePicturePixelByPixel) {
    std::vector<std::uint8_t> video = blank(), reference = blank();
    reference[0] = 0x03;  // (0, 0), (1, 0) lit in the reference
    video[0] = 0x05;      // (0, 0) and (2, 0) lit in the run
    std::vector<std::uint8_t> rgb(QUILLET_SCREEN_WIDTH * QUILLET_SCREEN_HEIGHT * 3, 0x77);
    ASSERT_EQ(quillet_screen_diff_picture(video.data(), reference.data(), rgb.data(), rgb.size()), 0);
    const std::vector<std::uint8_t> dimmed = {0x40, 0x40, 0x40}, red = {0xFF, 0, 0}, black = {0, 0, 0};
    auto at = [&](int x, int y) {
        const auto* p = rgb.data() + (static_cast<std::size_t>(y) * QUILLET_SCREEN_WIDTH + x) * 3;
        return std::vector<std::uint8_t>(p, p + 3);
    };
    EXPECT_EQ(at(0, 0), dimmed);  // the same in both: the reference, dimmed
    EXPECT_EQ(at(1, 0), red);     // lit only in the reference
    EXPECT_EQ(at(2, 0), red);     // lit only in the run
    EXPECT_EQ(at(3, 0), black);
    EXPECT_EQ(at(287, 255), black);
    EXPECT_EQ(quillet_screen_diff_picture(video.data(), reference.data(), rgb.data(), rgb.size() - 1),
              QUILLET_ERR_VALUE_RANGE);
    EXPECT_EQ(quillet_screen_compare(video.data(), nullptr, nullptr), QUILLET_ERR_MISSING_VALUE);
}

}  // namespace
