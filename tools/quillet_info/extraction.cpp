#include "extraction.hpp"

#include <cstdio>
#include <string>
#include <sys/stat.h>

#include "driver/failure.hpp"
#include "image/file_access.hpp"

namespace quillet::info {
namespace {

constexpr const char* ROM_FILE_NAME = "rom.bin";
constexpr const char* BLOCK_FILE_FORMAT = "block-%02d.bin";
constexpr int BLOCK_FILE_NAME_SIZE = 16;

int write_file(const char* path, const std::uint8_t* data, int length) {
    OutputFile out;
    if (const int result = open_output_file(&out, path)) return result;
    if (const int result = write_output_file(&out, data, length)) {
        abandon_output_file(&out);
        return result;
    }
    return finish_output_file(&out);
}

// Writes a file named `name` in `directory`, refusing to follow anything
// that already stands there and is not a regular file.
int write_into_directory(const char* directory, const char* name, const std::uint8_t* data, int length) {
    std::string path = directory;
    if (path.back() != '/') path += '/';
    path += name;
    struct stat status;
    if (lstat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        return report_failure(ERR_OUTPUT_ACCESS, path.c_str());
    }
    return write_file(path.c_str(), data, length);
}

}  // namespace

int extract_pieces(const SnapshotSummary& s, const char* directory) {
    if (s.rom.present) {
        if (const int result = write_into_directory(directory, ROM_FILE_NAME, s.rom_data, s.rom.data_length)) {
            return result;
        }
    }
    for (int block = 0; block < PAGE_COUNT; ++block) {
        if (!s.blocks[block].present) continue;
        char name[BLOCK_FILE_NAME_SIZE];
        std::snprintf(name, sizeof name, BLOCK_FILE_FORMAT, block);
        const std::uint8_t* data = s.pages + static_cast<std::size_t>(block) * PAGE_SIZE;
        if (const int result = write_into_directory(directory, name, data, PAGE_SIZE)) return result;
    }
    return 0;
}

int write_memory_image(const SnapshotSummary& s, const char* path) {
    return write_file(path, s.pages, ADDRESS_SPACE_SIZE);
}

}  // namespace quillet::info
