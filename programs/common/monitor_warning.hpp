// The warning of a monitor image the library knows as made for another
// model than the snapshot's: the run goes on with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillet::common {

// "--monitor image is monitor 1, made for the V1, not the V2:" when
// `image` is a known monitor of a model other than `model`; "" otherwise
// (an image the library does not know, or made for `model`).
std::string foreign_monitor_text(const std::uint8_t* image, std::size_t size, int model);

// Prints that text as `program`'s warning on standard error, with the
// image's `path`: "PROGRAM: warning: TEXT 'PATH'". Nothing when it is "".
void warn_of_foreign_monitor(const char* program, const char* path, const std::uint8_t* image, std::size_t size,
                             int model);

}  // namespace quillet::common
