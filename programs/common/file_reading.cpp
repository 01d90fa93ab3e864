#include "file_reading.hpp"

#include "quillet/quillet_tools.h"

namespace quillet::common {

namespace {

// A pipe's content is not known before it is read: this much at most.
constexpr long long PIPED_FILE_MAX = 16LL * 1024 * 1024;

}  // namespace

bool read_whole_file(const char* path, std::string* contents) {
    // Through the library's reader, so that every name the system takes
    // (also one that is not ASCII, on Windows) opens as it does for the
    // other inputs.
    const long long size = quillet_file_size(path);
    contents->assign(static_cast<std::size_t>(size >= 0 ? size : PIPED_FILE_MAX), '\0');
    const long read = quillet_file_read(path, &(*contents)[0], contents->size(), nullptr, nullptr);
    if (read < 0) return false;
    contents->resize(static_cast<std::size_t>(read));
    return true;
}

}  // namespace quillet::common
