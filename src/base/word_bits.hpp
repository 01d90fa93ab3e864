// 64-bit words of memory, read in little-endian order on every machine so
// that bit order follows memory order, the lowest set bit of one and its
// zero bytes: for code that scans bytes, or sets of up to 64 things, a
// word at a time.
#pragma once

#include <cstdint>
#include <cstring>

namespace quillet {

inline std::uint64_t load_word(const std::uint8_t* at) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
#else
    std::uint64_t word = 0;
    for (int i = 7; i >= 0; --i) word = (word << 8) | at[i];
    return word;
#endif
}

// Number of zero bits below the lowest set bit of `word` (non-zero).
inline int trailing_zero_bits(std::uint64_t word) {
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_ctzll(word);
#else
    int count = 0;
    while ((word & 1u) == 0) {
        word >>= 1;
        ++count;
    }
    return count;
#endif
}

// One bit per byte of `word`, in memory order: set for the zero bytes. The
// per-byte test adds no carries across byte borders, so no byte is marked
// by mistake.
inline unsigned zero_byte_bits(std::uint64_t word) {
    constexpr std::uint64_t EVERY_BYTE_LOW7 = 0x7F7F7F7F7F7F7F7Fu;
    // Multiplying the bits at 8 * j (j = 0..7) by this gathers them, in
    // order, into the top byte of the product.
    constexpr std::uint64_t GATHER_BYTE_BITS = 0x0102040810204080u;
    const std::uint64_t high_bits = ~(((word & EVERY_BYTE_LOW7) + EVERY_BYTE_LOW7) | word | EVERY_BYTE_LOW7);
    return static_cast<unsigned>(((high_bits >> 7) * GATHER_BYTE_BITS) >> 56);
}

}  // namespace quillet
