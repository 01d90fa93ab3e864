#include "support/process.hpp"
#include "support/target.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace quillet_test {
namespace {

using Clock = std::chrono::steady_clock;

// A child that runs longer than this is killed: no test may hang.
constexpr auto RUN_TIME_LIMIT = std::chrono::seconds(30);
constexpr int CHILD_SETUP_FAILED = 126;
constexpr int CHILD_EXEC_FAILED = 127;
constexpr std::size_t READ_CHUNK = 4096;

struct Pipe {
    int read_end = -1;
    int write_end = -1;
};

Pipe make_pipe() {
    int ends[2];
    if (pipe(ends) != 0) throw std::runtime_error("pipe failed");
    for (const int end : ends) fcntl(end, F_SETFD, FD_CLOEXEC);
    return Pipe{ends[0], ends[1]};
}

constexpr const char* UNPRIVILEGED_USER = "nobody";

// Who the child runs as: the test's own user, or "nobody" when an
// unprivileged run is asked for and the test runs as root. Looked up before
// the child is forked.
struct ChildUser {
    bool change = false;
    uid_t user = 0;
    gid_t group = 0;
};

ChildUser child_user(const ProcessSetup& setup) {
    if (!setup.unprivileged || geteuid() != 0) return {};
    const passwd* entry = getpwnam(UNPRIVILEGED_USER);
    if (!entry) throw std::runtime_error("no unprivileged user to run as");
    return ChildUser{true, entry->pw_uid, entry->pw_gid};
}

void close_fd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// Test hook: QUILLET_TEST_WRAPPER, when set, holds words (separated by
// spaces) that are put before the program, so that a whole suite can run
// under a checker such as "valgrind -q --error-exitcode=1". The first word is
// looked up in PATH.
constexpr const char* WRAPPER_VARIABLE = "QUILLET_TEST_WRAPPER";

std::vector<std::string> wrapper_words() {
    std::vector<std::string> words;
    const char* wrapper = std::getenv(WRAPPER_VARIABLE);
    std::string word;
    for (const char* c = wrapper ? wrapper : "";; ++c) {
        if (*c != ' ' && *c != '\0') {
            word += *c;
            continue;
        }
        if (!word.empty()) words.push_back(word);
        word.clear();
        if (*c == '\0') break;
    }
    return words;
}

[[noreturn]] void start_child(const std::string& program, const std::vector<std::string>& arguments,
                              const ProcessSetup& setup, const ChildUser& user, const Pipe& in, const Pipe& out,
                              const Pipe& err) {
    if (dup2(in.read_end, STDIN_FILENO) < 0 || dup2(out.write_end, STDOUT_FILENO) < 0 ||
        dup2(err.write_end, STDERR_FILENO) < 0) {
        _exit(CHILD_SETUP_FAILED);
    }
    signal(SIGPIPE, SIG_DFL);
    if (!setup.working_directory.empty() && chdir(setup.working_directory.c_str()) != 0) {
        _exit(CHILD_SETUP_FAILED);
    }
    if (setup.file_size_limit >= 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = static_cast<rlim_t>(setup.file_size_limit);
        const rlimit fsize{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &fsize) != 0) _exit(CHILD_SETUP_FAILED);
    }
    if (setup.address_space_limit >= 0) {
        const rlim_t limit = static_cast<rlim_t>(setup.address_space_limit);
        const rlimit space{limit, limit};
        if (setrlimit(RLIMIT_AS, &space) != 0) _exit(CHILD_SETUP_FAILED);
    }
    if (setup.open_files_limit >= 0) {
        const rlim_t limit = static_cast<rlim_t>(setup.open_files_limit);
        const rlimit files{limit, limit};
        if (setrlimit(RLIMIT_NOFILE, &files) != 0) _exit(CHILD_SETUP_FAILED);
    }
    if (user.change && (setgroups(0, nullptr) != 0 || setgid(user.group) != 0 || setuid(user.user) != 0)) {
        _exit(CHILD_SETUP_FAILED);
    }
    const std::vector<std::string> wrapper = wrapper_words();
    std::vector<char*> argv;
    for (const std::string& word : wrapper) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    if (wrapper.empty()) {
        execv(program.c_str(), argv.data());
    } else {
        execvp(argv[0], argv.data());
    }
    _exit(CHILD_EXEC_FAILED);
}

// Feeding standard input: first the input, then (optionally) a pause that
// waits for a text on standard output, then the rest; then end of input.
enum class Feed { FIRST, AWAIT_OUTPUT, PAUSE, SECOND, DONE };

struct Session {
    const ProcessSetup& setup;
    pid_t child;
    int input;
    int output;
    int error;
    Feed feed = Feed::FIRST;
    std::string pending;
    bool reaped = false;
    int wait_status = 0;
    ProcessResult result;
};

// Reads what is available from `fd` into `into`; closes it at its end.
void drain(int& fd, std::string& into) {
    char chunk[READ_CHUNK];
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n > 0) {
        into.append(chunk, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
        close_fd(fd);
    }
}

void write_pending(Session& s) {
    const ssize_t n = write(s.input, s.pending.data(), s.pending.size());
    if (n >= 0) {
        s.pending.erase(0, static_cast<std::size_t>(n));
    } else if (errno != EAGAIN && errno != EINTR) {
        s.pending.clear();  // the child no longer reads its input
    }
}

// True when the child has read everything written into its input pipe
// (or the pipe is closed).
bool input_taken(int input) {
    int unread = 0;
    return input < 0 || ioctl(input, FIONREAD, &unread) != 0 || unread == 0;
}

