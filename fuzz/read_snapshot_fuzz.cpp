// The snapshot reader on arbitrary bytes, through the public interface.
//
// The result must be 0 or one of the codes that reading documents, and a
// failed read must leave the snapshot as it was. What was read must write
// out again and read back to the same content: the writer and the reader
// agree on everything a valid file can hold.
#include <cstdint>
#include <vector>

#include "fuzz_check.hpp"
#include "quillet/quillet.h"

namespace {

bool is_read_failure(int code) {
    switch (code) {
    case QUILLET_ERR_OUT_OF_MEMORY:
    case QUILLET_ERR_SOURCE_READ:
    case QUILLET_ERR_BAD_HEADER:
    case QUILLET_ERR_BAD_VERSION:
    case QUILLET_ERR_UNKNOWN_MODEL:
    case QUILLET_ERR_BAD_BLOCK_SIZE:
        return true;
    default:
        return false;
    }
}

// Everything a snapshot holds, unpacked: the first `rom_limit` bytes of
// the ROM image and the first `page_limit` pages.
std::vector<std::uint8_t> content_of(const quillet_snapshot* s, std::size_t rom_limit = QUILLET_ROM_SIZE_MAX,
                                     int page_limit = QUILLET_PAGE_COUNT) {
    std::vector<std::uint8_t> content;
    content.push_back(static_cast<std::uint8_t>(quillet_get_model(s)));
    content.push_back(static_cast<std::uint8_t>(quillet_get_interrupts(s)));
    for (int r = 0; r < QUILLET_REGISTER_COUNT; ++r) {
        const long value = quillet_get_register(s, r);
        content.push_back(static_cast<std::uint8_t>(value & 0xFF));
        content.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    std::uint8_t peripheral[QUILLET_PERIPHERAL_STATE_SIZE];
    FUZZ_CHECK(quillet_get_peripheral_state(s, peripheral) == 0);
    content.insert(content.end(), peripheral, peripheral + sizeof peripheral);
    for (int byte : {quillet_get_vcpu_circuit(s), quillet_get_mapper_port(s), quillet_get_mif85(s),
                     quillet_get_musica(s)}) {
        content.push_back(static_cast<std::uint8_t>(byte));
    }
    const std::size_t rom_length = quillet_rom_length(s);
    std::vector<std::uint8_t> rom(rom_length < rom_limit ? rom_length : rom_limit);
    FUZZ_CHECK(quillet_read_rom(s, rom.data(), rom.size()) == static_cast<long>(rom.size()));
    content.insert(content.end(), rom.begin(), rom.end());
    std::vector<std::uint8_t> page(QUILLET_PAGE_SIZE);
    for (int i = 0; i < page_limit; ++i) {
        content.push_back(static_cast<std::uint8_t>(quillet_has_page(s, i)));
        FUZZ_CHECK(quillet_read_page(s, i, 0, page.data(), page.size()) == 0);
        content.insert(content.end(), page.begin(), page.end());
    }
    return content;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillet_snapshot* snapshot = quillet_snapshot_new();
    FUZZ_CHECK(snapshot != nullptr);
    const std::vector<std::uint8_t> before = content_of(snapshot);
    const int result = quillet_read_bytes(snapshot, data, size, "fuzz");
    FUZZ_CHECK(result == 0 || is_read_failure(result));
    if (result != 0) {
        FUZZ_CHECK(content_of(snapshot) == before);
        quillet_snapshot_free(snapshot);
        return 0;
    }
    FUZZ_CHECK(quillet_stored_end(snapshot) <= size);

    // Written again, packed and raw, and read back: a file of the size that
    // was announced, with the same content as far as a file keeps it (pages
    // 4..15 only with the memory mapper, at most 8192 ROM bytes for a V3).
    const bool mapper = quillet_get_mapper_port(snapshot) != QUILLET_NOT_PLUGGED;
    const int pages_kept = mapper ? QUILLET_PAGE_COUNT : 4;
    const std::size_t rom_kept =
        quillet_get_model(snapshot) == QUILLET_MODEL_V3 ? QUILLET_V3_ROM_LIMIT : QUILLET_ROM_SIZE_MAX;
    const std::vector<std::uint8_t> kept = content_of(snapshot, rom_kept, pages_kept);
    // A packed ROM image of one byte value is stored in fill form and reads
    // back 16384 bytes long: only the bytes written are compared.
    const std::size_t rom_written = quillet_rom_length(snapshot) < rom_kept ? quillet_rom_length(snapshot) : rom_kept;
    for (int pack = 0; pack <= 1; ++pack) {
        std::size_t expected = 0;
        FUZZ_CHECK(quillet_write_size(snapshot, pack, &expected) == 0);
        std::vector<std::uint8_t> file(expected);
        std::size_t written = 0;
        FUZZ_CHECK(quillet_write_bytes(snapshot, pack, file.data(), file.size(), &written) == 0);
        FUZZ_CHECK(written == expected);
        quillet_snapshot* again = quillet_snapshot_new();
        FUZZ_CHECK(again != nullptr);
        FUZZ_CHECK(quillet_read_bytes(again, file.data(), file.size(), "again") == 0);
        FUZZ_CHECK(quillet_stored_end(again) == file.size());
        FUZZ_CHECK(content_of(again, rom_written, pages_kept) == kept);
        for (int i = pages_kept; i < QUILLET_PAGE_COUNT; ++i) FUZZ_CHECK(quillet_has_page(again, i) == 0);
        quillet_snapshot_free(again);
    }
    quillet_snapshot_free(snapshot);
    return 0;
}
