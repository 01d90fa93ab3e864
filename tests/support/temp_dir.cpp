#include "support/temp_dir.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace quillet_test {
namespace {

namespace fs = std::filesystem;

constexpr const char* NAME_PREFIX = "quillet-cli-";
constexpr int NAME_TRIES = 100;

// Names are UTF-8 everywhere in the tests, also where the system's own
// narrow encoding is another one.
fs::path native(const std::string& name) { return fs::u8path(name); }

}  // namespace

TempDir::TempDir() {
    std::error_code error;
    const fs::path root = fs::temp_directory_path(error);
    if (error) throw std::runtime_error("no temporary directory");
    std::random_device seed;
    std::mt19937_64 generator(seed());
    for (int attempt = 0; attempt < NAME_TRIES; ++attempt) {
        const fs::path candidate = root / (NAME_PREFIX + std::to_string(generator()));
        if (fs::create_directory(candidate, error)) {
            path_ = candidate.u8string();
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
    // Links are removed, never followed, so that their targets outside the
    // directory stay.
    std::error_code error;
    fs::remove_all(native(path_), error);
}

void TempDir::write(const std::string& name, const Bytes& content) const {
    std::ofstream out(native(file(name)), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + name);
}

Bytes TempDir::read(const std::string& name) const {
    std::ifstream in(native(file(name)), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + name);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempDir::exists(const std::string& name) const {
    std::error_code error;
    return fs::exists(fs::symlink_status(native(file(name)), error));
}

void TempDir::make_directory(const std::string& name) const {
    std::error_code error;
    if (!fs::create_directory(native(file(name)), error)) throw std::runtime_error("cannot create " + name);
}

std::vector<std::string> TempDir::entries(const std::string& name) const {
    const std::string listed = name.empty() ? path_ : file(name);
    std::error_code error;
    fs::directory_iterator entry(native(listed), error);
    if (error) throw std::runtime_error("cannot list " + listed);
    std::vector<std::string> names;
    for (; entry != fs::directory_iterator(); entry.increment(error)) {
        names.push_back(entry->path().filename().u8string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace quillet_test
