// MATO's tape output, which has no 8251: the firmware writes each bit on
// PC0 as a high pulse and a low, a short high for '0', a long one for '1'
// (nominally 619 and 1830 states, each followed by some 1211 low). A
// block is a leader of '0' bits, a sync, then its bytes, each a '1' start
// bit and eight data bits from the lowest: the header block's leader is
// 510 bits and its sync the byte 55h, the data block's leader 128 bits and
// its sync a lone '1' bit. The header's bytes are the PMD 85's header
// fields and checksum, so the block is recorded with the PMD 85's 48-byte
// lead-in (16 FFh, 16 00h, 16 55h) in place of the leader and sync, and a
// saved file lists and loads as one.
#pragma once

#include <cstdint>

#include "machine/tape_recording.hpp"

namespace quillet {

// Below this many states a high pulse is a '0', from it on a '1'.
constexpr std::uint64_t PULSE_ONE_STATES = 1225;
// '0' bits that make a leader; from HEADER_LEADER_BITS on, a header's.
constexpr std::uint32_t LEADER_BITS = 64;
constexpr std::uint32_t HEADER_LEADER_BITS = 256;

struct PulseTapeOut {
    enum class Phase : std::uint8_t { LEADER, START_BIT, DATA_BITS };
    bool level = false;
    std::uint64_t rose_at = 0;
    std::uint64_t fell_at = 0;
    Phase phase = Phase::LEADER;
    std::uint32_t zeros = 0;     // '0' bits of the leader so far
    bool sync_byte = false;      // the byte being read is a header's sync
    bool block_begins = false;   // the next byte recorded begins a block
    std::uint8_t bits = 0;       // data bits of the byte read so far
    std::uint8_t byte = 0;
    std::uint64_t byte_start = 0;

    template <class Io>
    void state_io(Io& io) {
        io(level), io(rose_at), io(fell_at), io(phase), io(zeros), io(sync_byte), io(block_begins), io(bits), io(byte), io(byte_start);
    }
};

// PC0 holds `level` from state `now` on; the bytes it completes go into
// `recording`.
void pulse_tape_line(PulseTapeOut* out, TapeRecording* recording, bool level, std::uint64_t now);

}  // namespace quillet
