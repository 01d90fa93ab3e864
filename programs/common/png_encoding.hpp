// PNG encoding of an RGB picture, by the stb_image_write library compiled
// into the program, so that it builds wherever a C++ compiler does. A build
// without that header (png_encoding_unavailable.cpp) has no PNG encoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillet::common {

// Whether this build can encode PNG files.
bool png_encoding_available();

// Encodes `rgb` (`width` by `height` pixels, rows from the top, three bytes
// a pixel) as a PNG file's bytes into `png`. False when the encoder fails
// (out of memory).
bool encode_png(const std::vector<std::uint8_t>& rgb, int width, int height, std::vector<std::uint8_t>* png);

}  // namespace quillet::common

namespace quillet::common {

// Decodes the PNG file `png` into `rgb` (three bytes a pixel, rows from the
// top) and its size. False when it is not a PNG file this build can read.
bool decode_png(const std::string& png, std::vector<std::uint8_t>* rgb, int* width, int* height);

}  // namespace quillet::common
