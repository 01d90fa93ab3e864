// What a program saves, end to end: MGSV typed on monitors 1, 2 and 3
// saves a range that quillet-run --tape-out writes (PTP, WAV, PMD by the
// name), quillet-tape lists, and MGLD in a second run loads back byte for
// byte; --tape-out never replaces a file the run reads, and a run that
// saved nothing writes nothing.
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
