// Names of the temporary files that an output is written to before it
// replaces its target.
#pragma once

#include <cstdint>
#include <string>

namespace quillet::platform {

// `directory_prefix` (empty, or a directory with its trailing separator),
// then ".quillet-" and twelve letters and digits mixed from `entropy` and
// `attempt`, so that names differ from run to run and from try to try.
std::string temporary_name(const std::string& directory_prefix, std::uint64_t entropy, int attempt);

}  // namespace quillet::platform
