// The PMD 85's screen as its video memory holds it, and two screens
// compared pixel by pixel: what the video circuit shows of 16 KB from
// 0xC000 (256 lines, one every 64 bytes, the first 48 bytes of each shown,
// six pixels a byte with bit 0 leftmost, bits 7 and 6 the attribute that
// colours the lit ones). Hidden bytes (48..63 of a line) do not count.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillet {

constexpr std::size_t VIDEO_SIZE = 16384;
constexpr long VIDEO_BASE = 0xC000;
constexpr int VIDEO_LINE_STRIDE = 64;
constexpr int VIDEO_VISIBLE_BYTES = 48;
constexpr int VIDEO_PIXELS_PER_BYTE = 6;
constexpr int VIDEO_ATTRIBUTE_SHIFT = 6;
constexpr int SCREEN_PIXEL_WIDTH = VIDEO_VISIBLE_BYTES * VIDEO_PIXELS_PER_BYTE;  // 288
constexpr int SCREEN_PIXEL_HEIGHT = 256;

// What a pixel shows: 0 unlit, else 1 + its byte's attribute (1..4).
inline int screen_pixel(const std::uint8_t* video, int x, int y) {
    const int byte = video[y * VIDEO_LINE_STRIDE + x / VIDEO_PIXELS_PER_BYTE];
    return ((byte >> (x % VIDEO_PIXELS_PER_BYTE)) & 1) ? 1 + (byte >> VIDEO_ATTRIBUTE_SHIFT) : 0;
}

struct ScreenDifference {
    long pixels = 0;  // pixels that show differently
    int x = -1;       // the first of them in reading order, or -1
    int y = -1;
    long address = -1;  // the byte that holds it (0xC000..) and its bit
    int bit = -1;
};

// Compares the screens of two video memories of VIDEO_SIZE bytes.
ScreenDifference compare_screens(const std::uint8_t* video, const std::uint8_t* reference);

// The picture of the differences, SCREEN_PIXEL_WIDTH by SCREEN_PIXEL_HEIGHT,
// three bytes (RGB) a pixel, rows from the top: the reference's lit pixels
// dimmed (DIFF_DIMMED), its unlit ones black, each pixel that differs
// DIFF_MARK.
constexpr std::uint8_t DIFF_DIMMED[3] = {0x40, 0x40, 0x40};
constexpr std::uint8_t DIFF_MARK[3] = {0xFF, 0x00, 0x00};
void draw_screen_difference(const std::uint8_t* video, const std::uint8_t* reference, std::uint8_t* rgb);

}  // namespace quillet
