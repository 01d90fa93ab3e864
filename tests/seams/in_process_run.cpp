#include "seams/in_process_run.hpp"

#include <gtest/gtest.h>

#include <cstdio>

#include "quillet-info/run.hpp"
#include "quillet-run/run.hpp"
#include "quillet/run.hpp"

namespace quillet_test {
namespace {

struct ToolEntry {
    const char* name;
    int (*main)(int, char**);
};

ToolEntry entry(Tool tool) {
    switch (tool) {
    case Tool::quillet_info: return {"quillet-info", quillet::info::run_info};
    case Tool::quillet_run: return {"quillet-run", quillet::run::run_program};
    case Tool::quillet: break;
    }
    return {"quillet", quillet::cli::run_quillet};
}

}  // namespace

RunResult run_tool_in_process(Tool tool, std::vector<std::string> arguments) {
    const ToolEntry program = entry(tool);
    arguments.insert(arguments.begin(), program.name);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = program.main(static_cast<int>(arguments.size()), argv.data());
    std::fflush(stdout);
    std::fflush(stderr);
    std::string output = testing::internal::GetCapturedStdout();
    return {status, testing::internal::GetCapturedStderr(), std::move(output)};
}

}  // namespace quillet_test
