#include "run_files.hpp"

#include "quillet/quillet.h"
#include "quillet/quillet_tools.h"

namespace quillet::common {

void RunFiles::input(const char* role, const char* path) {
    if (path && std::string(path) != "-") inputs_.push_back(RunFile{role, path});
}

void RunFiles::output(const char* role, const char* path) {
    if (path) outputs_.push_back(Output{RunFile{role, path}, false});
}

void RunFiles::snapshot_output(const char* role, const char* path) {
    if (path) outputs_.push_back(Output{RunFile{role, path}, true});
}

bool RunFiles::check(UsageError usage_error) const {
    std::string message, detail;
    if (!find_problem(&message, &detail)) return true;
    usage_error(message.c_str(), detail.c_str());
    return false;
}

bool RunFiles::find_problem(std::string* message, std::string* detail) const {
    for (std::size_t i = 0; i < outputs_.size(); ++i) {
        const RunFile& out = outputs_[i].file;
        if (!outputs_[i].snapshot) {
            for (const RunFile& in : inputs_) {
                if (quillet_same_file(out.path.c_str(), in.path.c_str()) != 1) continue;
                *message = out.role + " '" + out.path + "' would replace the input " + in.role;
                *detail = in.path;
                return true;
            }
        }
        for (std::size_t j = 0; j < i; ++j) {
            const RunFile& earlier = outputs_[j].file;
            if (quillet_same_file(out.path.c_str(), earlier.path.c_str()) != 1) continue;
            *message = "two outputs name one file: " + earlier.role + " '" + earlier.path + "' and " + out.role;
            *detail = out.path;
            return true;
        }
    }
    return false;
}

}  // namespace quillet::common
