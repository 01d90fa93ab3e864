// The RIFF WAVE container of PCM sound, as the speaker's recordings and
// the tapes are written in and read from: a RIFF header, a "fmt " chunk
// and a "data" chunk, every number little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/failure.hpp"

namespace quillet {

constexpr std::size_t WAV_RIFF_HEADER_SIZE = 12;  // "RIFF", the size of the rest, "WAVE"
constexpr std::size_t WAV_CHUNK_HEADER_SIZE = 8;  // a chunk's tag and size
constexpr std::size_t WAV_FORMAT_SIZE = 16;       // the "fmt " chunk of PCM
constexpr std::size_t WAV_HEADER_SIZE =
    WAV_RIFF_HEADER_SIZE + WAV_CHUNK_HEADER_SIZE + WAV_FORMAT_SIZE + WAV_CHUNK_HEADER_SIZE;
constexpr unsigned WAV_PCM_FORMAT = 1;

// The most bytes of samples a WAV file can hold: the size of all that
// follows its first 8 bytes is a 32-bit number.
constexpr std::uint64_t WAV_DATA_MAX = 0xFFFFFFFFu - (WAV_HEADER_SIZE - WAV_CHUNK_HEADER_SIZE);

// The sample rates the library renders and writes sound at.
constexpr std::uint32_t SOUND_RATE_MIN = 8000, SOUND_RATE_MAX = 192000;

// 0 when `data_size` bytes of samples fit a WAV file; else
// ERR_VALUE_RANGE, reported with the size and the limit, so that such a
// file is refused before any of it is written (its sizes would wrap).
int check_wav_data_size(std::uint64_t data_size, const Reporter& reporter);

// Appends to `out` the WAV_HEADER_SIZE bytes that begin a file of
// `data_size` bytes of PCM samples, `channels` of `bits` bits each,
// `rate` samples a second.
void append_wav_header(std::vector<std::uint8_t>* out, unsigned channels, std::uint32_t rate, unsigned bits,
                       std::uint32_t data_size);

}  // namespace quillet
