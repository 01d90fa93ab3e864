// quillet-run on snapshots, end to end: the machine it builds, where it
// stops, its checks and exit statuses, and what it writes. The snapshots
// are made in the test through the library; quillet-info and quillet read
// back what quillet-run writes.
#include <gtest/gtest.h>

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
using run_test::run_on_bare_8080;
using run_test::run_quillet_run;

struct Code {
    long address;
    Bytes bytes;
};

class SnapshotRunTest : public info_test::InfoTest {
protected:
    // A V2A snapshot with `code` in memory, PC and SP as given, interrupts
    // enabled or not; absent blocks stay absent.
    std::string make(const std::vector<Code>& code, long pc, long sp = 0x8000, bool interrupts = false) {
        quillet_snapshot* s = quillet_snapshot_new();
        for (const Code& piece : code) {
            EXPECT_EQ(quillet_load_bytes(s, piece.address, piece.bytes.data(), piece.bytes.size()), 0);
        }
        quillet_set_register(s, QUILLET_REG_PC, pc);
        quillet_set_register(s, QUILLET_REG_SP, sp);
        quillet_set_interrupts(s, interrupts ? 1 : 0);
        const std::string file = path("in.zvk");
        EXPECT_EQ(quillet_write_file(s, file.c_str(), 0), 0);
        quillet_snapshot_free(s);
        return file;
    }
};

// At 0x9000: MVI A,5; MVI B,7; ADD B; LXI H,0C000H; MOV M,A; RET
const Code ROUTINE = {0x9000, {0x3E, 0x05, 0x06, 0x07, 0x80, 0x21, 0x00, 0xC0, 0x77, 0xC9}};

TEST_F(SnapshotRunTest, StopsWhereAskedAndSaysWhy) {
    const struct {
        std::vector<Code> code;
        long pc;
        bool interrupts;
        std::vector<std::string> options;
        int status;
        std::string stopped;
        std::string instructions;
    } cases[] = {
        // A routine called from PC 0x1234 returns there with SP as before.
        {{ROUTINE}, 0x1234, false, {"--call", "0x9000"}, 0, "return to 0x1234", "6"},
        // An --until at the first instruction runs nothing.
        {{ROUTINE}, 0x9000, false, {"--until", "0x9000"}, 0, "address 0x9000", "0"},
        {{ROUTINE}, 0x9000, false, {"--until", "0x9008"}, 0, "address 0x9008", "4"},
        // Numbers as an assembler writes them; a leading zero is decimal.
        {{ROUTINE}, 0x1234, false, {"--call", "9000H"}, 0, "return to 0x1234", "6"},
        {{{0x0000, Bytes(16, 0x00)}}, 0x0000, false, {"--until", "010"}, 0, "address 0x000A", "10"},
        {{{0x0000, Bytes(16, 0x00)}}, 0x0000, false, {"--max-instructions", "010"}, 66,
         "instruction limit 10 at 0x000A", "10"},
        // An address never reached: the limit, 66.
        {{{0x9000, {0xC3, 0x00, 0x90}}}, 0x9000, false, {"--until", "0x1000", "--max-states", "1000"}, 66,
         "state limit 1000 at 0x9000 (--max-states raises it)", "100"},
        {{{0x9000, {0xC3, 0x00, 0x90}}}, 0x9000, false, {"--max-instructions", "7"}, 66,
         "instruction limit 7 at 0x9000", "7"},
        // HLT stops the run whether interrupts are enabled or not: nothing raises one.
        // It names the HLT's own address; PC is the next one.
        {{{0x9000, {0x00, 0x76}}}, 0x9000, false, {}, 0, "halt at 0x9001", "2"},
        {{{0x9000, {0xFB, 0x76}}}, 0x9000, true, {}, 0, "halt at 0x9001", "2"},
        {{{0xFFFF, {0x76}}}, 0xFFFF, false, {}, 0, "halt at 0xFFFF", "1"},
    };
    for (const auto& item : cases) {
        std::vector<std::string> arguments = item.options;
        arguments.push_back(make(item.code, item.pc, 0x8000, item.interrupts));
        SCOPED_TRACE(arguments.front());
        const RunResult run = run_on_bare_8080(arguments);
        EXPECT_EQ(run.status, item.status) << run.err;
        EXPECT_EQ(text_field(run.out, "Stopped:"), item.stopped);
        EXPECT_EQ(text_field(run.out, "Instructions:"), item.instructions);
    }
}

