#include "cli_test.hpp"

namespace quillet_test {
namespace {

constexpr std::size_t BANNER_LINES = 2;

::testing::AssertionResult compare(const char* what, const std::string& expected, const std::string& actual) {
    if (expected == actual) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << what << " differs\n  expected: " << ::testing::PrintToString(expected)
                                         << "\n    actual: " << ::testing::PrintToString(actual) << "\n";
}

::testing::AssertionResult outcome(const ProcessResult& result, int status, const std::string& error,
                                   const std::string& output) {
    ::testing::AssertionResult check = ::testing::AssertionSuccess();
    auto note = [&check](::testing::AssertionResult part) {
        if (part) return;
        if (check) check = ::testing::AssertionFailure();
        check << part.message();
    };
    if (result.exit_status != status) {
        note(::testing::AssertionFailure() << "exit status " << result.exit_status << " (signal " << result.signal
                                           << "), expected " << status << "\n");
    }
    note(compare("standard error", native_text(error), result.standard_error));
    note(compare("standard output after the banner", native_text(output), after_banner(result.standard_output)));
    return check;
}

}  // namespace

std::string after_banner(const std::string& output) {
    std::size_t start = 0;
    for (std::size_t line = 0; line < BANNER_LINES; ++line) {
        const std::size_t end = output.find('\n', start);
        if (end == std::string::npos) return "<no banner> " + output;
        start = end + 1;
    }
    return output.substr(start);
}

std::string saved(const std::string& output, const std::string& template_name) {
    std::string text;
    if (!template_name.empty()) text += "Loading template Snapshot `" + template_name + "`\n";
    return text + "Saving final Snapshot `" + output + "`\n\n";
}

::testing::AssertionResult succeeded(const ProcessResult& result, const std::string& output) {
    return outcome(result, 0, "", output);
}

::testing::AssertionResult failed_with(const ProcessResult& result, int status, const std::string& message,
                                       const std::string& output) {
    return outcome(result, status, message + "\n\n", output);
}

bool names_a_device(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument.rfind("/dev/", 0) == 0) return true;
    }
    return false;
}

ProcessResult CliTest::run(const std::vector<std::string>& arguments, ProcessSetup setup) const {
    setup.working_directory = dir.path();
    return run_process(program_under_test(QUILLET_EXECUTABLE), arguments, setup);
}

Bytes CliTest::build(const std::string& output, std::vector<std::string> arguments) const {
    std::string template_name;
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == "-zvk") template_name = arguments[i + 1];
    }
    arguments.insert(arguments.end(), {"-o", output});
    EXPECT_TRUE(succeeded(run(arguments), saved(output, template_name)));
    return dir.exists(output) ? dir.read(output) : Bytes{};
}

}  // namespace quillet_test
