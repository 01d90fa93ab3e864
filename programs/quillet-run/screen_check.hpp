// --expect-screen: the screen after the run against a reference picture or
// video memory image, within --screen-tolerance pixels, and the picture of
// the differences (--screen-diff).
#pragma once

#include <cstdint>
#include <vector>

#include "machine.hpp"
#include "options.hpp"

namespace quillet::run {

struct ScreenReference {
    std::vector<std::uint8_t> video;  // QUILLET_VIDEO_SIZE bytes
    bool picture = false;             // read from a PNG: compared as the palette shows it
};

// Reads the reference of --expect-screen before the run. A file that is
// neither form is a usage error naming it. Returns 0, EXIT_USAGE, or the
// status of a file that cannot be read (its message printed).
int read_reference(const RunOptions& options, ScreenReference* reference);

// The check of `video` (the 16 KB the screen shows) against `reference`:
// "screen", what differs. With --screen-diff, the PNG of the differences
// into `diff_png`.
CheckResult check_screen(const RunOptions& options, const ScreenReference& reference, std::vector<std::uint8_t> video,
                         std::vector<std::uint8_t>* diff_png);

}  // namespace quillet::run
