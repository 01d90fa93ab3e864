// The PMD 85 against the bare processor: the same CPU-bound loop on both
// (the machine counting its video wait states, its RAM where the loop
// writes), and monitor 3 booted from reset to its keyboard scan (the ready
// text on the screen) when ../shared/pmd85-roms is there.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "mixed_loop.hpp"
#include "quillet/quillet.h"

namespace {

constexpr std::uint64_t INSTRUCTIONS_PER_ITERATION = 50'000'000;

void run_loop(benchmark::State& state, quillet_cpu* cpu) {
    quillet_cpu_write_memory(cpu, 0x0100, MIXED_LOOP, sizeof MIXED_LOOP);
    quillet_cpu_set_pair(cpu, QUILLET_REG_PC, 0x0100);
    for (auto _ : state) {
        const int reason = quillet_cpu_run(cpu, UINT64_MAX, INSTRUCTIONS_PER_ITERATION, 0);
        if (reason != QUILLET_STOP_INSTRUCTION_LIMIT) state.SkipWithError("the loop stopped");
    }
    state.counters["instructions"] =
        benchmark::Counter(static_cast<double>(quillet_cpu_instructions(cpu)), benchmark::Counter::kIsRate);
}

void loop_bare(benchmark::State& state) {
    quillet_cpu* cpu = quillet_cpu_new();
    run_loop(state, cpu);
    quillet_cpu_free(cpu);
}
BENCHMARK(loop_bare)->Unit(benchmark::kMillisecond);

// A PMD 85-2A with AllRAM on: RAM everywhere the loop reads and writes;
// null when it cannot be made.
quillet_machine* machine_for_the_loop() {
    quillet_snapshot* snapshot = quillet_snapshot_new();
    quillet_set_model(snapshot, QUILLET_MODEL_V2A);
    quillet_set_allram(snapshot, 1);
    quillet_machine* machine = nullptr;
    quillet_machine_new(snapshot, nullptr, 0, nullptr, nullptr, &machine);
    quillet_snapshot_free(snapshot);
    return machine;
}

void loop_machine(benchmark::State& state) {
    quillet_machine* machine = machine_for_the_loop();
    if (!machine) {
        state.SkipWithError("no machine");
    } else {
        run_loop(state, quillet_machine_cpu(machine));
    }
    quillet_machine_free(machine);
}
BENCHMARK(loop_machine)->Unit(benchmark::kMillisecond);

// The machine frame by frame against one run over the same states: the
// loop on a PMD 85-2A with AllRAM on, FRAMES frames an iteration, by
// quillet_machine_run_frame and by quillet_cpu_run on the machine's processor.
constexpr int FRAMES = 1000;

template <bool BY_FRAMES>
void loop_frames(benchmark::State& state) {
    quillet_machine* machine = machine_for_the_loop();
    if (!machine) {
        state.SkipWithError("no machine");
    } else {
        quillet_cpu* cpu = quillet_machine_cpu(machine);
        quillet_cpu_write_memory(cpu, 0x0100, MIXED_LOOP, sizeof MIXED_LOOP);
        quillet_cpu_set_pair(cpu, QUILLET_REG_PC, 0x0100);
        for (auto _ : state) {
            if (BY_FRAMES) {
                for (int frame = 0; frame < FRAMES; ++frame) {
                    if (quillet_machine_run_frame(machine) != QUILLET_STOP_FRAME) state.SkipWithError("the loop stopped");
                }
            } else if (quillet_cpu_run(cpu, FRAMES * std::uint64_t{QUILLET_MACHINE_FRAME_STATES}, UINT64_MAX, 0) !=
                       QUILLET_STOP_STATE_LIMIT) {
                state.SkipWithError("the loop stopped");
            }
        }
        state.counters["frames"] = static_cast<double>(quillet_machine_frames(machine));
    }
    quillet_machine_free(machine);
}
void frames_by_cpu_run(benchmark::State& state) { loop_frames<false>(state); }
void frames_by_run_frame(benchmark::State& state) { loop_frames<true>(state); }
BENCHMARK(frames_by_cpu_run)->Unit(benchmark::kMillisecond);
BENCHMARK(frames_by_run_frame)->Unit(benchmark::kMillisecond);

void boot_monitor3(benchmark::State& state) {
    std::vector<std::uint8_t> image(8192);
    std::FILE* file = std::fopen(QUILLET_PMD85_ROMS_DIR "/monit3.rom", "rb");
    const bool read = file && std::fread(image.data(), 1, image.size(), file) == image.size();
    if (file) std::fclose(file);
    if (!read) {
        state.SkipWithError("no " QUILLET_PMD85_ROMS_DIR "/monit3.rom");
        return;
    }
    quillet_snapshot* snapshot = quillet_snapshot_new();
    quillet_set_model(snapshot, QUILLET_MODEL_V3);
    std::uint64_t frames = 0;
    for (auto _ : state) {
        quillet_machine* machine = nullptr;
        quillet_machine_new(snapshot, image.data(), image.size(), nullptr, nullptr, &machine);
        quillet_machine_boot(machine);
        quillet_cpu* cpu = quillet_machine_cpu(machine);
        quillet_cpu_set_stop(cpu, 0xE9C0, 1);  // the keyboard scan, once "++ OS ready ++" is shown
        if (quillet_cpu_run(cpu, 400 * QUILLET_MACHINE_FRAME_STATES, UINT64_MAX, 0) != QUILLET_STOP_ADDRESS) {
            state.SkipWithError("monitor 3 did not reach its keyboard scan");
        }
        frames = quillet_machine_frames(machine);
        quillet_machine_free(machine);
    }
    state.counters["frames"] = static_cast<double>(frames);
    quillet_snapshot_free(snapshot);
}
BENCHMARK(boot_monitor3)->Unit(benchmark::kMillisecond);

}  // namespace
