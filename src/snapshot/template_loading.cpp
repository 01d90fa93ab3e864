#include "snapshot/template_loading.hpp"

#include <cstring>

#include "snapshot/snapshot_reader.hpp"

namespace quillet {
namespace {

int take_rom_image(BuildContext* c, const SnapshotPiece& piece) {
    release_buffer(c->rom_image);
    c->rom_length = 0;
    if (const int result = ensure_buffer(c->rom_image, static_cast<std::size_t>(piece.data_length))) {
        return result;
    }
    std::memcpy(c->rom_image, piece.data, static_cast<std::size_t>(piece.data_length));
    c->rom_length = piece.data_length;
    return 0;
}

int take_block(BuildContext* c, const SnapshotPiece& piece) {
    if (const int result = ensure_buffer(c->pages[piece.block], PAGE_SIZE)) return result;
    std::memcpy(c->pages[piece.block], piece.data, PAGE_SIZE);
    c->page_lengths[piece.block] = PAGE_SIZE;
    return 0;
}

int take_piece(void* user, const SnapshotPiece& piece) {
    BuildContext* context = static_cast<BuildContext*>(user);
    return piece.block == ROM_PIECE ? take_rom_image(context, piece) : take_block(context, piece);
}

}  // namespace

int load_template(BuildContext* context) {
    return read_snapshot(context->template_path, context->header, take_piece, context);
}

}  // namespace quillet
