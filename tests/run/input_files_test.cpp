// The files quillet-run reads: never replaced by an output (-o too, but
// for the snapshot it came from), each opened once (a FIFO whose writer
// wrote and left is read, not waited on for ever), and one that cannot be
// read reported as --monitor and --tape report theirs: the reason, naming
// the file, and its file-access status.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "info_test_support.hpp"
#include "run/run_driver.hpp"
#include "support/process.hpp"
#include "support/tape_bytes.hpp"
#include "support/target.hpp"

namespace {

using info_test::Bytes;
using info_test::RunResult;
using run_test::run_quillet_run;

class RunInputFilesTest : public info_test::InfoTest {
protected:
    Bytes text(const std::string& s) const { return Bytes(s.begin(), s.end()); }
    // A PTP tape of one file of four bytes, as text to feed a pipe.
    static std::string tape_text() {
        using namespace quillet_test;
        const TapeBytes tape = joined({ptp_record(header_block(1, '?', 0x7000, 4, "GAME")),
                                       ptp_record(data_block({0x00, 0x00, 0x00, 0x76}))});
        return std::string(tape.begin(), tape.end());
    }
};

// One row per option that names a file the run reads.
TEST_F(RunInputFilesTest, TheSnapshotAfterTheRunReplacesNoInputButItsOwn) {
    // NOP NOP NOP HLT
    const std::string game = make_snapshot("game.zvk", {"-hex", "0", "00000076", "-reg", "PC", "0"});
    const Bytes content = text("X EQU 1\n");
    dir_.write("in.txt", content);
    dir_.write("mon.bin", Bytes(4096, 0));
    const std::string in = path("in.txt");
    const std::string mon = path("mon.bin");
    const struct {
        std::vector<std::string> arguments;
        const char* role;
    } cases[] = {
        {{"--monitor", in}, "--monitor"},
        {{"--monitor", mon, "--keys", in}, "--keys"},
        {{"--monitor", mon, "--tape", in}, "--tape"},
        {{"--symbols", in}, "--symbols"},
        {{"--expect-screen", in}, "--expect-screen"},
        {{"--bare", "--rom-at", "0x100", in}, "--rom-at"},
        {{"--tests", in}, "--tests"},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.role);
        std::vector<std::string> arguments = item.arguments;
        arguments.insert(arguments.end(), {"-o", dir_.path() + "/./in.txt", game});
        const RunResult run = run_quillet_run(arguments);
        EXPECT_EQ(run.status, 64);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "quillet-run: -o '" + dir_.path() + "/./in.txt' would replace the input " + item.role +
                               " '" + in + "'\nTry 'quillet-run --help' for more information.\n");
        EXPECT_EQ(dir_.read("in.txt"), content);
    }
}

// Every case is held against every other: an output one names is neither
// what another reads nor what another writes. Nothing runs.
TEST_F(RunInputFilesTest, CasesThatWouldReplaceEachOthersFilesAreRefusedBeforeAnyRuns) {
    const std::string game = make_snapshot("game.zvk", {"-hex", "0", "00000076", "-reg", "PC", "0"});
    const std::string cases = path("cases.txt");
    const std::string out = path("out.zvk");
    const struct {
        std::string lines;
        std::string message;
    } rows[] = {
        {"--until 3 -o " + cases + "\n",
         cases + ":1: -o '" + cases + "' would replace the input --tests '" + cases + "'"},
        {"--until 3 -o " + out + "\n--until 3 --trace " + out + "\n",
         "two outputs name one file: " + cases + ":1 -o '" + out + "' and " + cases + ":2 --trace '" + out + "'"},
        {"--until 3 -o " + out + "\n--until 3 -o " + out + "\n",
         "two outputs name one file: " + cases + ":1 -o '" + out + "' and " + cases + ":2 -o '" + out + "'"},
        {"--until 3 --trace " + path("k.txt") + "\n--until 3 --keys " + path("k.txt") + "\n",
         cases + ":1 --trace '" + path("k.txt") + "' would replace the input " + cases + ":2 --keys '" + path("k.txt") +
             "'"},
    };
    dir_.write("k.txt", text("A"));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.lines);
        dir_.write("cases.txt", text(row.lines));
        const RunResult run = run_quillet_run({"--tests", cases, game});
        EXPECT_EQ(run.status, 64);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "quillet-run: " + row.message + "\nTry 'quillet-run --help' for more information.\n");
        EXPECT_EQ(dir_.read("cases.txt"), text(row.lines));
        EXPECT_FALSE(dir_.exists("out.zvk"));
        EXPECT_EQ(dir_.read("k.txt"), text("A"));
    }
    // Each case adds to the one coverage file: that is one output, not two.
    dir_.write("cases.txt", text("--until 3\n--until 2\n"));
    const RunResult shared = run_quillet_run({"--bare", "--tests", cases, "--coverage", path("cov.txt"), game});
    EXPECT_EQ(shared.status, 0) << shared.err;
    EXPECT_EQ(shared.out, "1..2\nok 1 - --until 3\nok 2 - --until 2\n");
}

