// The end of an output file, the same on every platform: closed, then put
// in place of its target, or removed after a failure.
#include "base/platform.hpp"

namespace quillet::platform {

int commit_output(Output* output) {
    if (close_output(output) != 0) return -1;
    return place_output(output);
}

int close_output(Output* output) {
    const FileHandle file = output->file;
    output->file = NO_FILE;
    if (close_output_file(file)) return 0;
    discard_output(output);
    return -1;
}

int place_output(Output* output) {
    if (output->temporary.empty()) return 0;
    if (!replace_file(output->temporary, output->target)) {
        discard_output(output);
        return -1;
    }
    output->temporary.clear();
    return 0;
}

void discard_output(Output* output) {
    if (output->file != NO_FILE) {
        close_output_file(output->file);
        output->file = NO_FILE;
    }
    if (!output->temporary.empty()) {
        remove_file(output->temporary);
        output->temporary.clear();
    }
}

}  // namespace quillet::platform
