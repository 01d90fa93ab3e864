#include "sliced_run.hpp"

#include <algorithm>

namespace quillet::run {
namespace {

constexpr std::uint64_t NONE = UINT64_MAX;

// What is left of `limit` after `used` (NONE stays NONE).
std::uint64_t left_of(std::uint64_t limit, std::uint64_t used) {
    if (limit == NONE) return NONE;
    return used >= limit ? 0 : limit - used;
}

}  // namespace

int run_in_slices(quillet_cpu* cpu, const RunBudget& budget, const std::function<void()>& between) {
    const std::uint64_t states0 = quillet_cpu_states(cpu);
    const std::uint64_t instructions0 = quillet_cpu_instructions(cpu);
    // Where a routine called returns to, and its stack then: a stretch that
    // ends inside the routine goes on as quillet_cpu_call would.
    const long back = quillet_cpu_get_pair(cpu, QUILLET_REG_PC);
    const long stack = quillet_cpu_get_pair(cpu, QUILLET_REG_SP);
    const bool back_is_stop = budget.stops && std::find(budget.stops->begin(), budget.stops->end(), back) !=
                                                  budget.stops->end();
    bool first = true;
    bool in_call = budget.call;
    int leave_stop = 0;
    int reason = 0;
    for (;;) {
        const std::uint64_t states_left = left_of(budget.max_states, quillet_cpu_states(cpu) - states0);
        const std::uint64_t instructions_left =
            left_of(budget.max_instructions, quillet_cpu_instructions(cpu) - instructions0);
        if (states_left == 0) {
            reason = QUILLET_STOP_STATE_LIMIT;
            break;
        }
        if (instructions_left == 0) {
            reason = QUILLET_STOP_INSTRUCTION_LIMIT;
            break;
        }
        const bool sliced = states_left > SLICE_STATES;
        const std::uint64_t slice = sliced ? SLICE_STATES : states_left;
        if (first && budget.call) {
            reason = quillet_cpu_call(cpu, budget.call_address, slice, instructions_left);
        } else {
            if (in_call) quillet_cpu_set_stop(cpu, back, 1);
            reason = quillet_cpu_run(cpu, slice, instructions_left, leave_stop);
            if (in_call && !back_is_stop) quillet_cpu_set_stop(cpu, back, 0);
        }
        first = false;
        leave_stop = 0;
        if (in_call && reason == QUILLET_STOP_ADDRESS && quillet_cpu_get_pair(cpu, QUILLET_REG_PC) == back) {
            if (quillet_cpu_get_pair(cpu, QUILLET_REG_SP) == stack) {
                reason = QUILLET_STOP_RETURNED;
                break;
            }
            if (back_is_stop) break;
            leave_stop = 1;  // a recursive call met its return address: through it
            between();
            continue;
        }
        if (reason == QUILLET_STOP_RETURNED) break;
        if (!(sliced && reason == QUILLET_STOP_STATE_LIMIT)) break;
        between();
    }
    between();
    return reason;
}

}  // namespace quillet::run
