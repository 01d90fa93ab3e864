// How the quillet-run tables run the program: as a child process (the
// built executable, or the Windows one through the wrapper) in
// quillet_end_to_end_tests, or in-process through its core library in
// quillet_run_in_process_tests, where sanitizers and debuggers see every
// line of it. The tables are compiled once; only this driver differs.
#pragma once

#include <string>
#include <vector>

#include "info_test_support.hpp"

namespace run_test {

// quillet-run with `arguments` and `input` on its standard input; its
// exit status, standard output and standard error with "\n" line ends.
info_test::RunResult run_quillet_run(const std::vector<std::string>& arguments, const info_test::Bytes& input = {});

// The same on the bare 8080 over 64 KB of RAM (--bare), for the tables of
// what the processor does rather than the PMD 85.
inline info_test::RunResult run_on_bare_8080(std::vector<std::string> arguments, const info_test::Bytes& input = {}) {
    arguments.insert(arguments.begin(), "--bare");
    return run_quillet_run(arguments, input);
}

}  // namespace run_test
