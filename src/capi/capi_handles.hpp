// What the interface's files share inside the library: the processor's
// handle (which the machine's handle embeds, so that a machine's processor
// is a quillet_cpu too), the snapshot value behind a quillet_snapshot and
// the tape behind a quillet_tape.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/failure.hpp"
#include "capi/failure_record.hpp"
#include "cpu/cpu8080.hpp"
#include "quillet/quillet.h"
#include "quillet/quillet_tools.h"
#include "snapshot/snapshot.hpp"
#include "tape/tape_image.hpp"

namespace quillet {
struct Machine;
}  // namespace quillet
struct quillet_machine;

// A processor: its own, or a machine's (then `machine` is set and runs,
// stops, ports and memory go through the machine).
struct quillet_cpu {
    std::unique_ptr<quillet::Cpu8080> own;
    quillet::Cpu8080* core = nullptr;
    quillet::Machine* machine = nullptr;
    quillet_machine* whole = nullptr;  // the machine's handle
    // The last failure reported on the processor (on a machine's, on the
    // machine too), kept in fixed buffers so that even running out of
    // memory is recorded: `reporter` records there and hands on to the
    // caller's.
    quillet::FailureRecord failure;
    quillet::Reporter reporter;
    quillet_cpu_in_fn in = nullptr;
    quillet_cpu_out_fn out = nullptr;
    void* port_user = nullptr;
    quillet_cpu_trace_fn trace = nullptr;
    void* trace_user = nullptr;
    std::unique_ptr<quillet::CpuCounts> counts;  // what the run loop counts, while asked to
};

namespace quillet {

// The value of a snapshot handle (not null).
const Snapshot& snapshot_value(const quillet_snapshot* snapshot);
Snapshot& snapshot_value(quillet_snapshot* snapshot);
// The reporter that records a failure on the snapshot and hands it on.
const Reporter& snapshot_reporter(const quillet_snapshot* snapshot);

// The blocks of a tape handle (not null).
const tape::Tape& tape_value(const quillet_tape* tape);
// Replaces them (and the entries made of them) by `value`; may throw
// std::bad_alloc, leaving the handle as it was.
void set_tape_value(quillet_tape* tape, tape::Tape value);

// Whether `output` is a temporary file, whose written bytes can be written
// again (a device or a pipe is written directly and cannot).
bool output_goes_back(const quillet_output* output);

// Writes `length` bytes of `data` over those written from `offset` on (all
// of them written already), in the buffer or in the temporary file. 0, or
// ERR_OUTPUT_WRITE (reported once, as a failed write is).
int rewrite_output(quillet_output* output, std::uint64_t offset, const std::uint8_t* data, std::size_t length);

}  // namespace quillet
