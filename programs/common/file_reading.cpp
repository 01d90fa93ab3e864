#include "file_reading.hpp"

#include <cstdint>

#include "quillet/quillet_tools.h"

namespace quillet::common {

bool read_whole_file(const char* path, std::string* contents) {
    std::uint8_t* data = nullptr;
    std::size_t length = 0;
    if (quillet_read_whole_file(path, INPUT_FILE_LIMIT, &data, &length, nullptr, nullptr) != 0) return false;
    contents->assign(reinterpret_cast<const char*>(data), length);
    quillet_free_file_data(data);
    return true;
}

}  // namespace quillet::common
