// quillet-run in-process: its core library's entry, with standard input
// read from a file that holds `input` and both output streams captured.
#include <cstdio>

#include "run.hpp"
#include "run/run_driver.hpp"
#include "seams/in_process_run.hpp"
#include "support/temp_dir.hpp"

namespace run_test {

info_test::RunResult run_quillet_run(const std::vector<std::string>& arguments, const info_test::Bytes& input) {
    quillet_test::TempDir dir;
    dir.write("stdin", input);
    EXPECT_NE(std::freopen(dir.file("stdin").c_str(), "rb", stdin), nullptr);
    const quillet_test::RunResult run = quillet_test::run_tool_in_process(quillet_test::Tool::quillet_run, arguments);
    return {run.status, run.output, run.errors};
}

}  // namespace run_test
