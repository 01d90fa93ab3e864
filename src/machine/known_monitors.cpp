// The known monitor images (known_monitors.hpp).
#include "machine/known_monitors.hpp"

#include "snapshot/snapshot_format.hpp"

namespace quillet {
namespace {

constexpr KnownMonitor KNOWN_MONITORS[] = {
    {"monitor 1", 4096, 0xEF50B416, MODEL_V1},
    {"monitor 2", 4096, 0xD4786F63, MODEL_V2},
    {"monitor 2A", 4096, 0x87A37680, MODEL_V2A},
    {"monitor 3", 8192, 0x83E22C47, MODEL_V3},
    {"the MATO monitor with BASIC-G", 16384, 0x574110A6, MODEL_MATO},
    {"the Alfa 2 monitor with BASIC", 16384, 0x4282EC39, MODEL_ALFA2},
    {"the C2717 monitor with BASIC-G", 16384, 0xDA1703B1, MODEL_C2717},
};

struct Crc32Table {
    std::uint32_t entry[256];
};

constexpr Crc32Table make_crc32_table() {
    Crc32Table table{};
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        std::uint32_t crc = byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
        table.entry[byte] = crc;
    }
    return table;
}

constexpr Crc32Table CRC32_TABLE = make_crc32_table();

}  // namespace

std::uint32_t crc32_of(const std::uint8_t* bytes, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) crc = CRC32_TABLE.entry[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

const KnownMonitor* known_monitor(const std::uint8_t* image, std::size_t size) {
    const KnownMonitor* sized = nullptr;
    for (const KnownMonitor& known : KNOWN_MONITORS) {
        if (known.size == size) sized = &known;
    }
    if (!sized) return nullptr;  // no image of that size is known: no checksum to take
    const std::uint32_t crc = crc32_of(image, size);
    for (const KnownMonitor& known : KNOWN_MONITORS) {
        if (known.size == size && known.crc32 == crc) return &known;
    }
    return nullptr;
}

}  // namespace quillet