void end_pause(Session& s) {
    s.result.output_at_pause = s.result.standard_output;
    s.reaped = waitpid(s.child, &s.wait_status, WNOHANG) == s.child;
    s.result.running_at_pause = !s.reaped;
    s.pending = s.setup.input_after_pause;
    s.feed = Feed::SECOND;
}

// Moves the feeding on when its current step is complete.
void advance_feed(Session& s) {
    const bool outputs_closed = s.output < 0 && s.error < 0;
    if (s.feed == Feed::FIRST && s.pending.empty()) {
        s.feed = s.setup.pause_after_output.empty() ? Feed::DONE : Feed::AWAIT_OUTPUT;
    }
    if (s.feed == Feed::AWAIT_OUTPUT &&
        (s.result.standard_output.find(s.setup.pause_after_output) != std::string::npos || outputs_closed)) {
        s.feed = Feed::PAUSE;
    }
    if (s.feed == Feed::PAUSE && (!s.setup.pause_until_waiting || (input_taken(s.input) && child_waits(s.child)))) {
        end_pause(s);
    }
    if (s.feed == Feed::SECOND && s.pending.empty()) s.feed = Feed::DONE;
    if (s.feed == Feed::DONE) close_fd(s.input);
}

// While the pause waits for the child, the child's state is looked at
// again this often: sleeping is no event that poll can wait for.
constexpr int WAITING_CHECK_MILLISECONDS = 5;

int poll_timeout(const Session& s) { return s.feed == Feed::PAUSE ? WAITING_CHECK_MILLISECONDS : 100; }

void exchange(Session& s) {
    const Clock::time_point deadline = Clock::now() + RUN_TIME_LIMIT;
    advance_feed(s);
    while (s.output >= 0 || s.error >= 0 || s.input >= 0) {
        if (Clock::now() > deadline) {
            kill(s.child, SIGKILL);
            throw std::runtime_error("child process did not finish in time");
        }
        pollfd fds[3] = {{s.output, POLLIN, 0}, {s.error, POLLIN, 0}, {-1, POLLOUT, 0}};
        const bool feeding = s.input >= 0 && !s.pending.empty();
        if (feeding) fds[2].fd = s.input;
        if (poll(fds, 3, poll_timeout(s)) < 0 && errno != EINTR) throw std::runtime_error("poll failed");
        if (fds[0].revents) drain(s.output, s.result.standard_output);
        if (fds[1].revents) drain(s.error, s.result.standard_error);
        if (feeding && fds[2].revents) write_pending(s);
        advance_feed(s);
    }
}

// The state letter of a thread from its /proc stat line: the first
// character after the parenthesised command name.
char thread_state(const std::string& stat_path) {
    std::ifstream stat(stat_path);
    std::string line;
    std::getline(stat, line);
    const std::size_t name_end = line.rfind(')');
    return name_end == std::string::npos || name_end + 2 >= line.size() ? '?' : line[name_end + 2];
}

}  // namespace

bool child_waits(int child) {
    const std::string tasks = "/proc/" + std::to_string(child) + "/task";
    DIR* directory = opendir(tasks.c_str());
    if (!directory) return true;
    bool waits = true;
    while (const dirent* entry = readdir(directory)) {
        if (entry->d_name[0] == '.') continue;
        const char state = thread_state(tasks + "/" + entry->d_name + "/stat");
        // S: asleep until an event; Z or X: ended; '?': gone meanwhile.
        if (state != 'S' && state != 'Z' && state != 'X' && state != '?') waits = false;
    }
    closedir(directory);
    return waits;
}

namespace {

ProcessResult run_once(const std::string& program, const std::vector<std::string>& arguments,
                       const ProcessSetup& setup) {
    const ChildUser user = child_user(setup);
    Pipe in = make_pipe();
    Pipe out = make_pipe();
    Pipe err = make_pipe();
    // A child that stops reading its input must not end the test process.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);

    const pid_t child = fork();
    if (child == 0) start_child(program, arguments, setup, user, in, out, err);
    close_fd(in.read_end);
    close_fd(out.write_end);
    close_fd(err.write_end);
    Session session{
        setup, child, in.write_end, out.read_end, err.read_end, Feed::FIRST, setup.standard_input, false, 0, {}};
    try {
        if (child < 0) throw std::runtime_error("fork failed");
        if (setup.started) setup.started(child);
        fcntl(session.input, F_SETFL, O_NONBLOCK);
        exchange(session);
    } catch (...) {
        close_fd(session.input);
        close_fd(session.output);
        close_fd(session.error);
        if (child > 0 && !session.reaped) waitpid(child, nullptr, 0);
        sigaction(SIGPIPE, &previous, nullptr);
        throw;
    }
    if (!session.reaped) waitpid(child, &session.wait_status, 0);
    sigaction(SIGPIPE, &previous, nullptr);

    ProcessResult result = session.result;
    if (WIFEXITED(session.wait_status)) result.exit_status = WEXITSTATUS(session.wait_status);
    if (WIFSIGNALED(session.wait_status)) result.signal = WTERMSIG(session.wait_status);
    return result;
}

// Wine now and then fails to start a Windows program at all: status 1, not
// a byte on either stream, in a few milliseconds (seen once in some
// thousands of runs). Every failure of this project's programs says why
// on standard error, so such a run is no verdict on the program: it is run
// again, once.
bool wine_start_failed(const ProcessResult& result) {
    return windows_target() && result.exit_status == 1 && result.signal == 0 && result.standard_output.empty() &&
           result.standard_error.empty();
}

}  // namespace

ProcessResult run_process(const std::string& program, const std::vector<std::string>& arguments,
                          const ProcessSetup& setup) {
    ProcessResult result = run_once(program, arguments, setup);
    if (wine_start_failed(result) && !setup.started) result = run_once(program, arguments, setup);
    return result;
}

}  // namespace quillet_test
