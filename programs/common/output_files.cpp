#include "output_files.hpp"

#include <string>

#include "failures.hpp"

namespace quillet::common {

int write_output(const char* path, const std::uint8_t* data, std::size_t length) {
    return quillet_save_file(path, data, length, print_report, nullptr);
}

int write_into_directory(const char* directory, const char* name, const std::uint8_t* data, std::size_t length) {
    std::string path = directory;
    if (path.back() != '/') path += '/';
    path += name;
    if (quillet_entry_kind(path.c_str()) == QUILLET_ENTRY_OTHER) {
        return report_failure(CONSOLE_FAILURES, ERR_OUTPUT_ACCESS, path.c_str());
    }
    return write_output(path.c_str(), data, length);
}

}  // namespace quillet::common