TEST_F(SnapshotRunTest, ChecksPassOrEachFailureIsNamed) {
    const std::string in = make({ROUTINE}, 0x1234);
    const RunResult pass = run_on_bare_8080({"--call", "0x9000", "--expect", "a=0x0C", "--expect", "HL=0xC000",
                                            "--expect-flag", "CY=0", "--expect-mem", "0xC000=0c", in});
    EXPECT_EQ(pass.status, 0) << pass.out;
    EXPECT_EQ(text_field(pass.out, "Checks:"), "4, 0 failed");

    const RunResult fail = run_on_bare_8080({"--call", "0x9000", "--expect", "A=0x0D", "--expect", "B=7",
                                            "--expect-flag", "Z=1", "--expect-mem", "0xC000=0c0d", in});
    EXPECT_EQ(fail.status, 1);
    EXPECT_EQ(text_field(fail.out, "Checks:"), "4, 3 failed");
    EXPECT_NE(fail.out.find("  FAILED A: expected 0x0D, found 0x0C\n"), std::string::npos) << fail.out;
    EXPECT_NE(fail.out.find("  FAILED flag Z: expected 1, found 0\n"), std::string::npos);
    EXPECT_NE(fail.out.find("  FAILED memory 0xC000: expected 0c0d, found 0c00\n"), std::string::npos);
    EXPECT_EQ(fail.out.find("FAILED B"), std::string::npos);
}

TEST_F(SnapshotRunTest, ARomImageIsReadAndWritesGoBeneathIt) {
    dir_.write("rom.bin", {0x42, 0x43});
    // LDA 8000H; MOV B,A; MVI A,99H; STA 8000H; LDA 8000H; HLT
    const std::string in =
        make({{0x0100, {0x3A, 0x00, 0x80, 0x47, 0x3E, 0x99, 0x32, 0x00, 0x80, 0x3A, 0x00, 0x80, 0x76}}}, 0x0100);
    const RunResult run = run_on_bare_8080(
        {"--rom-at", "0x8000", path("rom.bin"), "--expect", "B=0x42", "--expect", "A=0x42", "--expect-mem",
         "0x8000=99", "-o", path("out.zvk"), in});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    Bytes out = dir_.read("out.zvk");
    quillet_snapshot* s = quillet_snapshot_new();
    ASSERT_EQ(quillet_read_bytes(s, out.data(), out.size(), nullptr), 0);
    std::uint8_t byte = 0;
    quillet_read_memory(s, 0x8000, &byte, 1);
    EXPECT_EQ(byte, 0x99) << "the RAM beneath the image goes into the snapshot";
    EXPECT_EQ(quillet_rom_length(s), 0u) << "the image is not the snapshot's ROM module";
    quillet_snapshot_free(s);
}

TEST_F(SnapshotRunTest, TheSnapshotAfterTheRunReadsBackInBothPrograms) {
    const std::string in = make({ROUTINE}, 0x1234, 0x7000);
    const RunResult run = run_on_bare_8080({"--call", "0x9000", "-o", path("after.zvk"), in});
    ASSERT_EQ(run.status, 0) << run.err;
    const RunResult info = info_test::run_info({path("after.zvk")});
    EXPECT_EQ(text_field(info.out, "Registers:"), "AF=0x0C06 BC=0x0700 DE=0x0000 HL=0xC000 PC=0x1234 SP=0x7000");
    EXPECT_EQ(info_test::block_line(info.out, 0), "0x0000-0x3FFF   absent") << "a block left all zero stays absent";
    EXPECT_EQ(info_test::block_line(info.out, 1).substr(0, 29), "0x4000-0x7FFF   present, raw ")
        << "the call's return address went on the stack there";
    EXPECT_EQ(info_test::block_line(info.out, 3).substr(0, 29), "0xC000-0xFFFF   present, raw ")
        << "the run wrote the video memory";
    // As a template of quillet: the registers and memory as the run left them.
    const RunResult again = info_test::run_quillet({"-o", path("again.zvk"), "-zvk", path("after.zvk")});
    ASSERT_EQ(again.status, 0) << again.err;
    const RunResult peek = info_test::run_info({"--peek", "0xC000", path("again.zvk")});
    EXPECT_EQ(peek.out.substr(0, 9), "c000  0c ");
}

