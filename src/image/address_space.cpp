#include "image/address_space.hpp"

#include <cstring>

namespace quillet {

int split_into_pages(int address, std::size_t length, PagePiece pieces[ADDRESS_SPACE_PAGES]) {
    int page = address / PAGE_BYTES;
    std::size_t offset = static_cast<std::size_t>(address % PAGE_BYTES);
    int count = 0;
    while (length > 0) {
        const std::size_t room = PAGE_BYTES - offset;
        const std::size_t n = length < room ? length : room;
        pieces[count++] = PagePiece{page, offset, n};
        length -= n;
        ++page;
        offset = 0;
    }
    return count;
}

void read_page_bytes(const Snapshot& snapshot, int page, std::size_t offset, std::uint8_t* out, std::size_t length) {
    if (length == 0) return;
    const ByteBuffer& buffer = snapshot.pages[page];
    if (buffer) {
        std::memcpy(out, buffer.data() + offset, length);
    } else {
        std::memset(out, 0, length);
    }
}

void read_address_space(const Snapshot& snapshot, int address, std::uint8_t* out, std::size_t length) {
    PagePiece pieces[ADDRESS_SPACE_PAGES];
    const int count = split_into_pages(address, length, pieces);
    for (int i = 0; i < count; ++i) {
        read_page_bytes(snapshot, pieces[i].page, pieces[i].offset, out, pieces[i].length);
        out += pieces[i].length;
    }
}

}  // namespace quillet
