// A snapshot into the machine and back: the model, the registers, the
// interrupt flag, all sixteen pages, the ROM module's image, the mapper's
// port and the system 8255's control word (the first byte of the
// peripheral state: 82h AllRAM on, 8Ah off). The other bytes of the
// peripheral state are left as stored.
#pragma once

#include "base/failure.hpp"
#include "machine/machine.hpp"
#include "snapshot/snapshot.hpp"

namespace quillet {

// The machine the snapshot describes, with no monitor image; the caller
// adds one (machine_set_monitor). False when memory runs out.
bool machine_from_snapshot(Machine* m, const Snapshot& snapshot);

// The machine's state into `snapshot`: registers, interrupt flag, the pages
// (4 to 15 with the mapper), AllRAM and the mapper's port. Whole or not at
// all: 0, or ERR_OUT_OF_MEMORY with `snapshot` unchanged.
int machine_to_snapshot(Machine* m, Snapshot* snapshot, const Reporter& reporter);

// A bare 8080 (no machine) from a snapshot's registers, interrupt flag
// and pages 0 to 3, and back: for runs that want the plain processor over
// 64 KB of RAM.
void bare_from_snapshot(Cpu8080* cpu, const Snapshot& snapshot);
int bare_to_snapshot(const Cpu8080& cpu, Snapshot* snapshot, const Reporter& reporter);

}  // namespace quillet
