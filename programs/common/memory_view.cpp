#include "memory_view.hpp"

namespace quillet::common {

MemoryView::MemoryView(const quillet_snapshot* snapshot)
    : pages_(static_cast<std::size_t>(QUILLET_PAGE_COUNT) * QUILLET_PAGE_SIZE), model_(quillet_get_model(snapshot)) {
    const bool block2_stored = quillet_model_stores_block2(model_) == 1;
    for (int page = 0; page < QUILLET_PAGE_COUNT; ++page) {
        present_[page] = quillet_has_page(snapshot, page) == 1 && (page != QUILLET_BLOCK_2 || block2_stored);
        if (present_[page]) {
            quillet_read_page(snapshot, page, 0, pages_.data() + static_cast<std::size_t>(page) * QUILLET_PAGE_SIZE,
                              QUILLET_PAGE_SIZE);
        }
    }
}

int MemoryView::byte(int space, long position) const {
    const long page = space == ADDRESS_SPACE ? position / QUILLET_PAGE_SIZE : space;
    const long offset = space == ADDRESS_SPACE ? position % QUILLET_PAGE_SIZE : position;
    if (!present_[page]) return ABSENT_BYTE;
    return pages_[static_cast<std::size_t>(page * QUILLET_PAGE_SIZE + offset)];
}

std::vector<int> MemoryView::bytes(const MemoryRange& range) const {
    std::vector<int> values;
    values.reserve(static_cast<std::size_t>(range.length()));
    for (long position = range.first; position <= range.last; ++position) values.push_back(byte(range.space, position));
    return values;
}

}  // namespace quillet::common
