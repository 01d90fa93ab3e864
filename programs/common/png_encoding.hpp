// PNG encoding of an RGB picture, by the stb_image_write library compiled
// into the program, so that it builds wherever a C++ compiler does. A build
// without that header (png_encoding_unavailable.cpp) has no PNG encoder.
#pragma once

#include <cstdint>
#include <vector>

namespace quillet::common {

// Whether this build can encode PNG files.
bool png_encoding_available();

// Encodes `rgb` (`width` by `height` pixels, rows from the top, three bytes
// a pixel) as a PNG file's bytes into `png`. False when the encoder fails
// (out of memory).
bool encode_png(const std::vector<std::uint8_t>& rgb, int width, int height, std::vector<std::uint8_t>* png);

}  // namespace quillet::common
