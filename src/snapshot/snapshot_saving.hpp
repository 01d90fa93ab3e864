// Snapshot saving: completes the header from the settings and writes the
// snapshot file.
#pragma once

#include "image/build_context.hpp"

namespace quillet {

// Completes the header in the context (on top of the template's bytes, or
// from the defaults without a template), packs the ROM image and the pages
// when "-pack" was given, and writes header, ROM image and blocks to
// `output_path`. The output is replaced only when everything was written.
// Requires the header and work buffers. Returns 0 or a failure code, already
// reported.
int save_snapshot(BuildContext* context);

}  // namespace quillet
