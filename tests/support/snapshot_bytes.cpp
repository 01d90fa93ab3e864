#include "support/snapshot_bytes.hpp"

#include <algorithm>
#include <cstdio>

namespace quillet_test {
namespace {

// Field offsets of the header layout.
constexpr std::size_t AT_MAGIC = 0;
constexpr std::size_t AT_VERSION = 3;
constexpr std::size_t AT_HEADER_LENGTH = 4;
constexpr std::size_t AT_MODEL = 6;
constexpr std::size_t AT_INTERRUPTS = 7;
constexpr std::size_t AT_REGISTERS = 8;
constexpr std::size_t AT_ROM_DESCRIPTOR = 20;
constexpr std::size_t AT_BLOCKS_0_TO_3 = 22;
constexpr std::size_t AT_PERIPHERAL_STATE = 30;
constexpr std::size_t AT_VCPU_INTERRUPT = 56;
constexpr std::size_t AT_MAPPER_PORT = 57;
constexpr std::size_t AT_BLOCKS_4_TO_15 = 58;
constexpr std::size_t AT_MIF85 = 82;
constexpr std::size_t AT_RESERVED = 83;
constexpr std::size_t AT_MUSICA = 115;
constexpr std::size_t LOW_BLOCKS = 4;
constexpr unsigned STEP_WITHOUT_REPEATS = 7;  // odd: neighbours always differ

void put_word(Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

template <std::size_t N>
void put_bytes(Bytes& bytes, std::size_t at, const std::array<std::uint8_t, N>& values) {
    std::copy(values.begin(), values.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace

HeaderFields version_2(HeaderFields fields) {
    fields.version = 2;
    fields.header_length = HEADER_V2_BYTES;
    return fields;
}

Bytes header_bytes(const HeaderFields& fields) { return header_bytes(fields, fields.header_length); }

Bytes header_bytes(const HeaderFields& f, std::size_t size) {
    Bytes h(std::max(size, HEADER_V2_BYTES), 0);
    put_bytes(h, AT_MAGIC, f.magic);
    h[AT_VERSION] = f.version;
    put_word(h, AT_HEADER_LENGTH, f.header_length);
    h[AT_MODEL] = f.model;
    h[AT_INTERRUPTS] = f.interrupts_enabled;
    for (std::size_t r = 0; r < f.registers.size(); ++r) put_word(h, AT_REGISTERS + 2 * r, f.registers[r]);
    put_word(h, AT_ROM_DESCRIPTOR, f.rom_descriptor);
    for (std::size_t b = 0; b < f.block_lengths.size(); ++b) {
        const std::size_t at = b < LOW_BLOCKS ? AT_BLOCKS_0_TO_3 + 2 * b : AT_BLOCKS_4_TO_15 + 2 * (b - LOW_BLOCKS);
        put_word(h, at, f.block_lengths[b]);
    }
    put_bytes(h, AT_PERIPHERAL_STATE, f.peripheral_state);
    h[AT_VCPU_INTERRUPT] = f.vcpu_interrupt_circuit;
    h[AT_MAPPER_PORT] = f.mapper_port_value;
    h[AT_MIF85] = f.mif85_state;
    put_bytes(h, AT_RESERVED, f.reserved);
    put_bytes(h, AT_MUSICA, f.musica_state);
    h.resize(size);
    return h;
}

Bytes repeated(std::size_t count, std::uint8_t value) { return Bytes(count, value); }

Bytes varied(std::size_t count, std::uint8_t start) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(start + STEP_WITHOUT_REPEATS * i);
    return bytes;
}

Bytes join(std::initializer_list<Bytes> pieces) {
    Bytes all;
    for (const Bytes& piece : pieces) all.insert(all.end(), piece.begin(), piece.end());
    return all;
}

Bytes page_with(const Bytes& content, std::size_t offset, std::uint8_t fill) {
    Bytes page(PAGE_BYTES, fill);
    std::copy(content.begin(), content.end(), page.begin() + static_cast<std::ptrdiff_t>(offset));
    return page;
}

::testing::AssertionResult same_bytes(const Bytes& expected, const Bytes& actual) {
    const std::size_t common = std::min(expected.size(), actual.size());
    const auto diff =
        std::mismatch(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(common), actual.begin());
    const std::size_t at = static_cast<std::size_t>(diff.first - expected.begin());
    if (at == common && expected.size() == actual.size()) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    failure << "expected " << expected.size() << " bytes, got " << actual.size();
    if (at < common) {
        char detail[96];
        std::snprintf(detail, sizeof detail, "; first difference at offset %zu: expected 0x%02X, got 0x%02X", at,
                      expected[at], actual[at]);
        failure << detail;
    }
    return failure;
}

}  // namespace quillet_test
