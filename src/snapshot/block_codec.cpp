// The block codec, built for speed without changing a byte of its output:
// packing finds stretches of equal bytes 64 positions at a time with word
// operations, and both directions copy and fill whole runs at once. The
// plain byte-at-a-time statement of the same encoding lives beside the
// benchmarks (bench/reference_codec.hpp); the unit tests hold the two equal.
#include "snapshot/block_codec.hpp"

#include <cstring>

#include "base/word_bits.hpp"

namespace quillet {
namespace {

// Runs are found with 64-bit words (base/word_bits.hpp): a word is loaded
// from any byte position, equal bytes show up as zero bytes of an XOR, and
// positions are found by counting trailing zero bits.
using Word = std::uint64_t;
constexpr int WORD_BYTES = sizeof(Word);
constexpr int WORD_BITS = 64;
constexpr int BITS_PER_BYTE = 8;
constexpr Word EVERY_BYTE_ONE = 0x0101010101010101u;

bool all_bytes_equal(const std::uint8_t* source, int length) {
    return std::memcmp(source, source + 1, static_cast<std::size_t>(length - 1)) == 0;
}

// Number of bytes from p on that equal source[p] (at least 1).
int equal_run_length(const std::uint8_t* source, int p, int length) {
    const Word pattern = EVERY_BYTE_ONE * source[p];
    int q = p + 1;
    for (; length - q >= WORD_BYTES; q += WORD_BYTES) {
        const Word differences = load_word(source + q) ^ pattern;
        if (differences) return q + trailing_zero_bits(differences) / BITS_PER_BYTE - p;
    }
    while (q < length && source[q] == source[p]) ++q;
    return q - p;
}

// Neighbour comparisons for the 64 positions from `base`, so that the
// stretches of equal bytes in them are found with bit operations instead
// of loads.
struct Window {
    // Positions from base on whose repeat start is known (the last position
    // of the window would need the next window's first bit).
    static constexpr int SPAN = WORD_BITS - 1;
    static constexpr Word SPAN_BITS = ~Word{0} >> (WORD_BITS - SPAN);

    Word equal_next = 0;  // bit i: source[base + i] == source[base + i + 1]

    Window(const std::uint8_t* source, int base, int length) {
        if (length - base > WORD_BITS) {
            for (int i = 0; i < WORD_BITS; i += BITS_PER_BYTE) {
                const Word differences = load_word(source + base + i) ^ load_word(source + base + i + 1);
                equal_next |= static_cast<Word>(zero_byte_bits(differences)) << i;
            }
        } else {
            for (int i = 0; base + i + 1 < length; ++i) {
                if (source[base + i] == source[base + i + 1]) equal_next |= Word{1} << i;
            }
        }
    }

    // Bit i: three equal bytes begin at base + i and the byte before them
    // (if inside the window) differs, so a new stretch of equal bytes
    // starts there. Bit 0 counts as a stretch start: the caller places
    // windows only where no repeat run can reach in from before.
    Word stretch_starts() const {
        const Word repeat_starts = equal_next & (equal_next >> 1);
        return repeat_starts & ~(equal_next << 1) & SPAN_BITS;
    }

