// The speaker's sound (speaker.hpp).
#include "machine/speaker.hpp"

#include "base/wav_file.hpp"

namespace quillet {
namespace {

// Bits 7 and 9 of the video counter (one count every two states) are
// bits 8 and 10 of the state; the counter wraps at a whole number of
// their periods, so the frame's start is a start of both.
constexpr int TONE_4KHZ_STATE_BIT = 8;
constexpr int TONE_1KHZ_STATE_BIT = 10;
// The level is constant within every 256 states that start at a multiple of 256.
constexpr std::uint64_t STEADY_STATES = std::uint64_t{1} << TONE_4KHZ_STATE_BIT;

// States in [from, to) at which the speaker is up, the lines being `port_c`.
std::uint64_t up_states(std::uint8_t port_c, std::uint64_t from, std::uint64_t to) {
    if (port_c & PORT_C_SPEAKER) return to - from;
    if (!(port_c & (PORT_C_TONE_1KHZ | PORT_C_TONE_4KHZ))) return 0;
    std::uint64_t up = 0;
    for (std::uint64_t state = from; state < to;) {
        std::uint64_t next = (state | (STEADY_STATES - 1)) + 1;
        if (next > to) next = to;
        if (speaker_level(port_c, state)) up += next - state;
        state = next;
    }
    return up;
}

}  // namespace

bool speaker_level(std::uint8_t port_c, std::uint64_t state) {
    if (port_c & PORT_C_SPEAKER) return true;
    if ((port_c & PORT_C_TONE_4KHZ) && ((state >> TONE_4KHZ_STATE_BIT) & 1)) return true;
    return (port_c & PORT_C_TONE_1KHZ) && ((state >> TONE_1KHZ_STATE_BIT) & 1);
}

void SpeakerRecorder::set_port_c(std::uint64_t state, std::uint8_t port_c) {
    std::uint8_t lines = port_c & (PORT_C_SOUND | PORT_C_LED);
    if (lines == lines_) return;
    changes_.push_back({state, lines, static_cast<std::uint8_t>(lines ^ lines_)});
    lines_ = lines;
}

std::vector<std::int16_t> SpeakerRecorder::samples(std::uint64_t start, std::uint64_t end, std::uint32_t rate,
                                                   std::uint32_t clock_hz) const {
    std::vector<std::int16_t> out;
    if (end <= start || rate == 0 || clock_hz == 0) return out;
    std::uint64_t count = (end - start) * rate / clock_hz;
    out.reserve(count);
    std::size_t next_change = 0;
    std::uint8_t lines = 0;
    auto settle = [&](std::uint64_t state) {
        while (next_change < changes_.size() && changes_[next_change].state <= state) {
            lines = changes_[next_change++].lines;
        }
    };
    for (std::uint64_t k = 0; k < count; ++k) {
        std::uint64_t from = start + k * clock_hz / rate;
        std::uint64_t to = start + (k + 1) * clock_hz / rate;
        std::uint64_t up = 0;
        settle(from);
        for (std::uint64_t state = from; state < to;) {
            std::uint64_t until = to;
            if (next_change < changes_.size() && changes_[next_change].state < until) {
                until = changes_[next_change].state;
            }
            up += up_states(lines, state, until);
            state = until;
            settle(state);
        }
        out.push_back(static_cast<std::int16_t>(up * SAMPLE_FULL / (to - from)));
    }
    return out;
}

std::vector<std::uint8_t> wav_file(const std::vector<std::int16_t>& samples, std::uint32_t rate) {
    constexpr unsigned CHANNELS = 1, BITS = 16;
    std::uint32_t data_size = static_cast<std::uint32_t>(samples.size() * CHANNELS * BITS / 8);
    std::vector<std::uint8_t> out;
    out.reserve(WAV_HEADER_SIZE + data_size);
    append_wav_header(&out, CHANNELS, rate, BITS, data_size);
    for (std::int16_t sample : samples) {
        const auto value = static_cast<std::uint16_t>(sample);
        out.push_back(static_cast<std::uint8_t>(value & 0xFF));
        out.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    return out;
}

}  // namespace quillet
