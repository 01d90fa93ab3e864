// Helpers of the quillet-info tests: running the two programs, a temporary
// directory per test, and picking fields out of the text summary.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/process.hpp"
#include "support/temp_dir.hpp"

namespace info_test {

using Bytes = std::vector<std::uint8_t>;

struct RunResult {
    int status;  // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Run the program with `arguments` and empty standard input, collecting its output.
RunResult run_quillet(const std::vector<std::string>& arguments);
RunResult run_info(const std::vector<std::string>& arguments);
// quillet-info with `input` on its standard input.
RunResult run_info_with_input(const std::vector<std::string>& arguments, const Bytes& input);
// quillet-info run with `setup` (its input, limits).
RunResult run_info_with_setup(const std::vector<std::string>& arguments, const quillet_test::ProcessSetup& setup);

// True when the quillet-info under test writes --screen pictures: a build
// without the PNG encoder refuses them, and their tests skip in one line.
bool info_writes_pictures();

// The value of the summary line "label" (label includes the colon), with
// the padding removed; "" when there is no such line.
std::string text_field(const std::string& summary, const std::string& label);
// The text after "  block NN  " of a block line; "" when there is none.
std::string block_line(const std::string& summary, int block);

// A fresh directory for each test, removed afterwards.
class InfoTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return dir_.file(name); }
    // Runs quillet with "-o name" and `arguments`; the test fails unless it succeeds.
    std::string make_snapshot(const std::string& name, const std::vector<std::string>& arguments);

    quillet_test::TempDir dir_;
};

}  // namespace info_test