    // Length of the stretch that starts at `offset`, or 0 when it runs on
    // past the window.
    int stretch_length(int offset) const {
        const Word unequal = ~equal_next >> offset;
        return unequal ? trailing_zero_bits(unequal) + 1 : 0;
    }
};

// Short copies and fills: four WIDTH-byte copies, at both ends of
// destination[0 .. count - 1] and next to them (never more than WIDTH
// apart, so they overlap instead of leaving gaps), cover any count from
// WIDTH to SPREAD_REACH<WIDTH>. Whatever the count, the same four copies
// run: run lengths that vary from run to run cost no mispredicted branches.
constexpr int SPREAD_COPIES = 4;
template <int WIDTH>
constexpr int SPREAD_REACH = SPREAD_COPIES * WIDTH;

// `source_step` 1 copies source[0 .. count - 1]; 0 repeats source[0 ..
// WIDTH - 1], a fill pattern.
template <int WIDTH>
void spread_copy(std::uint8_t* destination, const std::uint8_t* source, int source_step, int count) {
    const int last = count - WIDTH;
    const int step = last < WIDTH ? last : WIDTH;
    std::memcpy(destination, source, WIDTH);
    std::memcpy(destination + step, source + source_step * step, WIDTH);
    std::memcpy(destination + last - step, source + source_step * (last - step), WIDTH);
    std::memcpy(destination + last, source + source_step * last, WIDTH);
}

// Copies `count` (at least 1) bytes, touching nothing past destination[count
// - 1] and reading nothing past source[count - 1].
inline void copy_bytes(std::uint8_t* destination, const std::uint8_t* source, int count) {
    constexpr int COPY = 1;
    constexpr int SMALL = 4;
    if (count < SMALL) {  // first, middle and last byte cover 1 to 3 bytes
        destination[0] = source[0];
        destination[count / 2] = source[count / 2];
        destination[count - 1] = source[count - 1];
    } else if (count <= SPREAD_REACH<SMALL>) {
        spread_copy<SMALL>(destination, source, COPY, count);
    } else if (count <= SPREAD_REACH<16>) {
        spread_copy<16>(destination, source, COPY, count);
    } else if (count <= SPREAD_REACH<32>) {
        spread_copy<32>(destination, source, COPY, count);
    } else {
        std::memcpy(destination, source, static_cast<std::size_t>(count));
    }
}

// Writes `count` (at least 1) copies of `value`, touching nothing past
// destination[count - 1].
inline void fill_bytes(std::uint8_t* destination, std::uint8_t value, int count) {
    constexpr int FILL = 0;
    constexpr int SMALL = 2;
    if (count < SMALL) {
        destination[0] = value;
        return;
    }
    const Word word_pattern = EVERY_BYTE_ONE * value;
    std::uint8_t pattern[WORD_BYTES];
    std::memcpy(pattern, &word_pattern, WORD_BYTES);
    if (count <= SPREAD_REACH<SMALL>) {
        spread_copy<SMALL>(destination, pattern, FILL, count);
    } else if (count <= SPREAD_REACH<WORD_BYTES>) {
        spread_copy<WORD_BYTES>(destination, pattern, FILL, count);
    } else {
        std::memset(destination, value, static_cast<std::size_t>(count));
    }
}

// Appends runs to `output` while the run form stays shorter than `length`;
// each append either fits entirely below output[length - 1] or refuses, and
// a refusal means the raw form wins (the run form only grows).
struct RunWriter {
    std::uint8_t* output;
    const std::uint8_t* source;
    int length;
    int size = 0;

    // Literal runs for source[from .. to - 1] (at least one byte), split
    // every LITERAL_RUN_MAX bytes.
    bool literals(int from, int to) {
        int remaining = to - from;
        if (remaining <= LITERAL_RUN_MAX) {  // the usual case: a single run
            if (remaining + 1 >= length - size) return false;
            output[size] = static_cast<std::uint8_t>(LITERAL_FLAG | (remaining - 1));
            copy_bytes(output + size + 1, source + from, remaining);
            size += remaining + 1;
            return true;
        }
        const int controls = (remaining + LITERAL_RUN_MAX - 1) / LITERAL_RUN_MAX;
        if (remaining + controls >= length - size) return false;
        while (remaining > 0) {
            const int n = remaining < LITERAL_RUN_MAX ? remaining : LITERAL_RUN_MAX;
            output[size] = static_cast<std::uint8_t>(LITERAL_FLAG | (n - 1));
            copy_bytes(output + size + 1, source + from, n);
            size += n + 1;
            from += n;
            remaining -= n;
        }
        return true;
    }

    // One repeat run of `count` (REPEAT_RUN_MIN .. REPEAT_RUN_MAX) copies of
    // `value`.
    bool repeat(std::uint8_t value, int count) {
        if (length - size <= 2) return false;
        output[size] = static_cast<std::uint8_t>(count - REPEAT_RUN_MIN);
        output[size + 1] = value;
        size += 2;
        return true;
    }

