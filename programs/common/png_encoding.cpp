#include "png_encoding.hpp"

// The encoder's implementation lives in this file only; its functions stay
// local to it and never touch files (quillet_save_file writes the result).
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include "quillet/quillet_tools.h"

namespace quillet::common {
namespace {

constexpr int RGB_COMPONENTS = 3;

void append(void* context, void* data, int size) {
    auto* png = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    png->insert(png->end(), bytes, bytes + size);
}

}  // namespace

bool png_encoding_available() { return true; }

bool encode_png(const std::vector<std::uint8_t>& rgb, int width, int height, std::vector<std::uint8_t>* png) {
    png->clear();
    return stbi_write_png_to_func(append, png, width, height, RGB_COMPONENTS, rgb.data(), width * RGB_COMPONENTS) != 0;
}

}  // namespace quillet::common

// The decoder, for reference pictures: PNG only, from memory.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb_image.h>

namespace quillet::common {

bool decode_png(const std::string& png, std::vector<std::uint8_t>* rgb, int* width, int* height) {
    int channels = 0;
    unsigned char* pixels = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(png.data()),
                                                  static_cast<int>(png.size()), width, height, &channels, RGB_COMPONENTS);
    if (!pixels) return false;
    rgb->assign(pixels, pixels + static_cast<std::size_t>(*width) * *height * RGB_COMPONENTS);
    stbi_image_free(pixels);
    return true;
}

}  // namespace quillet::common
