// The record of a handle's last failure (failure_record.hpp).
#include "capi/failure_record.hpp"

namespace quillet {

void FailureRecord::keep(int failure, const char* text) {
    if (failure >= 0) return;
    code = failure;
    std::size_t n = 0;
    for (; text[n] && n + 1 < sizeof message; ++n) message[n] = text[n];
    message[n] = '\0';
}

void FailureRecord::pass_on(int report, const char* text) const {
    if (caller.function) caller.function(caller.user, report, text);
}

void record_failure(void* record, int code, const char* text) {
    auto* failures = static_cast<FailureRecord*>(record);
    failures->keep(code, text);
    failures->pass_on(code, text);
}

}  // namespace quillet
