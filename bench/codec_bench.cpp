// Throughput of pack_block and unpack_block on 16 KB blocks of typical
// content classes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "snapshot/block_codec.hpp"
#include "snapshot/snapshot_format.hpp"

namespace {

using Block = std::vector<std::uint8_t>;

enum ContentClass { ALL_EQUAL, RANDOM, HALF_RUNS, MOSTLY_E5, SHORT_RUNS };

Block make_block(ContentClass kind) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    Block block(quillet::PAGE_SIZE);
    switch (kind) {
    case ALL_EQUAL:
        for (auto& b : block) b = 0x42;
        break;
    case RANDOM:
        for (auto& b : block) b = static_cast<std::uint8_t>(byte(rng));
        break;
    case HALF_RUNS:
        for (std::size_t i = 0; i < block.size(); ++i) {
            block[i] = (i / 512) % 2 ? static_cast<std::uint8_t>(byte(rng)) : static_cast<std::uint8_t>(i / 512);
        }
        break;
    case MOSTLY_E5:
        for (auto& b : block) b = byte(rng) < 16 ? static_cast<std::uint8_t>(byte(rng)) : 0xE5;
        break;
    case SHORT_RUNS: {
        std::uniform_int_distribution<int> run(3, 8);
        std::size_t i = 0;
        while (i < block.size()) {
            const std::uint8_t value = static_cast<std::uint8_t>(byte(rng));
            for (int n = run(rng); n > 0 && i < block.size(); --n) block[i++] = value;
        }
        break;
    }
    }
    return block;
}

void BM_pack(benchmark::State& state) {
    const Block block = make_block(static_cast<ContentClass>(state.range(0)));
    Block output(block.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(quillet::pack_block(output.data(), block.data(), quillet::PAGE_SIZE));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * quillet::PAGE_SIZE);
}

void BM_unpack(benchmark::State& state) {
    const Block block = make_block(static_cast<ContentClass>(state.range(0)));
    Block packed(block.size());
    const int stored = quillet::pack_block(packed.data(), block.data(), quillet::PAGE_SIZE);
    Block output(block.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            quillet::unpack_block(output.data(), quillet::PAGE_SIZE, packed.data(), stored));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * quillet::PAGE_SIZE);
}

}  // namespace

BENCHMARK(BM_pack)->DenseRange(ALL_EQUAL, SHORT_RUNS);
BENCHMARK(BM_unpack)->DenseRange(ALL_EQUAL, SHORT_RUNS);
