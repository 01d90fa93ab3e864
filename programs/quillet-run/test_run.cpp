#include "test_run.hpp"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "console.hpp"
#include "expected_stop.hpp"
#include "failures.hpp"
#include "file_reading.hpp"
#include "owned_snapshot.hpp"
#include "run.hpp"
#include "snapshot_input.hpp"
#include "test_list.hpp"

namespace quillet::run {
namespace {

constexpr const char* PROGRAM_NAME = "quillet-run";
constexpr int EXIT_CASE_FAILED = 1;

// A case read and checked, ready to run: its words stay here, since its
// options point into them.
struct PreparedCase {
    TestCase test;
    std::string place;  // "FILE:LINE"
    std::vector<char*> arguments;
    RunOptions options;
};

void case_usage_error(const std::string& place, const char* message, const char* detail) {
    common::print_usage_error(PROGRAM_NAME, message, detail, place.c_str());
}

// The option of `options` that prints onto standard output, where the
// cases' lines go; null when there is none.
const char* printing_option(const RunOptions& options) {
    if (options.json) return "--json";
    if (!options.peeks.empty()) return "--peek";
    if (options.out_log) return "--out-log";
    if (options.screen_text) return "--screen-text";
    return nullptr;
}

// Parses and checks one case, and adds its files to `all`. Returns 0, or
// the exit status after reporting why it cannot run.
int prepare(int argument_count, char** argument_vector, const RunOptions& shared, PreparedCase* prepared,
            common::RunFiles* all) {
    std::vector<char*>& arguments = prepared->arguments;
    arguments.assign(argument_vector, argument_vector + argument_count);
    for (std::string& word : prepared->test.words) arguments.push_back(&word[0]);
    arguments.push_back(nullptr);
    const int count = static_cast<int>(arguments.size()) - 1;
    const std::string& place = prepared->place;
    switch (parse_run_options(count, arguments.data(), &prepared->options, place.c_str(), &shared)) {
    case ParseOutcome::usage_error: return EXIT_USAGE;
    case ParseOutcome::file_failure: return prepared->options.failure_status;
    case ParseOutcome::help: case_usage_error(place, "does not go with --tests:", "--help"); return EXIT_USAGE;
    case ParseOutcome::version: case_usage_error(place, "does not go with --tests:", "--version"); return EXIT_USAGE;
    case ParseOutcome::run: break;
    }
    if (const char* option = printing_option(prepared->options)) {
        case_usage_error(place, "does not go with --tests:", option);
        return EXIT_USAGE;
    }
    common::RunFiles files;
    list_run_files(prepared->options, &files);
    std::string message, detail;
    if (files.find_problem(&message, &detail)) {
        case_usage_error(place, message.c_str(), detail.c_str());
        return EXIT_USAGE;
    }
    all->set_place(place);
    list_run_files(prepared->options, all);
    return 0;
}

// Why a case is not ok, its reasons joined by "; ".
std::string reasons(const RunOptions& options, const RunVerdict& verdict, int status) {
    std::string text;
    auto add = [&text](const std::string& reason) { text += (text.empty() ? "" : "; ") + reason; };
    if (!verdict.stop_failure.empty()) add(verdict.stop_failure);
    if (verdict.stop_failure.empty() && status == EXIT_LIMIT) add(stop_text(options, verdict.reason, verdict.pc));
    for (const CheckResult& check : verdict.checks) {
        if (!check.holds) add(check.what + " expected " + check.expected + " found " + check.found);
    }
    if (status != EXIT_STOPPED && status != EXIT_CASE_FAILED && status != EXIT_LIMIT) {
        add("exit status " + std::to_string(status));
    }
    return text;
}

// A text for a line of the protocol, where '#' begins a directive.
std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '#') out += '\\';
        out += c;
    }
    return out;
}

// Runs one case from a copy of `snapshot` and prints its line; true when it is ok.
bool run_case(std::size_t number, const PreparedCase& prepared, const quillet_snapshot* snapshot) {
    common::OwnedSnapshot copy;
    int status = 0;
    RunVerdict verdict{};
    if (!copy.get()) {
        status = -common::report_failure(common::CONSOLE_FAILURES, QUILLET_ERR_OUT_OF_MEMORY);
    } else if (const int code = common::copy_snapshot(snapshot, copy.get())) {
        status = -code;
    } else {
        status = run_read_snapshot(prepared.options, copy.get(), &verdict);
    }
    const std::string name = escaped(prepared.test.name);
    if (status == EXIT_STOPPED) {
        std::printf("ok %zu - %s\n", number, name.c_str());
    } else {
        std::printf("not ok %zu - %s: %s\n", number, name.c_str(), escaped(reasons(prepared.options, verdict, status)).c_str());
    }
    std::fflush(stdout);
    return status == EXIT_STOPPED;
}

}  // namespace

int run_tests(int argument_count, char** argument_vector, const RunOptions& options) {
    std::string text;
    if (const int code = common::read_text_file(options.tests_path, &text)) return -code;
    std::vector<TestCase> tests;
    const std::string problem = read_test_list(options.tests_path, text, &tests);
    if (!problem.empty()) {
        print_run_usage_error(problem.c_str(), nullptr);
        return EXIT_USAGE;
    }
    // Every case is prepared before any runs; each keeps its place, since
    // its options point into its words.
    // No case's output may replace what another case reads or writes.
    std::vector<std::unique_ptr<PreparedCase>> cases;
    common::RunFiles all_files;
    for (TestCase& test : tests) {
        cases.emplace_back(new PreparedCase{std::move(test), {}, {}, {}});
        PreparedCase& prepared = *cases.back();
        prepared.place = std::string(options.tests_path) + ":" + std::to_string(prepared.test.line);
        if (const int status = prepare(argument_count, argument_vector, options, &prepared, &all_files)) return status;
    }
    if (!all_files.check(print_run_usage_error)) return EXIT_USAGE;
    common::OwnedSnapshot snapshot;
    if (!snapshot.get()) return -common::report_failure(common::CONSOLE_FAILURES, QUILLET_ERR_OUT_OF_MEMORY);
    long file_size = 0;
    std::string detail;
    if (const int code = common::read_snapshot_input(options.snapshot_path, snapshot.get(), &file_size, &detail)) {
        return -code;
    }
    std::printf("1..%zu\n", cases.size());
    std::fflush(stdout);
    bool all_ok = true;
    for (std::size_t i = 0; i < cases.size(); ++i) all_ok = run_case(i + 1, *cases[i], snapshot.get()) && all_ok;
    return all_ok ? EXIT_STOPPED : EXIT_CASE_FAILED;
}

}  // namespace quillet::run
