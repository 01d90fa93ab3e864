#include "screen.hpp"

#include <string>

#include "failures.hpp"
#include "png_encoding.hpp"

namespace quillet::common {
namespace {

constexpr int COLOUR_DIGITS = 6;
constexpr char COLOUR_SEPARATOR = ',';
constexpr int HEX_BASE = 16;
constexpr int BYTE_BITS = 8;
constexpr unsigned BYTE_MASK = 0xFF;

bool parse_colour(const std::string& text, Colour* colour) {
    if (text.size() != COLOUR_DIGITS || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        return false;
    }
    const unsigned long value = std::stoul(text, nullptr, HEX_BASE);
    *colour = Colour{static_cast<std::uint8_t>((value >> (2 * BYTE_BITS)) & BYTE_MASK),
                     static_cast<std::uint8_t>((value >> BYTE_BITS) & BYTE_MASK),
                     static_cast<std::uint8_t>(value & BYTE_MASK)};
    return true;
}

// The picture of the 16 KB of `video` as the library draws it, `scale`
// times enlarged, RGB_CHANNELS bytes a pixel; `width` its unscaled width.
std::vector<std::uint8_t> scaled_picture(const std::uint8_t* video, int model, bool wide, int width,
                                         const Palette& palette, int scale) {
    constexpr int RGBA_CHANNELS = 4;
    std::uint8_t colours[PALETTE_SIZE * RGB_CHANNELS];
    for (std::size_t i = 0; i < PALETTE_SIZE; ++i) {
        colours[i * RGB_CHANNELS] = palette[i].red;
        colours[i * RGB_CHANNELS + 1] = palette[i].green;
        colours[i * RGB_CHANNELS + 2] = palette[i].blue;
    }
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * SCREEN_HEIGHT * RGBA_CHANNELS);
    // A still picture shows bit 7's blinking in its lit phase.
    quillet_screen_render_rgba(video, QUILLET_VIDEO_SIZE, model, wide ? 1 : 0, 1, colours, rgba.data(), rgba.size());
    const std::size_t row_bytes = static_cast<std::size_t>(width) * scale * RGB_CHANNELS;
    std::vector<std::uint8_t> image(row_bytes * SCREEN_HEIGHT * scale);
    for (int y = 0; y < SCREEN_HEIGHT * scale; ++y) {
        std::uint8_t* out = image.data() + row_bytes * static_cast<std::size_t>(y);
        const std::uint8_t* row = rgba.data() + static_cast<std::size_t>(y / scale) * width * RGBA_CHANNELS;
        for (int x = 0; x < width * scale; ++x) {
            const std::uint8_t* pixel = row + static_cast<std::size_t>(x / scale) * RGBA_CHANNELS;
            *out++ = pixel[0];
            *out++ = pixel[1];
            *out++ = pixel[2];
        }
    }
    return image;
}

}  // namespace

const char* parse_palette(const char* text, Palette* palette) {
    const std::string all = text;
    std::size_t start = 0;
    for (int i = 0; i < PALETTE_SIZE; ++i) {
        const std::size_t end = all.find(COLOUR_SEPARATOR, start);
        const bool last = i + 1 == PALETTE_SIZE;
        if (last != (end == std::string::npos)) return "palette needs four colours RRGGBB,RRGGBB,RRGGBB,RRGGBB";
        if (!parse_colour(all.substr(start, end - start), &(*palette)[static_cast<std::size_t>(i)])) {
            return "bad colour in palette (RRGGBB, hexadecimal)";
        }
        start = end + 1;
    }
    return nullptr;
}

std::vector<std::uint8_t> render_screen(const MemoryView& view, const Palette& palette, int scale) {
    return scaled_picture(view.page_bytes(SCREEN_PAGE), view.model(), false, SCREEN_WIDTH, palette, scale);
}

std::vector<std::uint8_t> render_wide_screen(const std::uint8_t* video, const Palette& palette, int scale) {
    return scaled_picture(video, QUILLET_MODEL_C2717, true, WIDE_SCREEN_WIDTH, palette, scale);
}

int screen_png(const MemoryView& view, const char* name, const Palette& palette, int scale,
               std::vector<std::uint8_t>* png) {
    if (!view.page_present(SCREEN_PAGE)) {
        const std::string text =
            std::string("No screen in '") + name + "': block 3 (0xC000-0xFFFF), the video memory, is absent!";
        print_failure(text.c_str());
        return NO_SCREEN_STATUS;
    }
    if (!encode_png(render_screen(view, palette, scale), SCREEN_WIDTH * scale, SCREEN_HEIGHT * scale, png)) {
        return -report_failure(CONSOLE_FAILURES, QUILLET_ERR_OUT_OF_MEMORY);
    }
    return 0;
}

}  // namespace quillet::common
