// The run of a machine in stretches of at most a second of its time, with
// something done between them (the sound taken for --audio), ending as the
// same run in one go would: at the same instruction, for the same reason.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "quillet/quillet.h"

namespace quillet::run {

struct RunBudget {
    std::uint64_t max_states;        // UINT64_MAX: none
    std::uint64_t max_instructions;  // UINT64_MAX: none
    bool call;                       // the routine at call_address, as quillet_cpu_call
    long call_address;
    const std::vector<long>* stops;  // the run's own stop addresses
};

// The states of one stretch: a second of PMD 85 time, within the two
// seconds of sound the machine keeps untaken.
constexpr std::uint64_t SLICE_STATES = 2048000;

// Runs `cpu` as quillet_cpu_run (or quillet_cpu_call) would with the
// budget's limits, calling `between` after every stretch and once at the
// end. Returns the reason the run ended.
int run_in_slices(quillet_cpu* cpu, const RunBudget& budget, const std::function<void()>& between);

}  // namespace quillet::run
