// quillet-run with labels, the stop a test expects, the screen against a
// reference and coverage, end to end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "info_test_support.hpp"
#include "png_pixels.hpp"
#include "quillet/quillet.h"
#include "run/run_driver.hpp"

namespace {

using info_test::Bytes;
using info_test::RunResult;
using info_test::text_field;
using run_test::run_quillet_run;

class NamedChecksTest : public info_test::InfoTest {
protected:
    // A snapshot with `bytes` at `address`, PC there, SP 0x8000, and the
    // video memory present.
    std::string make(const std::string& name, long address, const Bytes& bytes) {
        quillet_snapshot* s = quillet_snapshot_new();
        EXPECT_EQ(quillet_load_bytes(s, address, bytes.data(), bytes.size()), 0);
        const Bytes blank(QUILLET_VIDEO_SIZE, 0);
        EXPECT_EQ(quillet_load_bytes(s, 0xC000, blank.data(), blank.size()), 0);
        quillet_set_register(s, QUILLET_REG_PC, address);
        quillet_set_register(s, QUILLET_REG_SP, 0x8000);
        const std::string file = path(name);
        EXPECT_EQ(quillet_write_file(s, file.c_str(), 0), 0);
        quillet_snapshot_free(s);
        return file;
    }
    std::string write(const std::string& name, const std::string& text) {
        const std::string file = path(name);
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }
    Bytes read(const std::string& name) {
        std::ifstream in(path(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
};

// fill: LXI H,0C000H; MVI M,3FH; INX H; MVI M,01H; done: JMP done (at 0x9000)
const Bytes FILL = {0x21, 0x00, 0xC0, 0x36, 0x3F, 0x23, 0x36, 0x01, 0xC3, 0x08, 0x90};

TEST_F(NamedChecksTest, ARoutineMovedIsStillFoundByItsLabel) {
    // The same routine (A = A + A; RET) after 0 and after 3 NOPs: each
    // build's own symbol file finds it.
    const Bytes routine = {0x87, 0xC9};
    for (int nops = 0; nops <= 3; nops += 3) {
        Bytes code(static_cast<std::size_t>(nops), 0x00);
        code.insert(code.end(), routine.begin(), routine.end());
        const std::string snapshot = make("moved.zvk", 0x9000, code);
        const std::string symbols =
            write("moved.lst", "DOUBLE:             " + std::string(nops ? "9003" : "9000") + " DEFINED AT LINE 4\n");
        const RunResult run = run_quillet_run(
            {"--symbols", symbols, "--reg", "A=21", "--call", "double", "--expect", "A=42", snapshot});
        EXPECT_EQ(run.status, 0) << nops << run.out << run.err;
        EXPECT_EQ(text_field(run.out, "Checks:"), "1, 0 failed");
    }
}

TEST_F(NamedChecksTest, LabelsInEveryAddressAndWhatIsWrongWithThem) {
    const std::string snapshot = make("fill.zvk", 0x9000, FILL);
    const std::string symbols = write("fill.sym", "fill EQU 9000H\ndone: EQU 9008H\nscreen = 0xC000\n");
    const RunResult run = run_quillet_run({"--until", "DONE", "--expect-mem", "screen+1=01", "--peek", "screen..screen+1",
                                           "--reg", "HL=screen-1", "--symbols", symbols, snapshot});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(text_field(run.out, "Stopped:"), "address done (0x9008)");
    EXPECT_NE(run.out.find("c000  3f 01"), std::string::npos) << run.out;

    const struct {
        std::vector<std::string> arguments;
        std::string err;
    } cases[] = {
        {{"--until", "dnoe"}, "quillet-run: unknown label in --until 'dnoe' (nearest: done, fill, screen)\n"},
        {{"--reg", "PC=filll"}, "quillet-run: unknown label in --reg 'filll' (nearest: fill, done, screen)\n"},
        {{"--until", "done+0x10000"}, "quillet-run: bad address (0 to 0xFFFF) for --until 'done+0x10000'\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(), {"--symbols", symbols, snapshot});
        const RunResult bad = run_quillet_run(arguments);
        EXPECT_EQ(bad.status, 64);
        EXPECT_EQ(bad.err, c.err + "Try 'quillet-run --help' for more information.\n");
    }
    const RunResult twice = run_quillet_run({"--symbols", symbols, "--symbols", write("b.sym", "x 1\ndone 9\n"),
                                             "--until", "done", snapshot});
    EXPECT_EQ(twice.status, 64);
    EXPECT_EQ(twice.err.substr(0, twice.err.find('\n')),
              "quillet-run: " + path("b.sym") + ":2: label 'done' is 0x0009 here but 0x9008 at " + symbols + ":2");
}

// A failed check names the label it was given, as given, with its value;
// one given a number names the number.
TEST_F(NamedChecksTest, AFailedCheckNamesTheLabelItWasGiven) {
    const std::string snapshot = make("fill.zvk", 0x9000, FILL);
    const std::string symbols = write("fill.sym", "done: EQU 9008H\nscreen = 0xC000\n");
    const struct {
        std::vector<std::string> check;
        std::string failure;
    } cases[] = {
        {{"--expect-mem", "screen=ff"}, "  FAILED memory screen (0xC000): expected ff, found 3f"},
        {{"--expect-mem", "SCREEN+1=ff"}, "  FAILED memory SCREEN+1 (0xC001): expected ff, found 01"},
        {{"--expect-mem", "0xC000=ff"}, "  FAILED memory 0xC000: expected ff, found 3f"},
        {{"--expect", "HL=screen+5"}, "  FAILED HL: expected screen+5 (0xC005), found 0xC001"},
        {{"--expect", "HL=0xC005"}, "  FAILED HL: expected 0xC005, found 0xC001"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = c.check;
        arguments.insert(arguments.end(), {"--until", "done", "--symbols", symbols, snapshot});
        const RunResult run = run_quillet_run(arguments);
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_NE(run.out.find(c.failure + "\n"), std::string::npos) << run.out;
    }
}

TEST_F(NamedChecksTest, TracesAndTheStopLineShowLabels) {
    const std::string snapshot = make("fill.zvk", 0x9000, FILL);
    const std::string symbols = write("fill.sym", "fill EQU 9000H\nstore EQU 9004H\ndone EQU 9008H\n");
    const RunResult run = run_quillet_run({"--symbols", symbols, "--max-instructions", "6", "--expect-stop", "limit",
                                           "--trace", path("t.txt"), snapshot});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(text_field(run.out, "Stopped:"), "instruction limit 6 at done (0x9008)");
    const Bytes trace = read("t.txt");
    const std::string text(trace.begin(), trace.end());
    // A line for the label before each instruction at its address; the
    // jump's target named; no line for the label inside an instruction.
    // (The state counts are the machine's, with the video's waits.)
    EXPECT_EQ(text.rfind("fill:\n           0  9000  21 00 C0  LXI H,0C000H                AF=", 0), 0u) << text;
    const std::string jump = "  9008  C3 08 90  JMP done (0x9008)           AF=";
    std::size_t jumps = 0;
    for (std::size_t at = text.find(jump); at != std::string::npos; at = text.find(jump, at + 1)) {
        const std::size_t line = text.rfind('\n', at);
        EXPECT_EQ(text.compare(line - 6, 7, "\ndone:\n"), 0) << text;
        ++jumps;
    }
    EXPECT_EQ(jumps, 2u) << text;
    EXPECT_EQ(text.find("store:"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 9);
    // Without labels, the stop line and the trace are as ever.
    const RunResult plain = run_quillet_run({"--max-instructions", "6", "--trace", path("u.txt"), snapshot});
    EXPECT_EQ(text_field(plain.out, "Stopped:"), "instruction limit 6 at 0x9008");
    const Bytes untraced = read("u.txt");
    EXPECT_NE(std::string(untraced.begin(), untraced.end()).find("  JMP 9008H                   AF="), std::string::npos);
}

TEST_F(NamedChecksTest, TheStopATestExpects) {
    // MVI A,1; HLT; NOP; done: MVI A,2 (at 0x9000)
    const std::string halts = make("halt.zvk", 0x9000, {0x3E, 0x01, 0x76, 0x00, 0x3E, 0x02});
    const std::string symbols = write("halt.sym", "done 9004h\n");
    const struct {
        std::vector<std::string> options;
        int status;
        std::string failure;  // the line after "Stopped:", "" when none
    } cases[] = {
        // The HLT at 0x9002 is named by its own address, as the Stopped: line does.
        {{"--until", "done"}, 1, "  FAILED expected to stop at done (0x9004), halted at 0x9002"},
        {{"--until", "0x9005"}, 1, "  FAILED expected to stop at done+1 (0x9005), halted at 0x9002"},
        {{"--until", "done", "--expect-stop", "halt"}, 0, ""},
        {{"--expect-stop", "until"}, 1, "  FAILED expected to stop at an --until address, halted at 0x9002"},
        {{"--expect-stop", "limit", "--max-instructions", "1"}, 0, ""},
        {{"--until", "done", "--max-instructions", "1"}, 66,
         "  FAILED expected to stop at done (0x9004), reached the instruction limit 1 at 0x9002"},
        {{}, 0, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = c.options;
        arguments.insert(arguments.end(), {"--symbols", symbols, halts});
        const RunResult run = run_quillet_run(arguments);
        EXPECT_EQ(run.status, c.status) << run.out << run.err;
        const std::size_t stopped = run.out.find("Stopped:");
        const std::size_t next = run.out.find('\n', stopped) + 1;
        const std::string line = run.out.substr(next, run.out.find('\n', next) - next);
        EXPECT_EQ(line.rfind("  FAILED", 0) == 0 ? line : "", c.failure) << run.out;
    }
    const RunResult bad = run_quillet_run({"--expect-stop", "hlt", halts});
    EXPECT_EQ(bad.status, 64);
}

TEST_F(NamedChecksTest, TheScreenAgainstAReferencePicture) {
    const std::string snapshot = make("fill.zvk", 0x9000, FILL);
    ASSERT_EQ(run_quillet_run({"--until", "0x9008", "--screen", path("ref.png"), "--scale", "2", snapshot}).status, 0);
    // The same run is equal; a run that lights one more pixel (bit 1 of the
    // byte at 0xC001, at x 7) is one pixel off.
    const RunResult equal = run_quillet_run({"--until", "0x9008", "--expect-screen", path("ref.png"), snapshot});
    EXPECT_EQ(equal.status, 0) << equal.out << equal.err;
    const Bytes off_by_one = {0x21, 0x00, 0xC0, 0x36, 0x3F, 0x23, 0x36, 0x03, 0xC3, 0x08, 0x90};
    const std::string other = make("other.zvk", 0x9000, off_by_one);
    const RunResult off = run_quillet_run(
        {"--until", "0x9008", "--expect-screen", path("ref.png"), "--screen-diff", path("diff.png"), other});
    EXPECT_EQ(off.status, 1);
    EXPECT_NE(off.out.find("  FAILED screen: expected " + path("ref.png") +
                           ", found 1 pixel differs, the first at x 7 y 0 (0xC001 bit 1)\n"),
              std::string::npos)
        << off.out;
    info_test::Picture diff;
    std::string error;
    ASSERT_TRUE(info_test::decode_png(read("diff.png"), &diff, &error)) << error;
    ASSERT_EQ(diff.width, 288);
    ASSERT_EQ(diff.height, 256);
    for (int x = 0; x < 12; ++x) {
        const bool reference_lit = x < 6 || x == 6;
        const info_test::Rgb expected = x == 7 ? info_test::Rgb{0xFF, 0, 0}
                                        : reference_lit ? info_test::Rgb{0x40, 0x40, 0x40}
                                                        : info_test::Rgb{0, 0, 0};
        EXPECT_EQ(diff.at(x, 0), expected) << x;
    }
    EXPECT_EQ(diff.at(0, 1), (info_test::Rgb{0, 0, 0}));
    const RunResult tolerated = run_quillet_run(
        {"--until", "0x9008", "--expect-screen", path("ref.png"), "--screen-tolerance", "1", other});
    EXPECT_EQ(tolerated.status, 0);
    // A raw video image as the reference, and references that are neither.
    Bytes video(QUILLET_VIDEO_SIZE, 0);
    video[0] = 0x3F;
    video[1] = 0x03;
    std::ofstream(path("video.bin"), std::ios::binary).write(reinterpret_cast<const char*>(video.data()), video.size());
    EXPECT_EQ(run_quillet_run({"--until", "0x9008", "--expect-screen", path("video.bin"), other}).status, 0);
    const RunResult wrong = run_quillet_run({"--expect-screen", write("short.bin", "abc"), other});
    EXPECT_EQ(wrong.status, 64);
    EXPECT_EQ(wrong.err.substr(0, wrong.err.find('\n')),
              "quillet-run: reference screen is neither a PNG picture of the screen nor a 16384-byte video memory "
              "image '" + path("short.bin") + "'");
}

TEST_F(NamedChecksTest, CoverageOfTwoRunsAddsUp) {
    // main: CALL used; HLT; used: RET; unused: RET (at 0x9000)
    const std::string snapshot = make("cov.zvk", 0x9000, {0xCD, 0x04, 0x90, 0x76, 0xC9, 0xC9});
    const std::string symbols = write("cov.sym", "main 9000h\nused 9004h\nunused 9005h\n");
    for (int run = 0; run < 2; ++run) {
        const RunResult result =
            run_quillet_run({"--coverage", path("cov.txt"), "--symbols", symbols, "--expect-stop", "halt", snapshot});
        EXPECT_EQ(result.status, 0) << result.err;
    }
    const Bytes text = read("cov.txt");
    EXPECT_EQ(std::string(text.begin(), text.end()),
              "# quillet coverage: FIRST[-LAST] KIND COUNT [LABEL]\n"
              "0x7FFE-0x7FFF r 2\n"
              "0x7FFE-0x7FFF w 2\n"
              "0x9000-0x9004 x 2 main\n");
    const RunResult summary = info_test::run_info({"--coverage", path("cov.txt"), "--symbols", symbols, snapshot});
    EXPECT_EQ(summary.status, 0) << summary.err;
    EXPECT_EQ(summary.out, "83 % of code bytes executed; never run: unused\n");  // 5 of 6 bytes
    write("cov.txt", "0x9000 x 1\nnonsense\n");
    const RunResult bad = run_quillet_run({"--coverage", path("cov.txt"), snapshot});
    EXPECT_EQ(bad.status, 64);
    EXPECT_EQ(bad.err.substr(0, bad.err.find('\n')),
              "quillet-run: " + path("cov.txt") + ":2: not a coverage line: 'nonsense'");
    const Bytes kept = read("cov.txt");
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "0x9000 x 1\nnonsense\n");
}

// The bytes a routine that ran in part never executed are named by their
// offsets from its label; a routine that never ran by its label alone.
TEST_F(NamedChecksTest, CoverageNamesTheBytesARoutineSkipped) {
    const struct {
        Bytes code;  // "main" at 0x9000, ending in HLT; "tail", a RET never called, after it
        std::string summary;
    } cases[] = {
        // XRA A; JZ 9006H; NOP; NOP; HLT: the NOPs are jumped over.
        {{0xAF, 0xCA, 0x06, 0x90, 0x00, 0x00, 0x76}, "62 % of code bytes executed; never run: main+4..main+5, tail"},
        // XRA A; JZ 9005H; NOP; HLT: one byte.
        {{0xAF, 0xCA, 0x05, 0x90, 0x00, 0x76}, "71 % of code bytes executed; never run: main+4, tail"},
        // Two gaps: XRA A; JZ 9006H; NOP; NOP; JZ 900BH; NOP; NOP; HLT.
        {{0xAF, 0xCA, 0x06, 0x90, 0x00, 0x00, 0xCA, 0x0B, 0x90, 0x00, 0x00, 0x76},
         "61 % of code bytes executed; never run: main+4..main+5, main+9..main+10, tail"},
    };
    for (const auto& c : cases) {
        Bytes code = c.code;
        code.push_back(0xC9);
        const std::string snapshot = make("part.zvk", 0x9000, code);
        char tail[32];
        std::snprintf(tail, sizeof tail, "tail %zxh\n", 0x9000 + c.code.size());
        const std::string symbols = write("part.sym", std::string("main 9000h\n") + tail);
        std::remove(path("part.cov").c_str());
        const RunResult run = run_quillet_run(
            {"--coverage", path("part.cov"), "--symbols", symbols, "--expect-stop", "halt", snapshot});
        EXPECT_EQ(run.status, 0) << run.err;
        const RunResult summary = info_test::run_info({"--coverage", path("part.cov"), "--symbols", symbols, snapshot});
        EXPECT_EQ(summary.status, 0) << summary.err;
        EXPECT_EQ(summary.out, c.summary + "\n");
    }
}

}  // namespace
