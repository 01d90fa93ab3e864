// quillet_wav_*: a WAV file written as its samples come, whole at the
// commit with its sizes in the header, or not at all; refused, naming the
// limit, when the samples would pass what a WAV file holds.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "quillet/quillet.h"
#include "quillet/quillet_tools.h"
#include "unit/snapshot_test_support.hpp"

#ifndef _WIN32
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <thread>
#endif

namespace {

using namespace quillet_test;

void put32(Bytes* out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<std::uint8_t>(value >> shift));
}

// The file the test expects: the header written out by hand from the WAV
// format's fields, then the samples little-endian.
Bytes expected_wav(const std::vector<std::int16_t>& samples, std::uint32_t rate) {
    const auto data = static_cast<std::uint32_t>(2 * samples.size());
    Bytes out = {'R', 'I', 'F', 'F'};
    put32(&out, 36 + data);
    for (const char c : std::string("WAVEfmt ")) out.push_back(static_cast<std::uint8_t>(c));
    put32(&out, 16);
    out.insert(out.end(), {1, 0, 1, 0});  // PCM, mono
    put32(&out, rate);
    put32(&out, rate * 2);
    out.insert(out.end(), {2, 0, 16, 0});
    for (const char c : std::string("data")) out.push_back(static_cast<std::uint8_t>(c));
    put32(&out, data);
    for (const std::int16_t sample : samples) {
        out.push_back(static_cast<std::uint8_t>(sample & 0xFF));
        out.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(sample) >> 8));
    }
    return out;
}

std::vector<std::int16_t> samples_of(std::size_t count) {
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) samples[i] = static_cast<std::int16_t>(i * 7919 - 20000);
    return samples;
}

void record(void* user, int, const char* text) { *static_cast<std::string*>(user) += text; }

// Pieces of every size against the buffer of a streamed output: the header
// is patched in the buffer (a short file) or in the file (a long one).
TEST(WavOutput, SamplesInPiecesMakeTheWholeFile) {
    const struct {
        std::size_t pieces;
        std::size_t piece;
        std::uint32_t rate;
    } cases[] = {
        {0, 0, 44100},                            // no samples: a header of sizes 0
        {3, 5, 8000},                             // all still in the buffer at the commit
        {4, QUILLET_OUTPUT_BUFFER / 2 + 1, 192000},  // the header long since in the file
        {1, 3 * QUILLET_OUTPUT_BUFFER, 44100},     // one piece larger than the buffer
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(std::to_string(item.pieces) + " x " + std::to_string(item.piece));
        TempDir dir;
        quillet_wav_output* wav = nullptr;
        ASSERT_EQ(quillet_wav_open(dir.file("out.wav").c_str(), item.rate, &wav, nullptr, nullptr), 0);
        const std::vector<std::int16_t> all = samples_of(item.pieces * item.piece);
        for (std::size_t i = 0; i < item.pieces; ++i) {
            ASSERT_EQ(quillet_wav_write(wav, all.data() + i * item.piece, item.piece), 0);
        }
        EXPECT_EQ(dir.entries().size(), 1u) << "the file stands beside its name until the commit";
        ASSERT_EQ(quillet_wav_commit(wav), 0);
        EXPECT_EQ(dir.read("out.wav"), expected_wav(all, item.rate));
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.wav"});
    }
}

// Samples past 4294967259 bytes are refused before any is taken, the limit
// in the message; the file stays as it was, and so does a rate outside the
// range.
TEST(WavOutput, TooManySamplesAreRefusedNamingTheLimit) {
    TempDir dir;
    dir.write("out.wav", Bytes{1, 2, 3});
    std::string message;
    quillet_wav_output* wav = nullptr;
    ASSERT_EQ(quillet_wav_open(dir.file("out.wav").c_str(), 44100, &wav, record, &message), 0);
    const std::vector<std::int16_t> some = samples_of(1000);
    ASSERT_EQ(quillet_wav_write(wav, some.data(), some.size()), 0);
    // Only the count is looked at before the refusal: no sample is read.
    EXPECT_EQ(quillet_wav_write(wav, some.data(), 2147483630 - 1000), QUILLET_ERR_VALUE_RANGE);
    EXPECT_NE(message.find("at most 4294967259 bytes"), std::string::npos) << message;
    message.clear();
    EXPECT_EQ(quillet_wav_write(wav, some.data(), 1), QUILLET_ERR_VALUE_RANGE);
    EXPECT_EQ(quillet_wav_commit(wav), QUILLET_ERR_VALUE_RANGE);
    EXPECT_EQ(message, "") << "reported once";
    EXPECT_EQ(dir.read("out.wav"), (Bytes{1, 2, 3}));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.wav"});

    EXPECT_EQ(quillet_wav_open(dir.file("x.wav").c_str(), 7999, &wav, nullptr, nullptr), QUILLET_ERR_VALUE_RANGE);
    EXPECT_EQ(wav, nullptr);
    EXPECT_EQ(quillet_wav_open(dir.file("missing/x.wav").c_str(), 44100, &wav, nullptr, nullptr),
              QUILLET_ERR_OUTPUT_OPEN);
}

#ifndef _WIN32
// A pipe cannot go back to its header: the samples wait for the commit,
// and the reader gets the same file a regular one holds.
TEST(WavOutput, APipeGetsTheWholeFileAtTheCommit) {
    TempDir dir;
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Bytes received;
    std::thread reader([&] {
        std::ifstream in(fifo, std::ios::binary);
        received.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    });
    const std::vector<std::int16_t> all = samples_of(3 * QUILLET_OUTPUT_BUFFER);
    quillet_wav_output* wav = nullptr;
    const int opened = quillet_wav_open(fifo.c_str(), 22050, &wav, nullptr, nullptr);
    if (opened == 0) {
        EXPECT_EQ(quillet_wav_write(wav, all.data(), all.size()), 0);
        EXPECT_EQ(quillet_wav_commit(wav), 0);
    }
    reader.join();
    ASSERT_EQ(opened, 0);
    EXPECT_EQ(received, expected_wav(all, 22050));
}
#endif

}  // namespace
