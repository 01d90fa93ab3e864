#include "snapshot/snapshot_reader.hpp"

#include <cstdio>
#include <cstring>

#include "driver/failure.hpp"
#include "image/build_context.hpp"
#include "image/file_access.hpp"
#include "image/stream_calls.hpp"
#include "snapshot/block_codec.hpp"
#include "snapshot/snapshot_format.hpp"

namespace quillet {
namespace {

// The state of one read: the open file and the two scratch buffers.
struct Reader {
    const char* path;
    std::FILE* stream;
    std::uint8_t* stored;    // PAGE_SIZE bytes: a piece as read from the file
    std::uint8_t* unpacked;  // PAGE_SIZE bytes: the piece unpacked
    long position;
};

bool read_exactly(Reader* r, std::uint8_t* into, int length) {
    const std::size_t n = static_cast<std::size_t>(length);
    if (std::fread(into, 1, n, r->stream) != n) return false;
    r->position += length;
    return true;
}

// Checks the first bytes: magic, version, header length and model.
int check_probe(const Reader* r, const std::uint8_t* header) {
    if (std::memcmp(header + OFFSET_MAGIC, MAGIC, MAGIC_SIZE) != 0) {
        return report_failure(ERR_BAD_HEADER, r->path);
    }
    const int version = header[OFFSET_VERSION];
    if (version != VERSION_1 && version != VERSION_2) {
        return report_failure(ERR_BAD_VERSION, r->path, version);
    }
    const int length = read_word(header + OFFSET_HEADER_LENGTH);
    if (length < HEADER_SIZE_V1 || length > HEADER_SIZE_V2) {
        return report_failure(ERR_BAD_HEADER, r->path);
    }
    const int model = header[OFFSET_COMPUTER_MODEL];
    if (model >= MODEL_COUNT) return report_failure(ERR_UNKNOWN_MODEL, r->path, model);
    return 0;
}

// Checks the stored lengths of the ROM image and of every block slot.
int check_lengths(const Reader* r, const std::uint8_t* header, BlockSlot* slots, int blocks) {
    if ((read_word(header + OFFSET_ROM_DESCRIPTOR) & ROM_LENGTH_MASK) > PAGE_SIZE) {
        return report_failure(ERR_BAD_HEADER, r->path);
    }
    for (int i = 0; i < blocks; ++i) {
        if (read_word(slots[i]) > PAGE_SIZE) return report_failure(ERR_BAD_HEADER, r->path);
    }
    return 0;
}

int read_header(Reader* r, std::uint8_t* header) {
    if (seek_stream(r->stream, 0, SEEK_SET) != 0) return report_failure(ERR_SOURCE_ACCESS, r->path);
    if (!read_exactly(r, header, HEADER_PROBE_SIZE)) return report_failure(ERR_SOURCE_READ, r->path);
    if (const int result = check_probe(r, header)) return result;
    if (seek_stream(r->stream, 0, SEEK_SET) != 0) return report_failure(ERR_SOURCE_ACCESS, r->path);
    r->position = 0;
    const int length = read_word(header + OFFSET_HEADER_LENGTH);
    if (!read_exactly(r, header, length)) return report_failure(ERR_SOURCE_READ, r->path);
    std::memset(header + length, 0, static_cast<std::size_t>(HEADER_BUFFER_SIZE - length));
    return 0;
}

// Reads `stored_length` bytes, unpacks them into `capacity` bytes and hands
// the piece over. `exact` requires the whole capacity to be produced.
int read_piece(Reader* r, int block, int stored_length, int capacity, bool exact,
               PieceHandler handle, void* user) {
    SnapshotPiece piece{block, r->position, r->stored, stored_length, r->unpacked, 0};
    if (!read_exactly(r, r->stored, stored_length)) return report_failure(ERR_SOURCE_READ, r->path);
    piece.data_length = unpack_block(r->unpacked, capacity, r->stored, stored_length);
    if (piece.data_length < 0 || (exact && piece.data_length != capacity)) {
        return report_failure(ERR_BAD_BLOCK_SIZE, r->path);
    }
    return handle(user, piece);
}

int read_rom_image(Reader* r, const std::uint8_t* header, PieceHandler handle, void* user) {
    const int descriptor = read_word(header + OFFSET_ROM_DESCRIPTOR);
    if (descriptor == 0) return 0;
    const int stored_length = descriptor & ROM_LENGTH_MASK;
    const int capacity = (descriptor & ROM_RAW_FLAG) ? stored_length : PAGE_SIZE;
    if (stored_length == 0) return report_failure(ERR_BAD_BLOCK_SIZE, r->path);
    return read_piece(r, ROM_PIECE, stored_length, capacity, false, handle, user);
}

int read_contents(Reader* r, std::uint8_t* header, PieceHandler handle, void* user) {
    if (const int result = read_header(r, header)) return result;
    BlockSlot slots[PAGE_COUNT] = {};
    locate_block_sizes(header, slots);
    const int blocks = block_count_for_version(header[OFFSET_VERSION]);
    if (const int result = check_lengths(r, header, slots, blocks)) return result;

    if (const int result = ensure_buffer(r->stored, PAGE_SIZE)) return result;
    if (const int result = ensure_buffer(r->unpacked, PAGE_SIZE)) return result;
    if (const int result = read_rom_image(r, header, handle, user)) return result;

    const bool block2_stored = model_stores_block2(header[OFFSET_COMPUTER_MODEL]);
    for (int i = 0; i < blocks; ++i) {
        if (i == BLOCK_2 && !block2_stored) continue;
        const int stored_length = read_word(slots[i]);
        if (stored_length == 0) continue;
        if (const int result = read_piece(r, i, stored_length, PAGE_SIZE, true, handle, user)) {
            return result;
        }
    }
    return 0;
}

}  // namespace

int read_snapshot(const char* path, std::uint8_t* header, PieceHandler handle, void* user,
                  long* end_offset) {
    Reader reader{path, open_source_file(path), nullptr, nullptr, 0};
    if (!reader.stream) return report_failure(ERR_SOURCE_OPEN, path);
    const int result = read_contents(&reader, header, handle, user);
    std::fclose(reader.stream);
    release_buffer(reader.stored);
    release_buffer(reader.unpacked);
    if (result == 0 && end_offset) *end_offset = reader.position;
    return result;
}

}  // namespace quillet
