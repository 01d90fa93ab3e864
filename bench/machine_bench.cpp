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
// `watched_read` (or -1) an address the loop never reads, watched for reads.
void run_loop_on_machine(benchmark::State& state, long watched_read) {
    quillet_snapshot* snapshot = quillet_snapshot_new();
    quillet_set_model(snapshot, QUILLET_MODEL_V2A);
    quillet_set_allram(snapshot, 1);
    quillet_machine* machine = nullptr;
    if (quillet_machine_new(snapshot, nullptr, 0, nullptr, nullptr, &machine) != 0) {
        state.SkipWithError("no machine");
    } else {
        if (watched_read >= 0) {
            const auto address = static_cast<std::uint16_t>(watched_read);
            quillet_machine_watch(machine, address, address, QUILLET_WATCH_READ);
        }
        run_loop(state, quillet_machine_cpu(machine));
    }
    quillet_machine_free(machine);
    quillet_snapshot_free(snapshot);
}

void loop_machine(benchmark::State& state) { run_loop_on_machine(state, -1); }
BENCHMARK(loop_machine)->Unit(benchmark::kMillisecond);

// Every read of data checked against the watchpoints.
void loop_machine_watching_reads(benchmark::State& state) { run_loop_on_machine(state, 0xFFF0); }
BENCHMARK(loop_machine_watching_reads)->Unit(benchmark::kMillisecond);

// Memory map switches: a loop of two OUTs that switch the map and back,
// against the same loop whose OUTs switch nothing, on a machine with an
// 8 KB monitor image. Each iteration of the
// benchmark runs SWITCH_ROUNDS rounds; a switch costs half the difference
// of the rounds' times ("round" counters, in seconds) of the two loops.
constexpr std::uint64_t SWITCH_ROUNDS = 10'000;

struct SwitchLoop {
    int model;
    int mapper_port;                 // QUILLET_NOT_PLUGGED: no mapper
    std::uint8_t port, there, back;  // OUT port, there, port, back
    bool in_monitor = false;         // the loop in the monitor image (at E100h), else in RAM at 0100h
};

// MVI A,82h; OUT F7h (the system 8255's port C an output); MVI A,09h; OUT
// F7h (PC4 set: AllRAM off), then the loop: MVI A,there; OUT port; MVI
// A,back; OUT port; JMP loop.
std::vector<std::uint8_t> switch_loop(const SwitchLoop& loop, std::uint16_t origin) {
    const std::uint16_t again = static_cast<std::uint16_t>(origin + 8);
    return {0x3E, 0x82, 0xD3, 0xF7, 0x3E, 0x09, 0xD3, 0xF7, 0x3E, loop.there, 0xD3, loop.port, 0x3E, loop.back, 0xD3, loop.port,
            0xC3, static_cast<std::uint8_t>(again), static_cast<std::uint8_t>(again >> 8)};
}

void run_switches(benchmark::State& state, const SwitchLoop& loop) {
    quillet_snapshot* snapshot = quillet_snapshot_new();
    quillet_set_model(snapshot, loop.model);
    quillet_set_mapper_port(snapshot, loop.mapper_port);
    const std::uint16_t origin = loop.in_monitor ? 0xE100 : 0x0100;
    const std::vector<std::uint8_t> code = switch_loop(loop, origin);
    std::vector<std::uint8_t> image(8192, 0);
    std::copy(code.begin(), code.end(), image.begin() + 0x0100);
    // The code in RAM, and in the monitor as well when it runs from there:
    // AllRAM shows the RAM beneath from the first OUT (82h) to the second.
    quillet_load_bytes(snapshot, origin, code.data(), code.size());
    quillet_set_register(snapshot, QUILLET_REG_PC, origin);
    quillet_machine* machine = nullptr;
    if (quillet_machine_new(snapshot, image.data(), image.size(), nullptr, nullptr, &machine) != 0) {
        state.SkipWithError("no machine");
    } else {
        quillet_cpu* cpu = quillet_machine_cpu(machine);
        for (auto _ : state) {
            if (quillet_cpu_run(cpu, UINT64_MAX, 5 * SWITCH_ROUNDS, 0) != QUILLET_STOP_INSTRUCTION_LIMIT) {
                state.SkipWithError("the loop stopped");
            }
        }
        state.counters["round"] = benchmark::Counter(static_cast<double>(SWITCH_ROUNDS) * state.iterations(),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    }
    quillet_machine_free(machine);
    quillet_snapshot_free(snapshot);
}

// The PMD 85-2A's AllRAM (PC4) set twice: the same OUTs, no switch.
void map_switches_none(benchmark::State& state) {
    run_switches(state, {QUILLET_MODEL_V2A, QUILLET_NOT_PLUGGED, 0xF7, 0x09, 0x09});
}
BENCHMARK(map_switches_none)->Unit(benchmark::kMillisecond);

// AllRAM on and off: 16 KB at 8000h between the monitor and RAM.
void map_switches_allram_2a(benchmark::State& state) {
    run_switches(state, {QUILLET_MODEL_V2A, QUILLET_NOT_PLUGGED, 0xF7, 0x08, 0x09});
}
BENCHMARK(map_switches_allram_2a)->Unit(benchmark::kMillisecond);

// The PMD 85-3's AllRAM: 8 KB at E000h.
void map_switches_allram_3(benchmark::State& state) {
    run_switches(state, {QUILLET_MODEL_V3, QUILLET_NOT_PLUGGED, 0xF7, 0x08, 0x09});
}
BENCHMARK(map_switches_allram_3)->Unit(benchmark::kMillisecond);

// The mapper: bank 5 into window 1 and back.
void map_switches_mapper(benchmark::State& state) {
    run_switches(state, {QUILLET_MODEL_V2A, 0x00, 0x6D, 0x15, 0x11});
}
BENCHMARK(map_switches_mapper)->Unit(benchmark::kMillisecond);

// The PMD 85-3's start-up map, which PC5 selects again and the next OUT
// ends: the monitor read in every 8 KB, 56 KB switched each way.
void map_switches_startup_3(benchmark::State& state) {
    run_switches(state, {QUILLET_MODEL_V3, QUILLET_NOT_PLUGGED, 0xF7, 0x0B, 0x0A, true});
}
BENCHMARK(map_switches_startup_3)->Unit(benchmark::kMillisecond);

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
