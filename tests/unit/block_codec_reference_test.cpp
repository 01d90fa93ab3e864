// The block codec against the plain byte-at-a-time reference codec: packing
// must give the same result and the same output bytes, unpacking the same
// result and the same destination bytes, over many generated blocks and
// stored forms, malformed ones included. Buffers carry guard bytes so that
// any write outside the allowed area shows up as a difference, and packed
// inputs sit at the very end of their own allocation so that sanitizers and
// valgrind catch any read past them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "../../bench/reference_codec.hpp"
#include "snapshot/block_codec.hpp"
#include "snapshot/snapshot_format.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;
using quillet::PAGE_BYTES;

constexpr int GUARD = 24;  // bytes watched after the allowed area
constexpr std::uint8_t UNTOUCHED = 0xA5;

// How a generated block is put together: stretches of one repeated value,
// with lengths drawn from a short or a long range, values from an alphabet.
struct RunStructure {
    int alphabet;       // values 0 .. alphabet - 1 (small alphabets merge stretches)
    int long_percent;   // share of stretches taken from the long range
    int short_max;      // short stretches: 1 .. short_max bytes
    int long_max;       // long stretches: 1 .. long_max bytes
};

const RunStructure STRUCTURES[] = {
    {256, 0, 1, 1},      // noise: mostly no runs at all
    {256, 0, 2, 2},      // pairs, which never become repeat runs
    {256, 0, 4, 4},      // stretches around the three-byte threshold
    {3, 0, 3, 3},        // tiny alphabet: neighbouring stretches merge
    {256, 10, 2, 300},   // noise with occasional long runs
    {256, 50, 3, 140},   // long runs near the 130-byte limit
    {2, 30, 2, 135},     // two values, long and short stretches
    {256, 5, 1, 133},    // rare runs of 1 to 133 bytes in noise
    {256, 100, 1, 400},  // long runs only
};

Bytes generate_block(std::mt19937& rng, const RunStructure& structure, int length) {
    std::uniform_int_distribution<int> value(0, structure.alphabet - 1);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> short_run(1, structure.short_max);
    std::uniform_int_distribution<int> long_run(1, structure.long_max);
    Bytes block;
    block.reserve(static_cast<std::size_t>(length));
    while (static_cast<int>(block.size()) < length) {
        const int run = percent(rng) < structure.long_percent ? long_run(rng) : short_run(rng);
        const auto byte = static_cast<std::uint8_t>(value(rng));
        for (int i = 0; i < run && static_cast<int>(block.size()) < length; ++i) block.push_back(byte);
    }
    return block;
}

struct PackResult {
    int stored;
    Bytes output;  // the whole output area plus the guard bytes
};

template <typename Pack>
PackResult pack_with(Pack pack, const Bytes& block) {
    const int length = static_cast<int>(block.size());
    Bytes output(block.size() + GUARD, UNTOUCHED);
    const int stored = pack(output.data(), block.data(), length);
    return {stored, output};
}

// Packs with both codecs and expects the same result and output bytes;
// returns the library's stored form (exactly `stored` bytes long).
Bytes expect_same_packing(const Bytes& block) {
    const PackResult fast = pack_with(quillet::pack_block, block);
    const PackResult slow = pack_with(quillet_reference::reference_pack, block);
    EXPECT_EQ(fast.stored, slow.stored) << "block length " << block.size();
    EXPECT_EQ(fast.output, slow.output) << "block length " << block.size();
    const int length = static_cast<int>(block.size());
    EXPECT_TRUE(fast.stored == 1 || fast.stored == length || (fast.stored > 1 && fast.stored < length));
    return Bytes(fast.output.begin(), fast.output.begin() + fast.stored);
}

struct UnpackResult {
    int written;
    Bytes destination;  // the capacity plus the guard bytes
};

template <typename Unpack>
UnpackResult unpack_with(Unpack unpack, const Bytes& packed, int capacity) {
    Bytes destination(static_cast<std::size_t>(capacity) + GUARD, UNTOUCHED);
    // A copy of exactly the stored length, so nothing valid lies behind it.
    const Bytes stored(packed);
    const int written = unpack(destination.data(), capacity, stored.empty() ? nullptr : stored.data(),
                               static_cast<int>(stored.size()));
    return {written, destination};
}

// Unpacks with both codecs and expects the same result and destination.
int expect_same_unpacking(const Bytes& packed, int capacity) {
    const UnpackResult fast = unpack_with(quillet::unpack_block, packed, capacity);
    const UnpackResult slow = unpack_with(quillet_reference::reference_unpack, packed, capacity);
    EXPECT_EQ(fast.written, slow.written) << "stored " << packed.size() << ", capacity " << capacity;
    EXPECT_EQ(fast.destination, slow.destination)
        << "stored " << packed.size() << ", capacity " << capacity;
    return fast.written;
}

