// The tape as sound: the WAV file written, and recordings read back into
// blocks, clean and as a cassette deck spoils them (noise, speed error, the
// signal turned over, other rates and sample widths).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "tape/tape_signal.hpp"
#include "unit/snapshot_test_support.hpp"
#include "support/tape_bytes.hpp"

namespace quillet {
namespace {

using namespace quillet::tape;
using quillet_test::ReportLog;
using quillet_test::Reports;
using quillet_test::TapeBytes;

Tape tape_of(const std::vector<TapeBytes>& blocks) {
    Tape tape;
    for (const TapeBytes& bytes : blocks) {
        Block block;
        block.bytes = bytes;
        tape.blocks.push_back(block);
    }
    return tape;
}

// A tape of two files, one with every byte value, and a block of no file.
Tape sample_tape() {
    TapeBytes all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
    const TapeBytes small = {0x00, 0xFF, 0x55, 0xAA};
    return tape_of({quillet_test::header_block(0, '?', 0x2000, 256, "ALL"), quillet_test::data_block(all),
                    quillet_test::header_block(1, '?', 0x3000, 4, "SMALL"), quillet_test::data_block(small),
                    {0x12, 0x34}});
}

std::uint32_t long_at(const TapeBytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(TapeWav, IsEightBitMonoPcmAt48000WithTheLeadInsOfTheSheet) {
    const Tape tape = tape_of({quillet_test::header_block(0, '?', 0, 1, "A"), {0x42, 0x42}});
    const TapeBytes wav = write_wav(tape);
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(long_at(wav, 4), wav.size() - 8);
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(long_at(wav, 16), 16u);
    EXPECT_EQ(wav[20] | wav[21] << 8, 1);  // PCM
    EXPECT_EQ(wav[22] | wav[23] << 8, 1);  // mono
    EXPECT_EQ(long_at(wav, 24), 48000u);
    EXPECT_EQ(wav[34] | wav[35] << 8, 8);
    EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
    // 3 s of lead-in, the header's 63 bytes, 0.5 s, 2 bytes, 0.2 s; 40 samples a bit.
    const std::size_t bits = 3600 + 63 * 11 + 600 + 2 * 11 + 240;
    EXPECT_EQ(long_at(wav, 40), bits * 40);
    EXPECT_EQ(wav.size(), 44 + bits * 40);
    // A '1' of the lead-in: low, then high, 20 samples each.
    EXPECT_LT(wav[44], 0x80);
    EXPECT_LT(wav[44 + 19], 0x80);
    EXPECT_GT(wav[44 + 20], 0x80);
    // The first start bit ('0') after the lead-in: high, then low.
    EXPECT_GT(wav[44 + 3600 * 40], 0x80);
    EXPECT_LT(wav[44 + 3600 * 40 + 20], 0x80);
}

// How a recording is spoilt.
struct Spoiling {
    const char* what;
    unsigned rate;
    int bits;
    int channels;
    double speed;  // 1.04: played 4 % fast
    double noise;  // standard deviation, of the signal's amplitude
    bool inverted;
};

// The WAV of `tape` as a deck would record it: resampled at `speed`,
// noise added, 8 or 16 bits, the signal in every channel.
TapeBytes recorded(const Tape& tape, const Spoiling& s) {
    const TapeBytes clean = write_wav(tape);
    const std::size_t source_count = clean.size() - 44;
    std::mt19937 random(12345);
    std::normal_distribution<double> noise(0.0, s.noise);
    const double step = 48000.0 / s.rate * s.speed;
    TapeBytes samples;
    for (double at = 0; at < source_count - 1; at += step) {
        const std::size_t i = static_cast<std::size_t>(at);
        const double fraction = at - i;
        double value = ((clean[44 + i] * (1 - fraction) + clean[44 + i + 1] * fraction) - 128) / 96.0;
        if (s.inverted) value = -value;
        value = value * 0.7 + noise(random) * 0.7;
        value = value > 1 ? 1 : value < -1 ? -1 : value;
        for (int c = 0; c < s.channels; ++c) {
            if (s.bits == 8) {
                samples.push_back(static_cast<std::uint8_t>(std::lround(128 + value * 127)));
            } else {
                const auto v = static_cast<std::int16_t>(std::lround(value * 32767));
                samples.push_back(static_cast<std::uint8_t>(v & 0xFF));
                samples.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
            }
        }
    }
    const auto word = [](TapeBytes* b, unsigned v) {
        b->push_back(static_cast<std::uint8_t>(v));
        b->push_back(static_cast<std::uint8_t>(v >> 8));
    };
    const auto dword = [&](TapeBytes* b, std::uint32_t v) {
        word(b, v & 0xFFFF);
        word(b, v >> 16);
    };
    TapeBytes wav = {'R', 'I', 'F', 'F'};
    dword(&wav, static_cast<std::uint32_t>(36 + 8 + samples.size() + 8));
    for (char c : std::string("WAVEfmt ")) wav.push_back(static_cast<std::uint8_t>(c));
    dword(&wav, 16);
    word(&wav, 1);
    word(&wav, s.channels);
    dword(&wav, s.rate);
    dword(&wav, s.rate * s.channels * s.bits / 8);
    word(&wav, s.channels * s.bits / 8);
    word(&wav, s.bits);
    for (char c : std::string("LIST")) wav.push_back(static_cast<std::uint8_t>(c));  // a chunk to skip
    dword(&wav, 0);
    for (char c : std::string("data")) wav.push_back(static_cast<std::uint8_t>(c));
    dword(&wav, static_cast<std::uint32_t>(samples.size()));
    wav.insert(wav.end(), samples.begin(), samples.end());
    return wav;
}

TEST(TapeWav, ReadsBackEveryBlockOfARecordingSpoiltAsADeckSpoilsIt) {
    const Spoiling cases[] = {
        {"clean", 48000, 8, 1, 1.0, 0.0, false},
        {"noise", 48000, 8, 1, 1.0, 0.25, false},
        {"4 % fast, noise", 44100, 16, 2, 1.04, 0.2, false},
        {"4 % slow, noise", 44100, 16, 1, 0.96, 0.2, false},
        {"turned over", 22050, 8, 1, 1.02, 0.1, true},
        {"low rate", 11025, 16, 1, 0.98, 0.05, false},
    };
    const Tape tape = sample_tape();
    for (const Spoiling& s : cases) {
        const TapeBytes wav = recorded(tape, s);
        ReportLog log;
        Tape back;
        ASSERT_EQ(read_wav(wav.data(), wav.size(), "t.wav", log.reporter(), &back), 0) << s.what;
        ASSERT_EQ(back.blocks.size(), tape.blocks.size()) << s.what;
        for (std::size_t i = 0; i < tape.blocks.size(); ++i) {
            EXPECT_EQ(back.blocks[i].bytes, tape.blocks[i].bytes) << s.what << ", block " << i;
        }
        EXPECT_EQ(back.kind, ImageKind::WAV);
        EXPECT_EQ(back.sample_rate, s.rate);
        EXPECT_TRUE(log.reports.empty()) << s.what;
    }
}

TEST(TapeWav, TheClearRecordingPlacesEachBlockAtItsStartBit) {
    const Tape tape = sample_tape();
    const TapeBytes wav = write_wav(tape);
    ReportLog log;
    Tape back;
    ASSERT_EQ(read_wav(wav.data(), wav.size(), "t.wav", log.reporter(), &back), 0);
    ASSERT_EQ(back.blocks.size(), 5u);
    // The first start bit begins 3600 bits in (the smoothing delays it by
    // a few samples).
    EXPECT_NEAR(static_cast<double>(back.blocks[0].position), 3600 * 40, 8);
    EXPECT_EQ(block_place(back, 0), "block 1 at 3.00 s");
}

TEST(TapeWav, RefusesWhatIsNoPcmRecordingAndFindsNoBlocksInNoise) {
    const auto with_format = [](unsigned format, unsigned bits, unsigned rate) {
        TapeBytes wav = write_wav(sample_tape());
        wav[20] = static_cast<std::uint8_t>(format);
        wav[34] = static_cast<std::uint8_t>(bits);
        wav[24] = static_cast<std::uint8_t>(rate);
        wav[25] = static_cast<std::uint8_t>(rate >> 8);
        wav[26] = static_cast<std::uint8_t>(rate >> 16);
        return wav;
    };
    TapeBytes no_data = write_wav(sample_tape());
    no_data.resize(36);
    TapeBytes noise = with_format(1, 8, 48000);
    std::mt19937 random(7);
    for (std::size_t i = 44; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>(random());
    TapeBytes silence = with_format(1, 8, 48000);
    std::memset(silence.data() + 44, 0x80, silence.size() - 44);
    const struct {
        TapeBytes wav;
        int code;
        const char* text;
    } cases[] = {
        {with_format(3, 8, 48000), ERR_BAD_RECORDING, "Can't read the recording 'r.wav': its samples are not PCM"},
        {with_format(1, 24, 48000), ERR_BAD_RECORDING,
         "Can't read the recording 'r.wav': its samples are neither 8 nor 16 bits"},
        {with_format(1, 8, 4000), ERR_BAD_RECORDING,
         "Can't read the recording 'r.wav': its sample rate is not 8000 to 192000"},
        {no_data, ERR_BAD_RECORDING, "Can't read the recording 'r.wav': it has no data chunk"},
        {noise, ERR_TAPE_FORMAT, "No tape blocks in 'r.wav'!"},
        {silence, ERR_TAPE_FORMAT, "No tape blocks in 'r.wav'!"},
    };
    for (const auto& c : cases) {
        ReportLog log;
        Tape tape;
        EXPECT_EQ(read_wav(c.wav.data(), c.wav.size(), "r.wav", log.reporter(), &tape), c.code) << c.text;
        EXPECT_EQ(log.reports, (Reports{{c.code, c.text}}));
    }
}

TEST(TapeWav, ARecordingCutShortKeepsWhatCameBeforeTheCut) {
    const TapeBytes whole = write_wav(sample_tape());
    const TapeBytes data = sample_tape().blocks[1].bytes;
    const struct {
        std::size_t bits;  // where the cut is
        std::vector<TapeBytes> blocks;
    } cases[] = {
        {3600 + 63 * 11 + 300, {sample_tape().blocks[0].bytes}},  // in the lead-in of the data
        {3600 + 63 * 11 + 600 + 100 * 11 + 5, {sample_tape().blocks[0].bytes, TapeBytes(data.begin(), data.begin() + 100)}},
    };
    for (const auto& c : cases) {
        TapeBytes wav = whole;
        wav.resize(44 + c.bits * 40);
        ReportLog log;
        Tape back;
        ASSERT_EQ(read_wav(wav.data(), wav.size(), "t.wav", log.reporter(), &back), 0);
        ASSERT_EQ(back.blocks.size(), c.blocks.size());
        for (std::size_t i = 0; i < c.blocks.size(); ++i) EXPECT_EQ(back.blocks[i].bytes, c.blocks[i]) << i;
    }
}

}  // namespace
}  // namespace quillet
