#include "output_files.hpp"

#include <string>

#include "failures.hpp"

namespace quillet::common {

int write_output(const char* path, const std::uint8_t* data, std::size_t length) {
    return quillet_save_file(path, data, length, print_report, nullptr);
}

std::string path_in_directory(const char* directory, const std::string& name) {
    std::string path = directory;
    if (path.empty() || path.back() != '/') path += '/';
    return path + name;
}

int write_into_directory(const char* directory, const std::vector<DirectoryFile>& files,
                         const std::vector<std::string>& stale) {
    std::vector<quillet_named_data> named;
    for (const DirectoryFile& file : files) {
        const std::string path = path_in_directory(directory, file.name);
        if (quillet_entry_kind(path.c_str()) == QUILLET_ENTRY_OTHER) {
            return report_failure(CONSOLE_FAILURES, ERR_OUTPUT_ACCESS, path.c_str());
        }
        named.push_back(quillet_named_data{file.name.c_str(), file.data.data(), file.data.size()});
    }
    std::vector<const char*> stale_names;
    for (const std::string& name : stale) stale_names.push_back(name.c_str());
    return quillet_save_files(directory, named.data(), named.size(), stale_names.data(), stale_names.size(),
                              print_report, nullptr);
}

}  // namespace quillet::common
