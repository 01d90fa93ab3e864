// The memory maps of the sheet's section 1.3, one function per memory
// board. Where its sources disagree the choice is said at the place.
#include "machine/memory_map.hpp"

namespace quillet {

namespace {

struct Layout {
    const MapSwitches& sw;

    // The RAM behind CPU address `address`: its window's block, or the
    // mapper's bank in the mapper's window.
    std::uint32_t ram(unsigned address) const {
        const unsigned window = address / RAM_BLOCK_SIZE;
        const unsigned block = window == sw.mapper_window ? sw.mapper_bank : window;
        return block * RAM_BLOCK_SIZE + address % RAM_BLOCK_SIZE;
    }

    MapRegion plain_ram(unsigned address) const { return {ReadSource::RAM, true, ram(address), 0}; }

    // The video RAM seen through a mirror at 4000h-7FFFh.
    MapRegion video_mirror(unsigned address) const {
        return {ReadSource::RAM, true, VIDEO_BLOCK * RAM_BLOCK_SIZE + address % RAM_BLOCK_SIZE, 0};
    }

    // Byte `offset` of a 16 KB ROM window at 8000h: images of up to 8 KB
    // repeat at A000h, bigger ones fill the window; past the image nothing.
    // `write_ram`: whether writes reach the RAM beneath (at `address`).
    MapRegion rom_window(unsigned address, unsigned offset, bool write_ram) const {
        if (sw.monitor_size <= 8192) offset %= 8192;
        if (offset >= sw.monitor_size) return {ReadSource::NOTHING, write_ram, ram(address), 0};
        return {ReadSource::MONITOR, write_ram, ram(address), offset};
    }
};

// PMD 85-1, 85-2, MATO, Alfa, Alfa 2: no RAM at 8000h-BFFFh. The start-up
// map repeats 8000h-BFFFh at 0000h (writes lost) and shows the video RAM
// at 4000h too. MATO's 4000h-7FFFh during start-up is such a mirror for
// one source and nothing for another: the mirror is taken, as the board
// MATO copies has it.
MapRegion map_48k(const Layout& l, unsigned a) {
    if (a >= 0x8000 && a < 0xC000) return l.rom_window(a, a - 0x8000, false);
    if (!l.sw.startup || a >= 0xC000) return l.plain_ram(a);
    if (a < 0x4000) return l.rom_window(a, a, false);
    return l.video_mirror(a);
}

// PMD 85-2A: 64 KB, the ROM read at 8000h (and A000h) over RAM that every
// write reaches. Start-up: the ROM read at 0000h too, over RAM; RAM
// elsewhere. (The reading of the schematic's re-creation and of one
// emulator; a third source mirrors other RAM at 1000h-7FFFh during
// start-up, which no monitor relies on.)
MapRegion map_64k(const Layout& l, unsigned a) {
    const bool rom_high = a >= 0x8000 && a < 0xC000 && !l.sw.allram;
    const bool rom_low = a < 0x4000 && l.sw.startup;
    if (!rom_high && !rom_low) return l.plain_ram(a);
    MapRegion r = l.rom_window(a, a % 0x4000, true);
    if (r.read == ReadSource::NOTHING) r.read = ReadSource::RAM;
    return r;
}

// PMD 85-3: the 8 KB ROM read at E000h over the upper half of the video
// RAM, which writes always reach; during start-up read in every 8 KB.
MapRegion map_e000(const Layout& l, unsigned a) {
    if (l.sw.startup || (a >= 0xE000 && !l.sw.allram)) {
        return {ReadSource::MONITOR, true, l.ram(a), a % 0x2000u};
    }
    return l.plain_ram(a);
}

// Consul 2717: 16 KB ROM at 8000h that writes do not pass unless AllRAM;
// start-up: the ROM read at 0000h too (writes lost), RAM at 4000h.
MapRegion map_c2717(const Layout& l, unsigned a) {
    if (a >= 0x8000 && a < 0xC000) {
        if (l.sw.allram) return l.plain_ram(a);
        return l.rom_window(a, a - 0x8000, false);
    }
    if (l.sw.startup && a < 0x4000) return l.rom_window(a, a, false);
    return l.plain_ram(a);
}

}  // namespace

void build_memory_map(const ModelFacts& facts, const MapSwitches& switches, MapRegion regions[MAP_REGIONS]) {
    const Layout layout{switches};
    for (unsigned i = 0; i < MAP_REGIONS; ++i) {
        const unsigned a = i * MAP_REGION_SIZE;
        switch (facts.board) {
            case MemoryBoard::ROM_48K: regions[i] = map_48k(layout, a); break;
            case MemoryBoard::ROM_64K: regions[i] = map_64k(layout, a); break;
            case MemoryBoard::ROM_E000: regions[i] = map_e000(layout, a); break;
            case MemoryBoard::ROM_C2717: regions[i] = map_c2717(layout, a); break;
        }
    }
}

}  // namespace quillet
