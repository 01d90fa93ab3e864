// The stop a run was asked to end at, and what is said when it ended at
// another: "expected to stop at done (0x0022), halted at 0x0100".
#pragma once

#include <string>

#include "options.hpp"

namespace quillet::run {

// A run's end of quillet-run's own, beside the library's QUILLET_STOP_*:
// the screen showed --until-text's text (the machine's request to stop).
constexpr int RUN_STOP_SCREEN_TEXT = 100;

// The ends a run of quillet-run can have, in the order the manual page
// lists their words.
constexpr int RUN_STOPS[] = {QUILLET_STOP_ADDRESS,      QUILLET_STOP_RETURNED,          QUILLET_STOP_HALTED,
                             QUILLET_STOP_STATE_LIMIT,  QUILLET_STOP_INSTRUCTION_LIMIT, RUN_STOP_SCREEN_TEXT,
                             QUILLET_STOP_NO_MONITOR,   QUILLET_STOP_REQUESTED};

// The word of a run's end, the JSON's "stop": the library's name of its
// reasons, "screen text" for RUN_STOP_SCREEN_TEXT.
const char* stop_word(int reason);

// The StopKind of a run's end (QUILLET_STOP_*, RUN_STOP_SCREEN_TEXT); 0 for
// one no option asks for (a callback's request).
unsigned stop_kind(int reason);

// The address of the HLT that halted the processor: the 8080 has stepped
// its PC past it.
long halt_address(long pc);

// How the run ended: "stopped at done (0x0022)", "returned to 0x0000",
// "halted at 0x0100" (the HLT's own address), "reached the state limit N
// at 0x0100", "reached the instruction limit N at 0x0100".
std::string stop_text(const RunOptions& options, int reason, long pc);

// "" when the run ended at a stop it was asked for (or was asked for
// none); otherwise what was expected and what happened.
std::string unexpected_stop(const RunOptions& options, int reason, long pc);

// "done (0x0022)", "done+2 (0x0024)" with a label at or shortly before
// `address`; "0x0022" without one.
std::string address_text(const common::SymbolTable& symbols, long address);

}  // namespace quillet::run
