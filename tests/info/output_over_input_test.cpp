// quillet-info never writes an output over a file it reads, nor two
// outputs into one file: a usage error (64) naming both, before anything is
// read or written. Files are told apart as the system knows them, not by
// how they are spelled.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "info_test_support.hpp"

namespace {

using info_test::Bytes;
using info_test::RunResult;

class OutputOverInputTest : public info_test::InfoTest {};

TEST_F(OutputOverInputTest, AnOutputNamingAnInputIsAUsageErrorAndNothingChanges) {
    if (!info_test::info_writes_pictures()) GTEST_SKIP() << "no PNG pictures in this build (libstb-dev)";
    make_snapshot("game.zvk", {"-pack", "-hex", "0", "C9"});
    dir_.make_directory("sub");
    make_snapshot("other.zvk", {"-hex", "0", "00"});
    ASSERT_EQ(link(path("game.zvk").c_str(), path("hard.zvk").c_str()), 0);
    const Bytes game = dir_.read("game.zvk");
    const Bytes other = dir_.read("other.zvk");
    const std::string try_help = "Try 'quillet-info --help' for more information.\n";
    // Run in the test's directory, so that the names are spelled as a user
    // types them.
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{"-m", "game.zvk", "game.zvk"}, "-m 'game.zvk' would replace the input FILE 'game.zvk'"},
        {{"-m", "./game.zvk", "game.zvk"}, "-m './game.zvk' would replace the input FILE 'game.zvk'"},
        {{"--memory=sub/../game.zvk", "game.zvk"}, "-m 'sub/../game.zvk' would replace the input FILE 'game.zvk'"},
        {{"-m", "hard.zvk", "game.zvk"}, "-m 'hard.zvk' would replace the input FILE 'game.zvk'"},
        {{"--screen", "game.zvk", "game.zvk"}, "--screen 'game.zvk' would replace the input FILE 'game.zvk'"},
        {{"-m", "other.zvk", "--diff", "other.zvk", "game.zvk"},
         "-m 'other.zvk' would replace the input --diff 'other.zvk'"},
        {{"-m", "new.bin", "--screen", "./new.bin", "game.zvk"},
         "two outputs name one file: -m 'new.bin' and --screen './new.bin'"},
        {{"-m", "hard.zvk", "--screen", "game.zvk", "other.zvk"},
         "two outputs name one file: -m 'hard.zvk' and --screen 'game.zvk'"},
    };
    for (const auto& item : cases) {
        std::string line;
        for (const std::string& argument : item.arguments) line += argument + " ";
        SCOPED_TRACE(line);
        quillet_test::ProcessSetup setup;
        setup.working_directory = dir_.path();
        const RunResult run = info_test::run_info_with_setup(item.arguments, setup);
        EXPECT_EQ(run.status, 64);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "quillet-info: " + item.message + "\n" + try_help);
        EXPECT_EQ(dir_.read("game.zvk"), game);
        EXPECT_EQ(dir_.read("other.zvk"), other);
        EXPECT_FALSE(dir_.exists("new.bin"));
    }
}

// An extracted piece is an output too: a FILE that stands where -x would
// write or remove a piece is refused, and the directory stays as it was.
TEST_F(OutputOverInputTest, AnExtractedPieceNamingAnInputIsAUsageError) {
    make_snapshot("game.zvk", {"-hex", "0", "C9"});
    dir_.make_directory("out");
    make_snapshot("out/block-03.bin", {"-hex", "0", "C9"});
    const Bytes piece = dir_.read("out/block-03.bin");
    const RunResult run = info_test::run_info({"-x", path("out"), path("out/block-03.bin")});
    EXPECT_EQ(run.status, 64);
    EXPECT_EQ(run.err, "quillet-info: -x '" + path("out") + "/block-03.bin' would replace the input FILE '" +
                           path("out/block-03.bin") + "'\nTry 'quillet-info --help' for more information.\n");
    EXPECT_EQ(dir_.read("out/block-03.bin"), piece);
    EXPECT_EQ(dir_.entries("out"), (std::vector<std::string>{"block-03.bin"}));
}

}  // namespace
