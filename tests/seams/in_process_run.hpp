// Runs a whole program in-process through its core library, as the seam
// tests need (the replaced calls only exist in the test binary), with both
// output streams captured.
#pragma once

#include <string>
#include <vector>

namespace quillet_test {

enum class Tool { quillet, quillet_info, quillet_run };

struct RunResult {
    int status;
    std::string errors;  // standard error
    std::string output;  // standard output
};

// `arguments` without the program name.
RunResult run_tool_in_process(Tool tool, std::vector<std::string> arguments);

// quillet itself.
inline RunResult run_tool_in_process(std::vector<std::string> arguments) {
    return run_tool_in_process(Tool::quillet, std::move(arguments));
}

}  // namespace quillet_test
