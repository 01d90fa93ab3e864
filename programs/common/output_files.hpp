// Writing a program's output files whole or not at all, through the
// library (a temporary file put in place at the end), with failures printed
// on the console.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillet::common {

// Writes `length` bytes as the file `path`. Returns 0, QUILLET_ERR_OUTPUT_OPEN
// or QUILLET_ERR_OUTPUT_WRITE.
int write_output(const char* path, const std::uint8_t* data, std::size_t length);

// The path of the file `name` in `directory`, as write_into_directory
// writes it.
std::string path_in_directory(const char* directory, const std::string& name);

// A file to write into a directory.
struct DirectoryFile {
    std::string name;
    std::vector<std::uint8_t> data;
};

// Writes `files` into `directory` (created when it does not exist), all or
// none, and removes the files named in `stale` that stand there; refuses to
// follow anything that already stands at one of those names and is not a
// regular file (a symbolic link, a device): that is ERR_OUTPUT_ACCESS, with
// the file's path, and nothing is written.
int write_into_directory(const char* directory, const std::vector<DirectoryFile>& files,
                         const std::vector<std::string>& stale);

}  // namespace quillet::common
