// Whole-file input and safe output, with their failure codes and messages.
//
// Every failure is reported here, once, naming the file as the caller gave
// it, and its code returned. Each file is read with as few system calls as
// it takes (open, examine, one read, close) straight into the caller's
// buffers; each output is written with one call from the caller's buffers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/buffer.hpp"
#include "base/failure.hpp"
#include "base/platform.hpp"

namespace quillet {

using platform::ByteRange;
using platform::ConstByteRange;

// An input file that is read whole: opened, measured, then read into
// ranges that the caller prepares once it knows the size.
class SourceFile {
public:
    SourceFile() = default;
    ~SourceFile() { platform::close_file(file_); }
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    // ERR_SOURCE_OPEN when `path` cannot be opened.
    int open(const char* path, const Reporter& reporter);

    // The file's size, 0..max_length, or: ERR_SOURCE_ACCESS when it cannot
    // be examined, ERR_SOURCE_LENGTH when it has no usable length,
    // ERR_SOURCE_READ when it is no regular file (a directory, a device, a
    // pipe cannot be read as a memory image), ERR_SOURCE_TOO_LONG (naming
    // max_length) when it is longer.
    int measure(int max_length, const Reporter& reporter);

    // Reads the measured size, which the ranges' lengths add up to, in
    // order. ERR_SOURCE_READ when fewer bytes arrive.
    int read(const ByteRange* ranges, int count, const Reporter& reporter);

private:
    const char* path_ = nullptr;
    platform::FileHandle file_ = platform::NO_FILE;
    std::int64_t size_ = 0;
};

// Reads the whole file `path` into `buffer` (at least `max_length` bytes).
// Returns its size n, with the content in buffer[0 .. n - 1] and the bytes
// after it untouched, or a failure code of SourceFile.
int read_input_file(const char* path, std::uint8_t* buffer, int max_length, const Reporter& reporter);

// Reads at most `max_length` bytes from the start of `path`, which may be
// any kind of file (a regular file, a pipe), into `content` (replaced).
// Returns the number read; a read error ends the reading early, and the
// bytes that a reader then misses are its to report. ERR_SOURCE_OPEN or
// ERR_SOURCE_ACCESS when the file cannot be opened or examined, or
// ERR_OUT_OF_MEMORY.
long read_file_start(const char* path, std::size_t max_length, ByteBuffer* content,
                     const Reporter& reporter);

// Writes `ranges`, in order, as the file `path`. The file appears whole or
// not at all: a regular file is written beside the target and renamed over
// it at the end, so a failure leaves an existing file as it was (a device
// or a pipe is written directly). ERR_OUTPUT_OPEN when it cannot be created
// (also a missing directory, an existing file that may not be written),
// ERR_OUTPUT_WRITE when the data cannot be written or put in place.
int write_file_whole(const char* path, const ConstByteRange* ranges, int count, const Reporter& reporter);

// The size of the regular file `path`, links followed; -1 when it is no
// regular file or cannot be examined. Reports nothing.
std::int64_t regular_file_size(const char* path);

}  // namespace quillet
