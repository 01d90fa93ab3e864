// quillet-run as a child process: the executable that users run.
#include "run/run_driver.hpp"

#include "support/process.hpp"
#include "support/target.hpp"

namespace run_test {

info_test::RunResult run_quillet_run(const std::vector<std::string>& arguments, const info_test::Bytes& input) {
    quillet_test::ProcessSetup setup;
    setup.standard_input.assign(input.begin(), input.end());
    const quillet_test::ProcessResult run =
        quillet_test::run_process(quillet_test::program_under_test(QUILLET_RUN_EXECUTABLE), arguments, setup);
    info_test::RunResult result{run.exit_status, "", ""};
    EXPECT_TRUE(quillet_test::from_native_text(run.standard_output, &result.out));
    EXPECT_TRUE(quillet_test::from_native_text(run.standard_error, &result.err));
    return result;
}

}  // namespace run_test
