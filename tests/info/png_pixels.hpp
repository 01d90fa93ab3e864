// Decoding a PNG file in the tests, with stb_image (Debian: libstb-dev), an
// implementation independent of the encoder under test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace info_test {

struct Rgb {
    std::uint8_t red, green, blue;
    bool operator==(const Rgb& other) const {
        return red == other.red && green == other.green && blue == other.blue;
    }
};

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // rows from the top
    const Rgb& at(int x, int y) const { return pixels.at(static_cast<std::size_t>(y) * width + x); }
};

// Decodes the PNG file `bytes` into RGB pixels; false (with `error` set)
// when it is no PNG file the decoder takes, or not an RGB picture.
bool decode_png(const std::vector<std::uint8_t>& bytes, Picture* picture, std::string* error);

}  // namespace info_test
