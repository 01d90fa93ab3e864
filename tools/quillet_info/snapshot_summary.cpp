#include "snapshot_summary.hpp"

#include <cstring>
#include <filesystem>

#include "image/build_context.hpp"
#include "snapshot/snapshot_reader.hpp"

namespace quillet::info {
namespace {

int record_piece(void* user, const SnapshotPiece& piece) {
    SnapshotSummary* s = static_cast<SnapshotSummary*>(user);
    const bool rom = piece.block == ROM_PIECE;
    PieceRecord& record = rom ? s->rom : s->blocks[piece.block];
    record = PieceRecord{true, piece.offset, piece.stored_length, piece.data_length};
    if (!s->pages) return 0;  // contents not wanted
    const std::size_t length = static_cast<std::size_t>(piece.data_length);
    if (!rom) {
        std::memcpy(s->pages + static_cast<std::size_t>(piece.block) * PAGE_SIZE, piece.data, length);
        return 0;
    }
    if (const int result = ensure_buffer(s->rom_data, length)) return result;
    std::memcpy(s->rom_data, piece.data, length);
    return 0;
}

void record_length_words(SnapshotSummary* s) {
    BlockSlot slots[PAGE_COUNT] = {};
    locate_block_sizes(s->header, slots);
    const int count = block_count_for_version(s->header[OFFSET_VERSION]);
    for (int i = 0; i < count; ++i) s->length_words[i] = read_word(slots[i]);
}

long file_size_of(const char* path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<long>(size);
}

}  // namespace

int gather_summary(const char* path, bool keep_data, SnapshotSummary* summary) {
    *summary = SnapshotSummary{};
    summary->path = path;
    summary->file_size = -1;
    if (keep_data) {
        const std::size_t size = static_cast<std::size_t>(PAGE_COUNT) * PAGE_SIZE;
        if (const int result = ensure_buffer(summary->pages, size)) return result;
    }
    const int result = read_snapshot(path, summary->header, record_piece, summary,
                                     &summary->end_offset);
    if (result != 0) return result;
    record_length_words(summary);
    summary->file_size = file_size_of(path);
    return 0;
}

void release_summary(SnapshotSummary* summary) {
    release_buffer(summary->rom_data);
    release_buffer(summary->pages);
}

}  // namespace quillet::info
