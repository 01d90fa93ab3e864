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
#include <vector>

namespace quillet {

constexpr std::uint8_t PORT_C_TONE_1KHZ = 0x01;
constexpr std::uint8_t PORT_C_TONE_4KHZ = 0x02;
constexpr std::uint8_t PORT_C_SPEAKER = 0x04;
constexpr std::uint8_t PORT_C_LED = 0x08;
constexpr std::uint8_t PORT_C_SOUND = PORT_C_TONE_1KHZ | PORT_C_TONE_4KHZ | PORT_C_SPEAKER;

// The level the speaker has at `state` with the port C lines `port_c`.
bool speaker_level(std::uint8_t port_c, std::uint64_t state);

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
    // Every change, in the order of the states.
    const std::vector<Change>& changes() const { return changes_; }

    // The sound from `start` to `end` (clock states) as mono 16-bit PCM at
    // `rate` samples a second, the clock running at `clock_hz`: each sample
    // the speaker's mean level over its time, silence 0, full level
    // SAMPLE_FULL.
    std::vector<std::int16_t> samples(std::uint64_t start, std::uint64_t end, std::uint32_t rate,
                                      std::uint32_t clock_hz) const;

    static constexpr std::int16_t SAMPLE_FULL = 24000;

private:
    std::uint8_t lines_ = 0;
    std::vector<Change> changes_;
};

constexpr std::uint32_t WAV_RATE = 44100;

// A WAV file of mono 16-bit PCM samples.
std::vector<std::uint8_t> wav_file(const std::vector<std::int16_t>& samples, std::uint32_t rate);

}  // namespace quillet
