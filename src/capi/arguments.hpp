// The checks of the interface's arguments, written once for every handle
// (snapshot, processor): a null pointer, a value outside its range, an
// address or a span of the 64 KB address space. Each reports its failure
// once, in the interface's terms, and returns its code (0 when it holds).
#pragma once

#include <cstddef>
#include <string>

#include "base/failure.hpp"

namespace quillet {

// What a value out of range was meant to be, with its range: "address (0 to 65535)".
std::string range_text(const char* what, long max);

// ERR_MISSING_VALUE naming `parameter`.
int report_missing(const Reporter& reporter, const char* parameter);

// ERR_VALUE_RANGE: `value` is outside 0..`max` for `what`.
int report_out_of_range(const Reporter& reporter, long value, const char* what, long max);

// An address of the 64 KB space (0..65535).
int check_address(const Reporter& reporter, long address);

// `length` bytes from `address`, all within the 64 KB space.
int check_span(const Reporter& reporter, long address, std::size_t length);

}  // namespace quillet