// Writes `bytes` into the named pipe `path` as `echo ... >pipe &` does:
// its open waits for a reader, and it then writes and leaves. A reader that
// then opens the pipe again would wait for ever: after a while the pipe is
// opened and closed once more, so that such a reader ends (with what it
// missed) rather than hold the test.
class WriterThatLeaves {
public:
    WriterThatLeaves(std::string path, Bytes bytes)
        : path_(std::move(path)), thread_([this, bytes = std::move(bytes)]() {
              using namespace std::chrono;
              const int fd = open(path_.c_str(), O_WRONLY);  // waits for a reader
              if (fd < 0) return;
              std::size_t written = 0;
              while (!done_ && written < bytes.size()) {
                  const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
                  if (n <= 0) break;  // the reader left (EPIPE: SIGPIPE is ignored)
                  written += static_cast<std::size_t>(n);
              }
              close(fd);
              const auto release = steady_clock::now() + seconds(3);
              while (!done_) {
                  std::this_thread::sleep_for(milliseconds(20));
                  if (steady_clock::now() < release) continue;
                  const int again = open(path_.c_str(), O_WRONLY | O_NONBLOCK);
                  if (again >= 0) close(again);
              }
          }) {}
    ~WriterThatLeaves() {
        done_ = true;
        // A writer still waiting for a reader is let go.
        const int reader = open(path_.c_str(), O_RDONLY | O_NONBLOCK);
        thread_.join();
        if (reader >= 0) close(reader);
    }
    WriterThatLeaves(const WriterThatLeaves&) = delete;
    WriterThatLeaves& operator=(const WriterThatLeaves&) = delete;

private:
    std::string path_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

// A FIFO at `path` for the test's time, with SIGPIPE ignored meanwhile, so
// that a write after the reader left fails rather than end the test.
class Fifo {
public:
    explicit Fifo(const std::string& path) : old_handler_(signal(SIGPIPE, SIG_IGN)) {
        EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
    }
    ~Fifo() { signal(SIGPIPE, old_handler_); }
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;

private:
    void (*old_handler_)(int);
};

// One row per reader that read its file twice (a size, then the bytes),
// quillet-run's and quillet-tape's: the binary a tape is made of (which was
// refused as "no regular file", its size asked before the read), the tape
// listed.
TEST_F(RunInputFilesTest, AFifoWhoseWriterWroteAndLeftIsReadOnce) {
    QUILLET_REQUIRE(quillet_test::Facility::NAMED_PIPES);
    // NOP NOP NOP HLT
    const std::string game = make_snapshot("game.zvk", {"-hex", "0", "00000076", "-reg", "PC", "0"});
    const std::string pipe = path("pipe");
    const Fifo fifo(pipe);
    const std::string tape_tool = quillet_test::program_under_test(QUILLET_TAPE_EXECUTABLE);
    const struct {
        std::string program;  // "" for quillet-run, given the snapshot
        std::vector<std::string> arguments;
        std::string content;
        int status;
        std::string out;   // what standard output begins with
        std::string err;
    } cases[] = {
        {"", {"--bare", "--symbols", pipe, "--until", "done"}, "done EQU 3\n", 0, "Snapshot:", ""},
        {"", {"--bare", "--tests", pipe}, "--until 3 # reached\n", 0, "1..1\nok 1 - reached\n", ""},
        // A key the model has not: refused only once the file is read.
        {"", {"--keys", pipe, "--until", "3"}, "{NOSUCH}", 64, "",
         "quillet-run: cannot type with --keys: Bad key 'NOSUCH': the V2A keyboard has no key of that name\n"
         "Try 'quillet-run --help' for more information.\n"},
        // A lit byte in the picture expected: the blank screen differs.
        {"", {"--expect-screen", pipe, "--until", "3"}, std::string(64, '\0') + "\x01" + std::string(16319, '\0'), 1,
         "Snapshot:", ""},
        // The firmware and tape readers, whose size checks came before the read.
        {"", {"--monitor", pipe, "--until", "3"}, std::string(4096, '\0'), 0, "Snapshot:", ""},
        {"", {"--module", pipe, "--until", "3"}, std::string(8192, '\xFF'), 0, "Snapshot:", ""},
        {"", {"--rom-at", "0x8000", pipe, "--bare", "--until", "3"}, std::string(16, '\x76'), 0, "Snapshot:", ""},
        {"", {"--rom-at", "0xFFF0", pipe, "--bare", "--until", "3"}, std::string(17, '\x76'), 64, "",
         "quillet-run: --rom-at image does not fit below 0x10000: '" + pipe + "'\n"
         "Try 'quillet-run --help' for more information.\n"},
        {"", {"--tape", pipe, "--until", "3"}, tape_text(), 0, "Snapshot:", ""},
        {tape_tool, {"-o", path("made.ptp"), "0x7000", pipe}, "\x76", 0, "", ""},
        {tape_tool, {"-o", path("made.ptp"), "0xFFFE", pipe}, "\x76\x76\x76", 8, "",
         "Source file '" + pipe + "' is too long! Max length 2 bytes.\n"},
        {tape_tool, {pipe}, tape_text(), 0, pipe + ": PTP image, 1 file\n", ""},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.program + " " + item.arguments[0] + " " + item.arguments.back());
        RunResult run;
        {
            WriterThatLeaves writer(pipe, text(item.content));
            if (item.program.empty()) {
                std::vector<std::string> arguments = item.arguments;
                arguments.push_back(game);
                run = run_quillet_run(arguments);
            } else {
                const quillet_test::ProcessResult tape = quillet_test::run_process(item.program, item.arguments, {});
                run = RunResult{tape.exit_status, tape.standard_output, tape.standard_error};
            }
        }
        EXPECT_EQ(run.status, item.status) << run.err;
        EXPECT_EQ(run.out.compare(0, item.out.size(), item.out), 0) << run.out;
        EXPECT_EQ(run.err, item.err);
    }
}

