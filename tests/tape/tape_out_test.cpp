// What a program saves, end to end: MGSV typed on monitors 1, 2 and 3
// saves a range that quillet-run --tape-out writes (PTP, WAV, PMD by the
// name), quillet-tape lists, and MGLD in a second run loads back byte for
// byte; the report says what was saved; --tape-out never replaces a file
// the run reads, and a run that saved nothing writes nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/pmd85_roms.hpp"
#include "support/temp_dir.hpp"
#include "tape/program_run.hpp"

namespace {

using quillet_test::TempDir;
using quillet_test::Outcome;
using quillet_test::run_in;

// An empty snapshot of `model` ("V1"...): a HLT at 0, for the runs that boot.
std::string empty_snapshot(const TempDir& dir, const char* model) {
    const std::string name = std::string("empty-") + model + ".zvk";
    const Outcome made = run_in(dir, QUILLET_EXECUTABLE, {"-cm", model, "-hex", "0", "76", "-o", name});
    EXPECT_EQ(made.status, 0) << made.out << made.err;
    return name;
}

const std::string SAVED = "0123456789ABCDEFFEDCBA9876543210";

struct SaveCase {
    const char* monitor;
    const char* model;
    const char* stopped;  // the monitor's words when the save is done
    const char* tape;     // --tape-out's name: its form
    const char* form;     // as quillet-tape lists it
};

TEST(TapeOut, MgsvSavesARangeThatMgldLoadsBack) {
    const std::string roms = quillet::test::pmd85_roms_dir();
    if (roms.empty()) GTEST_SKIP() << quillet::test::NO_PMD85_ROMS;
    const SaveCase cases[] = {
        {"monit1.rom", "V1", "MG STOP !", "saved.ptp", "PTP image"},
        {"monit2.rom", "V2", "Mg stop!", "saved.wav", "WAV recording"},
        {"monit3.rom", "V3", "Mg stop!", "saved.pmd", "PMD image"},
    };
    for (const SaveCase& c : cases) {
        SCOPED_TRACE(c.monitor);
        TempDir dir;
        const std::string monitor = roms + "/" + c.monitor;
        const std::string snapshot = empty_snapshot(dir, c.model);
        // SUB stores the bytes and offers the next address; CLR clears that.
        const Outcome saved = run_in(dir, QUILLET_RUN_EXECUTABLE,
                                     {"--boot", "--monitor", monitor, "--type", "SUB 7000 " + SAVED + "{EOL}{CLR}",
                                      "--type", "MGSV 07 7000 700F DATA{EOL}", "--until-text", c.stopped,
                                      "--max-states", "100000000", "--tape-out", c.tape, snapshot});
        ASSERT_EQ(saved.status, 0) << saved.out << saved.err;
        EXPECT_NE(saved.out.find("\nTape out:          2 blocks, 1 file: 07 DATA (16 bytes)\nRegisters:"),
                  std::string::npos)
            << saved.out;

        const Outcome listed = run_in(dir, QUILLET_TAPE_EXECUTABLE, {c.tape});
        EXPECT_EQ(listed.status, 0) << listed.err;
        EXPECT_EQ(listed.out, std::string(c.tape) + ": " + c.form +
                                  ", 1 file\n"
                                  "No  Type  Start  Length  Name      Header  Data\n"
                                  "07  ?     7000       16  DATA      ok      ok\n");

        const Outcome loaded = run_in(dir, QUILLET_RUN_EXECUTABLE,
                                      {"--boot", "--monitor", monitor, "--tape", c.tape, "--type", "MGLD 07{EOL}",
                                       "--max-states", "40000000", "--expect-stop", "limit", "--expect-mem",
                                       "0x7000=" + SAVED, snapshot});
        EXPECT_EQ(loaded.status, 0) << loaded.out << loaded.err;
        EXPECT_NE(loaded.out.find("Tape:              2 of 2 blocks played, none rejected\n"), std::string::npos)
            << loaded.out;
    }
}

// MATO has no 8251: its MGSV sends on PC0 as pulses, and the file comes
// out as the PMD 85's (its tape input is not modelled, so quillet-tape
// reads it back).
TEST(TapeOut, MatoSavesOnPc0AFileQuilletTapeExtracts) {
    const std::string roms = quillet::test::pmd85_roms_dir();
    if (roms.empty()) GTEST_SKIP() << quillet::test::NO_PMD85_ROMS;
    TempDir dir;
    const Outcome made = run_in(dir, QUILLET_EXECUTABLE, {"-cm", "MATO", "-hex", "0", "76", "-hex", "0x7000", SAVED, "-o", "m.zvk"});
    ASSERT_EQ(made.status, 0) << made.out << made.err;
    const Outcome saved = run_in(dir, QUILLET_RUN_EXECUTABLE,
                                 {"--boot", "--monitor", roms + "/mato-mb.rom", "--type", "MGSV 07 7000 700F DATA{EOL}",
                                  "--until-text", "MG STOP", "--max-states", "60000000", "--tape-out", "mato.ptp", "m.zvk"});
    ASSERT_EQ(saved.status, 0) << saved.out << saved.err;
    EXPECT_NE(saved.out.find("\nTape out:          2 blocks, 1 file: 07 DATA (16 bytes)\n"), std::string::npos)
        << saved.out;
    const Outcome extracted = run_in(dir, QUILLET_TAPE_EXECUTABLE, {"-x", "out", "mato.ptp"});
    EXPECT_EQ(extracted.status, 0) << extracted.out << extracted.err;
    EXPECT_EQ(dir.read("out/01-DATA.bin"),
              (std::vector<std::uint8_t>{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xFE, 0xDC, 0xBA, 0x98, 0x76,
                                         0x54, 0x32, 0x10}));
}

// BASIC's SAVE on monitor 2A goes through the monitor's save, so the
// program comes back with LOAD in a second run and LISTs as typed. BASIC
// hands the monitor the rest of the line after the file number as the
// name, unparsed: the closing quote is part of it (as on the real thing).
// The keys after SAVE and LOAD wait for BASIC to read the keyboard again.
TEST(TapeOut, BasicSavesAProgramThatLoadLoadsBack) {
    const std::string roms = quillet::test::pmd85_roms_dir();
    if (roms.empty()) GTEST_SKIP() << quillet::test::NO_PMD85_ROMS;
    TempDir dir;
    const Outcome made =
        run_in(dir, QUILLET_EXECUTABLE, {"-cm", "V2A", "-hex", "0", "00", "-rom", roms + "/basic2A.rmm", "-o", "b.zvk"});
    ASSERT_EQ(made.status, 0) << made.out << made.err;
    const std::string monitor = roms + "/monit2A.rom";
    const Outcome saved = run_in(dir, QUILLET_RUN_EXECUTABLE,
                                 {"--boot", "--monitor", monitor, "--type",
                                  "10 REM SAVED{EOL}20 PRINT 6*7{EOL}SAVE 5 \"AB\"{EOL}PRINT \"DO\";\"NE\"{EOL}",
                                  "--until-text", "DONE", "--max-states", "100000000", "--tape-out", "basic.ptp", "b.zvk"});
    ASSERT_EQ(saved.status, 0) << saved.out << saved.err;
    EXPECT_NE(saved.out.find("\nTape out:          2 blocks, 1 file: 05 AB\" (25 bytes)\n"), std::string::npos)
        << saved.out;
    const Outcome listed = run_in(dir, QUILLET_TAPE_EXECUTABLE, {"basic.ptp"});
    EXPECT_EQ(listed.out,
              "basic.ptp: PTP image, 1 file\n"
              "No  Type  Start  Length  Name      Header  Data\n"
              "05  >     2401       25  AB\"       ok      ok\n");

    const Outcome loaded = run_in(dir, QUILLET_RUN_EXECUTABLE,
                                  {"--boot", "--monitor", monitor, "--tape", "basic.ptp", "--type", "LOAD 5{EOL}LIST{EOL}", "--until-text", "20 PRINT 6*7", "--max-states",
                                   "100000000", "--screen-text", "b.zvk"});
    EXPECT_EQ(loaded.status, 0) << loaded.out << loaded.err;
    EXPECT_NE(loaded.out.find("  LIST\n  10 REM SAVED\n  20 PRINT 6*7\n"), std::string::npos) << loaded.out;
}

// V1 at 0: mode x1, 8 bits, 2 stop bits; TxEN; "ABC" sent each when TxRDY
// is set; HLT once TxEMPTY is.
const char* const SENDS_ABC = "3EEDD31F3E23D31F2130000603DB1FE601CA0D007ED31E2305C20D00DB1FE604CA1C0076";

TEST(TapeOut, ReportSaysWhatWasSaved) {
    const struct {
        const char* what;
        const char* code;   // the program's bytes at 0, none: a HLT
        bool json;
        const char* saved;  // the report's line, or its "tape_out" key
        int status;
    } cases[] = {
        {"bytes with no header", SENDS_ABC, false, "Tape out:          1 block, 0 files: block of no file (3 bytes)\n", 0},
        {"bytes with no header, JSON", SENDS_ABC, true,
         "  \"tape_out\": {\"blocks\": 1, \"entries\": [{\"file\": false, \"length\": 3}]},\n", 0},
        {"nothing sent", "76", false, "Tape out:          nothing saved\n", 40},
        {"nothing sent, JSON", "76", true, "  \"tape_out\": {\"blocks\": 0, \"entries\": []},\n", 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const Outcome made = run_in(dir, QUILLET_EXECUTABLE,
                                    {"-cm", "V1", "-hex", "0", c.code, "-hex", "0x30", "414243", "-reg", "PC", "0", "-o", "s.zvk"});
        ASSERT_EQ(made.status, 0) << made.out << made.err;
        std::vector<std::string> arguments = {"--tape-out", "out.ptp", "s.zvk"};
        if (c.json) arguments.insert(arguments.begin(), "--json");
        const Outcome run = run_in(dir, QUILLET_RUN_EXECUTABLE, arguments);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.out.find(c.saved), std::string::npos) << run.out;
        EXPECT_EQ(dir.exists("out.ptp"), c.status == 0);
    }
}

TEST(TapeOut, NeverReplacesAnInputAndWritesNothingWhenNothingWasSaved) {
    TempDir dir;
    const std::string snapshot = empty_snapshot(dir, "V2");
    dir.write("in.ptp", {0x01, 0x00, 0xAA});
    const std::string help = "Try 'quillet-run --help' for more information.\n";
    const struct {
        std::vector<std::string> arguments;
        std::string err;
    } refused[] = {
        {{"--tape-out", snapshot, snapshot},
         "quillet-run: --tape-out '" + snapshot + "' would replace the input SNAPSHOT '" + snapshot + "'\n" + help},
        {{"--tape", "in.ptp", "--tape-out", "./in.ptp", snapshot},
         "quillet-run: --tape-out './in.ptp' would replace the input --tape 'in.ptp'\n" + help},
        {{"--audio", "a.wav", "--tape-out", "a.wav", snapshot},
         "quillet-run: two outputs name one file: --audio 'a.wav' and --tape-out 'a.wav'\n" + help},
    };
    const std::vector<std::uint8_t> before = dir.read(snapshot);
    for (const auto& c : refused) {
        SCOPED_TRACE(c.arguments[1]);
        const Outcome run = run_in(dir, QUILLET_RUN_EXECUTABLE, c.arguments);
        EXPECT_EQ(run.status, 64);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(dir.read(snapshot), before);
        EXPECT_EQ(dir.read("in.ptp"), (std::vector<std::uint8_t>{0x01, 0x00, 0xAA}));
    }

    const Outcome nothing = run_in(dir, QUILLET_RUN_EXECUTABLE, {"--tape-out", "none.ptp", snapshot});
    EXPECT_EQ(nothing.status, 40);
    EXPECT_EQ(nothing.err, "quillet-run: --tape-out: the program saved nothing; 'none.ptp' not written\n");
    EXPECT_FALSE(dir.exists("none.ptp"));
}

}  // namespace
