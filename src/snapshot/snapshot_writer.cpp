#include "snapshot/snapshot_writer.hpp"

#include <cstring>

#include "snapshot/block_codec.hpp"
#include "snapshot/header_settings.hpp"

namespace quillet {
namespace {

bool block_is_stored(const Snapshot& s, int block) {
    return block != BLOCK_2 || model_stores_block2(s.model);
}

// The length of the ROM image that is stored.
int stored_rom_length(const Snapshot& s) {
    const int length = static_cast<int>(s.rom.size());
    return s.model == MODEL_V3 && length > V3_ROM_LIMIT ? V3_ROM_LIMIT : length;
}

// The fields the writer lays out itself, then every setting that a header
// of `version` holds.
void store_settings(const Snapshot& s, std::uint8_t* h, int version, int header_length) {
    std::memcpy(h + OFFSET_MAGIC, MAGIC, MAGIC_SIZE);
    h[OFFSET_VERSION] = static_cast<std::uint8_t>(version);
    write_word(h + OFFSET_HEADER_LENGTH, static_cast<unsigned>(header_length));
    std::uint8_t settings[HEADER_BUFFER_SIZE] = {};
    lay_out_settings(s, settings);
    for (const HeaderField& field : HEADER_FIELDS) {
        if (field.role == FieldRole::SETTING && header_holds(field, version, header_length)) {
            std::memcpy(h + field.offset, settings + field.offset, static_cast<std::size_t>(field.width));
        }
    }
}

// Adds one piece, packed into the image's buffer when packing; returns its
// stored length. A piece whose raw form is its stored form is taken from
// where it lies, and its room in the buffer serves the next piece.
int add_piece(SnapshotImage* image, std::size_t* packed_used, bool pack, const std::uint8_t* data, int length) {
    const std::uint8_t* stored = data;
    int stored_length = length;
    if (pack) {
        std::uint8_t* out = image->packed.data() + *packed_used;
        stored_length = pack_block(out, data, length);
        if (stored_length < length) {
            stored = out;
            *packed_used += static_cast<std::size_t>(stored_length);
        }
    }
    image->pieces[image->piece_count++] = ConstByteRange{stored, static_cast<std::size_t>(stored_length)};
    image->size += static_cast<std::size_t>(stored_length);
    return stored_length;
}

}  // namespace

int compose_snapshot(const Snapshot& s, bool pack, SnapshotImage* image, const Reporter& reporter) {
    const bool version_2 = has_addon_hardware(s);
    const int version = version_2 ? VERSION_2 : VERSION_1;
    const int header_length = version_2 ? HEADER_SIZE_V2 : HEADER_SIZE_V1;
    const int block_count = version_2 && has_memory_mapper(s) ? BLOCK_COUNT_V2 : BLOCK_COUNT_V1;
    const int rom_length = stored_rom_length(s);

    if (pack) {
        // Room for every piece in its longest stored form, the raw one; a
        // system-zeroed buffer of that size is touched only where packing
        // writes.
        std::size_t room = static_cast<std::size_t>(rom_length);
        for (int i = 0; i < block_count; ++i) {
            if (block_is_stored(s, i) && s.pages[i]) room += PAGE_BYTES;
        }
        if (const int result = image->packed.allocate(room, reporter)) return result;
    }

    std::uint8_t* h = image->header;
    std::memset(h, 0, sizeof image->header);
    store_settings(s, h, version, header_length);
    image->piece_count = 0;
    image->size = 0;
    add_piece(image, nullptr, false, h, header_length);

    std::size_t packed_used = 0;
    if (rom_length > 0) {
        const int n = add_piece(image, &packed_used, pack, s.rom.data(), rom_length);
        const unsigned descriptor = static_cast<unsigned>(n) | (n == rom_length ? ROM_RAW_FLAG : 0U);
        write_word(h + OFFSET_ROM_DESCRIPTOR, descriptor);
    }
    BlockSlot slots[PAGE_COUNT] = {};
    locate_block_sizes(h, slots);
    for (int i = 0; i < block_count; ++i) {
        if (!block_is_stored(s, i) || !s.pages[i]) continue;
        const int n = add_piece(image, &packed_used, pack, s.pages[i].data(), PAGE_BYTES);
        write_word(slots[i], static_cast<unsigned>(n));
    }
    return 0;
}

int write_snapshot_file(const Snapshot& snapshot, bool pack, const char* path, const Reporter& reporter) {
    SnapshotImage image;
    if (const int result = compose_snapshot(snapshot, pack, &image, reporter)) return result;
    return write_file_whole(path, image.pieces, image.piece_count, reporter);
}

int write_snapshot_bytes(const Snapshot& snapshot, bool pack, std::uint8_t* out, std::size_t capacity,
                         std::size_t* written, const char* name, const Reporter& reporter) {
    SnapshotImage image;
    if (const int result = compose_snapshot(snapshot, pack, &image, reporter)) return result;
    *written = image.size;
    if (!out || capacity < image.size) return report_failure(reporter, ERR_OUTPUT_WRITE, name);
    for (int i = 0; i < image.piece_count; ++i) {
        std::memcpy(out, image.pieces[i].data, image.pieces[i].length);
        out += image.pieces[i].length;
    }
    return 0;
}

}  // namespace quillet
