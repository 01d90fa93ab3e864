#include "machine/routine_call.hpp"

#include "machine/machine.hpp"

namespace quillet {

namespace {

// The processor alone, or the machine around it.
struct Target {
    Cpu8080* cpu;
    Machine* machine;

    void write(std::uint16_t address, std::uint8_t value) const {
        if (machine) {
            machine_write(machine, address, &value, 1);
        } else {
            cpu_write_ram(cpu, address, &value, 1);
        }
    }
    bool is_stop(std::uint16_t address) const {
        return machine ? machine_is_stop(*machine, address) : cpu_is_stop(cpu, address);
    }
    void set_stop(std::uint16_t address, bool on) const {
        if (machine) {
            machine_set_stop(machine, address, on);
        } else {
            cpu_set_stop(cpu, address, on);
        }
    }
    int run(const CpuRunLimits& limits) const { return machine ? machine_run(machine, limits) : cpu_run(cpu, limits); }
};

}  // namespace

int call_routine(Cpu8080* cpu, Machine* machine, std::uint16_t address, std::uint64_t max_states,
                 std::uint64_t max_instructions) {
    const Target target{cpu, machine};
    CpuState& s = cpu->state;
    const std::uint16_t back = s.pc;
    const std::uint16_t stack = s.sp;
    // PUSH PC: the bytes go where the processor's writes go.
    s.sp = static_cast<std::uint16_t>(s.sp - 1);
    target.write(s.sp, static_cast<std::uint8_t>(back >> 8));
    s.sp = static_cast<std::uint16_t>(s.sp - 1);
    target.write(s.sp, static_cast<std::uint8_t>(back));
    s.pc = address;
    const bool stop_of_its_own = target.is_stop(back);
    target.set_stop(back, true);
    CpuRunLimits limits;
    limits.max_states = max_states;
    limits.max_instructions = max_instructions;
    int reason;
    for (;;) {
        reason = target.run(limits);
        limits.leave_stop = true;
        if (reason != CPU_STOP_ADDRESS || s.pc != back) break;
        if (s.sp == stack) {
            reason = MACHINE_STOP_RETURNED;
            break;
        }
        if (stop_of_its_own) break;
    }
    target.set_stop(back, stop_of_its_own);
    return reason;
}

}  // namespace quillet
