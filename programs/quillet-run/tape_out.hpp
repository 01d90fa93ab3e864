// --tape-out: what the program saved through the 8251, taken from the
// machine after the run and written as the tape its name asks for.
#pragma once

#include <memory>

#include "quillet/quillet.h"

namespace quillet::run {

// The form of tape a file name asks for: QUILLET_TAPE_WAV for a name that
// ends in ".wav", QUILLET_TAPE_PMD in ".pmd" (either in any case), else
// QUILLET_TAPE_PTP.
int tape_kind_of(const char* path);

class TapeOut {
public:
    // Takes the recording of `machine` (null: the bare 8080, which saves
    // nothing); 0, or the failure code (reported).
    int take(quillet_machine* machine);
    // Whether the program saved anything; when it did not, says so on
    // standard error naming `path`.
    bool saved(const char* path) const;
    // Writes the recording to `path`, whole or not at all; 0 or the
    // failure code (reported).
    int write(const char* path) const;

private:
    struct Free {
        void operator()(quillet_tape* tape) const { quillet_tape_free(tape); }
    };
    std::unique_ptr<quillet_tape, Free> tape_;
};

}  // namespace quillet::run
