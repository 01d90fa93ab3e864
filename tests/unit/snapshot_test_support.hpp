// Helpers for the memory-image and snapshot unit tests: byte strings, a
// hand-built BuildContext, and an independent builder of expected snapshot
// headers. Temporary directories come from support/temp_dir.hpp.
//
// HeaderBuilder lays the header out field by field in file order, without
// the offsets or helpers of the code under test, so that it can serve as an
// oracle for what the tool writes and as a source of template files.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "image/build_context.hpp"
#include "support/temp_dir.hpp"

namespace quillet_test {

using Bytes = std::vector<std::uint8_t>;

// `count` copies of `value`.
Bytes repeated(int count, std::uint8_t value);
// `count` bytes 0, 1, 2, ... (modulo 256): no two neighbours are equal.
Bytes ascending(int count, int start = 0);
Bytes concat(std::initializer_list<Bytes> parts);

// Little-endian 16-bit word as two bytes.
Bytes word(unsigned value);

// The named fields of a snapshot header. The defaults are those of a
// snapshot written without a template and without any option.
struct HeaderBuilder {
    std::array<std::uint8_t, 3> magic{{'Z', 'V', 'K'}};
    std::uint8_t version = 1;
    unsigned header_length = 56;
    std::uint8_t model = 2;
    std::uint8_t interrupts = 0;
    std::array<unsigned, 6> registers{{0x0046, 0, 0, 0, 0x8000, 0x8000}};  // AF BC DE HL PC SP
    unsigned rom_descriptor = 0;
    std::array<unsigned, 16> blocks{};
    std::array<std::uint8_t, 26> peripheral{{0x8A, 0x00, 0x00, 0xAD, 0x82, 0x00, 0x00, 0x06, 0x9B,
                                             0x00, 0x00, 0x00, 0x00, 0x32, 0xFF, 0xFF, 0x76, 0x20,
                                             0x00, 0xB2, 0xFF, 0xFF, 0xED, 0x00, 0x00, 0x23}};
    // Add-on hardware bytes of a version 2 header.
    std::uint8_t vcpu = 0xFF;
    std::uint8_t mapper = 0xFF;
    std::uint8_t mif85 = 0xFF;
    std::array<std::uint8_t, 32> reserved{};
    std::array<std::uint8_t, 9> musica{{0xFF, 0, 0, 0, 0, 0, 0, 0, 0}};

    // Switches to a version 2 header of 124 bytes.
    HeaderBuilder& v2() {
        version = 2;
        header_length = 124;
        return *this;
    }

    // The first `header_length` bytes of the full 124-byte layout (zero
    // padded when header_length is larger).
    Bytes bytes() const;
};

// A BuildContext made the way the option parser makes it (initial values
// set, nothing loaded), with its 124-byte header buffer; released with
// release_context when the holder goes.
class ContextHolder {
public:
    ContextHolder();
    ~ContextHolder();
    ContextHolder(const ContextHolder&) = delete;
    ContextHolder& operator=(const ContextHolder&) = delete;

    quillet::BuildContext* operator->() const { return context_; }
    quillet::BuildContext* get() const { return context_; }
    // Creates page i (if absent) and copies `content` (16384 bytes) into it.
    void set_page(int page, const Bytes& content);
    // Replaces the ROM image with `content`.
    void set_rom(const Bytes& content);
    Bytes page(int page) const;
    Bytes rom() const;

private:
    quillet::BuildContext* context_ = nullptr;
};

// Substitutes `path` for every "%s" of `format`: the expected failure
// message, followed by the blank line that always ends one.
std::string message(const std::string& format, const std::string& path = "");

}  // namespace quillet_test