// Packs, compares, then unpacks the stored form with the block's length as
// capacity and expects the block back.
void expect_round_trip(const Bytes& block) {
    const Bytes stored = expect_same_packing(block);
    const int length = static_cast<int>(block.size());
    ASSERT_EQ(expect_same_unpacking(stored, length), length);
    const UnpackResult back = unpack_with(quillet::unpack_block, stored, length);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), back.destination.begin()));
}

TEST(BlockCodecReference, EveryLengthUpTo600WithEveryRunStructure) {
    std::mt19937 rng(2024);
    for (int length = 1; length <= 600; ++length) {
        for (const RunStructure& structure : STRUCTURES) {
            expect_round_trip(generate_block(rng, structure, length));
            if (HasFailure()) return;
        }
    }
}

TEST(BlockCodecReference, FullPagesOfEveryRunStructure) {
    std::mt19937 rng(7);
    for (int round = 0; round < 6; ++round) {
        for (const RunStructure& structure : STRUCTURES) {
            expect_round_trip(generate_block(rng, structure, PAGE_BYTES));
        }
    }
}

// Noise (no three equal neighbours) with a growing number of 4-byte runs
// planted in it: each run saves a byte, so the stored size falls through the
// raw-form threshold and both sides of the strict "shorter than the block"
// rule are met.
TEST(BlockCodecReference, PagesAroundTheRawFormThreshold) {
    constexpr int PLANT_SPACING = 8;  // planted runs never touch each other
    std::mt19937 rng(99);
    Bytes block(PAGE_BYTES);
    for (int i = 0; i < PAGE_BYTES; ++i) block[i] = static_cast<std::uint8_t>(i % 251);
    bool saw_raw = false;
    bool saw_just_shorter = false;
    std::uniform_int_distribution<int> place(0, PAGE_BYTES / PLANT_SPACING - 1);
    for (int planted = 0; planted < 400; ++planted) {
        const int at = place(rng) * PLANT_SPACING;
        std::fill(block.begin() + at + 1, block.begin() + at + 4, block[at]);
        const Bytes stored = expect_same_packing(block);
        const int size = static_cast<int>(stored.size());
        saw_raw = saw_raw || size == PAGE_BYTES;
        saw_just_shorter = saw_just_shorter || (size < PAGE_BYTES && size >= PAGE_BYTES - 2);
        ASSERT_EQ(expect_same_unpacking(stored, PAGE_BYTES), PAGE_BYTES);
    }
    EXPECT_TRUE(saw_raw);
    EXPECT_TRUE(saw_just_shorter);
}

TEST(BlockCodecReference, StoredFormsUnpackedWithOtherCapacities) {
    std::mt19937 rng(31);
    for (int length = 2; length <= 300; length += 7) {
        for (const RunStructure& structure : STRUCTURES) {
            const Bytes stored = expect_same_packing(generate_block(rng, structure, length));
            const int size = static_cast<int>(stored.size());
            for (int capacity : {size, size + 1, length - 1, length, length + 5, 2 * length}) {
                if (capacity >= 1) expect_same_unpacking(stored, capacity);
            }
        }
    }
}

// Prefixes of valid run forms end inside a run; flipped bytes turn data into
// control bytes and the other way round.
TEST(BlockCodecReference, CutAndDamagedRunForms) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> byte(0, 255);
    for (const RunStructure& structure : STRUCTURES) {
        const Bytes stored = expect_same_packing(generate_block(rng, structure, 500));
        for (std::size_t cut = 1; cut <= stored.size(); ++cut) {
            const Bytes prefix(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(cut));
            expect_same_unpacking(prefix, 500);
            expect_same_unpacking(prefix, static_cast<int>(cut) + 40);
        }
        for (int damage = 0; damage < 50; ++damage) {
            Bytes damaged(stored);
            damaged[static_cast<std::size_t>(byte(rng)) % damaged.size()] =
                static_cast<std::uint8_t>(byte(rng));
            expect_same_unpacking(damaged, 500);
        }
    }
}

TEST(BlockCodecReference, RandomStoredBytesWithRandomCapacities) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> stored_length(0, 64);
    std::uniform_int_distribution<int> capacity(-1, 300);
    for (int round = 0; round < 4000; ++round) {
        Bytes packed(static_cast<std::size_t>(stored_length(rng)));
        for (auto& b : packed) b = static_cast<std::uint8_t>(byte(rng));
        const int chosen = capacity(rng);
        if (chosen <= 0) {
            // Unusable capacities: both refuse before touching anything.
            Bytes destination(GUARD, UNTOUCHED);
            const Bytes untouched(destination);
            const int size = static_cast<int>(packed.size());
            EXPECT_EQ(quillet::unpack_block(destination.data(), chosen, packed.data(), size),
                      quillet_reference::reference_unpack(destination.data(), chosen, packed.data(), size));
            EXPECT_EQ(destination, untouched);
        } else {
            expect_same_unpacking(packed, chosen);
        }
    }
}

}  // namespace
