#include "seams/in_process_run.hpp"

#include <gtest/gtest.h>

#include <cstdio>

#include "run.hpp"

namespace quillet_test {

RunResult run_tool_in_process(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "quillet");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = quillet::cli::run_quillet(static_cast<int>(arguments.size()), argv.data());
    std::fflush(stdout);
    testing::internal::GetCapturedStdout();
    return {status, testing::internal::GetCapturedStderr()};
}

}  // namespace quillet_test
