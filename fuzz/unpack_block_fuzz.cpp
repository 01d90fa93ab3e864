// unpack_block on arbitrary stored bytes and capacities.
//
// Input: two bytes of capacity (a signed 16-bit little-endian number, so that
// zero and negative capacities occur too), then the stored bytes. Both
// buffers are heap blocks of exactly their size, so any access outside them
// is an AddressSanitizer finding. The result and the destination are compared
// with a plain reference decoder written from the documented format.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_check.hpp"
#include "snapshot/block_codec.hpp"

namespace {

using quillet::UNPACK_BAD_ARGUMENTS;
using quillet::UNPACK_LEFT_OVER;

constexpr std::uint8_t UNTOUCHED = 0xA5;

// The documented decoding, one byte at a time: fill form, raw form, then
// runs; leftover stored bytes or a run cut short by the end of the stored
// bytes give UNPACK_LEFT_OVER.
int reference_unpack(std::vector<std::uint8_t>& out, int capacity, const std::uint8_t* in,
                     int length) {
    if (length <= 0 || capacity <= 0 || length > capacity) return UNPACK_BAD_ARGUMENTS;
    if (length == 1) {
        out.assign(static_cast<std::size_t>(capacity), in[0]);
        return capacity;
    }
    if (length == capacity) {
        out.assign(in, in + length);
        return capacity;
    }
    int p = 0;
    while (p < length && static_cast<int>(out.size()) < capacity) {
        const int control = in[p++];
        if (control >= 0x80) {
            const int n = control - 0x80 + 1;
            if (p + n > length) return UNPACK_LEFT_OVER;
            for (int i = 0; i < n; ++i) {
                if (static_cast<int>(out.size()) < capacity) out.push_back(in[p]);
                ++p;
            }
        } else {
            if (p >= length) return UNPACK_LEFT_OVER;
            const std::uint8_t value = in[p++];
            for (int i = 0; i < control + 3 && static_cast<int>(out.size()) < capacity; ++i) {
                out.push_back(value);
            }
        }
    }
    if (p < length) return UNPACK_LEFT_OVER;
    return static_cast<int>(out.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t CAPACITY_BYTES = 2;
    if (size < CAPACITY_BYTES) return 0;
    const int capacity = static_cast<std::int16_t>(data[0] | (data[1] << 8));
    const int packed_length = static_cast<int>(size - CAPACITY_BYTES);

    std::uint8_t* packed = new std::uint8_t[static_cast<std::size_t>(packed_length)];
    if (packed_length > 0) std::memcpy(packed, data + CAPACITY_BYTES, static_cast<std::size_t>(packed_length));
    const std::size_t destination_size = capacity > 0 ? static_cast<std::size_t>(capacity) : 0;
    std::uint8_t* destination = new std::uint8_t[destination_size];
    std::memset(destination, UNTOUCHED, destination_size);

    const int result = quillet::unpack_block(destination, capacity, packed, packed_length);

    std::vector<std::uint8_t> expected;
    const int expected_result = reference_unpack(expected, capacity, packed, packed_length);
    FUZZ_CHECK(result == expected_result);
    FUZZ_CHECK(result == UNPACK_BAD_ARGUMENTS || result == UNPACK_LEFT_OVER ||
               (result >= 0 && result <= capacity));
    if (result == UNPACK_BAD_ARGUMENTS) {
        for (std::size_t i = 0; i < destination_size; ++i) FUZZ_CHECK(destination[i] == UNTOUCHED);
    }
    if (result >= 0) {
        FUZZ_CHECK(std::memcmp(destination, expected.data(), static_cast<std::size_t>(result)) == 0);
        for (std::size_t i = static_cast<std::size_t>(result); i < destination_size; ++i) {
            FUZZ_CHECK(destination[i] == UNTOUCHED);
        }
    }

    delete[] destination;
    delete[] packed;
    return 0;
}
