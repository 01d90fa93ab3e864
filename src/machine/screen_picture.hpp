// The picture the screen shows, four bytes a pixel (red, green, blue, 255),
// rows from the top: the one drawing of the video memory that the machine,
// the interface and the programs share. Six pixels a byte with bit 0 the
// leftmost, the attribute (bits 7 and 6) choosing the colour of the lit
// ones; the C2717's 384-pixel mode draws eight pixels a byte without
// attributes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillet {

constexpr int PICTURE_CHANNELS = 4;
constexpr int WIDE_SCREEN_PIXEL_WIDTH = 384;

// The colour of a lit pixel for each attribute (bits 7 and 6 as a number).
struct ScreenColours {
    std::uint8_t rgb[4][3];
};

// The machine's own: full brightness, bit 6 half brightness, bit 7 blinking
// (drawn lit when `blink_on`, dark otherwise).
ScreenColours machine_screen_colours(bool blink_on);

// The picture's width: WIDE_SCREEN_PIXEL_WIDTH in the 384-pixel mode,
// SCREEN_PIXEL_WIDTH otherwise; its height is SCREEN_PIXEL_HEIGHT.
int screen_picture_width(bool wide);
inline std::size_t screen_picture_size(bool wide) {
    return static_cast<std::size_t>(screen_picture_width(wide)) * 256 * PICTURE_CHANNELS;
}

// Draws the 16 KB of `video` (a line every 64 bytes) into `out`
// (screen_picture_size(wide) bytes); in the wide mode lit pixels take
// colours.rgb[0].
void draw_screen_picture(const std::uint8_t* video, bool wide, const ScreenColours& colours, std::uint8_t* out);

}  // namespace quillet
