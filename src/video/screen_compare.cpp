#include "screen_compare.hpp"

#include <cstring>

namespace quillet {

ScreenDifference compare_screens(const std::uint8_t* video, const std::uint8_t* reference) {
    ScreenDifference difference;
    for (int y = 0; y < SCREEN_PIXEL_HEIGHT; ++y) {
        const std::size_t line = static_cast<std::size_t>(y) * VIDEO_LINE_STRIDE;
        // Most lines are equal: the pixels are looked at only where the bytes differ.
        if (std::memcmp(video + line, reference + line, VIDEO_VISIBLE_BYTES) == 0) continue;
        for (int x = 0; x < SCREEN_PIXEL_WIDTH; ++x) {
            if (screen_pixel(video, x, y) == screen_pixel(reference, x, y)) continue;
            if (difference.pixels++ == 0) {
                difference.x = x;
                difference.y = y;
                difference.address = VIDEO_BASE + static_cast<long>(line) + x / VIDEO_PIXELS_PER_BYTE;
                difference.bit = x % VIDEO_PIXELS_PER_BYTE;
            }
        }
    }
    return difference;
}

void draw_screen_difference(const std::uint8_t* video, const std::uint8_t* reference, std::uint8_t* rgb) {
    constexpr std::uint8_t BLACK[3] = {0, 0, 0};
    for (int y = 0; y < SCREEN_PIXEL_HEIGHT; ++y) {
        for (int x = 0; x < SCREEN_PIXEL_WIDTH; ++x) {
            const int shown = screen_pixel(reference, x, y);
            const std::uint8_t* colour = shown != screen_pixel(video, x, y) ? DIFF_MARK : shown ? DIFF_DIMMED : BLACK;
            std::memcpy(rgb, colour, 3);
            rgb += 3;
        }
    }
}

}  // namespace quillet
