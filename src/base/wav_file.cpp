// The WAV container's header (wav_file.hpp).
#include "base/wav_file.hpp"

#include <string>

namespace quillet {
namespace {

void put16(std::vector<std::uint8_t>* out, unsigned value) {
    out->push_back(static_cast<std::uint8_t>(value & 0xFF));
    out->push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void put32(std::vector<std::uint8_t>* out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void put_tag(std::vector<std::uint8_t>* out, const char* tag) { out->insert(out->end(), tag, tag + 4); }

}  // namespace

int check_wav_data_size(std::uint64_t data_size, const Reporter& reporter) {
    if (data_size <= WAV_DATA_MAX) return 0;
    const std::string what =
        std::string("the samples of a WAV file (at most ") + DecimalText::of_size(WAV_DATA_MAX).c_str() + " bytes)";
    return report_size_failure(reporter, ERR_VALUE_RANGE, what.c_str(), static_cast<std::size_t>(data_size));
}

void append_wav_header(std::vector<std::uint8_t>* out, unsigned channels, std::uint32_t rate, unsigned bits,
                       std::uint32_t data_size) {
    const unsigned block = channels * bits / 8;  // bytes a sample of all channels
    put_tag(out, "RIFF");
    put32(out, static_cast<std::uint32_t>(WAV_HEADER_SIZE - WAV_CHUNK_HEADER_SIZE + data_size));
    put_tag(out, "WAVE");
    put_tag(out, "fmt ");
    put32(out, WAV_FORMAT_SIZE);
    put16(out, WAV_PCM_FORMAT);
    put16(out, channels);
    put32(out, rate);
    put32(out, rate * block);  // bytes a second
    put16(out, block);
    put16(out, bits);
    put_tag(out, "data");
    put32(out, data_size);
}

}  // namespace quillet
