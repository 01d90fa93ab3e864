// A PMD 85 memory map read plainly, for the reference 8080 beside the
// machine: reads come from RAM, the monitor image or nothing as the map's
// table says, and a write to RAM shows wherever that RAM is read. The
// machine's differential test and fuzz target hold the machine to it.
#pragma once

#include <cstdint>
#include <vector>

#include "cpu_reference.hpp"
#include "machine/memory_map.hpp"

namespace quillet {

struct PlainMap {
    MapRegion regions[MAP_REGIONS];
    std::vector<std::uint8_t> ram;

    void write(quillet_reference::Reference8080* ref, std::uint16_t address, std::uint8_t value) {
        const MapRegion& r = regions[address / MAP_REGION_SIZE];
        if (!r.write_ram) return;
        const unsigned offset = address % MAP_REGION_SIZE;
        ram[r.ram + offset] = value;
        for (unsigned i = 0; i < MAP_REGIONS; ++i) {
            if (regions[i].read == ReadSource::RAM && regions[i].ram == r.ram) ref->memory[i * MAP_REGION_SIZE + offset] = value;
        }
    }
};

}  // namespace quillet
