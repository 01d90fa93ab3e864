#include "tape/tape_signal.hpp"

#include <cstring>
#include <string>

#include "base/wav_file.hpp"

namespace quillet::tape {
namespace {

constexpr unsigned SAMPLE_RATE_MIN = 8000;
constexpr unsigned SAMPLE_RATE_MAX = 192000;

// The two levels of the written signal, 8-bit unsigned samples.
constexpr std::uint8_t LEVEL_LOW = 0x20;
constexpr std::uint8_t LEVEL_HIGH = 0xE0;

unsigned word_at(const std::uint8_t* p) { return p[0] | p[1] << 8; }
unsigned long long_at(const std::uint8_t* p) {
    return static_cast<unsigned long>(word_at(p)) | static_cast<unsigned long>(word_at(p + 2)) << 16;
}

// Writes bits as samples into a buffer, handed on each time it fills.
class SignalWriter {
public:
    SignalWriter(WavPiece piece, void* user) : piece_(piece), user_(user) { samples_.reserve(BUFFER_SAMPLES); }
    void bit(bool one) {
        half(!one);
        half(one);
    }
    void idle(unsigned bits) {
        for (unsigned i = 0; i < bits; ++i) bit(true);
    }
    void byte(std::uint8_t value) {
        for (unsigned i = 0; i < FRAME_BITS; ++i) bit(frame_bit(value, i));
    }

    // Hands on what is buffered; the first failure of the piece function
    // is kept and ends the handing on.
    int flush() {
        if (result_ == 0 && !samples_.empty()) result_ = piece_(user_, samples_.data(), samples_.size());
        samples_.clear();
        return result_;
    }

    int result() const { return result_; }

    static constexpr unsigned HALF_BIT_SAMPLES = WAV_SAMPLE_RATE / BIT_RATE / 2;

private:
    void half(bool high) {
        samples_.insert(samples_.end(), HALF_BIT_SAMPLES, high ? LEVEL_HIGH : LEVEL_LOW);
        if (samples_.size() >= BUFFER_SAMPLES) flush();
    }
    static constexpr std::size_t BUFFER_SAMPLES = 65536;
    WavPiece piece_;
    void* user_;
    std::vector<std::uint8_t> samples_;
    int result_ = 0;
};

// What a decoder emits between bits: the signal broke off (silence, or a
// level held longer than any bit holds it).
constexpr int BREAK = -1;

// The last stage: bits into bytes and bytes into blocks. A block begins
// with a start bit after at least LEAD_IN_MIN idle bits and ends at the
// first byte that is not followed at once by the next one's start bit, or
// at a framing error.
class Framer {
public:
    explicit Framer(std::vector<Block>* blocks) : blocks_(blocks) {}

    // Takes a bit; false for a start bit where no block may begin (no
    // lead-in before it): in a lead-in that says the halves were paired
    // one off.
    bool bit(int value, std::size_t sample) {
        if (value == BREAK) {
            end_block();
            idle_ = 0;
            frame_bits_ = -1;
            return true;
        }
        if (frame_bits_ < 0) {  // between frames
            if (value == 1) {
                if (++idle_ > IN_BLOCK_IDLE_MAX) end_block();
                return true;
            }
            if (!in_block_ && idle_ < LEAD_IN_MIN) return false;
            if (!in_block_) {
                in_block_ = true;
                current_.bytes.clear();
                current_.position = sample;
            }
            frame_bits_ = 0;
            byte_ = 0;
            idle_ = 0;
            return true;
        }
        if (frame_bits_ < 8) {
            byte_ |= value << frame_bits_;
            ++frame_bits_;
            return true;
        }
        if (value != 1) {  // a stop bit missing: the frame is lost
            end_block();
            frame_bits_ = -1;
            idle_ = 0;
            return true;
        }
        if (++frame_bits_ == 10) {
            current_.bytes.push_back(static_cast<std::uint8_t>(byte_));
            frame_bits_ = -1;
            idle_ = 0;
        }
        return true;
    }

    // A misaligned phase was found: the frame under way was made of the
    // wrong halves.
    void resynchronise() {
        if (frame_bits_ >= 0) end_block();
        frame_bits_ = -1;
        idle_ = 0;
    }

    void finish() { end_block(); }

private:
    void end_block() {
        if (in_block_ && !current_.bytes.empty()) blocks_->push_back(current_);
        in_block_ = false;
        current_.bytes.clear();
    }

    static constexpr int LEAD_IN_MIN = 32;        // idle bits before a block
    static constexpr int IN_BLOCK_IDLE_MAX = 16;  // idle bits a block may pause for
    std::vector<Block>* blocks_;
    Block current_;
    bool in_block_ = false;
    int idle_ = 0;
    int frame_bits_ = -1;  // -1 between frames; 0..7 data bits read; 8, 9 stop bits
    int byte_ = 0;
};

// Levels into bits: each run of one level lasts one or two half bits; a
// pair of halves of different levels is a bit, valued by its second half.
// The half-bit length follows the recording's speed.
class BitDecoder {
public:
    BitDecoder(double nominal_half, bool inverted, std::vector<Block>* blocks)
        : nominal_half_(nominal_half), half_(nominal_half), inverted_(inverted), framer_(blocks) {}

