#include "snapshot_input.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace quillet::common {
namespace {

constexpr std::size_t READ_CHUNK = 16384;

// Reads standard input to its end: its first `keep` bytes into `data`, the
// rest only counted. Returns the number of bytes it held. A read error ends
// the reading early; what a snapshot then lacks, its reader reports.
long read_standard_input(std::size_t keep, std::vector<std::uint8_t>* data) {
    data->clear();
    std::uint8_t chunk[READ_CHUNK];
    long total = 0;
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, stdin);
        if (n == 0) break;
        const std::size_t kept = data->size() < keep ? std::min(n, keep - data->size()) : 0;
        data->insert(data->end(), chunk, chunk + kept);
        total += static_cast<long>(n);
    }
    return total;
}

}  // namespace

bool is_standard_input(const char* path) { return std::strcmp(path, STANDARD_INPUT_NAME) == 0; }

int read_snapshot_input(const char* path, quillet_snapshot* snapshot, long* file_size) {
    if (!is_standard_input(path)) {
        if (const int result = quillet_read_file(snapshot, path)) return result;
        *file_size = static_cast<long>(quillet_file_size(path));
        return 0;
    }
    std::vector<std::uint8_t> content;
    const long size = read_standard_input(QUILLET_SNAPSHOT_SIZE_MAX, &content);
    if (const int result = quillet_read_bytes(snapshot, content.data(), content.size(), path)) return result;
    *file_size = size;
    return 0;
}

}  // namespace quillet::common
