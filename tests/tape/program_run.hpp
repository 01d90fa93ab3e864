// One program of the project run in a test's folder: its exit status and
// its output read back as text, for the tape programs' end-to-end tables.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/process.hpp"
#include "support/target.hpp"
#include "support/temp_dir.hpp"

namespace quillet_test {

struct Outcome {
    std::string out;
    std::string err;
    int status;
};

inline Outcome run_in(const TempDir& dir, const std::string& program, const std::vector<std::string>& arguments) {
    ProcessSetup setup;
    setup.working_directory = dir.path();
    const ProcessResult r = run_process(program_under_test(program), arguments, setup);
    Outcome outcome{"", "", r.exit_status};
    EXPECT_TRUE(from_native_text(r.standard_output, &outcome.out)) << "standard output";
    EXPECT_TRUE(from_native_text(r.standard_error, &outcome.err)) << "standard error";
    return outcome;
}

}  // namespace quillet_test
