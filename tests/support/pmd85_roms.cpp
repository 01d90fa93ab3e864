#include "support/pmd85_roms.hpp"

#include <cstdio>
#include <cstdlib>

namespace quillet::test {

std::string pmd85_roms_dir() {
    const char* given = std::getenv("QUILLET_FIRMWARE");
    if (given != nullptr && *given != '\0') return given;
#ifdef QUILLET_FIRMWARE_DIR
    return QUILLET_FIRMWARE_DIR;
#else
    return "";
#endif
}

std::vector<std::uint8_t> read_pmd85_rom(const std::string& name) {
    std::vector<std::uint8_t> bytes;
    std::string dir = pmd85_roms_dir();
    if (dir.empty()) return bytes;
    std::FILE* file = std::fopen((dir + "/" + name).c_str(), "rb");
    if (file == nullptr) return bytes;
    std::uint8_t buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    std::fclose(file);
    return bytes;
}

}  // namespace quillet::test
