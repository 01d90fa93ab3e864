#include "tape_out.hpp"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "console.hpp"
#include "failures.hpp"

namespace quillet::run {

namespace {

bool ends_with(const char* text, const char* end) {
    const std::size_t length = std::strlen(text), end_length = std::strlen(end);
    if (length < end_length) return false;
    for (std::size_t i = 0; i < end_length; ++i) {
        char c = text[length - end_length + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != end[i]) return false;
    }
    return true;
}

}  // namespace

int tape_kind_of(const char* path) {
    if (ends_with(path, ".wav")) return QUILLET_TAPE_WAV;
    if (ends_with(path, ".pmd")) return QUILLET_TAPE_PMD;
    return QUILLET_TAPE_PTP;
}

int TapeOut::take(quillet_machine* machine) {
    tape_.reset(quillet_tape_new());
    if (!tape_) return common::report_failure(common::CONSOLE_FAILURES, QUILLET_ERR_OUT_OF_MEMORY);
    quillet_tape_set_reporter(tape_.get(), common::print_report, nullptr);
    if (!machine) return 0;
    std::uint64_t lost = 0;
    if (const int code = quillet_machine_tape_out(machine, tape_.get(), &lost)) return code;
    if (lost > 0) {
        std::fprintf(stderr, "quillet-run: --tape-out: %" PRIu64 " bytes sent after the recording's 16 MiB were not kept\n",
                     lost);
    }
    return 0;
}

bool TapeOut::saved(const char* path) const {
    if (tape_ && quillet_tape_entry_count(tape_.get()) > 0) return true;
    std::fprintf(stderr, "quillet-run: --tape-out: the program saved nothing; '%s' not written\n", path);
    return false;
}

int TapeOut::write(const char* path) const { return quillet_tape_write_file(tape_.get(), tape_kind_of(path), path); }

}  // namespace quillet::run
