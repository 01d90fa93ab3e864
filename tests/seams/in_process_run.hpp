// Runs the whole tool in-process, as the seam tests need (the replaced calls
// only exist in this test binary), with standard output swallowed.
#pragma once

#include <string>
#include <vector>

namespace quillet_test {

struct RunResult {
    int status;
    std::string errors;  // standard error
};

// `arguments` without the program name.
RunResult run_tool_in_process(std::vector<std::string> arguments);

}  // namespace quillet_test
