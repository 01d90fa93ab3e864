#include "snapshot/snapshot_saving.hpp"

#include <cstring>

#include "image/file_access.hpp"
#include "snapshot/block_codec.hpp"

namespace quillet {
namespace {

constexpr int DEFAULT_REGISTERS[REGISTER_COUNT] = {0x0046, 0x0000, 0x0000, 0x0000, 0x8000, 0x8000};

constexpr std::uint8_t DEFAULT_PERIPHERAL_STATE[PERIPHERAL_STATE_SIZE] = {
    0x8A, 0x00, 0x00, 0xAD, 0x82, 0x00, 0x00, 0x06, 0x9B, 0x00, 0x00, 0x00, 0x00,
    0x32, 0xFF, 0xFF, 0x76, 0x20, 0x00, 0xB2, 0xFF, 0xFF, 0xED, 0x00, 0x00, 0x23,
};

// The 8080 flag register always holds bits 3 and 5 clear and bit 1 set.
constexpr unsigned FLAG_BITS_CLEARED = 0xFFD7;
constexpr unsigned FLAG_BITS_SET = 0x0002;
constexpr unsigned WORD_MASK = 0xFFFF;
constexpr unsigned LOW_BYTE_MASK = 0xFF;

bool needs_version_2(const BuildContext* c) {
    return c->musica_plugged || c->mif85_mode != NOT_GIVEN || c->vcpu_interrupt != NOT_GIVEN ||
           c->mapper_port != NOT_GIVEN;
}

void store_defaults(BuildContext* c) {
    std::memcpy(c->header + OFFSET_MAGIC, MAGIC, MAGIC_SIZE);
    for (int r = 0; r < REGISTER_COUNT; ++r) {
        if (c->registers[r] == REGISTER_NOT_GIVEN) c->registers[r] = DEFAULT_REGISTERS[r];
    }
    std::memcpy(c->header + OFFSET_PERIPHERAL_STATE, DEFAULT_PERIPHERAL_STATE, PERIPHERAL_STATE_SIZE);
}

void store_common_fields(BuildContext* c, int version, int header_length) {
    std::uint8_t* h = c->header;
    h[OFFSET_VERSION] = static_cast<std::uint8_t>(version);
    write_word(h + OFFSET_HEADER_LENGTH, static_cast<unsigned>(header_length));
    h[OFFSET_COMPUTER_MODEL] = static_cast<std::uint8_t>(c->model & LOW_BYTE_MASK);
    h[OFFSET_INTERRUPTS_ENABLED] = c->enable_interrupts ? 1 : 0;
    if (c->allram) h[OFFSET_ALLRAM] = ALLRAM_ON;
    for (int r = 0; r < REGISTER_COUNT; ++r) {
        if (c->registers[r] == REGISTER_NOT_GIVEN) continue;  // the template's word stays
        unsigned value = static_cast<unsigned>(c->registers[r]) & WORD_MASK;
        if (r == REG_AF) value = (value & FLAG_BITS_CLEARED) | FLAG_BITS_SET;
        write_word(h + OFFSET_REGISTERS + WORD_SIZE * r, value);
    }
}

void store_addon_hardware(BuildContext* c) {
    std::uint8_t* h = c->header;
    h[OFFSET_VCPU_INTERRUPT_CIRCUIT] = c->vcpu_interrupt == NOT_GIVEN ? NOT_PLUGGED
                                       : c->vcpu_interrupt         ? VCPU_INTERRUPT_ENABLED
                                                                   : VCPU_INTERRUPT_DISABLED;
    h[OFFSET_MAPPER_PORT_VALUE] = static_cast<std::uint8_t>(c->mapper_port & LOW_BYTE_MASK);
    h[OFFSET_MIF85_STATE] = static_cast<std::uint8_t>(c->mif85_mode & LOW_BYTE_MASK);
    std::memset(h + OFFSET_RESERVED, 0, RESERVED_SIZE);
    std::memcpy(h + OFFSET_MUSICA_STATE,
                c->musica_plugged ? MUSICA_PLUGGED_STATE : MUSICA_UNPLUGGED_STATE, MUSICA_STATE_SIZE);
}

// Replaces `length` bytes of `buffer` by their stored form; returns its length.
int pack_in_place(BuildContext* c, std::uint8_t* buffer, int length) {
    const int n = pack_block(c->work_buffer, buffer, length);
    std::memcpy(buffer, c->work_buffer, static_cast<std::size_t>(n));
    return n;
}

void store_rom_image(BuildContext* c) {
    if (!c->rom_image) return;
    if (c->model == MODEL_V3 && c->rom_length > V3_ROM_LIMIT) c->rom_length = V3_ROM_LIMIT;
    const int n = c->pack ? pack_in_place(c, c->rom_image, c->rom_length) : c->rom_length;
    const unsigned descriptor = n == c->rom_length ? (static_cast<unsigned>(n) | ROM_RAW_FLAG) : n;
    write_word(c->header + OFFSET_ROM_DESCRIPTOR, descriptor);
}

bool block_is_stored(const BuildContext* c, int block) {
    return block != BLOCK_2 || model_stores_block2(c->model);
}

void store_blocks(BuildContext* c, BlockSlot* slots, int slot_count, int block_count) {
    for (int i = 0; i < slot_count; ++i) write_word(slots[i], 0);
    for (int i = 0; i < block_count; ++i) {
        c->page_lengths[i] = 0;
        if (!block_is_stored(c, i) || !c->pages[i]) continue;
        const int n = c->pack ? pack_in_place(c, c->pages[i], PAGE_SIZE) : PAGE_SIZE;
        c->page_lengths[i] = n;
        write_word(slots[i], static_cast<unsigned>(n));
    }
}

int write_pieces(BuildContext* c, OutputFile* out, int header_length, int block_count) {
    if (const int result = write_output_file(out, c->header, header_length)) return result;
    if (c->rom_image) {
        const int stored = read_word(c->header + OFFSET_ROM_DESCRIPTOR) & ROM_LENGTH_MASK;
        if (const int result = write_output_file(out, c->rom_image, stored)) return result;
    }
    for (int i = 0; i < block_count; ++i) {
        if (!block_is_stored(c, i) || !c->pages[i]) continue;
        if (const int result = write_output_file(out, c->pages[i], c->page_lengths[i])) return result;
    }
    return 0;
}

}  // namespace

int save_snapshot(BuildContext* c) {
    const bool version_2 = needs_version_2(c);
    const int version = version_2 ? VERSION_2 : VERSION_1;
    const int header_length = version_2 ? HEADER_SIZE_V2 : HEADER_SIZE_V1;
    const int block_count = version_2 && c->mapper_port != NOT_GIVEN ? BLOCK_COUNT_V2 : BLOCK_COUNT_V1;

    if (!c->template_path) store_defaults(c);
    store_common_fields(c, version, header_length);
    if (version_2) store_addon_hardware(c);
    store_rom_image(c);

    BlockSlot slots[PAGE_COUNT] = {};
    locate_block_sizes(c->header, slots);
    // Every slot the header holds is rewritten, so that no word of a block
    // left unwritten (a template's blocks 4..15 without the memory mapper)
    // promises data that does not follow.
    store_blocks(c, slots, block_count_for_version(version), block_count);

    OutputFile out;
    if (const int result = open_output_file(&out, c->output_path)) return result;
    if (const int result = write_pieces(c, &out, header_length, block_count)) {
        abandon_output_file(&out);
        return result;
    }
    return finish_output_file(&out);
}

}  // namespace quillet
