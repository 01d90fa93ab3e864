// The 8080 through the public interface: a loop of this project's own that
// mixes the instruction classes, and the public CP/M exercisers when
// ../shared/cpu-tests is there (QUILLET_CPU_TESTS_DIR). Counters: 8080
// instructions and states per second of the host.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "mixed_loop.hpp"
#include "quillet/quillet.h"

namespace {


void mixed_loop(benchmark::State& state) {
    quillet_cpu* cpu = quillet_cpu_new();
    quillet_cpu_write_memory(cpu, 0x0100, MIXED_LOOP, sizeof MIXED_LOOP);
    quillet_cpu_set_pair(cpu, QUILLET_REG_PC, 0x0100);
    const std::uint64_t per_iteration = 50'000'000;
    for (auto _ : state) {
        const int reason = quillet_cpu_run(cpu, UINT64_MAX, quillet_cpu_instructions(cpu) + per_iteration, 0);
        if (reason != QUILLET_STOP_INSTRUCTION_LIMIT) state.SkipWithError("the loop stopped");
    }
    state.counters["instructions"] = benchmark::Counter(static_cast<double>(quillet_cpu_instructions(cpu)),
                                                        benchmark::Counter::kIsRate);
    state.counters["states"] =
        benchmark::Counter(static_cast<double>(quillet_cpu_states(cpu)), benchmark::Counter::kIsRate);
    quillet_cpu_free(cpu);
}
BENCHMARK(mixed_loop)->Unit(benchmark::kMillisecond);

bool read_file(const std::string& path, std::vector<std::uint8_t>* out) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::uint8_t buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) out->insert(out->end(), buffer, buffer + n);
    std::fclose(file);
    return true;
}

// Runs a CP/M program to its jump to 0x0000, serving BDOS calls at 0x0005
// by counting the characters they would print.
void exerciser(benchmark::State& state, const char* name) {
    std::vector<std::uint8_t> program;
    if (!read_file(std::string(QUILLET_CPU_TESTS_DIR) + "/" + name, &program)) {
        state.SkipWithError("no " QUILLET_CPU_TESTS_DIR " (the public 8080 test programs)");
        return;
    }
    std::uint64_t instructions = 0, states = 0;
    for (auto _ : state) {
        quillet_cpu* cpu = quillet_cpu_new();
        const std::uint8_t ret = 0xC9;
        quillet_cpu_write_memory(cpu, 0x0100, program.data(), program.size());
        quillet_cpu_write_memory(cpu, 0x0005, &ret, 1);
        quillet_cpu_set_pair(cpu, QUILLET_REG_PC, 0x0100);
        quillet_cpu_set_stop(cpu, 0x0000, 1);
        quillet_cpu_set_stop(cpu, 0x0005, 1);
        long printed = 0;
        while (quillet_cpu_run(cpu, UINT64_MAX, UINT64_MAX, 1) == QUILLET_STOP_ADDRESS &&
               quillet_cpu_get_pair(cpu, QUILLET_REG_PC) != 0) {
            printed += quillet_cpu_get_register8(cpu, QUILLET_CPU_C) == 2;
        }
        benchmark::DoNotOptimize(printed);
        instructions += quillet_cpu_instructions(cpu);
        states += quillet_cpu_states(cpu);
        quillet_cpu_free(cpu);
    }
    state.counters["instructions"] = benchmark::Counter(static_cast<double>(instructions), benchmark::Counter::kIsRate);
    state.counters["states"] = benchmark::Counter(static_cast<double>(states), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(exerciser, TST8080, "TST8080.COM")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(exerciser, 8080PRE, "8080PRE.COM")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(exerciser, 8080EXM, "8080EXM.COM")->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
