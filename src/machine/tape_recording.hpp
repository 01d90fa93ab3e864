// What the machine sent to tape, as tape blocks: the bytes in the order
// they went out, a new block when the sender begins one, after the line
// idled for RECORDING_GAP_STATES or more, or when the block is full.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tape/tape_image.hpp"

namespace quillet {

// A pause of a tenth of a second ends a block: well inside the half
// second the monitors leave between a header and its data, far beyond
// the gap between two bytes a program sends one after another.
constexpr std::uint64_t RECORDING_GAP_STATES = 204800;
// A block a PTP record can hold: a longer run without a pause goes on in
// a new block.
constexpr std::size_t RECORDING_BLOCK_MAX = 65535;
// The bytes the recording keeps (some 40 hours at 1200 bit/s); those sent
// after it is full are counted, not kept.
constexpr std::size_t RECORDING_BYTES_MAX = 16u * 1024 * 1024;

struct TapeRecording {
    std::vector<tape::Block> blocks;
    std::uint64_t end = 0;  // when the last byte recorded ended
    std::size_t bytes = 0;
    std::uint64_t lost = 0;  // bytes sent after the recording was full

    template <class Io>
    void state_io(Io& io) {
        io.sequence(blocks, [&](tape::Block& block) {
            io.bytes(block.bytes);
            io(block.position);
        });
        io(end), io(bytes), io(lost);
    }
};

// Records `byte`, sent from state `start` to `end`; `new_block` when the
// sender begins a block with it.
void recording_add(TapeRecording* recording, std::uint8_t byte, std::uint64_t start, std::uint64_t end,
                   bool new_block = false);

// Forgets what was recorded.
void recording_clear(TapeRecording* recording);

}  // namespace quillet
