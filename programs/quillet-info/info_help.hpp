// The texts quillet-info prints about itself: help, version, usage errors.
#pragma once

#include <cstdio>

namespace quillet::info {

// The help text, to `out`.
void print_help(std::FILE* out);

// "quillet-info 1.0" and a line end, to `out`.
void print_version(std::FILE* out);

// "quillet-info: MESSAGE 'DETAIL'" (DETAIL may be null) and a pointer to
// --help, to standard error.
void print_usage_error(const char* message, const char* detail);

}  // namespace quillet::info
