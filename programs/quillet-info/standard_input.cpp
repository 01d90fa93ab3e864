#include "standard_input.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quillet::info {
namespace {

constexpr std::size_t READ_CHUNK = 16384;

}  // namespace

bool is_standard_input(const char* path) { return std::strcmp(path, STANDARD_INPUT_NAME) == 0; }

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

}  // namespace quillet::info
