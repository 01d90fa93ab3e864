// The monitor images the machine knows, by their CRC-32: the model each
// was made for. An image given to another model runs all the same (a front
// end may warn); one the machine does not know is taken as it is.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillet {

struct KnownMonitor {
    const char* name;     // what the image is, e.g. "monitor 1"
    std::size_t size;
    std::uint32_t crc32;  // of the whole image
    int model;            // the ComputerModel it was made for
};

// The entry of `image` among the known monitors, or null.
const KnownMonitor* known_monitor(const std::uint8_t* image, std::size_t size);

// The CRC-32 (the reflected polynomial EDB88320h, as zip has it) of `size` bytes.
std::uint32_t crc32_of(const std::uint8_t* bytes, std::size_t size);

}  // namespace quillet
