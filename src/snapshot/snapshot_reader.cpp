#include "snapshot/snapshot_reader.hpp"

#include <cstring>

#include "base/file_access.hpp"
#include "snapshot/block_codec.hpp"

namespace quillet {
namespace {

// The bytes being read and how far the reading has come.
struct Source {
    const std::uint8_t* data;
    std::size_t length;
    std::size_t position;
    const char* name;
    const Reporter& reporter;

    bool has(std::size_t count) const { return length - position >= count; }
    int fail(int code) const { return report_failure(reporter, code, name); }
    int fail(int code, long number) const { return report_failure(reporter, code, name, number); }
};

// Magic, version, header length and model: the first seven bytes.
int check_probe(const Source& in) {
    if (!in.has(HEADER_PROBE_SIZE)) return in.fail(ERR_SOURCE_READ);
    const std::uint8_t* header = in.data;
    if (std::memcmp(header + OFFSET_MAGIC, MAGIC, MAGIC_SIZE) != 0) return in.fail(ERR_BAD_HEADER);
    const int version = header[OFFSET_VERSION];
    if (version != VERSION_1 && version != VERSION_2) return in.fail(ERR_BAD_VERSION, version);
    const int length = read_word(header + OFFSET_HEADER_LENGTH);
    if (length < HEADER_SIZE_V1 || length > HEADER_SIZE_V2) return in.fail(ERR_BAD_HEADER);
    const int model = header[OFFSET_COMPUTER_MODEL];
    if (model >= MODEL_COUNT) return in.fail(ERR_UNKNOWN_MODEL, model);
    return 0;
}

// The stored lengths of the ROM image and of every block slot.
int check_lengths(const Source& in, const std::uint8_t* header, BlockSlot* slots, int blocks) {
    if ((read_word(header + OFFSET_ROM_DESCRIPTOR) & ROM_LENGTH_MASK) > PAGE_SIZE) {
        return in.fail(ERR_BAD_HEADER);
    }
    for (int i = 0; i < blocks; ++i) {
        if (read_word(slots[i]) > PAGE_SIZE) return in.fail(ERR_BAD_HEADER);
    }
    return 0;
}

// Takes the next `stored_length` bytes as a piece and records where it was.
int take_piece(Source& in, int stored_length, StoredPiece* piece, const std::uint8_t** stored) {
    if (!in.has(static_cast<std::size_t>(stored_length))) return in.fail(ERR_SOURCE_READ);
    *stored = in.data + in.position;
    piece->present = true;
    piece->offset = in.position;
    piece->stored_length = static_cast<std::size_t>(stored_length);
    in.position += static_cast<std::size_t>(stored_length);
    return 0;
}

int read_rom_image(Source& in, Snapshot* s) {
    const int descriptor = read_word(s->stored.header + OFFSET_ROM_DESCRIPTOR);
    if (descriptor == 0) return 0;
    const int stored_length = descriptor & ROM_LENGTH_MASK;
    if (stored_length == 0) return in.fail(ERR_BAD_BLOCK_SIZE);
    const std::uint8_t* stored = nullptr;
    if (const int result = take_piece(in, stored_length, &s->stored.rom, &stored)) return result;
    const int capacity = (descriptor & ROM_RAW_FLAG) ? stored_length : ROM_SIZE_MAX;
    if (const int result = s->rom.allocate(static_cast<std::size_t>(capacity), in.reporter)) {
        return result;
    }
    const int length = unpack_block(s->rom.data(), capacity, stored, stored_length);
    if (length < 0) return in.fail(ERR_BAD_BLOCK_SIZE);
    // The raw flag names the form, also of a one-byte image.
    s->stored.rom.form = (descriptor & ROM_RAW_FLAG) ? FORM_RAW : stored_form(stored_length, capacity);
    s->rom.truncate(static_cast<std::size_t>(length));
    s->stored.rom.unpacked_length = static_cast<std::size_t>(length);
    return 0;
}

int read_block(Source& in, Snapshot* s, int block, int stored_length) {
    const std::uint8_t* stored = nullptr;
    StoredPiece* piece = &s->stored.blocks[block];
    if (const int result = take_piece(in, stored_length, piece, &stored)) return result;
    ByteBuffer& page = s->pages[block];
    if (const int result = page.allocate(PAGE_SIZE, in.reporter)) return result;
    if (unpack_block(page.data(), PAGE_SIZE, stored, stored_length) != PAGE_SIZE) {
        return in.fail(ERR_BAD_BLOCK_SIZE);
    }
    piece->unpacked_length = PAGE_SIZE;
    piece->form = stored_form(stored_length, PAGE_SIZE);
    return 0;
}

// The settings that the header holds. The add-on hardware of a version 1
// file, and bytes beyond a short version 2 header, read as not plugged.
void take_settings(Snapshot* s) {
    const std::uint8_t* h = s->stored.header;
    const int length = s->stored.header_length;
    s->model = h[OFFSET_COMPUTER_MODEL];
    s->interrupts_enabled = h[OFFSET_INTERRUPTS_ENABLED] != 0;
    for (int r = 0; r < REGISTER_COUNT; ++r) s->registers[r] = read_word(h + OFFSET_REGISTERS + WORD_SIZE * r);
    std::memcpy(s->peripheral_state, h + OFFSET_PERIPHERAL_STATE, PERIPHERAL_STATE_SIZE);
    const bool version_2 = h[OFFSET_VERSION] == VERSION_2;
    const auto addon_byte = [&](int offset) { return version_2 && offset < length ? h[offset] : NOT_PLUGGED; };
    s->vcpu_circuit = addon_byte(OFFSET_VCPU_INTERRUPT_CIRCUIT);
    s->mapper_port = addon_byte(OFFSET_MAPPER_PORT_VALUE);
    s->mif85_state = addon_byte(OFFSET_MIF85_STATE);
    const bool musica_stored = version_2 && OFFSET_MUSICA_STATE + MUSICA_STATE_SIZE <= length;
    std::memcpy(s->musica_state, musica_stored ? h + OFFSET_MUSICA_STATE : MUSICA_UNPLUGGED_STATE,
                MUSICA_STATE_SIZE);
}

int read_contents(Source& in, Snapshot* s) {
    if (const int result = check_probe(in)) return result;
    const int header_length = read_word(in.data + OFFSET_HEADER_LENGTH);
    if (!in.has(static_cast<std::size_t>(header_length))) return in.fail(ERR_SOURCE_READ);
    std::uint8_t* header = s->stored.header;
    std::memcpy(header, in.data, static_cast<std::size_t>(header_length));
    s->stored.header_length = header_length;
    in.position = static_cast<std::size_t>(header_length);

    BlockSlot slots[PAGE_COUNT] = {};
    locate_block_sizes(header, slots);
    const int blocks = block_count_for_version(header[OFFSET_VERSION]);
    if (const int result = check_lengths(in, header, slots, blocks)) return result;

    if (const int result = read_rom_image(in, s)) return result;
    for (int i = 0; i < blocks; ++i) {
        if (!model_stores_block(header[OFFSET_COMPUTER_MODEL], i)) continue;
        const int stored_length = read_word(slots[i]);
        if (stored_length == 0) continue;
        if (const int result = read_block(in, s, i, stored_length)) return result;
    }
    s->stored.end = in.position;
    take_settings(s);
    return 0;
}

}  // namespace

int read_snapshot_bytes(const std::uint8_t* data, std::size_t length, const char* name, Snapshot* snapshot,
                        const Reporter& reporter) {
    Source in{data, data ? length : 0, 0, name, reporter};
    Snapshot read;
    if (const int result = read_contents(in, &read)) return result;
    swap_snapshots(*snapshot, read);
    return 0;
}

int read_snapshot_file(const char* path, Snapshot* snapshot, const Reporter& reporter) {
    ByteBuffer content;
    const long length = read_file_start(path, SNAPSHOT_SIZE_MAX, &content, reporter);
    if (length < 0) return static_cast<int>(length);
    return read_snapshot_bytes(content.data(), static_cast<std::size_t>(length), path, snapshot, reporter);
}

}  // namespace quillet