TEST_F(SnapshotRunTest, PortsGiveTheirBytesAndTheWritesAreLogged) {
    // IN 10H; OUT 20H; IN 10H; OUT 20H; IN 10H; OUT 21H; HLT
    const std::string in =
        make({{0x0000, {0xDB, 0x10, 0xD3, 0x20, 0xDB, 0x10, 0xD3, 0x20, 0xDB, 0x10, 0xD3, 0x21, 0x76}}}, 0);
    const RunResult run = run_on_bare_8080({"--in", "0x10=5aA5", "--out-log", "--json", in});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("  \"out_log\": [\n    {\"port\": 32, \"value\": 90, \"state\": 20},\n"
                           "    {\"port\": 32, \"value\": 165, \"state\": 40},\n"
                           "    {\"port\": 33, \"value\": 255, \"state\": 60}\n  ]"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\"stop\": \"halt\",\n  \"pc\": 13,\n  \"halt_address\": 12,\n"), std::string::npos);
    EXPECT_NE(run.out.find("\"status\": 0\n}"), std::string::npos);
}

TEST_F(SnapshotRunTest, TheTraceHasALinePerInstructionUpToItsLimit) {
    const std::string in = make({ROUTINE}, 0x9000);
    const RunResult run =
        run_on_bare_8080({"--until", "0x9009", "--trace", path("trace.txt"), "--trace-limit", "3", in});
    ASSERT_EQ(run.status, 0) << run.err;
    const Bytes trace = dir_.read("trace.txt");
    EXPECT_EQ(std::string(trace.begin(), trace.end()),
              "           0  9000  3E 05     MVI A,05H                   AF=0046 BC=0000 DE=0000 HL=0000 SP=8000  "
              "S=0 Z=1 AC=0 P=1 CY=0\n"
              "           7  9002  06 07     MVI B,07H                   AF=0546 BC=0000 DE=0000 HL=0000 SP=8000  "
              "S=0 Z=1 AC=0 P=1 CY=0\n"
              "          14  9004  80        ADD B                       AF=0546 BC=0700 DE=0000 HL=0000 SP=8000  "
              "S=0 Z=1 AC=0 P=1 CY=0\n");
    EXPECT_EQ(text_field(run.out, "Instructions:"), "5") << "the run goes on past the trace";
}

TEST_F(SnapshotRunTest, TheScreenIsTheVideoMemoryTheProgramDrew) {
    // 0000: LXI H,0C000H; loop: MOV A,L; ANI 3FH; MOV M,A; INX H; MOV A,H;
    // ORA L; JNZ loop; HLT: every byte of a line is its offset's low six bits.
    const std::string in =
        make({{0x0000, {0x21, 0x00, 0xC0, 0x7D, 0xE6, 0x3F, 0x77, 0x23, 0x7C, 0xB5, 0xC2, 0x03, 0x00, 0x76}}}, 0);
    const RunResult run = run_on_bare_8080({"--screen", path("screen.png"), in});
    ASSERT_EQ(run.status, 0) << run.err;
    info_test::Picture picture;
    std::string error;
    ASSERT_TRUE(info_test::decode_png(dir_.read("screen.png"), &picture, &error)) << error;
    ASSERT_EQ(picture.width, 288);
    ASSERT_EQ(picture.height, 256);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 288; ++x) {
            const int byte = (x / 6) & 0x3F;
            const bool lit = (byte >> (x % 6)) & 1;
            const info_test::Rgb expected = lit ? info_test::Rgb{0xFF, 0xFF, 0xFF} : info_test::Rgb{0, 0, 0};
            ASSERT_EQ(picture.at(x, y), expected) << x << "," << y;
        }
    }
    // Without video memory after the run: 65, and no file.
    const std::string blank = make({{0x0000, {0x76}}}, 0);
    const RunResult none = run_on_bare_8080({"--screen", path("none.png"), "-o", path("none.zvk"), blank});
    EXPECT_EQ(none.status, 65);
    EXPECT_EQ(none.err, "No screen in '" + blank + "': block 3 (0xC000-0xFFFF), the video memory, is absent!\n");
    EXPECT_FALSE(dir_.exists("none.png"));
    EXPECT_FALSE(dir_.exists("none.zvk"));
}

