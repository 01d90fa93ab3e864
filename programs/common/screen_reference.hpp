// --expect-screen: the reference a run's screen is compared with, read
// from a PNG picture that --screen wrote (any of its scales, with the
// palette of this run) or from a raw image of the 16 KB video memory. A
// picture gives back the visible bytes: each byte's lit pixels, and as its
// attribute the first palette entry of their colour; the hidden bytes are 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "screen.hpp"

namespace quillet::common {

// Reads the reference `path` into `video` (QUILLET_VIDEO_SIZE bytes);
// `picture` says whether it was a PNG. Returns "" or what is wrong, for a
// usage error that names the file: "cannot read reference screen" (when
// the file cannot be read: its message, naming it, is printed, and
// `failure`, when given, receives the library's code of why),
// "reference screen is neither a PNG picture of the screen nor a 16384-byte
// video memory image", "reference picture is not 288x256 at scale 1 to 4",
// "reference picture has a colour outside the palette at (x, y)".
std::string read_screen_reference(const char* path, const Palette& palette, std::vector<std::uint8_t>* video,
                                  bool* picture, int* failure = nullptr);

// The attributes of `video` as a picture in `palette` shows them: each the
// first entry of the same colour, so that a run compares with a picture of
// it whatever attribute gave the colour.
void attributes_as_shown(const Palette& palette, std::vector<std::uint8_t>* video);

}  // namespace quillet::common
