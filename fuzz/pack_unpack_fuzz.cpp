// pack_block followed by unpack_block on arbitrary blocks.
//
// Input: the block itself (length 1 up to whatever the fuzzer allows; run
// with -max_len=16384 to reach page-sized blocks). Checks that the stored
// length never exceeds the block length, that the stored form matches its
// length (1: fill form of an all-equal block, the block length: raw copy,
// anything between: a run form) and that unpacking gives the block back.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "fuzz_check.hpp"
#include "snapshot/block_codec.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t LARGEST_BLOCK = 65536;  // the size of saving's work buffer
    if (size > LARGEST_BLOCK) return 0;
    const int length = static_cast<int>(size);
    std::uint8_t* source = new std::uint8_t[size];
    if (size > 0) std::memcpy(source, data, size);
    std::uint8_t* output = new std::uint8_t[size];

    const int stored = quillet::pack_block(output, source, length);
    if (length == 0) {
        FUZZ_CHECK(stored == 0);
    } else {
        const bool uniform = std::all_of(source, source + length,
                                         [&](std::uint8_t b) { return b == source[0]; });
        FUZZ_CHECK(stored >= 1 && stored <= length);
        FUZZ_CHECK((stored == 1) == uniform);
        if (stored == 1) FUZZ_CHECK(output[0] == source[0]);
        if (stored == length) FUZZ_CHECK(std::memcmp(output, source, size) == 0);

        // The stored bytes alone, in a block of exactly their size.
        std::uint8_t* packed = new std::uint8_t[static_cast<std::size_t>(stored)];
        std::memcpy(packed, output, static_cast<std::size_t>(stored));
        std::uint8_t* unpacked = new std::uint8_t[size];
        FUZZ_CHECK(quillet::unpack_block(unpacked, length, packed, stored) == length);
        FUZZ_CHECK(std::memcmp(unpacked, source, size) == 0);
        delete[] unpacked;
        delete[] packed;
    }
    delete[] output;
    delete[] source;
    return 0;
}
