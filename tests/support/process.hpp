// Runs a program as a child process with a given standard input and
// collects its standard output, standard error and exit status.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quillet_test {

struct ProcessSetup {
    std::string working_directory;  // where the child runs; empty: here
    std::string standard_input;     // fed to the child first
    // Limit on the size of files the child writes (RLIMIT_FSIZE), in bytes;
    // negative leaves it alone. With a limit the child ignores SIGXFSZ, so an
    // oversized write fails instead of killing it.
    long file_size_limit = -1;
    // Limit on the child's address space (RLIMIT_AS, as `ulimit -v` sets),
    // in bytes; negative leaves it alone.
    long long address_space_limit = -1;
    // Limit on the files the child may hold open (RLIMIT_NOFILE); negative
    // leaves it alone.
    long open_files_limit = -1;
    // When the test runs as root: the child runs as the user "nobody", so
    // that file permissions bind it as they bind everybody else.
    bool unprivileged = false;
    // When not empty: after `standard_input`, standard input stays open
    // until the child's standard output contains this text; with
    // `pause_until_waiting`, also until the child has taken all of its input
    // and waits (child_waits); then `input_after_pause` is fed.
    std::string pause_after_output;
    bool pause_until_waiting = false;
    std::string input_after_pause;
    // When set: called with the child's process id as soon as it runs, on
    // the test's thread, before any input is fed.
    std::function<void(int)> started;
};

struct ProcessResult {
    std::string standard_output;
    std::string standard_error;
    int exit_status = -1;  // -1 when the child did not exit normally
    int signal = 0;        // the signal that ended the child, 0 if it exited
    // Only with a pause: what the child had printed when the pause ended,
    // and whether it was still running then.
    std::string output_at_pause;
    bool running_at_pause = false;
};

// True when the process `child` waits: every thread of it sleeps (blocked
// in a read, a poll or an open), or it has ended. A system without /proc
// gives true at once.
bool child_waits(int child);

// Runs `program` with `arguments` (element 0 of the child's argument vector
// is the program path). Standard input reaches its end once all input was
// fed. Throws std::runtime_error when the child cannot be started.
ProcessResult run_process(const std::string& program, const std::vector<std::string>& arguments,
                          const ProcessSetup& setup);

}  // namespace quillet_test
