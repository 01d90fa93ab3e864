// The speaker's sound (speaker.hpp).
#include "machine/speaker.hpp"

#include <algorithm>

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

// floor(a * b / c) without overflowing 64 bits for the counts here.
std::uint64_t scaled(std::uint64_t a, std::uint64_t b, std::uint64_t c) { return a / c * b + a % c * b / c; }

// Sample `k` of a grid of `rate` a second from state 0: its first state.
std::uint64_t sample_start(std::uint64_t k, std::uint32_t rate, std::uint32_t clock_hz) {
    return scaled(k, clock_hz, rate);
}

// Renders `count` samples, the first [from_k], of the lines `lines` changed
// by `changes` (in order of states, none before the first sample's start).
// `start`: the state the grid counts from.
void render(const std::vector<SpeakerRecorder::Change>& changes, std::uint8_t lines, std::uint64_t start,
            std::uint64_t from_k, std::size_t count, std::uint32_t rate, std::uint32_t clock_hz, std::int16_t* out) {
    std::size_t next_change = 0;
    auto settle = [&](std::uint64_t state) {
        while (next_change < changes.size() && changes[next_change].state <= state) {
            lines = changes[next_change++].lines;
        }
    };
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t from = start + sample_start(from_k + i, rate, clock_hz);
        const std::uint64_t to = start + sample_start(from_k + i + 1, rate, clock_hz);
        std::uint64_t up = 0;
        settle(from);
        for (std::uint64_t state = from; state < to;) {
            std::uint64_t until = to;
            if (next_change < changes.size() && changes[next_change].state < until) until = changes[next_change].state;
            up += up_states(lines, state, until);
            state = until;
            settle(state);
        }
        out[i] = static_cast<std::int16_t>(to > from ? up * SpeakerRecorder::SAMPLE_FULL / (to - from) : 0);
    }
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
    const Change change{state, lines, static_cast<std::uint8_t>(lines ^ lines_)};
    if (keeping_) changes_.push_back(change);
    // The sound never taken is bounded: past twice its limit, the older half goes.
    if (!pending_.changes.empty() && state - pending_.changes.front().state > 2 * PENDING_STATES) {
        drop_pending_before(state - PENDING_STATES);
    }
    pending_.changes.push_back(change);
    lines_ = lines;
}

void SpeakerRecorder::keep_record(bool keep) {
    if (keep && !keeping_) record_lines_ = lines_;
    keeping_ = keep;
    if (!keep) std::vector<Change>().swap(changes_);
}

std::vector<std::int16_t> SpeakerRecorder::samples(std::uint64_t start, std::uint64_t end, std::uint32_t rate,
                                                   std::uint32_t clock_hz) const {
    std::vector<std::int16_t> out;
    if (end <= start || rate == 0 || clock_hz == 0) return out;
    out.resize(scaled(end - start, rate, clock_hz));
    std::vector<Change> from_start;
    std::uint8_t lines = record_lines_;
    for (const Change& change : changes_) {
        if (change.state <= start) {
            lines = change.lines;
        } else {
            from_start.push_back(change);
        }
    }
    render(from_start, lines, start, 0, out.size(), rate, clock_hz, out.data());
    return out;
}

void SpeakerRecorder::drop_pending_before(std::uint64_t state) {
    std::size_t gone = 0;
    while (gone < pending_.changes.size() && pending_.changes[gone].state <= state) {
        pending_.lines = pending_.changes[gone++].lines;
    }
    pending_.changes.erase(pending_.changes.begin(), pending_.changes.begin() + static_cast<std::ptrdiff_t>(gone));
}

std::size_t SpeakerRecorder::take(std::uint64_t now, std::uint32_t rate, std::uint32_t clock_hz, std::int16_t* out,
                                  std::size_t capacity) {
    if (rate == 0 || clock_hz == 0) return 0;
    // The first sample not taken, on this rate's grid (a new rate: the
    // first that starts where the sound taken ended).
    std::uint64_t taken_to = pending_.rate == 0 ? 0 : sample_start(pending_.next_sample, pending_.rate, clock_hz);
    std::uint64_t next = pending_.rate == rate ? pending_.next_sample : scaled(taken_to, rate, clock_hz);
    if (pending_.rate != rate && sample_start(next, rate, clock_hz) < taken_to) ++next;
    // Sound never taken older than the limit goes.
    if (now > PENDING_STATES && sample_start(next, rate, clock_hz) < now - PENDING_STATES) {
        next = scaled(now - PENDING_STATES, rate, clock_hz);
        if (sample_start(next, rate, clock_hz) < now - PENDING_STATES) ++next;
    }
    const std::uint64_t end = scaled(now, rate, clock_hz);  // samples that have ended by `now`
    std::size_t count = end > next ? static_cast<std::size_t>(std::min<std::uint64_t>(end - next, capacity)) : 0;
    const std::uint64_t from = sample_start(next, rate, clock_hz);
    std::uint8_t lines = pending_.lines;
    std::size_t first = 0;
    while (first < pending_.changes.size() && pending_.changes[first].state <= from) lines = pending_.changes[first++].lines;
    if (count != 0) {
        const std::vector<Change> later(pending_.changes.begin() + static_cast<std::ptrdiff_t>(first), pending_.changes.end());
        render(later, lines, 0, next, count, rate, clock_hz, out);
    }
    pending_.rate = rate;
    pending_.next_sample = next + count;
    // What was given is dropped, with the changes before the next sample.
    drop_pending_before(sample_start(pending_.next_sample, rate, clock_hz));
    return count;
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
