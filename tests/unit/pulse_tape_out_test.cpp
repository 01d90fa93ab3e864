// MATO's PC0 pulses turned into tape blocks: trains of pulses as its
// firmware writes them (a short or long high, then a low) give the
// blocks a header and a data block make; what is no block gives nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "machine/pulse_tape_out.hpp"

namespace quillet {
namespace {

constexpr std::uint64_t LOW = 1300;

// A pulse train on PC0 and what the decoder records of it.
class Train {
public:
    // `count` bits of `one`, each a high of the given length and a low.
    Train& bits(bool one, int count, std::uint64_t high = 0) {
        for (int i = 0; i < count; ++i) pulse(high ? high : one ? 1904 : 654);
        return *this;
    }
    // A byte as the firmware sends one: a '1' start bit, then its bits
    // from the lowest.
    Train& byte(std::uint8_t value) {
        bits(true, 1);
        for (int i = 0; i < 8; ++i) bits((value >> i) & 1, 1);
        return *this;
    }
    Train& bytes(const std::vector<std::uint8_t>& values) {
        for (std::uint8_t value : values) byte(value);
        return *this;
    }
    Train& idle(std::uint64_t states) {
        now_ += states;
        return *this;
    }
    std::vector<std::vector<std::uint8_t>> blocks() const {
        std::vector<std::vector<std::uint8_t>> blocks;
        for (const tape::Block& block : recording_.blocks) blocks.push_back(block.bytes);
        return blocks;
    }

private:
    void pulse(std::uint64_t high) {
        pulse_tape_line(&out_, &recording_, true, now_);
        now_ += high;
        pulse_tape_line(&out_, &recording_, false, now_);
        now_ += LOW;
    }
    PulseTapeOut out_;
    TapeRecording recording_;
    std::uint64_t now_ = 100;
};

std::vector<std::uint8_t> lead_in_and(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> block(16, 0xFF);
    block.insert(block.end(), 16, 0x00);
    block.insert(block.end(), 16, 0x55);
    block.insert(block.end(), bytes.begin(), bytes.end());
    return block;
}

const std::vector<std::uint8_t> HEADER = {0x07, '?', 0x00, 0x70, 0x01, 0x00, 'D', 'A', 'T', 'A', ' ', ' ', ' ', ' ', 0x0A};
const std::vector<std::uint8_t> DATA = {0xAA, 0x55, 0xAA};

TEST(PulseTapeOut, PulsesBecomeTheBlocksOfAFile) {
    const struct {
        const char* what;
        Train train;
        std::vector<std::vector<std::uint8_t>> blocks;
    } cases[] = {
        {"a header and its data as the firmware writes them",
         Train().bits(false, 510).byte(0x55).bytes(HEADER).bits(false, 128).bits(true, 1).bytes(DATA),
         {lead_in_and(HEADER), DATA}},
        {"a data block whose first byte looks like a header's sync",
         Train().bits(false, 128).bits(true, 1).bytes({0xAA, 0x01}), {{0xAA, 0x01}}},
        {"the header's sync is no 55h: no block", Train().bits(false, 510).byte(0x54).bytes(HEADER), {}},
        {"a leader too short: no block", Train().bits(false, LEADER_BITS - 1).bits(true, 1).bytes(DATA), {}},
        {"the shortest leader", Train().bits(false, LEADER_BITS).bits(true, 1).bytes(DATA), {DATA}},
        {"highs either side of the threshold",
         Train().bits(false, 128).bits(true, 1).bits(true, 1).bits(false, 8, PULSE_ONE_STATES - 1).bits(true, 1)
             .bits(true, 8, PULSE_ONE_STATES),
         {{0x00, 0xFF}}},
        {"a pause inside a byte leaves the block: the rest is not recorded",
         Train().bits(false, 128).bits(true, 1).byte(0x11).bits(true, 1).bits(false, 3).idle(RECORDING_GAP_STATES)
             .bits(false, 5).byte(0x22),
         {{0x11}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.train.blocks(), c.blocks);
    }
}

}  // namespace
}  // namespace quillet
