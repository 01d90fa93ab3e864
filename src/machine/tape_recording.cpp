#include "machine/tape_recording.hpp"

namespace quillet {

void recording_add(TapeRecording* r, std::uint8_t byte, std::uint64_t start, std::uint64_t end, bool new_block) {
    if (r->bytes >= RECORDING_BYTES_MAX) {
        ++r->lost;
        return;
    }
    if (new_block || r->blocks.empty() || start >= r->end + RECORDING_GAP_STATES ||
        r->blocks.back().bytes.size() >= RECORDING_BLOCK_MAX) {
        r->blocks.emplace_back();
    }
    r->blocks.back().bytes.push_back(byte);
    ++r->bytes;
    r->end = end;
}

void recording_clear(TapeRecording* r) { *r = TapeRecording(); }

}  // namespace quillet
