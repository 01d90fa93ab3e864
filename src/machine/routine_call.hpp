// Calling a routine as CALL does, on the bare processor or on a machine:
// push PC, jump, and run until the routine returns to that PC with the
// stack where it was.
#pragma once

#include <cstdint>

#include "cpu/cpu8080.hpp"

namespace quillet {

struct Machine;

// The reason a call ended: MACHINE_STOP_RETURNED (6) when the routine
// returned; a run's reason otherwise. Meeting the return address with SP
// elsewhere (a recursive call) goes on through it, unless it is a stop
// address of its own. `machine` null: the bare processor `cpu`; otherwise
// the machine's processor, run through the machine.
int call_routine(Cpu8080* cpu, Machine* machine, std::uint16_t address, std::uint64_t max_states,
                 std::uint64_t max_instructions);

}  // namespace quillet
