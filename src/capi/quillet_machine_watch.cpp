// The machine's watchpoints through the interface: arguments checked, the
// processor's watch marks set (cpu8080.hpp holds what a watch sees).
#include <string>

#include "capi/arguments.hpp"
#include "capi/capi_handles.hpp"

namespace quillet {
namespace {

const Reporter NO_REPORTER{};

// The machine's processor, whose reporter is the machine's.
quillet_cpu* processor(const quillet_machine* machine) {
    return machine ? quillet_machine_cpu(const_cast<quillet_machine*>(machine)) : nullptr;
}

const Reporter& reporter_of(const quillet_machine* machine) {
    return machine ? processor(machine)->reporter : NO_REPORTER;
}

int check_range(const quillet_machine* machine, std::uint16_t first, std::uint16_t last) {
    if (last >= first) return 0;
    const std::string what = "last (" + std::to_string(first) + " to 65535)";
    return report_failure(reporter_of(machine), ERR_VALUE_RANGE, what.c_str(), static_cast<long>(last));
}

}  // namespace
}  // namespace quillet

using namespace quillet;

int quillet_machine_watch(quillet_machine* machine, uint16_t first, uint16_t last, int kinds) {
    if (!machine) return report_missing(NO_REPORTER, "machine");
    if (const int result = check_range(machine, first, last)) return result;
    if (kinds < QUILLET_WATCH_READ || kinds > (QUILLET_WATCH_READ | QUILLET_WATCH_WRITE)) {
        return report_out_of_range(reporter_of(machine), kinds, "kinds", QUILLET_WATCH_READ | QUILLET_WATCH_WRITE);
    }
    static_assert(QUILLET_WATCH_READ == WATCH_READ && QUILLET_WATCH_WRITE == WATCH_WRITE, "the kinds as the processor has them");
    cpu_watch(processor(machine)->core, first, last, static_cast<std::uint8_t>(kinds));
    return 0;
}

int quillet_machine_unwatch(quillet_machine* machine, uint16_t first, uint16_t last) {
    if (!machine) return report_missing(NO_REPORTER, "machine");
    if (const int result = check_range(machine, first, last)) return result;
    cpu_unwatch(processor(machine)->core, first, last);
    return 0;
}

int quillet_machine_watch_hit(const quillet_machine* machine, uint16_t* address, int* kind) {
    if (!machine) return report_missing(NO_REPORTER, "machine");
    if (!address) return report_missing(reporter_of(machine), "address");
    if (!kind) return report_missing(reporter_of(machine), "kind");
    static_assert(QUILLET_STOP_WATCH == CPU_STOP_WATCH, "the stop as the processor numbers it");
    const CpuWatchHit& hit = processor(machine)->core->watch_hit;
    if (!hit.hit) return 0;
    *address = hit.address;
    *kind = hit.kind;
    return 1;
}
