// Whole-file input and safe output, with their failure codes and messages.
//
// Every failure is reported here, once, naming the file as the caller gave
// it, and its code returned. Each file is read with as few system calls as
// it takes (open, examine, one read, close) straight into the caller's
// buffers; each output is written with one call from the caller's buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/buffer.hpp"
#include "base/failure.hpp"
#include "base/platform.hpp"

namespace quillet {

using platform::ByteRange;
using platform::ConstByteRange;

// A source of bytes that is read in pieces until it ends: `read` puts up
// to `capacity` bytes at `data` and returns their number, 0 at the end, or
// a negative number on a read error.
using ReadPiece = long (*)(void* user, std::uint8_t* data, std::size_t capacity);

// Reads `source` to its end into `content` (replaced), at most
// `max_length` bytes: a byte beyond them is ERR_SOURCE_TOO_LONG (naming
// `name` and max_length), and the rest is not read. A read error is
// ERR_SOURCE_READ, no memory ERR_OUT_OF_MEMORY. Returns the number of
// bytes read. The one bounded read-to-end of every pipe and stream.
long read_to_end(ReadPiece read, void* user, std::size_t max_length, ByteBuffer* content, const char* name,
                 const Reporter& reporter);

// An input file that is read whole: opened, measured, then read into
// ranges that the caller prepares once it knows the size. A pipe (also a
// named one) is read to its end when it is measured, within the same limit.
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
    // ERR_SOURCE_READ when it is neither a regular file nor a pipe (a
    // directory, a device cannot be read as a memory image) or a pipe fails,
    // ERR_SOURCE_TOO_LONG (naming max_length) when it is longer.
    int measure(int max_length, const Reporter& reporter);

    // Reads the measured size, which the ranges' lengths add up to, in
    // order. ERR_SOURCE_READ when fewer bytes arrive.
    int read(const ByteRange* ranges, int count, const Reporter& reporter);

private:
    const char* path_ = nullptr;
    platform::FileHandle file_ = platform::NO_FILE;
    std::int64_t size_ = 0;
    bool pipe_ = false;
    ByteBuffer piped_;  // what a pipe held
};

// Reads the whole file `path` into `buffer` (at least `max_length` bytes).
// Returns its size n, with the content in buffer[0 .. n - 1] and the bytes
// after it untouched, or a failure code of SourceFile.
int read_input_file(const char* path, std::uint8_t* buffer, int max_length, const Reporter& reporter);

// Where a file that load_file reads goes: `place` returns room for `size`
// bytes once the size is known (null when there is none).
using PlaceBytes = std::uint8_t* (*)(void* user, std::size_t size);

// Reads the whole file `path`, opened once, as read_input_file does (a
// regular file measured, a pipe or FIFO read to its end; a directory or a
// device is ERR_SOURCE_READ, a longer file ERR_SOURCE_TOO_LONG before any
// of it is read), into the room `place` gives. Returns its size, or a
// failure code; ERR_OUT_OF_MEMORY when `place` gives no room.
long load_file(const char* path, int max_length, PlaceBytes place, void* user, const Reporter& reporter);

// Reads `path`, which may be any kind of file, into `content` (replaced):
// a regular file up to its first `max_length` bytes (what follows is left
// unread); a pipe to its end, of at most `max_length` bytes (a longer one
// is ERR_SOURCE_TOO_LONG, and it is not read past the byte beyond the
// limit: a pipe may never end); anything else (a device, a directory) up
// to `max_length` bytes, where a read error ends the reading early. Returns
// the number read; the bytes that a reader then misses are its to report.
// ERR_SOURCE_OPEN or ERR_SOURCE_ACCESS when the file cannot be opened or
// examined, ERR_SOURCE_READ when a pipe fails, or ERR_OUT_OF_MEMORY.
long read_whole_file(const char* path, std::size_t max_length, ByteBuffer* content, const Reporter& reporter);

// Writes `ranges`, in order, as the file `path`. The file appears whole or
// not at all: a regular file is written beside the target and renamed over
// it at the end, so a failure leaves an existing file as it was (a device
// or a pipe is written directly). ERR_OUTPUT_OPEN when it cannot be created
// (also a missing directory, an existing file that may not be written),
// ERR_OUTPUT_WRITE when the data cannot be written or put in place.
int write_file_whole(const char* path, const ConstByteRange* ranges, int count, const Reporter& reporter);

// A file of a set written into one directory: its name there and its bytes.
struct NamedOutput {
    const char* name;
    ConstByteRange data;
};

// Writes `files` into `directory`, which is created when it does not exist
// (its parent must), all of them or none: each is written beside its
// target and closed, one at a time, and only when all were written are
// they put in place (a directory made here is removed again when they
// cannot be); then
// each of the `stale` names that stands there as a regular file is
// removed. So the directory holds either the new set or what it held
// before (unless putting them in place itself fails, which a full disk
// does not cause). ERR_OUTPUT_OPEN or ERR_OUTPUT_WRITE naming the file's
// path, ERR_OUT_OF_MEMORY.
int write_files_into(const char* directory, const NamedOutput* files, std::size_t count, const char* const* stale,
                     std::size_t stale_count, const Reporter& reporter);

// `directory` and `name` joined by a slash (none added after a trailing one).
std::string path_in(const char* directory, const char* name);

// The size of the regular file `path`, links followed; -1 when it is no
// regular file or cannot be examined. Reports nothing.
std::int64_t regular_file_size(const char* path);

// A text that two paths share exactly when writing to one would replace the
// other (platform::same_file of their identities); empty for a path that
// names no file to replace (a directory, a device, one that cannot be
// examined). Many paths are matched in one pass by their keys.
std::string file_key(const char* path);

}  // namespace quillet
