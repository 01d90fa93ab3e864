#include "file_reading.hpp"

#include <new>

#include "quillet/quillet_tools.h"
#include "console.hpp"

namespace quillet::common {
namespace {

void* place_in_string(void* user, std::size_t size) {
    std::string* contents = static_cast<std::string*>(user);
    try {
        contents->assign(size, '\0');
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    // An empty string still gives a place of its own.
    return &(*contents)[0];
}

}  // namespace

int read_text_file(const char* path, std::string* contents) {
    // Through the library's reader, so that every name the system takes
    // (also one that is not ASCII, on Windows) opens as it does for the
    // other inputs, with its codes and messages.
    const long read = quillet_file_load(path, TEXT_FILE_MAX, place_in_string, contents, print_report, nullptr);
    if (read < 0) {
        contents->clear();
        return static_cast<int>(read);
    }
    return 0;
}

}  // namespace quillet::common
