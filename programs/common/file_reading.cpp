#include "file_reading.hpp"

#include <cstdio>

namespace quillet::common {

bool read_whole_file(const char* path, std::string* contents) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    contents->clear();
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) contents->append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

}  // namespace quillet::common