    // Repeat runs for a stretch of `count` (at least REPEAT_RUN_MIN) copies
    // of `value`: as many REPEAT_RUN_MAX runs as fit, then one for the rest
    // if it is REPEAT_RUN_MIN bytes or more. Returns how many bytes at the
    // end of the stretch are left for the next literal run, or -1.
    int stretch(std::uint8_t value, int count) {
        const int rest = count % REPEAT_RUN_MAX;
        const int left_over = rest < REPEAT_RUN_MIN ? rest : 0;
        for (int i = 0; i < count / REPEAT_RUN_MAX; ++i) {
            if (!repeat(value, REPEAT_RUN_MAX)) return -1;
        }
        if (rest >= REPEAT_RUN_MIN && !repeat(value, rest)) return -1;
        return left_over;
    }
};

// Encodes the run form into output; returns its size, or -1 as soon as it
// can no longer come out shorter than `length`. Every stretch of three or
// more equal bytes becomes repeat runs, everything between stretches
// literal runs. Windows are placed either just after a stretch or just
// after the positions that the previous window has ruled out.
int encode_runs(std::uint8_t* output, const std::uint8_t* source, int length) {
    RunWriter writer{output, source, length};
    int literal_from = 0;
    int p = 0;
    while (length - p >= REPEAT_RUN_MIN) {
        const Window window(source, p, length);
        int stretch_end = 0;
        for (Word starts = window.stretch_starts(); starts; starts &= starts - 1) {
            const int offset = trailing_zero_bits(starts);
            const int start = p + offset;
            int stretch = window.stretch_length(offset);
            if (start != literal_from && !writer.literals(literal_from, start)) return -1;
            if (stretch != 0 && stretch <= REPEAT_RUN_MAX) {
                if (!writer.repeat(source[start], stretch)) return -1;
                literal_from = start + stretch;
            } else {
                if (stretch == 0) stretch = equal_run_length(source, start, length);
                const int left_over = writer.stretch(source[start], stretch);
                if (left_over < 0) return -1;
                literal_from = start + stretch - left_over;
            }
            stretch_end = start + stretch;
        }
        const int ruled_out = length - p > Window::SPAN ? p + Window::SPAN : length;
        p = stretch_end > ruled_out ? stretch_end : ruled_out;
    }
    if (literal_from != length && !writer.literals(literal_from, length)) return -1;
    return writer.size;
}

// Decodes runs while every run, whatever its kind, surely fits: its stored
// bytes are all there and its bytes all fit in the destination. Advances
// `in` and `out` past the decoded runs.
void decode_roomy_runs(std::uint8_t* destination, int capacity, const std::uint8_t* packed,
                       int packed_length, int& in, int& out) {
    constexpr int LONGEST_STORED_RUN = 1 + LITERAL_RUN_MAX;
    while (packed_length - in >= LONGEST_STORED_RUN && capacity - out >= REPEAT_RUN_MAX) {
        const std::uint8_t control = packed[in];
        if (control & LITERAL_FLAG) {
            const int n = (control & ~LITERAL_FLAG) + 1;
            copy_bytes(destination + out, packed + in + 1, n);
            in += n + 1;
            out += n;
        } else {
            const int n = control + REPEAT_RUN_MIN;
            fill_bytes(destination + out, packed[in + 1], n);
            in += 2;
            out += n;
        }
    }
}

// Decodes a run form; see unpack_block for the results. Runs near the end
// of either buffer are checked one by one, and cut where the destination
// is full.
int decode_runs(std::uint8_t* destination, int capacity, const std::uint8_t* packed,
                int packed_length) {
    int in = 0;
    int out = 0;
    decode_roomy_runs(destination, capacity, packed, packed_length, in, out);
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

}  // namespace

int pack_block(std::uint8_t* output, const std::uint8_t* source, int length) {
    if (length <= 0) return 0;
    if (all_bytes_equal(source, length)) {
        output[0] = source[0];
        return 1;
    }
    const int encoded = encode_runs(output, source, length);
    if (encoded > 0) return encoded;
    std::memcpy(output, source, static_cast<std::size_t>(length));
    return length;
}

int unpack_block(std::uint8_t* destination, int capacity, const std::uint8_t* packed,
                 int packed_length) {
    if (!destination || !packed || packed_length <= 0 || capacity <= 0 ||
        packed_length > capacity) {
        return UNPACK_BAD_ARGUMENTS;
    }
    switch (stored_form(packed_length, capacity)) {
    case FORM_FILL: std::memset(destination, packed[0], static_cast<std::size_t>(capacity)); return capacity;
    case FORM_RAW: std::memcpy(destination, packed, static_cast<std::size_t>(capacity)); return capacity;
    case FORM_RUN: break;
    }
    return decode_runs(destination, capacity, packed, packed_length);
}

StoredForm stored_form(int packed_length, int capacity) {
    if (packed_length == 1) return FORM_FILL;
    return packed_length == capacity ? FORM_RAW : FORM_RUN;
}

}  // namespace quillet
