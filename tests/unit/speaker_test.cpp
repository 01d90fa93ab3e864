// The speaker's sound: levels of the gated tones, the frequency of what a
// routine played, and the WAV file's bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "machine/speaker.hpp"

namespace quillet {
namespace {

constexpr std::uint32_t CLOCK = 2048000;

// Rising crossings of half the full level.
int rises(const std::vector<std::int16_t>& samples) {
    int count = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < SpeakerRecorder::SAMPLE_FULL / 2 && samples[i] >= SpeakerRecorder::SAMPLE_FULL / 2) ++count;
    }
    return count;
}

TEST(Speaker, LevelOfTheLines) {
    struct Case {
        std::uint8_t port_c;
        std::uint64_t state;
        bool level;
    } cases[] = {
        {0x00, 0, false},      {0x04, 0, true},       {0x08, 5000, false},  // the LED makes no sound
        {0x02, 255, false},    {0x02, 256, true},     {0x02, 511, true},    {0x02, 512, false},
        {0x01, 1023, false},   {0x01, 1024, true},    {0x01, 2047, true},   {0x01, 2048, false},
        {0x03, 256, true},     {0x03, 1024, true},    {0x03, 2048 + 255, false},
    };
    for (const Case& test : cases) EXPECT_EQ(speaker_level(test.port_c, test.state), test.level) << +test.port_c << " " << test.state;
}

TEST(Speaker, FrequencyOfWhatWasPlayed) {
    struct Case {
        const char* what;
        int half_period;  // states between writes of PC2, 0: a gated tone
        std::uint8_t gate;
        int hertz;
    } cases[] = {
        {"PC2 every 1024 states", 1024, 0, 1000},
        {"PC2 every 2048 states", 2048, 0, 500},
        {"PC2 every 200 states", 200, 0, 5120},
        {"the 1 kHz tone", 0, PORT_C_TONE_1KHZ, 1000},
        {"the 4 kHz tone", 0, PORT_C_TONE_4KHZ, 4000},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        SpeakerRecorder speaker;
        speaker.keep_record(true);
        if (test.half_period == 0) {
            speaker.set_port_c(0, test.gate | 0xF0);
        } else {
            bool up = false;
            for (std::uint64_t state = 0; state < CLOCK; state += static_cast<std::uint64_t>(test.half_period)) {
                speaker.set_port_c(state, up ? PORT_C_SPEAKER : 0);
                up = !up;
            }
        }
        std::vector<std::int16_t> samples = speaker.samples(0, CLOCK, WAV_RATE, CLOCK);
        EXPECT_EQ(samples.size(), WAV_RATE);
        EXPECT_NEAR(rises(samples), test.hertz, 1);
    }
}

TEST(Speaker, RecordsChangesOfTheLines) {
    SpeakerRecorder speaker;
    speaker.keep_record(true);
    speaker.set_port_c(10, 0x04);
    speaker.set_port_c(20, 0x84);  // the upper half is not the speaker's
    speaker.set_port_c(30, 0x0C);
    speaker.set_port_c(40, 0x08);
    ASSERT_EQ(speaker.changes().size(), 3u);
    EXPECT_EQ(speaker.changes()[1].state, 30u);
    EXPECT_EQ(speaker.changes()[1].changed, PORT_C_LED);
    EXPECT_EQ(speaker.changes()[2].changed, PORT_C_SPEAKER);
    EXPECT_EQ(speaker.lines(), PORT_C_LED);
    // Half a sample's time up: half the level.
    std::vector<std::int16_t> samples = speaker.samples(0, 2 * CLOCK / 1000, 1000, CLOCK);
    SpeakerRecorder half;
    half.keep_record(true);
    half.set_port_c(1024, PORT_C_SPEAKER);
    samples = half.samples(0, 2 * 2048, 1000, CLOCK);
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[0], SpeakerRecorder::SAMPLE_FULL / 2);
    EXPECT_EQ(samples[1], SpeakerRecorder::SAMPLE_FULL);
}

