// quillet-run never writes a trace or a picture over a file it reads, nor
// two outputs into one file: a usage error (64) naming both, before
// anything is read or written. Files are told apart as the system knows
// them, not by spelling. The snapshot after the run (-o) may replace the
// snapshot it came from.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "info_test_support.hpp"
#include "run/run_driver.hpp"

namespace {

using info_test::Bytes;
using info_test::RunResult;
using run_test::run_quillet_run;

class RunOutputOverInputTest : public info_test::InfoTest {};

TEST_F(RunOutputOverInputTest, AnOutputNamingAnInputIsAUsageErrorAndNothingChanges) {
    // JMP 0000H at 0: the run would go on to its limit.
    const std::string game = make_snapshot("game.zvk", {"-hex", "0", "C30000"});
    ASSERT_EQ(link(game.c_str(), path("hard.zvk").c_str()), 0);
    dir_.write("rom.bin", {0xC9});
    const Bytes before = dir_.read("game.zvk");
    const std::string rom = path("rom.bin");
    const std::string spelled = dir_.path() + "/./game.zvk";
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{"--trace", game, game}, "--trace '" + game + "' would replace the input SNAPSHOT '" + game + "'"},
        {{"--trace", spelled, game}, "--trace '" + spelled + "' would replace the input SNAPSHOT '" + game + "'"},
        {{"--screen", path("hard.zvk"), game},
         "--screen '" + path("hard.zvk") + "' would replace the input SNAPSHOT '" + game + "'"},
        {{"--bare", "--rom-at", "0x100", rom, "--trace", rom, game},
         "--trace '" + rom + "' would replace the input --rom-at '" + rom + "'"},
        {{"--monitor", rom, "--audio", rom, game},
         "--audio '" + rom + "' would replace the input --monitor '" + rom + "'"},
        // A snapshot may replace its own input, but not share a file with
        // another output.
        {{"-o", path("out.zvk"), "--trace", path("out.zvk"), game},
         "two outputs name one file: -o '" + path("out.zvk") + "' and --trace '" + path("out.zvk") + "'"},
        {{"--trace", path("x.png"), "--screen", dir_.path() + "/./x.png", game},
         "two outputs name one file: --trace '" + path("x.png") + "' and --screen '" + dir_.path() + "/./x.png'"},
        {{"-o", game, "--trace", path("hard.zvk"), game},
         "--trace '" + path("hard.zvk") + "' would replace the input SNAPSHOT '" + game + "'"},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.message);
        const RunResult run = run_quillet_run(item.arguments);
        EXPECT_EQ(run.status, 64);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "quillet-run: " + item.message + "\nTry 'quillet-run --help' for more information.\n");
        EXPECT_EQ(dir_.read("game.zvk"), before);
        EXPECT_EQ(dir_.read("rom.bin"), Bytes{0xC9});
        EXPECT_FALSE(dir_.exists("out.zvk"));
        EXPECT_FALSE(dir_.exists("x.png"));
    }
}

// The state after the run written over the snapshot it came from, as
// quillet writes -zvk t.zvk -o t.zvk: whole, once the run has ended.
TEST_F(RunOutputOverInputTest, TheSnapshotAfterTheRunMayReplaceItsInput) {
    // MVI A,42H; HLT
    const std::string game = make_snapshot("game.zvk", {"-hex", "0", "3E4276", "-reg", "PC", "0"});
    const RunResult run = run_quillet_run({"-o", dir_.path() + "/./game.zvk", game});
    EXPECT_EQ(run.status, 0) << run.err;
    const RunResult again = run_quillet_run({"--until", "3", "--expect", "A=0x42", "--expect", "PC=3", game});
    EXPECT_EQ(again.status, 0) << again.out << again.err;
}

}  // namespace
