// Helpers for the memory-image and snapshot unit tests: ascending byte
// strings and a hand-built BuildContext. Temporary directories come from
// support/temp_dir.hpp; expected snapshot headers and the other byte
// strings from support/snapshot_bytes.hpp.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "image/build_context.hpp"
#include "support/snapshot_bytes.hpp"
#include "support/temp_dir.hpp"

namespace quillet_test {

using Bytes = std::vector<std::uint8_t>;

// `count` bytes 0, 1, 2, ... (modulo 256): no two neighbours are equal.
Bytes ascending(int count, int start = 0);

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
