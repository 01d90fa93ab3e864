// Memory loading: places the queued files and byte strings into the pages,
// in command-line order, then the ROM module file into the ROM image.
#pragma once

#include "image/build_context.hpp"

namespace quillet {

// Creates the work buffer, applies every load request over what the pages
// already hold (a template's content or earlier requests), then loads the
// ROM file, rounded up to a multiple of 1024 bytes with 0xFF. Progress lines
// go to standard output in verbose mode. Returns 0 or the first failure's
// code (already reported); nothing after a failure is processed.
int assemble_memory(BuildContext* context);

}  // namespace quillet
