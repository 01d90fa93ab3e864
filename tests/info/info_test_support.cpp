#include "info_test_support.hpp"

#include <cstdio>

#include "support/process.hpp"
#include "support/target.hpp"

namespace info_test {
namespace {

// The texts come with "\n" line ends, once the test has checked that the
// program wrote its system's own.
RunResult run_program(const std::string& program, const std::vector<std::string>& arguments,
                      const quillet_test::ProcessSetup& setup = {}) {
    const quillet_test::ProcessResult run =
        quillet_test::run_process(quillet_test::program_under_test(program), arguments, setup);
    RunResult result{run.exit_status, "", ""};
    EXPECT_TRUE(quillet_test::from_native_text(run.standard_output, &result.out)) << "standard output";
    EXPECT_TRUE(quillet_test::from_native_text(run.standard_error, &result.err)) << "standard error";
    return result;
}

// The rest of the first line that starts with `prefix`, padding removed.
std::string line_after(const std::string& text, const std::string& prefix) {
    std::size_t at = 0;
    if (text.compare(0, prefix.size(), prefix) != 0) {
        at = text.find("\n" + prefix);
        if (at == std::string::npos) return "";
        ++at;
    }
    const std::size_t start = text.find_first_not_of(' ', at + prefix.size());
    if (start == std::string::npos) return "";
    return text.substr(start, text.find('\n', start) - start);
}

}  // namespace

RunResult run_quillet(const std::vector<std::string>& arguments) {
    return run_program(QUILLET_EXECUTABLE, arguments);
}

RunResult run_info(const std::vector<std::string>& arguments) {
    return run_program(QUILLET_INFO_EXECUTABLE, arguments);
}

bool info_writes_pictures() {
    const RunResult asked = run_info({"--screen", "/nonexistent/picture.png", "/nonexistent/snapshot.zvk"});
    return asked.err.find("which this build lacks") == std::string::npos;
}

RunResult run_info_with_input(const std::vector<std::string>& arguments, const Bytes& input) {
    quillet_test::ProcessSetup setup;
    setup.standard_input.assign(input.begin(), input.end());
    return run_program(QUILLET_INFO_EXECUTABLE, arguments, setup);
}

RunResult run_info_with_setup(const std::vector<std::string>& arguments, const quillet_test::ProcessSetup& setup) {
    return run_program(QUILLET_INFO_EXECUTABLE, arguments, setup);
}

std::string text_field(const std::string& summary, const std::string& label) {
    return line_after(summary, label);
}

std::string block_line(const std::string& summary, int block) {
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "  block %02d  ", block);
    return line_after(summary, prefix);
}

std::string InfoTest::make_snapshot(const std::string& name, const std::vector<std::string>& arguments) {
    std::vector<std::string> all{"-o", path(name)};
    all.insert(all.end(), arguments.begin(), arguments.end());
    const RunResult run = run_quillet(all);
    EXPECT_EQ(run.status, 0) << run.err;
    return path(name);
}

}  // namespace info_test
