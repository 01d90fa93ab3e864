// The speaker and the LED on the system 8255's port C: what the program
// switched and when, and the sound that made, as PCM samples and a WAV file.
//
// The speaker sounds PC2, or the 4 kHz tone while PC1 is set, or the 1 kHz
// tone while PC0 is set. The tones are bits 7 and 9 of the video address
// counter, which counts every second clock state from the frame's start,
// so they are square waves of 512 and 2048 states in step with the state
// counter: the machine's states must count from the start of a frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "quillet/quillet.h"

namespace quillet {

// The lines of port C as the interface numbers them.
constexpr std::uint8_t PORT_C_TONE_1KHZ = QUILLET_PORT_C_TONE_1KHZ;
constexpr std::uint8_t PORT_C_TONE_4KHZ = QUILLET_PORT_C_TONE_4KHZ;
constexpr std::uint8_t PORT_C_SPEAKER = QUILLET_PORT_C_SPEAKER;
constexpr std::uint8_t PORT_C_LED = QUILLET_PORT_C_LED;
constexpr std::uint8_t PORT_C_SOUND = PORT_C_TONE_1KHZ | PORT_C_TONE_4KHZ | PORT_C_SPEAKER;

// The level the speaker has at `state` with the port C lines `port_c`.
bool speaker_level(std::uint8_t port_c, std::uint64_t state);

// What the program made of port C's lower half, kept two ways: the record
// of every change (while it is kept: the port C log, the whole run's
// sound), and the sound not yet taken, which `take` renders and drops, so
// that a machine that runs for ever holds at most PENDING_STATES of it.
class SpeakerRecorder {
public:
    // A change of the lines PC0-PC3.
    struct Change {
        std::uint64_t state;
        std::uint8_t lines;  // PC3-PC0 from then on
        std::uint8_t changed;
    };

    // Port C's lower half holds `port_c` (upper bits ignored) from `state` on.
    void set_port_c(std::uint64_t state, std::uint8_t port_c);
    std::uint8_t lines() const { return lines_; }

    // Whether every change is recorded, from now on (none is, at first);
    // turning the record off forgets it.
    void keep_record(bool keep);
    bool keeping_record() const { return keeping_; }
    // Every change recorded, in the order of the states.
    const std::vector<Change>& changes() const { return changes_; }

    // The recorded sound from `start` to `end` (clock states) as mono
    // 16-bit PCM at `rate` samples a second, the clock running at
    // `clock_hz`: each sample the speaker's mean level over its time,
    // silence 0, full level SAMPLE_FULL.
    std::vector<std::int16_t> samples(std::uint64_t start, std::uint64_t end, std::uint32_t rate,
                                      std::uint32_t clock_hz) const;

    // The sound not taken yet, up to state `now`, as samples of the same
    // kind on a grid of `rate` a second from state 0: up to `capacity`
    // into `out` (which may be null only with a capacity of 0). Returns the
    // number given; they are dropped. Sound older than PENDING_STATES
    // before `now` that was never taken is dropped first.
    std::size_t take(std::uint64_t now, std::uint32_t rate, std::uint32_t clock_hz, std::int16_t* out,
                     std::size_t capacity);

    static constexpr std::int16_t SAMPLE_FULL = 24000;
    static constexpr std::uint64_t PENDING_STATES = 2 * 2048000;  // two seconds of PMD 85 time

    // The parts of the recorder a saved machine holds (machine_state.cpp).
    struct Pending {
        std::uint8_t lines;              // the lines at the first sample not taken
        std::vector<Change> changes;     // the changes after it
        std::uint64_t next_sample;       // on the grid of `rate`
        std::uint32_t rate;              // 0: nothing taken yet
    };
    const Pending& pending() const { return pending_; }
    // The lines and the sound not taken of a saved machine; the record
    // starts again (empty) if it is kept.
    void restore(std::uint8_t lines, Pending pending) {
        lines_ = lines;
        pending_ = std::move(pending);
        changes_.clear();
    }

private:
    // Forgets the pending changes before state `state`, keeping the lines they left.
    void drop_pending_before(std::uint64_t state);

    std::uint8_t lines_ = 0;
    bool keeping_ = false;
    std::uint8_t record_lines_ = 0;  // the lines when the record began
    std::vector<Change> changes_;
    Pending pending_{0, {}, 0, 0};
};

constexpr std::uint32_t WAV_RATE = 44100;

// A WAV file of mono 16-bit PCM samples.
std::vector<std::uint8_t> wav_file(const std::vector<std::int16_t>& samples, std::uint32_t rate);

}  // namespace quillet
