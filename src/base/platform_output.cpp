// The end of an output file, the same on every platform: closed, then put
// in place of its target, or removed after a failure.
#include "base/platform.hpp"

namespace quillet::platform {

int commit_output(Output* output) {
    const FileHandle file = output->file;
    output->file = NO_FILE;
    bool placed = close_output_file(file);
    if (placed && !output->temporary.empty()) {
        placed = replace_file(output->temporary, output->target);
        if (placed) output->temporary.clear();
    }
    if (!placed) {
        discard_output(output);
        return -1;
    }
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
