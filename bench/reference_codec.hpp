// A deliberately plain, byte-at-a-time block codec: the yardstick that the
// fast pack_block / unpack_block are compared with, for equal results in the
// unit tests and for speed in the codec benchmark. It follows the encoding
// rules one byte at a time, with no look-ahead tricks and no block copies.
//
// reference_pack and reference_unpack take the same arguments and give the
// same results as pack_block and unpack_block (see block_codec.hpp).
#pragma once

#include <cstdint>

namespace quillet_reference {

constexpr int LITERAL_MAX = 128;
constexpr int REPEAT_MIN = 3;
constexpr int REPEAT_MAX = 130;
constexpr int LITERAL_CONTROL = 0x80;
constexpr int BAD_ARGUMENTS = -1;
constexpr int LEFT_OVER = -2;

// Output cursor that counts every byte of the run form but stores only those
// that fit below `limit`, so the encoding can run to its end and be judged
// by its size alone.
struct BoundedOutput {
    std::uint8_t* bytes;
    int limit;
    int size = 0;

    int reserve() { return size++; }
    void put_at(int index, int value) {
        if (index < limit) bytes[index] = static_cast<std::uint8_t>(value);
    }
    void put(int value) { put_at(reserve(), value); }
};

inline int reference_pack(std::uint8_t* output, const std::uint8_t* source, int length) {
    if (length <= 0) return 0;
    int equal = 1;
    while (equal < length && source[equal] == source[0]) ++equal;
    if (equal == length) {
        output[0] = source[0];
        return 1;
    }

    BoundedOutput out{output, length};
    int literal_control = -1;  // index of the open literal run's control byte
    int literal_count = 0;
    const auto close_literal = [&] {
        if (literal_control >= 0) out.put_at(literal_control, LITERAL_CONTROL | (literal_count - 1));
        literal_control = -1;
        literal_count = 0;
    };
    int p = 0;
    while (p < length) {
        const std::uint8_t c = source[p];
        if (p + 2 < length && source[p + 1] == c && source[p + 2] == c) {
            close_literal();
            int n = REPEAT_MIN;
            while (p + n < length && n < REPEAT_MAX && source[p + n] == c) ++n;
            out.put(n - REPEAT_MIN);
            out.put(c);
            p += n;
        } else {
            if (literal_control < 0) literal_control = out.reserve();
            out.put(c);
            ++literal_count;
            ++p;
            if (literal_count == LITERAL_MAX) close_literal();
        }
    }
    close_literal();
    if (out.size < length) return out.size;
    for (int i = 0; i < length; ++i) output[i] = source[i];
    return length;
}

inline int reference_unpack(std::uint8_t* destination, int capacity, const std::uint8_t* packed,
                            int packed_length) {
    if (!destination || !packed || packed_length <= 0 || capacity <= 0 || packed_length > capacity) {
        return BAD_ARGUMENTS;
    }
    if (packed_length == 1) {
        for (int i = 0; i < capacity; ++i) destination[i] = packed[0];
        return capacity;
    }
    if (packed_length == capacity) {
        for (int i = 0; i < capacity; ++i) destination[i] = packed[i];
        return capacity;
    }
    int in = 0;
    int out = 0;
    while (in < packed_length && out < capacity) {
        const int control = packed[in++];
        if (control & LITERAL_CONTROL) {
            const int n = (control & ~LITERAL_CONTROL) + 1;
            if (n > packed_length - in) return LEFT_OVER;
            for (int k = 0; k < n; ++k, ++in) {
                if (out < capacity) destination[out++] = packed[in];
            }
        } else {
            const int n = control + REPEAT_MIN;
            if (in >= packed_length) return LEFT_OVER;
            const std::uint8_t value = packed[in++];
            for (int k = 0; k < n && out < capacity; ++k) destination[out++] = value;
        }
    }
    return in < packed_length ? LEFT_OVER : out;
}

}  // namespace quillet_reference
