// Sources that are pipes: a named pipe (FIFO) whose writer comes late, as
// a script's process substitution `<(generate)` gives one, is read to its
// end for -mem, -pg, -rom and -zvk, within the same limits as a regular
// file; one byte beyond the limit fails with 8 without reading the rest.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

#include "cli_test.hpp"

namespace quillet_test {
namespace {

constexpr int RETRY_MILLISECONDS = 10;
constexpr int GIVE_UP_ATTEMPTS = 1000;
constexpr std::size_t SNAPSHOT_SIZE_MAX = 124 + 16384 + 16 * 16384;  // QUILLET_SNAPSHOT_SIZE_MAX

// Writes `bytes` into the named pipe `path` once the child of the run given
// setup() has it open and waits for data: a writer slower than the reader.
class LateWriter {
public:
    LateWriter(std::string path, Bytes bytes)
        : thread_([this, path = std::move(path), bytes = std::move(bytes)]() {
              const int child = child_.get_future().get();
              if (child < 0) return;
              // Without a reader the open fails (ENXIO) rather than waits, so
              // that a program that never reads cannot hold the test.
              int fd = -1;
              for (int attempt = 0; attempt < GIVE_UP_ATTEMPTS && fd < 0; ++attempt) {
                  fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
                  if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(RETRY_MILLISECONDS));
              }
              if (fd < 0) return;
              for (int attempt = 0; attempt < GIVE_UP_ATTEMPTS && !child_waits(child); ++attempt) {
                  std::this_thread::sleep_for(std::chrono::milliseconds(RETRY_MILLISECONDS));
              }
              fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
              std::size_t done = 0;
              while (done < bytes.size()) {
                  const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
                  if (n <= 0) break;
                  done += static_cast<std::size_t>(n);
              }
              close(fd);
          }) {}
    ~LateWriter() {
        if (!started_) child_.set_value(-1);
        thread_.join();
    }
    LateWriter(const LateWriter&) = delete;
    LateWriter& operator=(const LateWriter&) = delete;

    // The setup of the run whose child reads the pipe.
    ProcessSetup setup() {
        ProcessSetup setup;
        setup.started = [this](int child) {
            started_ = true;
            child_.set_value(child);
        };
        return setup;
    }

private:
    std::promise<int> child_;
    bool started_ = false;
    std::thread thread_;
};

class PipedSourceTest : public CliTest {
protected:
    void SetUp() override {
        QUILLET_REQUIRE(Facility::NAMED_PIPES);
        ASSERT_EQ(0, mkfifo(dir.file("pipe").c_str(), 0600));
    }
};

TEST_F(PipedSourceTest, EachKindOfSourceIsReadToItsEnd) {
    const Bytes data = varied(5000, 9);
    dir.write("data.bin", data);
    const Bytes rom = varied(3000, 4);
    dir.write("rom.bin", rom);
    const Bytes template_bytes = build("template.zvk", {"-pack", "-mem", "0x4000", "data.bin", "-rom", "rom.bin"});
    const struct {
        std::vector<std::string> with_pipe;
        std::vector<std::string> with_file;
        Bytes piped;
    } cases[] = {
        {{"-mem", "100", "pipe"}, {"-mem", "100", "data.bin"}, data},
        {{"-pg", "9", "pipe"}, {"-pg", "9", "data.bin"}, data},
        {{"-hex", "0", "00", "-rom", "pipe"}, {"-hex", "0", "00", "-rom", "rom.bin"}, rom},
        {{"-zvk", "pipe"}, {"-zvk", "template.zvk"}, template_bytes},
    };
    for (const auto& c : cases) {
        const Bytes expected = build("expected.zvk", c.with_file);
        std::vector<std::string> arguments = c.with_pipe;
        arguments.insert(arguments.end(), {"-o", "piped.zvk"});
        ProcessResult result;
        {
            LateWriter writer(dir.file("pipe"), c.piped);
            result = run(arguments, writer.setup());
        }
        const bool from_template = c.with_pipe[0] == "-zvk";
        EXPECT_TRUE(succeeded(result, saved("piped.zvk", from_template ? "pipe" : ""))) << c.with_pipe.back();
        EXPECT_EQ(dir.read("piped.zvk"), expected) << c.with_pipe.back();
    }
}

TEST_F(PipedSourceTest, OneByteBeyondTheLimitIsTooLong) {
    const struct {
        std::vector<std::string> arguments;
        std::size_t fits;
        std::string message;
    } cases[] = {
        {{"-pg", "0", "pipe"}, PAGE_BYTES, "Source file 'pipe' is too long! Max length 16384 bytes."},
        {{"-mem", "65535", "pipe"}, 1, "Source file 'pipe' is too long! Max length 1 bytes."},
        {{"-hex", "0", "00", "-rom", "pipe"}, PAGE_BYTES, "Source file 'pipe' is too long! Max length 16384 bytes."},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(), {"-o", "out.zvk"});
        ProcessResult exact;
        {
            LateWriter writer(dir.file("pipe"), repeated(c.fits, 1));
            exact = run(arguments, writer.setup());
        }
        EXPECT_EQ(0, exact.exit_status) << c.arguments.back() << ": " << exact.standard_error;
        ProcessResult beyond;
        {
            LateWriter writer(dir.file("pipe"), repeated(c.fits + 1, 2));
            beyond = run(arguments, writer.setup());
        }
        EXPECT_TRUE(failed_with(beyond, 8, c.message)) << c.arguments.back();
    }
}

// An endless pipe as the template: read up to the largest snapshot and one
// byte more, then too long.
TEST_F(PipedSourceTest, AnEndlessTemplateIsTooLong) {
    ProcessResult result;
    {
        LateWriter writer(dir.file("pipe"), repeated(SNAPSHOT_SIZE_MAX + 1, 0));
        result = run({"-zvk", "pipe", "-o", "out.zvk"}, writer.setup());
    }
    EXPECT_TRUE(failed_with(result, 8, "Source file 'pipe' is too long! Max length 278652 bytes.",
                            "Loading template Snapshot `pipe`\n"));
}

}  // namespace
}  // namespace quillet_test
