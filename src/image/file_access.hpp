// Whole-file input of memory images and safe output of the snapshot.
//
// Every failure is reported here, once, with the path as the user gave it,
// and its code returned.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace quillet {

// Reads the whole file `path` into `buffer` (at least `max_length` bytes).
// Returns its size n (0..max_length), with the content in buffer[0 .. n - 1]
// and the bytes after it untouched, or ERR_SOURCE_OPEN, ERR_SOURCE_ACCESS,
// ERR_SOURCE_LENGTH, ERR_SOURCE_TOO_LONG (with max_length in the message) or
// ERR_SOURCE_READ. Anything that is not a regular file (a directory, a
// device, a pipe) cannot be read as a memory image: ERR_SOURCE_READ.
int read_input_file(const char* path, std::uint8_t* buffer, int max_length);

// Opens `path` for binary reading, as fopen(path, "rb") does, except that
// opening a named pipe does not wait for a writer. Returns null on failure.
std::FILE* open_source_file(const char* path);

// An output file being written. An existing regular file (or one that does
// not exist yet) is written as a new temporary file in the same directory
// and renamed over the target only when every piece was written, so a
// failure leaves the target as it was. A symbolic link is followed and the
// file it points to is replaced; a replaced file keeps its permission bits.
// An existing file that is not a regular file (a device, a pipe) is written
// directly.
struct OutputFile {
    const char* path;         // as given: the name in every message
    std::FILE* stream;        // open from open_output_file() to its end
    std::string target_path;  // the file to replace, links followed
    std::string temp_path;    // empty when writing directly
};

// Opens the output for writing. Returns 0, ERR_OUTPUT_OPEN (it cannot be
// created) or ERR_OUTPUT_ACCESS; nothing is left open or behind on failure.
int open_output_file(OutputFile* file, const char* path);

// Appends `length` bytes with one write; a length of 0 or less writes
// nothing. Returns 0 or ERR_OUTPUT_WRITE, after which the caller abandons
// the output.
int write_output_file(OutputFile* file, const std::uint8_t* data, int length);

// Flushes and closes the output and puts it in place of the target. Returns
// 0 or ERR_OUTPUT_WRITE; on failure the temporary file is removed.
int finish_output_file(OutputFile* file);

// Closes the output after a failure and removes the temporary file.
void abandon_output_file(OutputFile* file);

}  // namespace quillet
