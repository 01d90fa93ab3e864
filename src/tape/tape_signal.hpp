// The tape as sound: the 1200 bit/s bi-phase signal of the PMD 85's tape
// interface written as a WAV file, and a recording read back into blocks.
//
// Each bit is one period that changes level in its middle: '1' low then
// high, '0' high then low. Each byte is a start bit (0), eight data bits
// from the lowest, and two stop bits (1). Between blocks the line idles
// with '1' bits: a lead-in before each block, longer before a header and
// longest at the start of the tape.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/failure.hpp"
#include "tape/tape_image.hpp"

namespace quillet::tape {

constexpr unsigned BIT_RATE = 1200;
constexpr unsigned WAV_SAMPLE_RATE = 48000;  // 40 samples a bit, 8-bit mono PCM
constexpr unsigned TAPE_LEAD_IN_BITS = 3600;   // 3 s at the start of the tape
constexpr unsigned HEADER_LEAD_IN_BITS = 1200;  // 1 s before a header block
constexpr unsigned BLOCK_LEAD_IN_BITS = 600;    // 0.5 s before any other block
constexpr unsigned TAPE_TAIL_BITS = 240;        // 0.2 s after the last block

constexpr unsigned FRAME_BITS = 11;  // a start bit, eight data bits, two stop bits

// Bit `index` (0..FRAME_BITS - 1) of the frame that carries `byte`.
inline bool frame_bit(std::uint8_t byte, unsigned index) {
    if (index == 0) return false;
    return index > 8 || ((byte >> (index - 1)) & 1) != 0;
}

// The idle bits before a block: the tape's lead-in before the first,
// a header's before a header block, a block's before any other.
unsigned lead_in_bits(bool first, const Block& block);

// The tape as the line carries it, in bits from the start of the tape:
// where each block's first start bit stands, after its lead-in, and where
// the signal ends, after the tail. Between blocks the line idles with '1'.
struct LineLayout {
    std::vector<std::uint64_t> block_start;
    std::uint64_t end = 0;
};
LineLayout line_layout(const Tape& tape);

// The WAV file of `tape`.
std::vector<std::uint8_t> write_wav(const Tape& tape);

// The bytes of samples in the WAV file of `tape`.
std::uint64_t wav_data_size(const Tape& tape);

// Where write_wav() streams a WAV file: each piece in turn; a non-zero
// result stops the writing and is returned.
using WavPiece = int (*)(void* user, const std::uint8_t* data, std::size_t length);

// The WAV file of `tape`, handed to `piece` a buffer of samples at a time,
// so that its memory stays the same however long the tape is. The caller
// checks its size first (check_wav_data_size of wav_data_size).
int write_wav(const Tape& tape, WavPiece piece, void* user);

// Whether `length` bytes at `image` begin as a WAV file does.
bool looks_like_wav(const std::uint8_t* image, std::size_t length);

// Reads the WAV recording of `length` bytes at `image` (PCM, 8 or 16 bits,
// any rate from 8000 to 192000 samples a second, the first channel) into
// `tape` (replaced): each run of bytes that follows a lead-in is a block.
// A file that is no PCM WAV is ERR_BAD_RECORDING naming `name` and why; a
// recording with no block in it is ERR_TAPE_FORMAT.
int read_wav(const std::uint8_t* image, std::size_t length, const char* name, const Reporter& reporter,
             Tape* tape);

}  // namespace quillet::tape
