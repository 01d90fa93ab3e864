#include "snapshot/block_codec.hpp"

#include <cstring>

namespace quillet {
namespace {

bool all_bytes_equal(const std::uint8_t* source, int length) {
    const std::uint8_t first = source[0];
    for (int i = 1; i < length; ++i) {
        if (source[i] != first) return false;
    }
    return true;
}

// Length of the run of bytes equal to source[p], starting at p, capped at
// REPEAT_RUN_MAX.
int repeat_length(const std::uint8_t* source, int p, int length) {
    const int limit = length - p < REPEAT_RUN_MAX ? length - p : REPEAT_RUN_MAX;
    int n = 1;
    while (n < limit && source[p + n] == source[p]) ++n;
    return n;
}

// Encodes the run form into output; returns its size, or -1 as soon as it
// can no longer come out shorter than `length` (so nothing is ever written
// at or past output[length - 1] by a form that would be used).
int encode_runs(std::uint8_t* output, const std::uint8_t* source, int length) {
    int out = 0;
    int literal_start = -1;  // output index of the open literal run's control byte
    int literal_count = 0;
    const auto close_literal = [&] {
        if (literal_start < 0) return;
        output[literal_start] = static_cast<std::uint8_t>(LITERAL_FLAG | (literal_count - 1));
        literal_start = -1;
        literal_count = 0;
    };
    int p = 0;
    while (p < length) {
        const std::uint8_t c = source[p];
        if (p + 2 < length && source[p + 1] == c && source[p + 2] == c) {
            close_literal();
            const int n = repeat_length(source, p, length);
            if (out + 2 >= length) return -1;
            output[out++] = static_cast<std::uint8_t>(n - REPEAT_RUN_MIN);
            output[out++] = c;
            p += n;
            continue;
        }
        if (literal_start < 0) {
            if (out + 2 >= length) return -1;  // control and data byte must fit
            literal_start = out++;
        } else if (out + 1 >= length) {
            return -1;
        }
        output[out++] = c;
        ++literal_count;
        ++p;
        if (literal_count == LITERAL_RUN_MAX) close_literal();
    }
    close_literal();
    return out;
}

}  // namespace

int pack_block(std::uint8_t* output, const std::uint8_t* source, int length) {
    if (length <= 0) return 0;
    if (all_bytes_equal(source, length)) {
        output[0] = source[0];
        return 1;
    }
    const int encoded = encode_runs(output, source, length);
    if (encoded > 0 && encoded < length) return encoded;
    std::memcpy(output, source, static_cast<std::size_t>(length));
    return length;
}

int unpack_block(std::uint8_t* destination, int capacity, const std::uint8_t* packed,
                 int packed_length) {
    if (!destination || !packed || packed_length <= 0 || capacity <= 0 ||
        packed_length > capacity) {
        return UNPACK_BAD_ARGUMENTS;
    }
    if (packed_length == 1) {
        std::memset(destination, packed[0], static_cast<std::size_t>(capacity));
        return capacity;
    }
    if (packed_length == capacity) {
        std::memcpy(destination, packed, static_cast<std::size_t>(capacity));
        return capacity;
    }
    int in = 0;
    int out = 0;
    while (in < packed_length && out < capacity) {
        const std::uint8_t control = packed[in++];
        const int room = capacity - out;
        if (control & LITERAL_FLAG) {
            const int n = (control & ~LITERAL_FLAG) + 1;
            if (n > packed_length - in) return UNPACK_LEFT_OVER;
            const int kept = n < room ? n : room;
            std::memcpy(destination + out, packed + in, static_cast<std::size_t>(kept));
            in += n;
            out += kept;
        } else {
            const int n = control + REPEAT_RUN_MIN;
            if (in >= packed_length) return UNPACK_LEFT_OVER;
            const int kept = n < room ? n : room;
            std::memset(destination + out, packed[in++], static_cast<std::size_t>(kept));
            out += kept;
        }
    }
    if (in < packed_length) return UNPACK_LEFT_OVER;
    return out;
}

}  // namespace quillet
