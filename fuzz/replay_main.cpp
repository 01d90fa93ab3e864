// Replays fuzz inputs without libFuzzer: feeds every file of the folders
// given on the command line (and every file given directly) to the target's
// LLVMFuzzerTestOneInput, each in a heap copy of exactly its size so that
// sanitizers catch reads past its end. Missing folders count as empty.
// Exits 1 when no input was found at all, so that a broken corpus path
// cannot pass unnoticed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputs_in(const char* argument) {
    std::vector<fs::path> files;
    const fs::path path(argument);
    std::error_code error;
    if (fs::is_regular_file(path, error)) {
        files.push_back(path);
    } else if (fs::is_directory(path, error)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(path)) {
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

void replay(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(stream)),
                                  std::istreambuf_iterator<char>());
    // Never a zero-sized allocation: the target gets a valid pointer either way.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[bytes.empty() ? 1 : bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    std::printf("replaying %s\n", file.string().c_str());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(copy.get(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        for (const fs::path& file : inputs_in(argv[i])) {
            replay(file);
            ++count;
        }
    }
    std::printf("replayed %zu inputs\n", count);
    return count > 0 ? 0 : 1;
}
