// The public interface of the machine, over the machine layer; its
// processor is a quillet_cpu whose functions act on the machine
// (quillet_cpu.cpp).
#include <cstring>
#include <new>

#include "capi/capi_handles.hpp"
#include "machine/machine.hpp"
#include "machine/machine_snapshot.hpp"
#include "snapshot/snapshot_format.hpp"

struct quillet_machine {
    quillet::Machine core;
    quillet_cpu cpu;
};

namespace quillet {
namespace {

const Reporter NO_REPORTER{};

const Reporter& reporter_of(const quillet_machine* machine) { return machine ? machine->cpu.reporter : NO_REPORTER; }

int missing(const quillet_machine* machine, const char* parameter) {
    return report_failure(reporter_of(machine), ERR_MISSING_VALUE, parameter);
}

bool model_known(int model) { return model >= 0 && model < MODEL_COUNT; }

}  // namespace
}  // namespace quillet

using namespace quillet;

int quillet_machine_monitor_fits(int model, size_t size) {
    return model_known(model) && monitor_size_fits(model_facts(model), size) ? 1 : 0;
}

int quillet_machine_monitor_sizes(int model, size_t* sizes, int capacity) {
    if (!model_known(model)) return report_failure(NO_REPORTER, ERR_BAD_MODEL, DecimalText(model).c_str());
    int count = 0;
    for (std::size_t size : model_facts(model).monitor_sizes) {
        if (size == 0) continue;
        if (sizes && count < capacity) sizes[count] = size;
        ++count;
    }
    return count;
}

int quillet_machine_new(const quillet_snapshot* snapshot, const void* monitor, size_t monitor_length,
                        quillet_report_fn report, void* user, quillet_machine** out) {
    const Reporter reporter{report, user};
    if (!out) return report_failure(reporter, ERR_MISSING_VALUE, "out");
    *out = nullptr;
    if (!snapshot) return report_failure(reporter, ERR_MISSING_VALUE, "snapshot");
    if (!monitor && monitor_length != 0) return report_failure(reporter, ERR_MISSING_VALUE, "monitor");
    const Snapshot& value = snapshot_value(snapshot);
    if (monitor && monitor_length != 0 && !monitor_size_fits(model_facts(value.model), monitor_length)) {
        return report_failure(reporter, ERR_VALUE_RANGE, "the model's monitor image sizes",
                              static_cast<long>(monitor_length));
    }
    quillet_machine* machine = new (std::nothrow) quillet_machine();
    if (!machine || !machine_from_snapshot(&machine->core, value)) {
        delete machine;
        return report_failure(reporter, ERR_OUT_OF_MEMORY);
    }
    if (monitor && monitor_length != 0) {
        machine_set_monitor(&machine->core, static_cast<const std::uint8_t*>(monitor), monitor_length);
    }
    machine->cpu.core = &machine->core.cpu;
    machine->cpu.machine = &machine->core;
    machine->cpu.reporter = reporter;
    *out = machine;
    return 0;
}

void quillet_machine_free(quillet_machine* machine) { delete machine; }

quillet_cpu* quillet_machine_cpu(quillet_machine* machine) { return machine ? &machine->cpu : nullptr; }

int quillet_machine_boot(quillet_machine* machine) {
    if (!machine) return missing(machine, "machine");
    if (machine->core.monitor.empty()) {
        return report_failure(reporter_of(machine), ERR_BAD_STATE, "machine", "without a monitor image");
    }
    machine_boot(&machine->core);
    return 0;
}

uint64_t quillet_machine_frames(const quillet_machine* machine) { return machine ? machine_frames(machine->core) : 0; }

int quillet_machine_rom_module_readable(const quillet_machine* machine) {
    if (!machine) return missing(machine, "machine");
    return machine_rom_module_readable(machine->core) ? 1 : 0;
}

int quillet_machine_read_video(quillet_machine* machine, void* out, size_t length) {
    if (!machine) return missing(machine, "machine");
    if (!out) return missing(machine, "out");
    if (length > RAM_BLOCK_SIZE) {
        return report_failure(reporter_of(machine), ERR_VALUE_RANGE, "video memory length (0 to 16384)",
                              static_cast<long>(length));
    }
    std::memcpy(out, machine_video_memory(&machine->core), length);
    return 0;
}

int quillet_machine_to_snapshot(quillet_machine* machine, quillet_snapshot* snapshot) {
    if (!machine) return missing(machine, "machine");
    if (!snapshot) return missing(machine, "snapshot");
    return machine_to_snapshot(&machine->core, &snapshot_value(snapshot), snapshot_reporter(snapshot));
}
