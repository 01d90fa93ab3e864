#include <gtest/gtest.h>

#include <random>

#include "snapshot/block_codec.hpp"
#include "unit/snapshot_test_support.hpp"

namespace quillet {
namespace {

using namespace quillet_test;

constexpr std::uint8_t GUARD = 0xCD;
constexpr int GUARD_SIZE = 64;

struct Packed {
    int result;
    Bytes output;  // the first `result` bytes of the output area
};

// Packs into a guard-filled area larger than the block and checks that
// nothing was written at or past output[length].
Packed pack(const Bytes& block) {
    const int length = static_cast<int>(block.size());
    Bytes area(block.size() + GUARD_SIZE, GUARD);
    const int result = pack_block(area.data(), block.data(), length);
    for (std::size_t i = block.size(); i < area.size(); ++i) {
        EXPECT_EQ(area[i], GUARD) << "pack wrote output[" << i << "] of a " << length << "-byte block";
    }
    return {result, Bytes(area.begin(), area.begin() + (result > 0 ? result : 0))};
}

struct Unpacked {
    int result;
    Bytes destination;
};

// Unpacks from an exactly sized heap copy (so that a sanitizer catches any
// read past the stored bytes) into `capacity` guard-filled bytes.
Unpacked unpack(const Bytes& stored, int capacity) {
    const Bytes exact(stored);
    Bytes destination(static_cast<std::size_t>(capacity), GUARD);
    const int result = unpack_block(destination.data(), capacity, exact.data(), static_cast<int>(exact.size()));
    return {result, destination};
}

struct PackCase {
    const char* name;
    Bytes block;
    int result;
    Bytes output;
};

TEST(PackBlock, WorkedExamples) {
    const Bytes b128 = ascending(128, 1);
    const Bytes b129 = ascending(129, 1);
    Bytes page_of_ff_runs;
    for (int i = 0; i < 126; ++i) page_of_ff_runs.insert(page_of_ff_runs.end(), {0x7F, 0xFF});
    page_of_ff_runs.insert(page_of_ff_runs.end(), {0x00, 0xFF, 0x80, 0x00});
    const PackCase cases[] = {
        {"single byte", {0x41}, 1, {0x41}},
        {"equal pair", {0x41, 0x41}, 1, {0x41}},
        {"zero page", repeated(16384, 0), 1, {0x00}},
        {"different pair", {0x41, 0x42}, 2, {0x41, 0x42}},
        {"run form as long as block", {5, 5, 5, 1}, 4, {5, 5, 5, 1}},
        {"pairs stay literal", {0x41, 0x41, 0x42, 0x42, 0x42}, 5, {0x41, 0x41, 0x42, 0x42, 0x42}},
        {"repeat then literal", {5, 5, 5, 5, 1}, 4, {0x01, 0x05, 0x80, 0x01}},
        {"literal then repeat", {0x41, 0x42, 0x42, 0x42, 0x42}, 4, {0x80, 0x41, 0x01, 0x42}},
        {"two repeats", {0x41, 0x41, 0x41, 0x41, 0x42, 0x42, 0x42, 0x42}, 4, {0x01, 0x41, 0x01, 0x42}},
        {"literal repeat literal", join({{0x01}, repeated(7, 0x02), {0x03, 0x04}}), 7,
         {0x80, 0x01, 0x04, 0x02, 0x81, 0x03, 0x04}},
        {"repeat literal repeat", join({repeated(6, 0x41), {0x42, 0x43}, repeated(3, 0x44)}), 7,
         {0x03, 0x41, 0x81, 0x42, 0x43, 0x00, 0x44}},
        {"130 equal", join({repeated(130, 0), {1}}), 4, {0x7F, 0x00, 0x80, 0x01}},
        {"131 equal", join({repeated(131, 0), {1}}), 5, {0x7F, 0x00, 0x81, 0x00, 0x01}},
        {"132 equal", join({repeated(132, 0), {1}}), 6, {0x7F, 0x00, 0x82, 0x00, 0x00, 0x01}},
        {"133 equal", join({repeated(133, 0), {1}}), 6, {0x7F, 0x00, 0x00, 0x00, 0x80, 0x01}},
        {"200 equal", join({repeated(200, 0), {1}}), 6, {0x7F, 0x00, 0x43, 0x00, 0x80, 0x01}},
        {"128 literals", join({b128, repeated(200, 0)}), 133,
         join({{0xFF}, b128, {0x7F, 0x00, 0x43, 0x00}})},
        {"129th literal", join({b129, repeated(200, 0)}), 135,
         join({{0xFF}, ascending(128, 1), {0x80, 129}, {0x7F, 0x00, 0x43, 0x00}})},
        {"page of FF", join({repeated(16383, 0xFF), {0x00}}), 256, page_of_ff_runs},
        {"page without repeats", ascending(16384), 16384, ascending(16384)},
    };
    for (const PackCase& c : cases) {
        const Packed packed = pack(c.block);
        EXPECT_EQ(packed.result, c.result) << c.name;
        EXPECT_EQ(packed.output, c.output) << c.name;
    }
}

TEST(PackBlock, AllEqualBlocksOfAnyLengthPackToOneByte) {
    for (int length : {1, 2, 3, 129, 130, 131, 1000, 16384}) {
        const Packed packed = pack(repeated(length, 0xA5));
        EXPECT_EQ(packed.result, 1) << length;
        EXPECT_EQ(packed.output, Bytes{0xA5}) << length;
    }
}

TEST(PackBlock, LengthZeroReturnsZeroAndWritesNothing) {
    std::uint8_t output[1] = {GUARD};
    const std::uint8_t source[1] = {0x41};
    EXPECT_EQ(pack_block(output, source, 0), 0);
    EXPECT_EQ(output[0], GUARD);
}

struct UnpackCase {
    const char* name;
    int capacity;
    Bytes packed;
    int result;
    Bytes destination;  // guard bytes where nothing was written
};

TEST(UnpackBlock, WorkedExamplesAndMalformedInput) {
    const Bytes g = {GUARD};
    const UnpackCase cases[] = {
        {"fill", 5, {0x09}, 5, repeated(5, 0x09)},
        {"raw", 4, {0x02, 0x41, 0x80, 0x42}, 4, {0x02, 0x41, 0x80, 0x42}},
        {"short run form", 10, {0x00, 0x41}, 3, join({repeated(3, 0x41), repeated(7, GUARD)})},
        {"repeat cut at capacity", 4, {0x02, 0x41}, 4, repeated(4, 0x41)},
        {"bytes left over", 5, {0x02, 0x41, 0x80, 0x42}, -2, repeated(5, 0x41)},
        {"longer than capacity", 2, {0x01, 0x02, 0x03}, -1, repeated(2, GUARD)},
        {"literal cut by full destination", 9, {0x02, 0x41, 0x84, 0x42, 0x43, 0x44, 0x45, 0x46}, 9,
         join({repeated(5, 0x41), {0x42, 0x43, 0x44, 0x45}})},
        {"literal longer than the stored bytes", 10, {0x84, 0x41, 0x42}, -2, {}},
        {"repeat control as last byte", 10, {0x02, 0x41, 0x05}, -2, {}},
        {"literal control as last byte", 10, {0x02, 0x41, 0x80}, -2, {}},
        {"exact fill by runs", 8, {0x00, 0x41, 0x80, 0x42, 0x01, 0x43}, 8,
         {0x41, 0x41, 0x41, 0x42, 0x43, 0x43, 0x43, 0x43}},
    };
    for (const UnpackCase& c : cases) {
        const Unpacked unpacked = unpack(c.packed, c.capacity);
        EXPECT_EQ(unpacked.result, c.result) << c.name;
        if (!c.destination.empty()) {
            EXPECT_EQ(unpacked.destination, c.destination) << c.name;
        }
    }
}

TEST(UnpackBlock, UnusableArgumentsReturnMinusOneAndWriteNothing) {
    const std::uint8_t packed[2] = {0x00, 0x41};
    std::uint8_t destination[4] = {GUARD, GUARD, GUARD, GUARD};
    const Bytes untouched(4, GUARD);
    EXPECT_EQ(unpack_block(nullptr, 4, packed, 2), -1);
    EXPECT_EQ(unpack_block(destination, 4, nullptr, 2), -1);
    EXPECT_EQ(unpack_block(destination, 4, packed, 0), -1);
    EXPECT_EQ(unpack_block(destination, 0, packed, 1), -1);
    EXPECT_EQ(unpack_block(destination, -1, packed, 1), -1);
    EXPECT_EQ(unpack_block(destination, 1, packed, 2), -1);
    EXPECT_EQ(Bytes(destination, destination + 4), untouched);
}

TEST(UnpackBlock, FillFormFillsTheWholeCapacity) {
    const Unpacked unpacked = unpack({0xFF}, 16384);
    EXPECT_EQ(unpacked.result, 16384);
    EXPECT_EQ(unpacked.destination, repeated(16384, 0xFF));
}

TEST(UnpackBlock, StoredLengthEqualToCapacityIsRawEvenWhenItWouldDecode) {
    const Unpacked unpacked = unpack({0x00, 0x41, 0x00, 0x42}, 4);
    EXPECT_EQ(unpacked.result, 4);
    EXPECT_EQ(unpacked.destination, (Bytes{0x00, 0x41, 0x00, 0x42}));
}

// Blocks for the round trip: every length from 1 to 300 in several
// flavours, long runs around the repeat limit, and whole pages.
std::vector<Bytes> round_trip_blocks() {
    std::vector<Bytes> blocks;
    std::mt19937 random(20261208);
    const auto random_bytes = [&random](int n, int values) {
        Bytes bytes(static_cast<std::size_t>(n));
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random() % static_cast<unsigned>(values));
        return bytes;
    };
    for (int length = 1; length <= 300; ++length) {
        blocks.push_back(random_bytes(length, 256));
        blocks.push_back(random_bytes(length, 2));  // many short repeats
        blocks.push_back(ascending(length));
        Bytes periodic(static_cast<std::size_t>(length));
        for (int i = 0; i < length; ++i) periodic[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i / 3 % 4);
        blocks.push_back(periodic);
    }
    for (int run = 127; run <= 134; ++run) {
        const Bytes r = repeated(run, 0x77);
        blocks.push_back(join({r, ascending(5)}));
        blocks.push_back(join({ascending(5), r, ascending(5)}));
        blocks.push_back(join({ascending(5), r}));
        blocks.push_back(join({ascending(200), r, {0x77, 0x10}, r}));
    }
    blocks.push_back(random_bytes(16384, 256));
    blocks.push_back(random_bytes(16384, 3));
    blocks.push_back(ascending(16384));
    blocks.push_back(join({repeated(8000, 0), ascending(384), repeated(8000, 0xE5)}));
    return blocks;
}

TEST(BlockCodec, EveryPackedBlockUnpacksToItself) {
    for (const Bytes& block : round_trip_blocks()) {
        const int length = static_cast<int>(block.size());
        const Packed packed = pack(block);
        const bool uniform = std::equal(block.begin() + 1, block.end(), block.begin());
        ASSERT_GE(packed.result, 1) << length;
        ASSERT_LE(packed.result, length) << length;
        EXPECT_EQ(packed.result == 1, uniform) << "fill form exactly for uniform blocks, length " << length;
        if (packed.result == length && !uniform) {
            EXPECT_EQ(packed.output, block) << "raw form " << length;
        }
        const Unpacked unpacked = unpack(packed.output, length);
        EXPECT_EQ(unpacked.result, length);
        ASSERT_EQ(unpacked.destination, block) << "length " << length << ", stored " << packed.result;
    }
}

}  // namespace
}  // namespace quillet
