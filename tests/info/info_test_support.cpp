#include "info_test_support.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace info_test {
namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

[[noreturn]] void exec_child(const std::string& program, const std::vector<std::string>& arguments,
                             const std::string& out_path, const std::string& err_path) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

}  // namespace

RunResult run_program(const std::string& program, const std::vector<std::string>& arguments) {
    char pattern[] = "/tmp/info-run-XXXXXX";
    const char* capture = mkdtemp(pattern);
    if (!capture) return RunResult{-1, "", "mkdtemp failed"};
    const std::string out_path = std::string(capture) + "/out";
    const std::string err_path = std::string(capture) + "/err";
    const pid_t child = fork();
    if (child == 0) exec_child(program, arguments, out_path, err_path);
    int wait_status = 0;
    waitpid(child, &wait_status, 0);
    RunResult result{WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1, slurp(out_path), slurp(err_path)};
    std::filesystem::remove_all(capture);
    return result;
}

RunResult run_quillet(const std::vector<std::string>& arguments) {
    return run_program(QUILLET_EXECUTABLE, arguments);
}

RunResult run_info(const std::vector<std::string>& arguments) {
    return run_program(QUILLET_INFO_EXECUTABLE, arguments);
}

Bytes read_file(const std::string& path) {
    const std::string text = slurp(path);
    return Bytes(text.begin(), text.end());
}

void write_file(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool file_exists(const std::string& path) { return std::filesystem::exists(path); }

Bytes varied_bytes(int count, unsigned seed) {
    Bytes bytes(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7 + seed);
    return bytes;
}

namespace {

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

std::string text_field(const std::string& summary, const std::string& label) {
    return line_after(summary, label);
}

std::string block_line(const std::string& summary, int block) {
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "  block %02d  ", block);
    return line_after(summary, prefix);
}

void InfoTest::SetUp() {
    char pattern[] = "/tmp/quillet-info-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    ASSERT_NE(made, nullptr);
    directory_ = made;
}

void InfoTest::TearDown() {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

std::string InfoTest::make_snapshot(const std::string& name, const std::vector<std::string>& arguments) {
    std::vector<std::string> all{"-o", path(name)};
    all.insert(all.end(), arguments.begin(), arguments.end());
    const RunResult run = run_quillet(all);
    EXPECT_EQ(run.status, 0) << run.err;
    return path(name);
}

}  // namespace info_test
