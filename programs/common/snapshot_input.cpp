#include "snapshot_input.hpp"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

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

bool stored_packed(const quillet_snapshot* snapshot) {
    quillet_layout layout;
    quillet_stored_layout(snapshot, &layout);
    if (layout.rom_descriptor != 0 && layout.rom_form != QUILLET_FORM_RAW) return true;
    for (int block = 0; block < QUILLET_PAGE_COUNT; ++block) {
        if (layout.block_states[block] == QUILLET_BLOCK_PRESENT && layout.block_forms[block] != QUILLET_FORM_RAW) {
            return true;
        }
    }
    return false;
}

int copy_snapshot(const quillet_snapshot* source, quillet_snapshot* copy) {
    // Written packed, a piece is stored packed when that makes it smaller,
    // as when quillet wrote the source: the copy is stored packed as it was.
    const int pack = stored_packed(source) ? 1 : 0;
    std::size_t size = 0;
    if (const int result = quillet_write_size(source, pack, &size)) return result;
    std::vector<std::uint8_t> bytes(size);
    if (const int result = quillet_write_bytes(source, pack, bytes.data(), bytes.size(), &size)) return result;
    return quillet_read_bytes(copy, bytes.data(), size, nullptr);
}

}  // namespace quillet::common
