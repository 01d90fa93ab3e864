// A fresh temporary directory for one test, removed with everything in it
// when the object goes away, and the few file operations the tests need.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillet_test {

using Bytes = std::vector<std::uint8_t>;

class TempDir {
public:
    TempDir();  // creates the directory; throws std::runtime_error on failure
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    // Creates or replaces the file `name` with `content`.
    void write(const std::string& name, const Bytes& content) const;
    // The whole content of `name`; throws std::runtime_error if it cannot be read.
    Bytes read(const std::string& name) const;
    bool exists(const std::string& name) const;
    void make_directory(const std::string& name) const;
    // The names in the directory, or in its subdirectory `name`, sorted.
    std::vector<std::string> entries(const std::string& name = "") const;

private:
    std::string path_;
};

}  // namespace quillet_test
