#include "machine/pulse_tape_out.hpp"

namespace quillet {
namespace {

constexpr std::uint8_t HEADER_SYNC = 0x55;
constexpr std::uint8_t LEAD_IN[3] = {0xFF, 0x00, 0x55};
constexpr int LEAD_IN_RUN = 16;

void bit(PulseTapeOut* o, TapeRecording* r, bool one, std::uint64_t now) {
    using Phase = PulseTapeOut::Phase;
    switch (o->phase) {
        case Phase::LEADER:
            if (!one) {
                ++o->zeros;
                return;
            }
            if (o->zeros >= HEADER_LEADER_BITS) {
                // The start bit of the header's sync byte.
                o->sync_byte = true;
                o->phase = Phase::DATA_BITS;
                o->bits = 0;
                o->byte = 0;
                o->byte_start = o->rose_at;
            } else if (o->zeros >= LEADER_BITS) {
                // The data block's sync bit: its bytes follow.
                o->sync_byte = false;
                o->phase = Phase::START_BIT;
                o->block_begins = true;
            }
            o->zeros = 0;
            return;
        case Phase::START_BIT:
            if (!one) {
                // No byte follows: the block has ended, a leader may begin.
                o->phase = Phase::LEADER;
                o->zeros = 1;
                return;
            }
            o->phase = Phase::DATA_BITS;
            o->bits = 0;
            o->byte = 0;
            o->byte_start = o->rose_at;
            return;
        case Phase::DATA_BITS: break;
    }
    if (one) o->byte = static_cast<std::uint8_t>(o->byte | 1u << o->bits);
    if (++o->bits < 8) return;
    o->phase = Phase::START_BIT;
    if (!o->sync_byte) {
        recording_add(r, o->byte, o->byte_start, now, o->block_begins);
        o->block_begins = false;
        return;
    }
    o->sync_byte = false;
    if (o->byte != HEADER_SYNC) {
        o->phase = Phase::LEADER;
        o->zeros = 0;
        return;
    }
    o->block_begins = true;
    for (const std::uint8_t lead : LEAD_IN) {
        for (int i = 0; i < LEAD_IN_RUN; ++i) {
            recording_add(r, lead, o->byte_start, now, o->block_begins);
            o->block_begins = false;
        }
    }
}

}  // namespace

void pulse_tape_line(PulseTapeOut* o, TapeRecording* r, bool level, std::uint64_t now) {
    if (level == o->level) return;
    o->level = level;
    if (level) {
        // A line that idled low this long has left any block.
        if (now - o->fell_at >= RECORDING_GAP_STATES && o->phase != PulseTapeOut::Phase::LEADER) {
            o->phase = PulseTapeOut::Phase::LEADER;
            o->zeros = 0;
        }
        o->rose_at = now;
        return;
    }
    o->fell_at = now;
    bit(o, r, now - o->rose_at >= PULSE_ONE_STATES, now);
}

}  // namespace quillet
