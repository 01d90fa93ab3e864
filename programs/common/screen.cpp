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
constexpr Colour BLACK = {0, 0, 0};

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

// The colour of pixel (x, y) of the unscaled picture.
Colour pixel(const MemoryView& view, const Palette& palette, int x, int y) {
    const long offset = y * LINE_STRIDE + x / PIXELS_PER_BYTE;
    const int byte = view.byte(SCREEN_PAGE, offset);
    const bool lit = (byte >> (x % PIXELS_PER_BYTE)) & 1;
    return lit ? palette[static_cast<std::size_t>(byte >> ATTRIBUTE_SHIFT)] : BLACK;
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
    static_assert(SCREEN_WIDTH == VISIBLE_BYTES * PIXELS_PER_BYTE, "six pixels of each visible byte");
    const std::size_t row_bytes = static_cast<std::size_t>(SCREEN_WIDTH) * scale * RGB_CHANNELS;
    std::vector<std::uint8_t> image(row_bytes * SCREEN_HEIGHT * scale);
    for (int y = 0; y < SCREEN_HEIGHT * scale; ++y) {
        std::uint8_t* out = image.data() + row_bytes * static_cast<std::size_t>(y);
        for (int x = 0; x < SCREEN_WIDTH * scale; ++x) {
            const Colour colour = pixel(view, palette, x / scale, y / scale);
            *out++ = colour.red;
            *out++ = colour.green;
            *out++ = colour.blue;
        }
    }
    return image;
}

std::vector<std::uint8_t> render_wide_screen(const std::uint8_t* video, const Palette& palette, int scale) {
    constexpr int PIXELS_PER_WIDE_BYTE = 8;
    static_assert(WIDE_SCREEN_WIDTH == VISIBLE_BYTES * PIXELS_PER_WIDE_BYTE, "eight pixels of each visible byte");
    const std::size_t row_bytes = static_cast<std::size_t>(WIDE_SCREEN_WIDTH) * scale * RGB_CHANNELS;
    std::vector<std::uint8_t> image(row_bytes * SCREEN_HEIGHT * scale);
    for (int y = 0; y < SCREEN_HEIGHT * scale; ++y) {
        std::uint8_t* out = image.data() + row_bytes * static_cast<std::size_t>(y);
        for (int x = 0; x < WIDE_SCREEN_WIDTH * scale; ++x) {
            const int px = x / scale;
            const std::uint8_t byte = video[(y / scale) * LINE_STRIDE + px / PIXELS_PER_WIDE_BYTE];
            const Colour colour = (byte >> (px % PIXELS_PER_WIDE_BYTE)) & 1 ? palette[0] : BLACK;
            *out++ = colour.red;
            *out++ = colour.green;
            *out++ = colour.blue;
        }
    }
    return image;
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
