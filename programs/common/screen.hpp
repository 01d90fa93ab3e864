// --screen: the picture that the video memory holds, drawn by the library
// (quillet_screen_render_rgba) in the palette's colours and enlarged. The
// PMD 85 shows 256 lines from 0xC000, one every 64 bytes, of which the
// first 48 bytes are visible: six pixels a byte, bit 0 the leftmost, 288 by
// 256 pixels. Bits 6 and 7 of a byte are its attribute: the colour of its
// lit pixels is the palette entry (bit 7, bit 6) read as a number; unlit
// pixels are black.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "memory_view.hpp"
#include "quillet/quillet.h"

namespace quillet::common {

constexpr int SCREEN_WIDTH = QUILLET_SCREEN_WIDTH;
constexpr int SCREEN_HEIGHT = QUILLET_SCREEN_HEIGHT;
constexpr long LINE_STRIDE = 64;  // bytes from one line to the next
constexpr int VISIBLE_BYTES = 48;
constexpr int PIXELS_PER_BYTE = 6;
constexpr int ATTRIBUTE_SHIFT = 6;  // bits 7 and 6
constexpr int SCREEN_PAGE = 3;  // 0xC000..0xFFFF holds the video memory
constexpr int SCALE_MIN = 1;
constexpr int SCALE_MAX = 4;
constexpr int RGB_CHANNELS = 3;

struct Colour {
    std::uint8_t red, green, blue;
};
constexpr int PALETTE_SIZE = 4;
using Palette = std::array<Colour, PALETTE_SIZE>;

// The still picture of the monochrome computer: lit pixels full
// brightness, half brightness when bit 6 is set; bit 7 makes them blink,
// and a still picture shows its lit phase. (The schematic and two other
// readings of the machine agree on this; one reads bit 7 as the dimming
// bit and ignores bit 6: --palette ffffff,ffffff,808080,808080.)
constexpr Colour FULL_BRIGHTNESS = {0xFF, 0xFF, 0xFF};
constexpr Colour HALF_BRIGHTNESS = {0x80, 0x80, 0x80};
constexpr Palette DEFAULT_PALETTE = {FULL_BRIGHTNESS, HALF_BRIGHTNESS, FULL_BRIGHTNESS, HALF_BRIGHTNESS};

// Parses four colours RRGGBB (hexadecimal), separated by commas. Returns
// null, or what is wrong for a usage error that names `text`.
const char* parse_palette(const char* text, Palette* palette);

// The exit status of a picture asked of a snapshot without video memory.
constexpr int NO_SCREEN_STATUS = 65;

// The picture, `scale` times enlarged with square pixels: rows from the
// top, RGB_CHANNELS bytes a pixel. The screen page must be present.
std::vector<std::uint8_t> render_screen(const MemoryView& view, const Palette& palette, int scale);

// C2717's 384-pixel mode: eight pixels a byte, bit 0 the leftmost, the
// first 48 bytes of each of the 256 lines of `video` (QUILLET_VIDEO_SIZE
// bytes, a line every 64) shown, no attributes: lit pixels in the
// palette's first colour. (The hardware sheet says both "64 bytes a line"
// and 384 pixels; eight pixels of 48 bytes make the 384, 64 characters of
// six pixels.)
// Rows from the top, `scale` times enlarged, RGB_CHANNELS bytes a pixel.
constexpr int WIDE_SCREEN_WIDTH = QUILLET_SCREEN_WIDE_WIDTH;
std::vector<std::uint8_t> render_wide_screen(const std::uint8_t* video, const Palette& palette, int scale);

// The PNG file of the picture of `view` into `png`. A view without the
// screen page is reported on the console, naming the snapshot `name`:
// NO_SCREEN_STATUS; memory running out: its code's exit status. Returns 0
// or that exit status.
int screen_png(const MemoryView& view, const char* name, const Palette& palette, int scale,
               std::vector<std::uint8_t>* png);

}  // namespace quillet::common
