// The monitor's tape block reader (block_reader.hpp).
#include "machine/block_reader.hpp"

namespace quillet {
namespace {

constexpr std::size_t ENTRY_AT = 0x0DC4, INCREMENT_AT = 0x0DD3, RETURN_AT = 0x0DE1;
constexpr std::uint8_t INX_H = 0x23, RET = 0xC9, JC = 0xDA;

bool is_pop(std::uint8_t opcode) { return opcode == 0xC1 || opcode == 0xD1 || opcode == 0xE1; }

}  // namespace

BlockReader find_block_reader(const std::uint8_t* monitor, std::size_t size, std::uint16_t base) {
    BlockReader reader;
    if (size <= RETURN_AT || monitor[INCREMENT_AT] != INX_H || monitor[RETURN_AT] != RET) return reader;
    reader.entry = static_cast<std::uint16_t>(base + ENTRY_AT);
    reader.checked = static_cast<std::uint16_t>(base + RETURN_AT);
    // The failure's way out: a JC whose target pops what the reader pushed
    // and returns.
    for (std::size_t at = ENTRY_AT; at + 2 < RETURN_AT; ++at) {
        if (monitor[at] != JC) continue;
        const std::size_t target = static_cast<std::size_t>(monitor[at + 1] | monitor[at + 2] << 8) - base;
        if (target + 1 < size && is_pop(monitor[target]) && monitor[target + 1] == RET) {
            reader.failed = static_cast<std::uint16_t>(base + target + 1);
            break;
        }
    }
    return reader;
}

}  // namespace quillet