// Every reader of a text input: a missing file (5), a directory or a
// device (9), a file longer than any such file may be (8, refused by its
// size before it is read), each with its message naming the file.
TEST_F(RunInputFilesTest, AFileThatCannotBeReadGivesTheReasonAndItsStatus) {
    const std::string game = make_snapshot("game.zvk", {"-hex", "0", "00000076", "-reg", "PC", "0"});
    dir_.make_directory("folder");
    const std::string long_file = path("long.txt");
    {
        const int fd = open(long_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, 16 * 1024 * 1024 + 1), 0);  // sparse: nothing written
        close(fd);
    }
    const struct {
        const char* option;
        std::vector<std::string> before;
    } readers[] = {
        {"--symbols", {"--bare"}}, {"--tests", {"--bare"}}, {"--keys", {}}, {"--expect-screen", {}}, {"--coverage", {"--bare"}},
    };
    const struct {
        std::string file;
        int status;
        std::string message;
    } problems[] = {
        {path("missing.txt"), 5, "Can't open source file '" + path("missing.txt") + "'!"},
        {path("folder"), 9, "Can't read from the source file '" + path("folder") + "'!"},
        {long_file, 8, "Source file '" + long_file + "' is too long! Max length 16777216 bytes."},
    };
    for (const auto& reader : readers) {
        for (const auto& problem : problems) {
            // A coverage file that does not exist yet is begun, not read.
            if (std::string(reader.option) == "--coverage" && problem.status == 5) continue;
            SCOPED_TRACE(std::string(reader.option) + " " + problem.file);
            std::vector<std::string> arguments = reader.before;
            arguments.insert(arguments.end(), {reader.option, problem.file, "--until", "3", game});
            const RunResult run = run_quillet_run(arguments);
            EXPECT_EQ(run.status, problem.status);
            EXPECT_EQ(run.err, problem.message + "\n");
        }
    }
}

// What a file holds reaches the terminal escaped: a key name that is an
// escape sequence is shown as its bytes, not acted on.
TEST_F(RunInputFilesTest, AKeyNameFromAFileIsShownEscaped) {
    const std::string game = make_snapshot("game.zvk", {"-hex", "0", "00000076", "-reg", "PC", "0"});
    dir_.write("keys.txt", text("{\x1b[2J}"));
    const RunResult run = run_quillet_run({"--keys", path("keys.txt"), "--until", "3", game});
    EXPECT_EQ(run.status, 64);
    EXPECT_EQ(run.err,
              "quillet-run: cannot type with --keys: Bad key '\\x1B[2J': the V2A keyboard has no key of that name\n"
              "Try 'quillet-run --help' for more information.\n");
}

}  // namespace
