#include "screen_reference.hpp"

#include "file_reading.hpp"
#include "png_encoding.hpp"
#include "quillet/quillet.h"

namespace quillet::common {
namespace {

constexpr unsigned PIXEL_BITS = 0x3F;
constexpr const char* PNG_SIGNATURE = "\x89PNG";
constexpr int UNLIT = -1;
constexpr int NO_COLOUR = -2;

bool same(const std::uint8_t* rgb, const Colour& colour) {
    return rgb[0] == colour.red && rgb[1] == colour.green && rgb[2] == colour.blue;
}

// UNLIT for black, the first palette entry of the colour, or NO_COLOUR.
// Black is unlit even where the palette has a black entry: it looks so.
int colour_index(const std::uint8_t* rgb, const Palette& palette) {
    if (rgb[0] == 0 && rgb[1] == 0 && rgb[2] == 0) return UNLIT;
    for (int i = 0; i < PALETTE_SIZE; ++i) {
        if (same(rgb, palette[static_cast<std::size_t>(i)])) return i;
    }
    return NO_COLOUR;
}

std::string at(const char* what, int x, int y) {
    return std::string(what) + " at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

std::string picture_to_video(const std::vector<std::uint8_t>& rgb, int width, int height, const Palette& palette,
                             std::vector<std::uint8_t>* video) {
    const int scale = width / SCREEN_WIDTH;
    if (scale < SCALE_MIN || scale > SCALE_MAX || width != SCREEN_WIDTH * scale || height != SCREEN_HEIGHT * scale) {
        return "reference picture is not the screen's 288x256 at scale 1 to 4";
    }
    auto pixel = [&](int x, int y) { return rgb.data() + (static_cast<std::size_t>(y) * width + x) * RGB_CHANNELS; };
    for (int y = 0; y < SCREEN_HEIGHT; ++y) {
        for (int column = 0; column < VISIBLE_BYTES; ++column) {
            unsigned byte = 0;
            int attribute = UNLIT;
            for (int bit = 0; bit < PIXELS_PER_BYTE; ++bit) {
                const int x = column * PIXELS_PER_BYTE + bit;
                const std::uint8_t* corner = pixel(x * scale, y * scale);
                for (int dy = 0; dy < scale; ++dy) {
                    for (int dx = 0; dx < scale; ++dx) {
                        const std::uint8_t* p = pixel(x * scale + dx, y * scale + dy);
                        if (p[0] != corner[0] || p[1] != corner[1] || p[2] != corner[2]) {
                            return at("reference picture is not one that --screen wrote: uneven pixel", x, y);
                        }
                    }
                }
                const int index = colour_index(corner, palette);
                if (index == NO_COLOUR) return at("reference picture has a colour outside the palette", x, y);
                if (index == UNLIT) continue;
                if (attribute != UNLIT && attribute != index) {
                    return at("reference picture has two colours in one byte", x, y);
                }
                attribute = index;
                byte |= 1U << bit;
            }
            if (attribute != UNLIT) byte |= static_cast<unsigned>(attribute) << ATTRIBUTE_SHIFT;
            (*video)[static_cast<std::size_t>(y * LINE_STRIDE + column)] = static_cast<std::uint8_t>(byte);
        }
    }
    return "";
}

}  // namespace

std::string read_screen_reference(const char* path, const Palette& palette, std::vector<std::uint8_t>* video,
                                  bool* picture, int* failure) {
    std::string contents;
    if (const int code = read_text_file(path, &contents)) {
        if (failure) *failure = code;
        return "cannot read reference screen";
    }
    video->assign(QUILLET_VIDEO_SIZE, 0);
    *picture = contents.compare(0, 4, PNG_SIGNATURE) == 0;
    if (!*picture) {
        if (contents.size() != QUILLET_VIDEO_SIZE) {
            return "reference screen is neither a PNG picture of the screen nor a 16384-byte video memory image";
        }
        video->assign(contents.begin(), contents.end());
        return "";
    }
    std::vector<std::uint8_t> rgb;
    int width = 0;
    int height = 0;
    if (!decode_png(contents, &rgb, &width, &height)) return "reference picture cannot be decoded as PNG";
    return picture_to_video(rgb, width, height, palette, video);
}

void attributes_as_shown(const Palette& palette, std::vector<std::uint8_t>* video) {
    for (int y = 0; y < SCREEN_HEIGHT; ++y) {
        for (int column = 0; column < VISIBLE_BYTES; ++column) {
            std::uint8_t& byte = (*video)[static_cast<std::size_t>(y * LINE_STRIDE + column)];
            const int attribute = byte >> ATTRIBUTE_SHIFT;
            const std::uint8_t lit = byte & PIXEL_BITS;
            std::uint8_t rgb[RGB_CHANNELS] = {palette[static_cast<std::size_t>(attribute)].red,
                                              palette[static_cast<std::size_t>(attribute)].green,
                                              palette[static_cast<std::size_t>(attribute)].blue};
            const int shown = colour_index(rgb, palette);
            // A black entry shows lit pixels as unlit; otherwise the first entry of the colour.
            byte = shown == UNLIT ? 0 : static_cast<std::uint8_t>(lit | (lit ? shown << ATTRIBUTE_SHIFT : 0));
        }
    }
}

}  // namespace quillet::common
