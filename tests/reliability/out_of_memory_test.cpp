// Out of memory (-2) from the real executable: it runs under an address
// space limit (RLIMIT_AS) that lets it start but not obtain all the pages it
// needs. The limit that does this depends on the platform, so the test
// searches for it: below it the program cannot even start, above it the run
// succeeds, and in between every allocation that needs new address space
// fails. Bisection between a limit that does not start and one that
// succeeds must meet that window, which is wider than the search step.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "support/target.hpp"
#include "support/temp_dir.hpp"

#if defined(__SANITIZE_ADDRESS__)
#define QUILLET_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLET_UNDER_ASAN 1
#endif
#endif

namespace quillet_test {
namespace {

constexpr rlim_t SEARCH_STEP = 4096;
constexpr rlim_t GENEROUS_LIMIT = rlim_t{1} << 30;
constexpr int OUT_OF_MEMORY_STATUS = 2;
constexpr std::size_t PAGE_BYTES = 16384;
constexpr int MAPPER_PAGES = 16;

enum class Outcome { NOT_STARTED, OUT_OF_MEMORY, SUCCEEDED };

struct Attempt {
    Outcome outcome;
    std::string errors;
};

std::string read_text(const std::string& path) {
    std::string text;
    const int fd = open(path.c_str(), O_RDONLY);
    char chunk[512];
    ssize_t n = 0;
    while (fd >= 0 && (n = read(fd, chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<std::size_t>(n));
    if (fd >= 0) close(fd);
    return text;
}

// Runs quillet with `arguments` under the address space limit `limit`.
Attempt run_limited(const TempDir& dir, const std::vector<std::string>& arguments, rlim_t limit) {
    const std::string out = dir.file("stdout.txt");
    const std::string err = dir.file("stderr.txt");
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(QUILLET_EXECUTABLE));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    unlink(dir.file("out.zvk").c_str());  // what an earlier attempt wrote
    const pid_t child = fork();
    if (child == 0) {
        const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out_fd < 0 || err_fd < 0 || dup2(out_fd, STDOUT_FILENO) < 0 || dup2(err_fd, STDERR_FILENO) < 0) {
            _exit(126);
        }
        const rlimit address_space{limit, limit};
        if (setrlimit(RLIMIT_AS, &address_space) != 0) _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    Attempt attempt{Outcome::NOT_STARTED, read_text(err)};
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) attempt.outcome = Outcome::SUCCEEDED;
    if (WIFEXITED(status) && WEXITSTATUS(status) == OUT_OF_MEMORY_STATUS) {
        attempt.outcome = Outcome::OUT_OF_MEMORY;
    }
    return attempt;
}

TEST(OutOfMemory, AllocationFailureUnderAnAddressSpaceLimitIsFailureTwo) {
#ifdef QUILLET_UNDER_ASAN
    GTEST_SKIP() << "AddressSanitizer reserves far more address space than any useful limit";
#endif
    QUILLET_REQUIRE(Facility::RESOURCE_LIMITS);
    TempDir dir;
    dir.write("page.bin", Bytes(PAGE_BYTES, 0x11));
    // Every mapper page plus the work buffer: a few hundred KB of allocations
    // after the program has started.
    std::vector<std::string> arguments{"-o", dir.file("out.zvk"), "-mm", "0", "-pack"};
    for (int page = 0; page < MAPPER_PAGES; ++page) {
        arguments.insert(arguments.end(), {"-pg", std::to_string(page), dir.file("page.bin")});
    }

    rlim_t works = GENEROUS_LIMIT;
    ASSERT_EQ(Outcome::SUCCEEDED, run_limited(dir, arguments, works).outcome);
    rlim_t fails = 0;
    Attempt found{Outcome::NOT_STARTED, ""};
    while (works - fails > SEARCH_STEP && found.outcome != Outcome::OUT_OF_MEMORY) {
        const rlim_t middle = fails + (works - fails) / 2;
        found = run_limited(dir, arguments, middle);
        if (found.outcome == Outcome::SUCCEEDED) works = middle;
        if (found.outcome == Outcome::NOT_STARTED) fails = middle;
    }
    ASSERT_EQ(Outcome::OUT_OF_MEMORY, found.outcome)
        << "no limit between " << fails << " and " << works << " bytes gave status 2";
    EXPECT_EQ("Out of memory!\n\n", found.errors);
    EXPECT_FALSE(dir.exists("out.zvk"));
}

}  // namespace
}  // namespace quillet_test
