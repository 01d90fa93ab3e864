// The last failure reported on a handle, kept for the caller to ask for
// (quillet_last_message and the like), and the caller's own reporter that
// every report goes on to: one record for every kind of handle.
#pragma once

#include <cstddef>

#include "base/failure.hpp"

namespace quillet {

struct FailureRecord {
    static constexpr std::size_t MESSAGE_SIZE = 512;

    int code = 0;                    // the last failure's code, 0 before any
    char message[MESSAGE_SIZE] = "";  // its text, cut to fit
    Reporter caller;                 // where every report goes on to

    // Keeps a failure's (code < 0) code and text; a notice changes nothing.
    void keep(int code, const char* text);
    // Hands a report on to the caller's reporter, when there is one.
    void pass_on(int code, const char* text) const;
};

// A reporter function whose user is a FailureRecord: keeps, then passes on.
void record_failure(void* record, int code, const char* text);

}  // namespace quillet
