// Template loading: an existing snapshot ("-zvk") as the starting point.
#pragma once

#include "image/build_context.hpp"

namespace quillet {

// Reads and validates the snapshot named by `template_path` into the
// context: its header bytes into `header`, its ROM image into `rom_image` and
// `rom_length`, its blocks into the pages. The settings (model, registers,
// add-on hardware) are not touched. Returns 0 or a failure code, already
// reported with the template's name.
int load_template(BuildContext* context);

}  // namespace quillet
