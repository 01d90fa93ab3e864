// Expected snapshot file bytes, assembled from the named fields of the ZVK
// header layout and from plain byte strings. This is the tests' own model of
// the format, kept independent of the code under test.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace quillet_test {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t PAGE_BYTES = 16384;
constexpr std::size_t HEADER_V1_BYTES = 56;
constexpr std::size_t HEADER_V2_BYTES = 124;

enum Model : std::uint8_t { V1, V2, V2A, V3, MATO, ALFA, ALFA2, C2717 };

constexpr std::array<std::uint8_t, 26> DEFAULT_PERIPHERAL_STATE = {0x8A, 0x00, 0x00, 0xAD, 0x82, 0x00, 0x00, 0x06, 0x9B,
                                                                   0x00, 0x00, 0x00, 0x00, 0x32, 0xFF, 0xFF, 0x76, 0x20,
                                                                   0x00, 0xB2, 0xFF, 0xFF, 0xED, 0x00, 0x00, 0x23};
constexpr std::uint8_t ALLRAM_ON = 0x82;
constexpr std::array<std::uint8_t, 9> MUSICA_PLUGGED = {0x32, 0xFF, 0xFF, 0x72, 0xFF, 0xFF, 0xB2, 0xFF, 0xFF};
constexpr std::array<std::uint8_t, 9> MUSICA_UNPLUGGED = {0xFF, 0, 0, 0, 0, 0, 0, 0, 0};

// Every field of a header. The initial values are what the tool writes
// without a template and without options: version 1, model V2A, the default
// registers and peripheral state, no ROM image, no blocks; the version 2
// fields hold the "not plugged" values.
struct HeaderFields {
    std::array<std::uint8_t, 3> magic = {'Z', 'V', 'K'};
    std::uint8_t version = 1;
    std::uint16_t header_length = HEADER_V1_BYTES;
    std::uint8_t model = V2A;
    std::uint8_t interrupts_enabled = 0;
    std::array<std::uint16_t, 6> registers = {0x0046, 0x0000, 0x0000, 0x0000, 0x8000, 0x8000};
    std::uint16_t rom_descriptor = 0;
    std::array<std::uint16_t, 16> block_lengths = {};
    std::array<std::uint8_t, 26> peripheral_state = DEFAULT_PERIPHERAL_STATE;
    std::uint8_t vcpu_interrupt_circuit = 0xFF;
    std::uint8_t mapper_port_value = 0xFF;
    std::uint8_t mif85_state = 0xFF;
    std::array<std::uint8_t, 32> reserved = {};
    std::array<std::uint8_t, 9> musica_state = MUSICA_UNPLUGGED;
};

// Sets version 2 with the full 124-byte header.
HeaderFields version_2(HeaderFields fields);

// The first `header_length` bytes of the laid-out header (zeros beyond 124).
Bytes header_bytes(const HeaderFields& fields);
// The first `size` bytes of the laid-out header, whatever `header_length` says.
Bytes header_bytes(const HeaderFields& fields, std::size_t size);

Bytes repeated(std::size_t count, std::uint8_t value);
// `count` bytes without two equal neighbours, so no run form is shorter.
Bytes varied(std::size_t count, std::uint8_t start = 0);
Bytes join(std::initializer_list<Bytes> pieces);
// A 16384-byte page of `fill` bytes with `content` placed at `offset`.
Bytes page_with(const Bytes& content, std::size_t offset = 0, std::uint8_t fill = 0);

// Equal sizes and contents; on a difference it names the size or the first
// differing offset with both bytes.
::testing::AssertionResult same_bytes(const Bytes& expected, const Bytes& actual);

}  // namespace quillet_test
