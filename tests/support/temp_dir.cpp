#include "support/temp_dir.hpp"

#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quillet_test {
namespace {

constexpr int OPEN_DESCRIPTOR_LIMIT = 16;

int remove_entry(const char* path, const struct stat*, int, struct FTW*) {
    remove(path);
    return 0;
}

std::string temp_root() {
    const char* root = std::getenv("TMPDIR");
    return root && *root ? root : "/tmp";
}

}  // namespace

TempDir::TempDir() {
    std::string pattern = temp_root() + "/quillet-cli-XXXXXX";
    if (!mkdtemp(&pattern[0])) throw std::runtime_error("cannot create a temporary directory");
    path_ = pattern;
}

TempDir::~TempDir() {
    // Depth first and without following links, so that link targets outside
    // the directory stay.
    nftw(path_.c_str(), remove_entry, OPEN_DESCRIPTOR_LIMIT, FTW_DEPTH | FTW_PHYS);
}

void TempDir::write(const std::string& name, const Bytes& content) const {
    std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + name);
}

Bytes TempDir::read(const std::string& name) const {
    std::ifstream in(file(name), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + name);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempDir::exists(const std::string& name) const {
    struct stat status;
    return lstat(file(name).c_str(), &status) == 0;
}

void TempDir::make_directory(const std::string& name) const {
    if (mkdir(file(name).c_str(), 0755) != 0) throw std::runtime_error("cannot create " + name);
}

std::vector<std::string> TempDir::entries(const std::string& name) const {
    const std::string listed = name.empty() ? path_ : file(name);
    std::vector<std::string> names;
    DIR* directory = opendir(listed.c_str());
    if (!directory) throw std::runtime_error("cannot list " + listed);
    while (const dirent* entry = readdir(directory)) {
        const std::string entry_name = entry->d_name;
        if (entry_name != "." && entry_name != "..") names.push_back(entry_name);
    }
    closedir(directory);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace quillet_test
