// Runs a whole program in-process through its core library, as the seam
// tests need (the replaced calls only exist in the test binary), with both
// output streams captured.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quillet_test {

enum class Tool { quillet, quillet_info, quillet_run };

struct RunResult {
    int status;
    std::string errors;  // standard error
    std::string output;  // standard output
};

// `arguments` without the program name. `around_main`, when given, is
// called with true just before the program's run and with false just
// after it, where nothing of the test's own work happens in between.
RunResult run_tool_in_process(Tool tool, std::vector<std::string> arguments, void (*around_main)(bool) = nullptr);

// quillet itself.
inline RunResult run_tool_in_process(std::vector<std::string> arguments, void (*around_main)(bool) = nullptr) {
    return run_tool_in_process(Tool::quillet, std::move(arguments), around_main);
}

}  // namespace quillet_test