TEST_F(SnapshotRunTest, BadValuesAreUsageErrorsNamingTheText) {
    const std::string in = make({ROUTINE}, 0x9000);
    dir_.write("big.bin", Bytes(0x1001, 0));
    dir_.write("empty.com", {});
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{"--reg", "IX=1", in}, "unknown register in --reg 'IX=1'"},
        {{"--reg", "A=0x100", in}, "bad register value (A is 0 to 0xFF) in --reg 'A=0x100'"},
        {{"--expect", "HL=C000H", in}, "bad register value (HL is 0 to 0xFFFF) in --expect 'HL=C000H'"},
        {{"--expect", "HL=69104", in}, "bad register value (HL is 0 to 0xFFFF) in --expect 'HL=69104'"},
        {{"--poke", "65536=00", in}, "bad address (0 to 0xFFFF) in --poke '65536=00'"},
        {{"-o=out.zvk", in}, "short option value starts with '=' '-o=out.zvk'"},
        {{"--expect-flag", "N=1", in}, "unknown flag in --expect-flag 'N=1'"},
        {{"--expect-flag", "Z=2", in}, "bad flag value in --expect-flag 'Z=2'"},
        {{"--poke", "0xFFFF=0102", in}, "bytes past 0xFFFF in --poke '0xFFFF=0102'"},
        {{"--expect-mem", "0x10=1", in}, "bad hexadecimal bytes in --expect-mem '0x10=1'"},
        {{"--until", "0x10000", in}, "bad address (0 to 0xFFFF) for --until '0x10000'"},
        {{"--max-states", "0", in}, "bad count (1 to 18446744073709551615) for --max-states '0'"},
        {{"--trace-limit", "18446744073709551616", in},
         "bad count (1 to 18446744073709551615) for --trace-limit '18446744073709551616'"},
        {{"--screen-tolerance", "73729", in}, "bad pixel count (0 to 73728) for --screen-tolerance '73729'"},
        {{"--in", "0x100=00", in}, "bad port (0 to 0xFF) in --in '0x100=00'"},
        {{"--peek", "0xFFFF+2", in}, "range past 0xFFFF '0xFFFF+2'"},
        {{"--call", "1", "--call", "2", in}, "second --call '2'"},
        {{"--scale", "2", in}, "--scale needs --screen OUT.png '2'"},
        {{"--bare", "--rom-at", "0xF000", path("big.bin"), in},
         "--rom-at image does not fit below 0x10000: '" + path("big.bin") + "'"},
        {{"--bare", "--rom-at", "0x8000", in, "--rom-at", "0x8100", in, in},
         "--rom-at image overlaps another: '" + in + "'"},
        // The PMD 85's options and the bare 8080's do not mix.
        {{"--rom-at", "0x8000", in, in}, "goes only with --bare: '--rom-at'"},
        {{"--bare", "--monitor", in, in}, "does not go with --bare: '--monitor'"},
        {{"--cpm", path("empty.com"), "--type", "A"}, "does not go with --cpm: '--type'"},
        {{"--boot", in}, "--boot needs --monitor FILE"},
        {{"--expect-text", "OK", in}, "--expect-text needs --monitor FILE, whose font reads the screen 'OK'"},
        {{"--until-text", "", in}, "empty text for --until-text ''"},
        {{"--monitor", path("big.bin"), in},
         "--monitor image of 4097 bytes does not fit the V2A (it takes 4096 or 8192 bytes): '" +
             path("big.bin") + "'"},
        {{"--type", "{F13}", in}, "cannot type with --type: Bad key 'F13': the V2A keyboard has no key of that name"},
        {{"--stats", in}, "goes only with --cpm: '--stats'"},
        // An empty program is refused, as an empty ROM image is.
        {{"--cpm", path("empty.com")}, "--cpm needs a file of 1 byte or more: '" + path("empty.com") + "'"},
        {{in, in}, "unexpected argument '" + in + "'"},
        {{"--bogus", in}, "unknown option '--bogus'"},
        {{"--until"}, "missing value for '--until'"},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.message);
        const RunResult run = run_quillet_run(item.arguments);
        EXPECT_EQ(run.status, 64);
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')), "quillet-run: " + item.message);
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(SnapshotRunTest, TheSnapshotMayComeFromStandardInput) {
    const Bytes snapshot = dir_.read(make({ROUTINE}, 0x9000).substr(dir_.path().size() + 1));
    const RunResult run = run_on_bare_8080({"--until", "0x9005", "--expect", "A=0x0C", "--json", "-"}, snapshot);
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string start = "{\n  \"snapshot\": \"-\",\n  \"stop\": \"address\",\n";
    EXPECT_EQ(run.out.substr(0, start.size()), start);
    EXPECT_EQ(run.out.find("halt_address"), std::string::npos);  // only for a run that halted
    const RunResult truncated = run_on_bare_8080({"-"}, Bytes(snapshot.begin(), snapshot.begin() + 100));
    EXPECT_EQ(truncated.status, 9);
}

TEST_F(SnapshotRunTest, AnUnreadableSnapshotGivesTheReadersCodeAndMessage) {
    const RunResult missing = run_on_bare_8080({path("missing.zvk")});
    EXPECT_EQ(missing.status, 5);
    EXPECT_EQ(missing.err, "Can't open source file '" + path("missing.zvk") + "'!\n");
    EXPECT_EQ(missing.out, "");
}

}  // namespace
