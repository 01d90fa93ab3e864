#include "byte_search.hpp"

#include <cstring>
#include <memory>

#include "memory_range.hpp"
#include "summary_fields.hpp"

namespace quillet::info {
namespace {

constexpr char HEX_DIGITS[] = "0123456789abcdef";
constexpr int NIBBLE_BITS = 4;
constexpr unsigned NIBBLE_MASK = 0xF;

struct SnapshotDeleter {
    void operator()(quillet_snapshot* snapshot) const { quillet_snapshot_free(snapshot); }
};

bool matches_at(const MemoryView& view, int space, long start, const std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (view.byte(space, start + static_cast<long>(i)) != bytes[i]) return false;
    }
    return true;
}

// Calls `found(start)` for each match within `space`.
template <typename Found>
void search_space(const MemoryView& view, int space, const std::vector<std::uint8_t>& bytes, Found found) {
    const long last_start = space_size(space) - static_cast<long>(bytes.size());
    for (long start = 0; start <= last_start; ++start) {
        if (matches_at(view, space, start, bytes)) found(start);
    }
}

}  // namespace

// The string is stored at address 0 of a scratch snapshot with the
// library's -hex rules and read back, so a find string is exactly what -hex
// accepts.
const char* parse_search_pattern(const char* hex, SearchPattern* pattern) {
    if (!*hex) return "empty find string";
    std::unique_ptr<quillet_snapshot, SnapshotDeleter> scratch(quillet_snapshot_new());
    if (!scratch) return quillet_message(QUILLET_ERR_OUT_OF_MEMORY);
    switch (quillet_store_hex(scratch.get(), 0, hex)) {
    case QUILLET_OK: break;
    case QUILLET_ERR_HEXSTRING_TOO_LONG: return "find string longer than 64 KB";
    default: return "bad hexadecimal find string";
    }
    pattern->hex = hex;
    pattern->bytes.resize(std::strlen(hex) / 2);
    quillet_read_memory(scratch.get(), 0, pattern->bytes.data(), pattern->bytes.size());
    return nullptr;
}

SearchMatches find_bytes(const MemoryView& view, const std::vector<std::uint8_t>& bytes) {
    SearchMatches matches;
    search_space(view, ADDRESS_SPACE, bytes, [&](long address) { matches.addresses.push_back(address); });
    for (int page = 0; page < QUILLET_PAGE_COUNT; ++page) {
        if (block_in_address_space(page) || !view.page_present(page)) continue;
        search_space(view, page, bytes, [&](long offset) { matches.pages.push_back(PagePlace{page, offset}); });
    }
    return matches;
}

std::string hex_text(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) {
        text += HEX_DIGITS[b >> NIBBLE_BITS];
        text += HEX_DIGITS[b & NIBBLE_MASK];
    }
    return text;
}

}  // namespace quillet::info
