// The stream positioning calls of file access and snapshot reading.
//
// They live in their own translation unit so that a test binary can link a
// replacement that makes them fail; the program itself uses these plain
// forwarding versions.
#pragma once

#include <cstdio>

namespace quillet {

// std::fseek(stream, offset, origin): 0 on success, non-zero on failure.
int seek_stream(std::FILE* stream, long offset, int origin);

// std::ftell(stream): the position, or a negative value on failure.
long tell_stream(std::FILE* stream);

}  // namespace quillet
