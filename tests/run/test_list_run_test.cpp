// quillet-run --tests: many cases over one snapshot, reported in TAP, and
// the file's errors, which name the line and run nothing.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "info_test_support.hpp"
#include "quillet/quillet.h"
#include "run/run_driver.hpp"

namespace {

using info_test::Bytes;
using info_test::RunResult;
using run_test::run_quillet_run;

const char* const TRY_HELP = "Try 'quillet-run --help' for more information.\n";

class TestListRunTest : public info_test::InfoTest {
protected:
    // fill: LXI H,0C000H; MVI M,3FH; INX H; MVI M,01H; done: JMP done (at
    // 0x9000), the video memory blank, and its symbol file.
    void SetUp() override {
        const Bytes fill = {0x21, 0x00, 0xC0, 0x36, 0x3F, 0x23, 0x36, 0x01, 0xC3, 0x08, 0x90};
        quillet_snapshot* s = quillet_snapshot_new();
        EXPECT_EQ(quillet_load_bytes(s, 0x9000, fill.data(), fill.size()), 0);
        const Bytes blank(QUILLET_VIDEO_SIZE, 0);
        EXPECT_EQ(quillet_load_bytes(s, 0xC000, blank.data(), blank.size()), 0);
        quillet_set_register(s, QUILLET_REG_PC, 0x9000);
        quillet_set_register(s, QUILLET_REG_SP, 0x8000);
        snapshot_ = path("fill.zvk");
        EXPECT_EQ(quillet_write_file(s, snapshot_.c_str(), 0), 0);
        quillet_snapshot_free(s);
        symbols_ = write("fill.sym", "fill EQU 9000H\ndone EQU 9008H\nscreen EQU 0C000H\n");
    }
    std::string write(const std::string& name, const std::string& text) {
        const std::string file = path(name);
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }
    bool exists(const std::string& name) { return std::ifstream(path(name)).good(); }

    std::string snapshot_;
    std::string symbols_;
};

TEST_F(TestListRunTest, EachCaseRunsFromTheSnapshotAndGetsItsLine) {
    const std::string cases = write("cases.txt",
                                    "# fill, checked three ways\r\n"
                                    "--until done --expect-mem screen=3f01     # fill\r\n"
                                    "--until done --expect-mem 0xC001=3f --expect A=0x12 # fill: #2\r\n"
                                    "\r\n"
                                    "--until done --max-instructions 2\r\n"
                                    "--max-instructions 2\r\n"
                                    "--reg PC=fill+3 --until done --expect-mem screen=0000  # from the second\r\n");
    const RunResult run = run_quillet_run({"--symbols", symbols_, "--tests", cases, snapshot_});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out,
              "1..5\n"
              "ok 1 - fill\n"
              "not ok 2 - fill: \\#2: A expected 0x12 found 0x00; memory 0xC001 expected 3f found 01\n"
              "not ok 3 - --until done --max-instructions 2: expected to stop at done (0x9008), reached the "
              "instruction limit 2 at fill+5 (0x9005)\n"
              "not ok 4 - --max-instructions 2: reached the instruction limit 2 at fill+5 (0x9005)\n"
              "ok 5 - from the second\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(TestListRunTest, EveryCaseOkIsStatusZeroAndTheCommandLineGoesToEach) {
    // The coverage file of the command line gathers both cases' runs.
    const std::string cases = write("cases.txt", "--until done\n--call fill --until done --expect-stop until\n");
    const RunResult run = run_quillet_run({"--tests", cases, "--symbols", symbols_, snapshot_, "--coverage",
                                           path("run.cov")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "1..2\nok 1 - --until done\nok 2 - --call fill --until done --expect-stop until\n");
    std::ifstream coverage(path("run.cov"));
    const std::string text((std::istreambuf_iterator<char>(coverage)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("0x9000-0x9007 x 2 fill"), std::string::npos) << text;
}

TEST_F(TestListRunTest, AFileThatCannotBeWrittenFailsItsCaseOnly) {
    const std::string cases =
        write("cases.txt", "--until 0x9008 --screen " + path("missing/s.png") + " # picture\n--until 0x9008 # plain\n");
    const RunResult run = run_quillet_run({"--tests", cases, snapshot_});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "1..2\nnot ok 1 - picture: exit status 10\nok 2 - plain\n");
    EXPECT_NE(run.err.find("missing/s.png"), std::string::npos) << run.err;
}

TEST_F(TestListRunTest, AMalformedCaseNamesItsLineAndNothingRuns) {
    const struct {
        std::string line;  // the file's third line, after two good cases
        std::string err;   // after "quillet-run: "
    } cases[] = {
        {"--bogus", ":3: unknown option '--bogus'\n"},
        {"--until 'done", ":3: unclosed quote in a case\n"},
        {"--until donee", ":3: unknown label in --until 'donee' (nearest: done, screen, fill)\n"},
        {"--call fill --call done", ":3: second --call 'done'\n"},
        {"--json", ":3: does not go with --tests: '--json'\n"},
        {"--peek screen", ":3: does not go with --tests: '--peek'\n"},
        {"--help", ":3: does not go with --tests: '--help'\n"},
        {"--in 300=00", ":3: bad port (0 to 0xFF) in --in '300=00'\n"},
        {"other.zvk", ":3: unexpected argument 'other.zvk'\n"},
        // what the file holds reaches the terminal escaped and cut
        {"--\x1b[2J", ":3: unknown option '--\\x1B[2J'\n"},
        {"x" + std::string(200, 'y'), ":3: unexpected argument 'x" + std::string(79, 'y') + "...'\n"},
    };
    for (const auto& c : cases) {
        const std::string list =
            write("cases.txt", "--until done --screen first.png\n# two\n" + c.line + "\n--until done\n");
        const RunResult run = run_quillet_run({"--symbols", symbols_, "--tests", list, snapshot_});
        EXPECT_EQ(run.status, 64) << c.line;
        EXPECT_EQ(run.out, "") << c.line;
        EXPECT_EQ(run.err, "quillet-run: " + list + c.err + TRY_HELP) << c.line;
        EXPECT_FALSE(exists("first.png")) << c.line;
    }
    const RunResult missing = run_quillet_run({"--tests", path("none.txt"), snapshot_});
    EXPECT_EQ(missing.status, 5);
    EXPECT_EQ(missing.err, "Can't open source file '" + path("none.txt") + "'!\n");
    const RunResult replaced = run_quillet_run({"--tests", write("cases.txt", "--screen " + path("cases.txt") + "\n"), snapshot_});
    EXPECT_EQ(replaced.status, 64);
    EXPECT_EQ(replaced.err, "quillet-run: " + path("cases.txt") + ":1: --screen '" + path("cases.txt") +
                                "' would replace the input --tests '" + path("cases.txt") + "'\n" + TRY_HELP);
}

}  // namespace
