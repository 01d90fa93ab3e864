#include "snapshot_input.hpp"

#include <cstdio>
#include <cstring>

#include "quillet/quillet_tools.h"
#include "console.hpp"

namespace quillet::common {
namespace {

// Standard input as the library's source of bytes.
long read_standard_input(void*, void* data, std::size_t capacity) {
    const std::size_t n = std::fread(data, 1, capacity, stdin);
    if (n == 0 && std::ferror(stdin)) return -1;
    return static_cast<long>(n);
}

int read_into(const char* path, quillet_snapshot* snapshot, long* file_size) {
    if (!is_standard_input(path)) {
        if (const int result = quillet_read_file(snapshot, path)) return result;
        *file_size = static_cast<long>(quillet_file_size(path));
        return 0;
    }
    std::size_t size = 0;
    if (const int result = quillet_read_stream(snapshot, read_standard_input, nullptr, path, &size)) return result;
    *file_size = static_cast<long>(size);
    return 0;
}

}  // namespace

bool is_standard_input(const char* path) { return std::strcmp(path, STANDARD_INPUT_NAME) == 0; }

int read_snapshot_input(const char* path, quillet_snapshot* snapshot, long* file_size, std::string* detail) {
    // The reader reports to nobody: its message and detail are printed here together.
    quillet_set_reporter(snapshot, nullptr, nullptr);
    *file_size = -1;
    const int result = read_into(path, snapshot, file_size);
    detail->clear();
    if (result != 0) {
        *detail = quillet_last_detail(snapshot);
        std::string text = quillet_last_message(snapshot);
        if (!detail->empty()) text += "\n" + *detail;
        print_failure(text.c_str());
    }
    quillet_set_reporter(snapshot, print_report, nullptr);
    return result;
}

}  // namespace quillet::common
