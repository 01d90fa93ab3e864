#include "machine/screen_picture.hpp"

#include "video/screen_compare.hpp"

namespace quillet {
namespace {

constexpr std::uint8_t FULL = 0xFF;
constexpr std::uint8_t HALF = 0x80;
constexpr std::uint8_t OPAQUE = 0xFF;
constexpr int WIDE_PIXELS_PER_BYTE = 8;
static_assert(WIDE_SCREEN_PIXEL_WIDTH == VIDEO_VISIBLE_BYTES * WIDE_PIXELS_PER_BYTE, "eight pixels of each shown byte");
static_assert(SCREEN_PIXEL_HEIGHT == 256, "screen_picture_size's height");

std::uint8_t* put(std::uint8_t* out, const std::uint8_t* rgb) {
    out[0] = rgb[0];
    out[1] = rgb[1];
    out[2] = rgb[2];
    out[3] = OPAQUE;
    return out + PICTURE_CHANNELS;
}

}  // namespace

ScreenColours machine_screen_colours(bool blink_on) {
    const std::uint8_t blink = blink_on ? FULL : 0, blink_half = blink_on ? HALF : 0;
    return ScreenColours{{{FULL, FULL, FULL}, {HALF, HALF, HALF}, {blink, blink, blink},
                          {blink_half, blink_half, blink_half}}};
}

int screen_picture_width(bool wide) { return wide ? WIDE_SCREEN_PIXEL_WIDTH : SCREEN_PIXEL_WIDTH; }

void draw_screen_picture(const std::uint8_t* video, bool wide, const ScreenColours& colours, std::uint8_t* out) {
    static const std::uint8_t BLACK[3] = {0, 0, 0};
    const int pixels_per_byte = wide ? WIDE_PIXELS_PER_BYTE : VIDEO_PIXELS_PER_BYTE;
    for (int y = 0; y < SCREEN_PIXEL_HEIGHT; ++y) {
        const std::uint8_t* line = video + y * VIDEO_LINE_STRIDE;
        for (int column = 0; column < VIDEO_VISIBLE_BYTES; ++column) {
            const unsigned byte = line[column];
            const std::uint8_t* lit = colours.rgb[wide ? 0 : byte >> VIDEO_ATTRIBUTE_SHIFT];
            for (int bit = 0; bit < pixels_per_byte; ++bit) out = put(out, (byte >> bit) & 1 ? lit : BLACK);
        }
    }
}

}  // namespace quillet
