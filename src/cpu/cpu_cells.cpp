// What reads see, copied in and out of the cells many bytes at a time: a
// machine lays a 1 KB region of its map in a microsecond or less, so that
// a program may switch its map many times a frame. The loops are plain
// byte loops that the compiler turns into vector code (cmake/ asks GCC to
// at -O2 as well).
#include <algorithm>

#include "cpu/cpu8080.hpp"

namespace quillet {

void cpu_lay_cells(Cpu8080* cpu, std::uint16_t address, const std::uint8_t* bytes, std::size_t length,
                   std::uint8_t keep, std::uint8_t set) {
    std::uint8_t* cell = &cpu->cells[2 * static_cast<std::size_t>(address)];
    for (std::size_t i = 0; i < length; ++i) {
        cell[2 * i + CELL_BYTE] = bytes[i];
        cell[2 * i + CELL_MARKS] = static_cast<std::uint8_t>((cell[2 * i + CELL_MARKS] & keep) | set);
    }
    // Address 0 repeated after 0xFFFF reads the same.
    if (address == 0 && length > 0) cpu->cells[2 * CPU_MEMORY_SIZE + CELL_BYTE] = bytes[0];
}

void cpu_read_view(const Cpu8080* cpu, std::uint16_t address, std::uint8_t* out, std::size_t length) {
    while (length > 0) {
        // Up to the end of the 64 KB, then on from address 0.
        const std::size_t run = std::min(length, CPU_MEMORY_SIZE - address);
        const std::uint8_t* cell = &cpu->cells[2 * static_cast<std::size_t>(address) + CELL_BYTE];
        for (std::size_t i = 0; i < run; ++i) out[i] = cell[2 * i];
        out += run;
        length -= run;
        address = 0;
    }
}

}  // namespace quillet
