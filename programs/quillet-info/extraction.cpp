#include "extraction.hpp"

#include <cstdio>
#include <string>
#include <vector>

#include "failures.hpp"

namespace quillet::info {
namespace {

constexpr const char* ROM_FILE_NAME = "rom.bin";
constexpr const char* BLOCK_FILE_FORMAT = "block-%02d.bin";
constexpr int BLOCK_FILE_NAME_SIZE = 16;

int write_file(const char* path, const std::uint8_t* data, int length) {
    return quillet_save_file(path, data, static_cast<std::size_t>(length), print_failure, nullptr);
}

// Writes a file named `name` in `directory`, refusing to follow anything
// that already stands there and is not a regular file.
int write_into_directory(const char* directory, const char* name, const std::uint8_t* data, int length) {
    std::string path = directory;
    if (path.back() != '/') path += '/';
    path += name;
    if (quillet_entry_kind(path.c_str()) == QUILLET_ENTRY_OTHER) {
        return common::report_failure(common::CONSOLE_FAILURES, common::ERR_OUTPUT_ACCESS, path.c_str());
    }
    return write_file(path.c_str(), data, length);
}

}  // namespace

int extract_pieces(const SnapshotSummary& s, const char* directory) {
    if (s.rom.present) {
        std::vector<std::uint8_t> rom(quillet_rom_length(s.snapshot));
        quillet_read_rom(s.snapshot, rom.data(), rom.size());
        const int length = static_cast<int>(rom.size());
        if (const int result = write_into_directory(directory, ROM_FILE_NAME, rom.data(), length)) return result;
    }
    std::vector<std::uint8_t> page(QUILLET_PAGE_SIZE);
    for (int block = 0; block < QUILLET_PAGE_COUNT; ++block) {
        if (!s.blocks[block].present) continue;
        char name[BLOCK_FILE_NAME_SIZE];
        std::snprintf(name, sizeof name, BLOCK_FILE_FORMAT, block);
        quillet_read_page(s.snapshot, block, 0, page.data(), page.size());
        if (const int result = write_into_directory(directory, name, page.data(), QUILLET_PAGE_SIZE)) return result;
    }
    return 0;
}

int write_memory_image(const SnapshotSummary& s, const char* path, const MemoryRange& range) {
    std::vector<std::uint8_t> memory(static_cast<std::size_t>(range.length()));
    if (range.space == ADDRESS_SPACE) {
        quillet_read_memory(s.snapshot, range.first, memory.data(), memory.size());
    } else {
        quillet_read_page(s.snapshot, range.space, static_cast<std::size_t>(range.first), memory.data(), memory.size());
    }
    return write_file(path, memory.data(), static_cast<int>(memory.size()));
}

}  // namespace quillet::info