// The sound taken frame by frame is the sound rendered whole, however the
// takes fall; a rate changed between takes goes on where the last ended.
TEST(Speaker, TakenPiecesJoinUpToTheWhole) {
    constexpr std::uint64_t FRAME = 40960;
    SpeakerRecorder speaker;
    speaker.keep_record(true);
    for (std::uint64_t state = 100; state < 10 * FRAME; state += 333) {
        speaker.set_port_c(state, (state / 333) % 5 == 0 ? PORT_C_TONE_4KHZ : (state / 333) & 1 ? PORT_C_SPEAKER : 0);
    }
    const std::vector<std::int16_t> whole = speaker.samples(0, 10 * FRAME, WAV_RATE, CLOCK);
    ASSERT_EQ(whole.size(), 10 * 882u);
    struct Case {
        const char* what;
        std::uint64_t step;     // states between takes
        std::size_t capacity;  // samples a take may give
    } cases[] = {{"a frame at a time", FRAME, 10000}, {"odd steps", 12345, 10000}, {"small buffers", FRAME, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SpeakerRecorder copy = speaker;
        std::vector<std::int16_t> taken, piece(c.capacity);
        for (std::uint64_t now = c.step;; now += c.step) {
            const std::uint64_t until = std::min(now, 10 * FRAME);
            for (std::size_t n; (n = copy.take(until, WAV_RATE, CLOCK, piece.data(), piece.size())) > 0;) {
                taken.insert(taken.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(n));
            }
            if (until == 10 * FRAME) break;
        }
        EXPECT_EQ(taken, whole);
    }
    SpeakerRecorder rates = speaker;
    std::vector<std::int16_t> out(10000);
    EXPECT_EQ(rates.take(FRAME, WAV_RATE, CLOCK, out.data(), out.size()), 882u);
    EXPECT_EQ(rates.take(2 * FRAME, 8000, CLOCK, out.data(), out.size()), 160u);
}

// Sound never taken, or taken each frame, holds memory for at most a few
// seconds of machine time, however long the machine beeps; the record, when
// kept, holds every change.
TEST(Speaker, WhatIsNotTakenStaysBounded) {
    constexpr std::uint64_t FRAME = 40960, FRAMES = 29000;
    constexpr std::uint64_t HALF_PERIOD = 200;  // a 5 kHz beep
    struct Case {
        const char* what;
        bool take_each_frame;
        std::size_t most_pending;
    } cases[] = {
        {"taken each frame", true, FRAME / HALF_PERIOD + 1},
        {"never taken", false, 2 * SpeakerRecorder::PENDING_STATES / HALF_PERIOD + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SpeakerRecorder speaker;
        std::vector<std::int16_t> out(1000);
        std::size_t most = 0, samples = 0;
        for (std::uint64_t frame = 0; frame < FRAMES; ++frame) {
            for (std::uint64_t state = frame * FRAME; state < (frame + 1) * FRAME; state += HALF_PERIOD) {
                speaker.set_port_c(state, (state / HALF_PERIOD) & 1 ? PORT_C_SPEAKER : 0);
            }
            most = std::max(most, speaker.pending().changes.size());
            if (c.take_each_frame) {
                const std::size_t n = speaker.take((frame + 1) * FRAME, WAV_RATE, CLOCK, out.data(), out.size());
                EXPECT_EQ(n, 882u);
                samples += n;
            }
        }
        EXPECT_LE(most, c.most_pending);
        EXPECT_TRUE(speaker.changes().empty()) << "no record unless asked";
        if (c.take_each_frame) {
            EXPECT_EQ(samples, FRAMES * 882);
        }
        // What was never taken: at most the last seconds.
        std::vector<std::int16_t> rest(10 * WAV_RATE);
        EXPECT_LE(speaker.take(FRAMES * FRAME, WAV_RATE, CLOCK, rest.data(), rest.size()),
                  SpeakerRecorder::PENDING_STATES * WAV_RATE / CLOCK + 1);
    }
}

TEST(Speaker, WavFileBytes) {
    std::vector<std::uint8_t> wav = wav_file({0x1234, -2}, 44100);
    const std::uint8_t expected[] = {'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                     16, 0, 0, 0, 1, 0, 1, 0, 0x44, 0xAC, 0, 0, 0x88, 0x58, 1, 0,
                                     2, 0, 16, 0, 'd', 'a', 't', 'a', 4, 0, 0, 0, 0x34, 0x12, 0xFE, 0xFF};
    EXPECT_EQ(wav, std::vector<std::uint8_t>(expected, expected + sizeof expected));
}

}  // namespace
}  // namespace quillet
