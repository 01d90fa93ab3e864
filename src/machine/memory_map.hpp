// A model's memory map as the processor sees it, in regions of 1 KB: for
// each, what reads see (RAM, the monitor image, nothing) and where writes
// go (RAM, nowhere). Built from the model's row (machine_model.hpp) and the
// switches the hardware sets: the start-up map after reset, AllRAM, and
// the 256 KB mapper's window.
#pragma once

#include <cstddef>
#include <cstdint>

#include "machine/machine_model.hpp"

namespace quillet {

constexpr unsigned MAP_REGION_SIZE = 1024;
constexpr unsigned MAP_REGIONS = 65536 / MAP_REGION_SIZE;
constexpr unsigned RAM_BLOCK_SIZE = 16384;  // one 16 KB window, one mapper bank, one snapshot page
constexpr unsigned RAM_BLOCKS = 16;         // 256 KB with the mapper
constexpr unsigned VIDEO_BLOCK = 3;         // C000h-FFFFh

enum class ReadSource : std::uint8_t {
    RAM,      // the RAM at `ram`
    MONITOR,  // the monitor image at `monitor` (FFh where the snapshot's run has none)
    NOTHING,  // FFh
};

struct MapRegion {
    ReadSource read;
    bool write_ram;       // writes reach the RAM at `ram`; otherwise they are lost
    std::uint32_t ram;    // offset of the region's first byte in the 256 KB RAM
    std::uint32_t monitor;  // offset of the region's first byte in the monitor image
};

struct MapSwitches {
    bool startup = false;   // the map of reset, until the first I/O write
    bool allram = false;
    unsigned mapper_window = 0;  // the 16 KB window that sees mapper_bank
    unsigned mapper_bank = 0;    // window == bank: every window its own block
    std::size_t monitor_size = 0;  // the image's size, or the model's default range without one
};

// Lays out the map of `facts` with `switches` into `regions`.
void build_memory_map(const ModelFacts& facts, const MapSwitches& switches, MapRegion regions[MAP_REGIONS]);

}  // namespace quillet
