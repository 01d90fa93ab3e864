// The 64 KB address space over a snapshot's pages 0..3: address / 16384 is
// the page, address % 16384 the offset. One walk splits a stretch of
// addresses into the pieces of the pages it covers, for loading into them
// and reading from them alike.
#pragma once

#include <cstddef>
#include <cstdint>

#include "snapshot/snapshot.hpp"

namespace quillet {

struct PagePiece {
    int page;
    std::size_t offset;
    std::size_t length;
};

// Splits `length` bytes from `address` on (address + length at most 65536)
// into the pieces of the pages they cover, in address order. Returns the
// number of pieces, 0 for no bytes.
int split_into_pages(int address, std::size_t length, PagePiece pieces[ADDRESS_SPACE_PAGES]);

// Copies `length` bytes from `offset` of page `page` (offset + length at
// most 16384) into `out`; an absent page reads as zero bytes.
void read_page_bytes(const Snapshot& snapshot, int page, std::size_t offset, std::uint8_t* out, std::size_t length);

// Copies `length` bytes from `address` on (address + length at most 65536)
// into `out`; absent pages read as zero bytes.
void read_address_space(const Snapshot& snapshot, int address, std::uint8_t* out, std::size_t length);

}  // namespace quillet