    // A run of `level` that lasted `length` samples and ended at sample `end`.
    void run(int level, double length, std::size_t end) {
        if (inverted_) level = !level;
        if (length < GLITCH * nominal_half_) return;  // too short to be a half bit: noise
        const double units = length / half_;
        if (units > 2.6 || units < 0.45) {
            broken();
            return;
        }
        const int halves = units < 1.5 ? 1 : 2;
        half_ += (length / halves - half_) * TRACKING;
        if (half_ < 0.7 * nominal_half_ || half_ > 1.3 * nominal_half_) half_ = nominal_half_;
        for (int i = 0; i < halves; ++i) {
            half(level, end - static_cast<std::size_t>(length * (halves - i) / halves));
        }
    }

    void broken() {
        pending_ = -1;
        framer_.bit(BREAK, 0);
    }

    void finish() { framer_.finish(); }

private:
    // A half bit of `level` that began at sample `start`.
    void half(int level, std::size_t start) {
        if (pending_ >= 0 && pending_ == level) {  // two equal halves: the pairs were one half off
            framer_.resynchronise();
            pending_ = -1;
        }
        if (pending_ < 0) {
            pending_ = level;
            pending_start_ = start;
            return;
        }
        if (framer_.bit(level, pending_start_)) {
            pending_ = -1;
        } else {  // a '0' where only lead-in may stand: the pairs were one half off
            pending_ = level;
            pending_start_ = start;
        }
    }

    static constexpr double GLITCH = 0.25;
    static constexpr double TRACKING = 0.05;
    double nominal_half_;
    double half_;
    bool inverted_;
    int pending_ = -1;  // the first half of a pair, or -1
    std::size_t pending_start_ = 0;
    Framer framer_;
};

// Samples into runs of levels: smoothed over an eighth of a bit, compared
// with their running mean, with hysteresis of a quarter of the running
// amplitude; silence breaks the signal.
class LevelDetector {
public:
    LevelDetector(unsigned rate, BitDecoder* normal, BitDecoder* inverted)
        : decoders_{normal, inverted}, window_(rate / BIT_RATE / 8 ? rate / BIT_RATE / 8 : 1),
          tracking_(1.0 / (4.0 * rate / BIT_RATE)), ring_(window_, 0.0) {}

    void sample(double value, std::size_t at) {
        sum_ += value - ring_[next_];
        ring_[next_] = value;
        next_ = (next_ + 1) % window_;
        const double smooth = sum_ / window_;
        mean_ += (smooth - mean_) * tracking_;
        const double deviation = smooth - mean_;
        amplitude_ += ((deviation < 0 ? -deviation : deviation) - amplitude_) * tracking_;
        if (amplitude_ < SILENCE) {
            if (level_ >= 0) {
                for (BitDecoder* d : decoders_) d->broken();
            }
            level_ = -1;
            return;
        }
        int level = level_;
        if (deviation > HYSTERESIS * amplitude_) level = 1;
        else if (deviation < -HYSTERESIS * amplitude_) level = 0;
        if (level != level_) {
            if (level_ >= 0) {
                for (BitDecoder* d : decoders_) d->run(level_, double(at - since_), at);
            }
            level_ = level;
            since_ = at;
        }
    }

    void finish() {
        for (BitDecoder* d : decoders_) d->finish();
    }

private:
    static constexpr double SILENCE = 0.02;  // of full scale
    static constexpr double HYSTERESIS = 0.25;
    BitDecoder* decoders_[2];
    std::size_t window_;
    double tracking_;
    std::vector<double> ring_;
    std::size_t next_ = 0;
    double sum_ = 0;
    double mean_ = 0;
    double amplitude_ = 0;
    int level_ = -1;
    std::size_t since_ = 0;
};

struct PcmFormat {
    unsigned channels = 0;
    unsigned rate = 0;
    unsigned bits = 0;
    const std::uint8_t* data = nullptr;
    std::size_t length = 0;
};

// The format and the samples of a WAV file, or why it cannot be read.
const char* parse_wav(const std::uint8_t* image, std::size_t length, PcmFormat* pcm) {
    if (!looks_like_wav(image, length)) return "it is no RIFF WAVE file";
    bool have_format = false;
    // A chunk of odd size is followed by a pad byte that the file may lack:
    // `at` can pass the end by one, so it is checked before the difference.
    for (std::size_t at = WAV_RIFF_HEADER_SIZE; at <= length && length - at >= WAV_CHUNK_HEADER_SIZE;) {
        const std::uint8_t* chunk = image + at;
        const unsigned long size = long_at(chunk + 4);
        const std::size_t body = at + WAV_CHUNK_HEADER_SIZE;
        const std::size_t available = length - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < WAV_FORMAT_SIZE || available < WAV_FORMAT_SIZE) return "its format chunk is cut short";
            if (word_at(image + body) != WAV_PCM_FORMAT) return "its samples are not PCM";
            pcm->channels = word_at(image + body + 2);
            pcm->rate = static_cast<unsigned>(long_at(image + body + 4));
            pcm->bits = word_at(image + body + 14);
            if (pcm->channels == 0) return "it has no channels";
            if (pcm->bits != 8 && pcm->bits != 16) return "its samples are neither 8 nor 16 bits";
            if (pcm->rate < SAMPLE_RATE_MIN || pcm->rate > SAMPLE_RATE_MAX) {
                return "its sample rate is not 8000 to 192000";
            }
            have_format = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!have_format) return "its data come before its format";
            pcm->data = image + body;
            pcm->length = size < available ? size : available;  // a recording cut short keeps what it has
            return nullptr;
        }
        if (size > available) break;
        at = body + size + (size & 1);
    }
    return have_format ? "it has no data chunk" : "it has no format chunk";
}

}  // namespace

