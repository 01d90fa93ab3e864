#include "snapshot_summary.hpp"

#include <cstdio>
#include <vector>

#include "standard_input.hpp"

namespace quillet::info {
namespace {

// The most a snapshot can use: the longest header, the largest ROM image
// and every block, all raw. Bytes after them are never read.
constexpr std::size_t SNAPSHOT_BYTES_MAX = static_cast<std::size_t>(QUILLET_HEADER_SIZE_MAX) +
                                           QUILLET_ROM_SIZE_MAX +
                                           static_cast<std::size_t>(QUILLET_PAGE_COUNT) * QUILLET_PAGE_SIZE;

PieceRecord record_of(const quillet_snapshot* snapshot, int piece) {
    quillet_stored_piece info{};
    quillet_stored_piece_info(snapshot, piece, &info);
    return PieceRecord{info.present != 0, static_cast<long>(info.offset), static_cast<int>(info.stored_length),
                       static_cast<int>(info.unpacked_length)};
}

void record_length_words(SnapshotSummary* s) {
    const bool version_2 = s->header[QUILLET_OFFSET_VERSION] >= 2;
    const int count = version_2 ? QUILLET_PAGE_COUNT : BLOCK_SLOTS_V1;
    for (int i = 0; i < count; ++i) {
        const int offset = i < BLOCK_SLOTS_V1
                               ? QUILLET_OFFSET_BLOCK_LENGTHS_LOW + HEADER_WORD_SIZE * i
                               : QUILLET_OFFSET_BLOCK_LENGTHS_HIGH + HEADER_WORD_SIZE * (i - BLOCK_SLOTS_V1);
        s->length_words[i] = static_cast<int>(header_word(s->header, offset));
    }
}

// Reads the snapshot `path`, or standard input for "-"; the size of what
// was read into `file_size` (-1 when it cannot be learned).
int read_snapshot(const char* path, quillet_snapshot* snapshot, long* file_size) {
    if (!is_standard_input(path)) {
        if (const int result = quillet_read_file(snapshot, path)) return result;
        *file_size = static_cast<long>(quillet_file_size(path));
        return 0;
    }
    std::vector<std::uint8_t> content;
    const long size = read_standard_input(SNAPSHOT_BYTES_MAX, &content);
    if (const int result = quillet_read_bytes(snapshot, content.data(), content.size(), path)) return result;
    *file_size = size;
    return 0;
}

}  // namespace

void print_failure(void*, int, const char* text) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n\n", text);
}

int gather_summary(const char* path, SnapshotSummary* summary) {
    *summary = SnapshotSummary{};
    summary->path = path;
    summary->file_size = -1;
    summary->snapshot = quillet_snapshot_new();
    if (!summary->snapshot) {
        print_failure(nullptr, QUILLET_ERR_OUT_OF_MEMORY, quillet_message(QUILLET_ERR_OUT_OF_MEMORY));
        return QUILLET_ERR_OUT_OF_MEMORY;
    }
    quillet_set_reporter(summary->snapshot, print_failure, nullptr);
    if (const int result = read_snapshot(path, summary->snapshot, &summary->file_size)) return result;
    quillet_stored_header(summary->snapshot, summary->header);
    summary->rom = record_of(summary->snapshot, QUILLET_PIECE_ROM);
    for (int i = 0; i < QUILLET_PAGE_COUNT; ++i) summary->blocks[i] = record_of(summary->snapshot, i);
    summary->end_offset = static_cast<long>(quillet_stored_end(summary->snapshot));
    record_length_words(summary);
    return 0;
}

void release_summary(SnapshotSummary* summary) {
    quillet_snapshot_free(summary->snapshot);
    summary->snapshot = nullptr;
}

}  // namespace quillet::info
