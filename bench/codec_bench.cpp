// Throughput of pack_block and unpack_block on 16 KB blocks of five content
// classes, each measured side by side with the byte-at-a-time reference
// codec in the same run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "reference_codec.hpp"
#include "snapshot/block_codec.hpp"
#include "snapshot/snapshot_format.hpp"

namespace {

using Block = std::vector<std::uint8_t>;

enum ContentClass { ALL_EQUAL, RANDOM, HALF_RUNS, MOSTLY_E5, SHORT_RUNS };
const char* const CLASS_NAMES[] = {"all-equal", "random", "half-runs", "mostly-E5", "short-runs"};

constexpr int HALF_RUNS_STRETCH = 512;  // alternating stretches of one value and of noise
constexpr int MOSTLY_E5_ODDS = 16;      // one byte in this many is not 0xE5
constexpr std::uint8_t FORMAT_FILLER = 0xE5;
constexpr int SHORT_RUN_MIN = 3;
constexpr int SHORT_RUN_MAX = 8;

Block make_block(ContentClass kind) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    const auto random_byte = [&] { return static_cast<std::uint8_t>(byte(rng)); };
    Block block(quillet::PAGE_BYTES);
    switch (kind) {
    case ALL_EQUAL:
        for (auto& b : block) b = 0x42;
        break;
    case RANDOM:
        for (auto& b : block) b = random_byte();
        break;
    case HALF_RUNS:
        for (std::size_t i = 0; i < block.size(); ++i) {
            const std::size_t stretch = i / HALF_RUNS_STRETCH;
            block[i] = stretch % 2 ? random_byte() : static_cast<std::uint8_t>(stretch);
        }
        break;
    case MOSTLY_E5:
        for (auto& b : block) b = byte(rng) < 256 / MOSTLY_E5_ODDS ? random_byte() : FORMAT_FILLER;
        break;
    case SHORT_RUNS: {
        std::uniform_int_distribution<int> run(SHORT_RUN_MIN, SHORT_RUN_MAX);
        std::size_t i = 0;
        while (i < block.size()) {
            const std::uint8_t value = random_byte();
            for (int n = run(rng); n > 0 && i < block.size(); --n) block[i++] = value;
        }
        break;
    }
    }
    return block;
}

using PackFunction = int (*)(std::uint8_t*, const std::uint8_t*, int);
using UnpackFunction = int (*)(std::uint8_t*, int, const std::uint8_t*, int);

void run_pack(benchmark::State& state, PackFunction pack) {
    const auto kind = static_cast<ContentClass>(state.range(0));
    const Block block = make_block(kind);
    Block output(block.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(pack(output.data(), block.data(), quillet::PAGE_BYTES));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * quillet::PAGE_BYTES);
    state.SetLabel(CLASS_NAMES[kind]);
}

void run_unpack(benchmark::State& state, UnpackFunction unpack) {
    const auto kind = static_cast<ContentClass>(state.range(0));
    const Block block = make_block(kind);
    Block packed(block.size());
    const int stored = quillet::pack_block(packed.data(), block.data(), quillet::PAGE_BYTES);
    Block output(block.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(unpack(output.data(), quillet::PAGE_BYTES, packed.data(), stored));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * quillet::PAGE_BYTES);
    state.SetLabel(CLASS_NAMES[kind]);
}

void BM_pack(benchmark::State& state) { run_pack(state, quillet::pack_block); }
void BM_pack_reference(benchmark::State& state) { run_pack(state, quillet_reference::reference_pack); }
void BM_unpack(benchmark::State& state) { run_unpack(state, quillet::unpack_block); }
void BM_unpack_reference(benchmark::State& state) {
    run_unpack(state, quillet_reference::reference_unpack);
}

}  // namespace

BENCHMARK(BM_pack)->DenseRange(ALL_EQUAL, SHORT_RUNS);
BENCHMARK(BM_pack_reference)->DenseRange(ALL_EQUAL, SHORT_RUNS);
BENCHMARK(BM_unpack)->DenseRange(ALL_EQUAL, SHORT_RUNS);
BENCHMARK(BM_unpack_reference)->DenseRange(ALL_EQUAL, SHORT_RUNS);
