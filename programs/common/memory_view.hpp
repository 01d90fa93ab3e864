// The memory a snapshot restores, byte by byte, with the bytes it does not
// restore told apart: an absent block, block 2 of a model that does not
// store it, a mapper page of a file without them.
#pragma once

#include <cstdint>
#include <vector>

#include "memory_range.hpp"
#include "quillet/quillet.h"

namespace quillet::common {

// What byte() returns for a byte the snapshot does not hold.
constexpr int ABSENT_BYTE = -1;

class MemoryView {
public:
    // Copies the pages of `snapshot`.
    explicit MemoryView(const quillet_snapshot* snapshot);

    bool page_present(int page) const { return present_[page]; }
    // The QUILLET_PAGE_SIZE bytes of a present page.
    const std::uint8_t* page_bytes(int page) const {
        return pages_.data() + static_cast<std::size_t>(page) * QUILLET_PAGE_SIZE;
    }
    // The snapshot's model (QUILLET_MODEL_*).
    int model() const { return model_; }
    // The byte 0..255 at `position` of `space` (ADDRESS_SPACE: an address,
    // else an offset in that page), or ABSENT_BYTE.
    int byte(int space, long position) const;
    // The bytes of `range`, each 0..255 or ABSENT_BYTE.
    std::vector<int> bytes(const MemoryRange& range) const;

private:
    std::vector<std::uint8_t> pages_;  // QUILLET_PAGE_COUNT pages, one after the other
    bool present_[QUILLET_PAGE_COUNT];
    int model_;
};

}  // namespace quillet::common