bool looks_like_wav(const std::uint8_t* image, std::size_t length) {
    return length >= WAV_RIFF_HEADER_SIZE && std::memcmp(image, "RIFF", 4) == 0 && std::memcmp(image + 8, "WAVE", 4) == 0;
}

unsigned lead_in_bits(bool first, const Block& block) {
    if (first) return TAPE_LEAD_IN_BITS;
    return is_header_block(block.bytes.data(), block.bytes.size()) ? HEADER_LEAD_IN_BITS : BLOCK_LEAD_IN_BITS;
}

LineLayout line_layout(const Tape& tape) {
    LineLayout layout;
    std::uint64_t bit = 0;
    for (const Block& block : tape.blocks) {
        bit += lead_in_bits(layout.block_start.empty(), block);
        layout.block_start.push_back(bit);
        bit += std::uint64_t{FRAME_BITS} * block.bytes.size();
    }
    layout.end = bit + TAPE_TAIL_BITS;
    return layout;
}

std::uint64_t wav_data_size(const Tape& tape) {
    return line_layout(tape).end * 2 * SignalWriter::HALF_BIT_SAMPLES;  // a sample a byte
}

int write_wav(const Tape& tape, WavPiece piece, void* user) {
    std::vector<std::uint8_t> header;
    append_wav_header(&header, 1, WAV_SAMPLE_RATE, 8, static_cast<std::uint32_t>(wav_data_size(tape)));  // mono, 8 bits
    if (const int result = piece(user, header.data(), header.size())) return result;
    SignalWriter writer(piece, user);
    bool first = true;
    for (const Block& block : tape.blocks) {
        writer.idle(lead_in_bits(first, block));
        first = false;
        for (std::uint8_t byte : block.bytes) writer.byte(byte);
        if (const int result = writer.result()) return result;
    }
    writer.idle(TAPE_TAIL_BITS);
    return writer.flush();
}

std::vector<std::uint8_t> write_wav(const Tape& tape) {
    std::vector<std::uint8_t> wav;
    wav.reserve(WAV_HEADER_SIZE + static_cast<std::size_t>(wav_data_size(tape)));
    write_wav(tape, [](void* user, const std::uint8_t* data, std::size_t length) {
        auto* out = static_cast<std::vector<std::uint8_t>*>(user);
        out->insert(out->end(), data, data + length);
        return 0;
    }, &wav);
    return wav;
}

int read_wav(const std::uint8_t* image, std::size_t length, const char* name, const Reporter& reporter,
             Tape* tape) {
    PcmFormat pcm;
    if (const char* why = parse_wav(image, length, &pcm)) {
        return report_failure(reporter, ERR_BAD_RECORDING, name, why);
    }
    // Both polarities are decoded, as a recording may have turned the
    // signal over; the one that gives more bytes is the tape.
    std::vector<Block> found[2];
    const double nominal_half = pcm.rate / (2.0 * BIT_RATE);
    BitDecoder normal(nominal_half, false, &found[0]);
    BitDecoder inverted(nominal_half, true, &found[1]);
    LevelDetector detector(pcm.rate, &normal, &inverted);
    const std::size_t frame = pcm.channels * (pcm.bits / 8);
    const std::size_t frames = pcm.length / frame;
    for (std::size_t i = 0; i < frames; ++i) {
        const std::uint8_t* p = pcm.data + i * frame;
        const double value = pcm.bits == 8 ? (p[0] - 128) / 128.0 : static_cast<std::int16_t>(word_at(p)) / 32768.0;
        detector.sample(value, i);
    }
    detector.finish();
    std::size_t bytes[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        for (const Block& block : found[i]) bytes[i] += block.bytes.size();
    }
    Tape read;
    read.kind = ImageKind::WAV;
    read.sample_rate = pcm.rate;
    read.blocks = std::move(found[bytes[1] > bytes[0] ? 1 : 0]);
    if (read.blocks.empty()) return report_failure(reporter, ERR_TAPE_FORMAT, name);
    *tape = std::move(read);
    return 0;
}

}  // namespace quillet::tape
