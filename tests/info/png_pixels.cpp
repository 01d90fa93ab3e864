#include "png_pixels.hpp"

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb_image.h>

namespace info_test {
namespace {

constexpr int RGB_CHANNELS = 3;

}  // namespace

bool decode_png(const std::vector<std::uint8_t>& bytes, Picture* picture, std::string* error) {
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height,
                                            &channels, RGB_CHANNELS);
    if (!pixels) {
        *error = stbi_failure_reason();
        return false;
    }
    if (channels != RGB_CHANNELS) {
        stbi_image_free(pixels);
        *error = "the PNG file has " + std::to_string(channels) + " channels, not RGB";
        return false;
    }
    picture->width = width;
    picture->height = height;
    picture->pixels.resize(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < picture->pixels.size(); ++i) {
        const stbi_uc* p = pixels + i * RGB_CHANNELS;
        picture->pixels[i] = Rgb{p[0], p[1], p[2]};
    }
    stbi_image_free(pixels);
    return true;
}

}  // namespace info_test
