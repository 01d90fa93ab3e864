// Input files read whole into memory, each opened once: symbol files,
// typing scripts, reference pictures, coverage files, lists of test cases,
// and the images of firmware and binaries whose size a program checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillet::common {

// The most bytes such a file may hold (far more than any of them needs).
constexpr std::size_t TEXT_FILE_MAX = 16 * 1024 * 1024;

// Reads the file `path` whole into `contents`, opening it once (a pipe or
// FIFO to its end). Returns 0, or the library's code of why it cannot be
// read (-5 it cannot be opened, -8 longer than TEXT_FILE_MAX, refused by
// its size before any of it is read, -9 a directory or a device, -2), whose
// message, naming the file, is printed on the console.
int read_text_file(const char* path, std::string* contents);

// What read_image_file gives when `fits` refused the file's size.
constexpr int IMAGE_REFUSED = 1;

// Reads the file `path` whole into `bytes`, opening it once (a pipe or FIFO
// to its end), at most `max_length` bytes (more: -8, as above). `fits` is
// asked with the size once it is known, before a regular file is read: when
// it says no, nothing more is read or printed and the result is
// IMAGE_REFUSED, `bytes` empty. Otherwise 0 or the library's code, its
// message printed.
int read_image_file(const char* path, std::size_t max_length, const std::function<bool(std::size_t)>& fits,
                    std::vector<std::uint8_t>* bytes);

}  // namespace quillet::common
