// quillet-tape --snapshot with --monitor: the tape loaded as a PMD 85
// loads it, inside the machine. The monitor boots, MGLD loads the first
// machine-code file, JUMP starts it, and the snapshot is taken as the
// program's first instruction is about to run, with everything the
// monitor set up on the way (its work area, its screen, the stack).
#pragma once

#include "options.hpp"
#include "quillet/quillet_tools.h"

namespace quillet::tape_tool {

// Loads `tape` (read from TAPE) with the monitor of options.monitor into
// `snapshot`, whose model is chosen. Result: 0, or the exit status after
// its message: the monitor image's size (a usage error), the monitor
// rejecting a block (42) or never starting the file (41).
int load_through_monitor(const quillet_tape* tape, const TapeOptions& options, quillet_snapshot* snapshot);

}  // namespace quillet::tape_tool
