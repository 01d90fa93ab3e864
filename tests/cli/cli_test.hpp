// Shared pieces of the end-to-end tests: the built quillet run in a fresh
// temporary directory, and checks of what a run printed and returned.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/process.hpp"
#include "support/snapshot_bytes.hpp"
#include "support/target.hpp"
#include "support/temp_dir.hpp"

namespace quillet_test {

// The text after the banner's two lines (the banner itself is checked once,
// in the usage tests).
std::string after_banner(const std::string& output);

// What a successful run prints after the banner: the template line when a
// template is given, the saving line and the final empty line.
std::string saved(const std::string& output, const std::string& template_name = "");

// Exit status 0, nothing on standard error, and exactly `output` after the
// banner. Expected texts have "\n" line ends; they are compared with the
// line ends of the system under test (native_text()).
::testing::AssertionResult succeeded(const ProcessResult& result, const std::string& output);

// Exit status `status`, exactly `message` followed by an empty line on
// standard error, and exactly `output` after the banner.
::testing::AssertionResult failed_with(const ProcessResult& result, int status, const std::string& message,
                                       const std::string& output = "");

// True when one of `arguments` names a file of /dev.
bool names_a_device(const std::vector<std::string>& arguments);

class CliTest : public ::testing::Test {
protected:
    // Runs quillet in `dir` with `arguments`; `setup` gives the input and
    // limits (its working directory is replaced by `dir`).
    ProcessResult run(const std::vector<std::string>& arguments, ProcessSetup setup = {}) const;

    // Runs quillet with `arguments` and "-o output", expects the plain
    // success output (with the template line when "-zvk" is among the
    // arguments) and returns the bytes of the output file.
    Bytes build(const std::string& output, std::vector<std::string> arguments) const;

    TempDir dir;
};

}  // namespace quillet_test
