// The banner and the usage screen with its ENTER pause.
#include "cli_test.hpp"

namespace quillet_test {
namespace {

const std::string BANNER = "Quillet 1.0 - ZVK snapshot builder for PMD 85 emulators\n\n";

const std::string USAGE_BEFORE_PAUSE =
    "Creates ZVK Snapshot file for PMD 85 Emulator\n"
    "Usage: quillet [options]\n"
    "\nOptions:\n"
    "  -o outfile.zvk\toutput file name\n"
    "  -pack\t\t\tpack Snapshot content\n"
    "  -cm CM\t\tcomputer [V2A]; CM=V1/V2/V2A/V3/MATO/ALFA/ALFA2/C2717\n"
    "  -zvk filename.zvk\ttemplate ZVK file\n"
    "  -rom filename.ext\tROM file\n"
    "  -mem adr filename.ext\tload file into memory from given address\n"
    "  -pg PG filename.ext\tload file into memory page; PG=<0,15>\n"
    "  -hex adr hexdata\tstore direct bytes into memory from given address\n"
    "  -reg RG value\t\tregister value; RG=AF/BC/DE/HL/PC/SP\n"
    "  -allram\t\tswitch AllRAM on\n"
    "  -ei\t\t\tenable global interrupt\n"
    "  -vpi intVCPU\t\tplug VideoCPU interrupt circuit; intVCPU=0/1 di/ei int\n"
    "  -mm value\t\t256kB memory mapping port value\n"
    "  -mif85 intCT0\t\tplug MIF 85; intCT0=0/1 dis/ena interrupt from CT0\n"
    "  -mus\t\t\tplug MUSICA interface\n"
    "  -vb\t\t\tverbose\n"
    "  -h\t\t\tusage information\n"
    "\nPress ENTER ...";

const std::string USAGE_AFTER_PAUSE =
    "\nAll numeric parameters must be nonnegative integers and can be in three forms:\n"
    "  decimal (e.g. 12345)\n"
    "  octal (e.g. 01234)\n"
    "  hexadecimal (e.g. 0x1234)\n\n";

const std::string USAGE = USAGE_BEFORE_PAUSE + USAGE_AFTER_PAUSE;

using UsageTest = CliTest;

TEST_F(UsageTest, NoArgumentsPrintBannerAndWholeUsageScreen) {
    const ProcessResult result = run({});
    EXPECT_EQ(native_text(BANNER + USAGE), result.standard_output);
    EXPECT_EQ("", result.standard_error);
    EXPECT_EQ(0, result.exit_status);
}

TEST_F(UsageTest, BannerComesFirstAlsoBeforeAnError) {
    const ProcessResult result = run({"-cm"});
    EXPECT_EQ(native_text(BANNER), result.standard_output);
    EXPECT_EQ(native_text("Missing option value(s) '-cm'!\n\n"), result.standard_error);
}

struct HelpCase {
    std::vector<std::string> arguments;
};

class HelpOptionTest : public CliTest, public ::testing::WithParamInterface<HelpCase> {};

// "-h" ends parsing: earlier valid options are taken, later arguments are
// never examined, and nothing is loaded or written.
TEST_P(HelpOptionTest, ShowsUsageAndWritesNothing) {
    dir.write("in.bin", repeated(16, 1));
    EXPECT_TRUE(succeeded(run(GetParam().arguments), USAGE));
    EXPECT_EQ(std::vector<std::string>{"in.bin"}, dir.entries());
}

INSTANTIATE_TEST_SUITE_P(Placements, HelpOptionTest,
                         ::testing::Values(HelpCase{{"-h"}}, HelpCase{{"-o", "out.zvk", "-mem", "0", "in.bin", "-h"}},
                                           HelpCase{{"-vb", "-pack", "-cm", "v3", "-h"}},
                                           HelpCase{{"-h", "-o", "out.zvk", "-mem", "0", "in.bin"}},
                                           HelpCase{{"-h", "-cm", "V9", "-reg", "IX", "1", "-o"}},
                                           HelpCase{{"-mem", "0", "missing.bin", "-o", "out.zvk", "-h", "-mm", "500"}},
                                           HelpCase{{"-CM", "V9", "--o", "stray", "-h"}}));

TEST_F(UsageTest, InvalidOptionBeforeHelpIsReportedInstead) {
    EXPECT_TRUE(failed_with(run({"-cm", "V4", "-h"}), 19, "Bad computer model 'V4'!"));
    EXPECT_TRUE(failed_with(run({"-reg", "PC", "65536", "-h"}), 13, "Value 65536 is out of range <0, 65535>: -reg"));
}

TEST_F(UsageTest, HelpTakenAsAnOptionValueIsNoHelp) {
    EXPECT_TRUE(failed_with(run({"-o", "-h"}), 14, "Input file(s) not specified!"));
}

TEST_F(UsageTest, EndOfInputWithoutLineEndEndsThePause) {
    ProcessSetup setup;
    setup.standard_input = "typed but never confirmed";
    EXPECT_TRUE(succeeded(run({"-h"}, setup), USAGE));
}

// Characters typed before ENTER do not end the pause; ENTER does, and what
// was typed is consumed without a trace in the output.
TEST_F(UsageTest, PauseWaitsForEnterAndConsumesTypedCharacters) {
    ProcessSetup setup;
    setup.standard_input = "abc -o x";
    setup.pause_after_output = "Press ENTER ...";
    setup.pause_until_waiting = true;
    setup.input_after_pause = "def\nnext line\n";
    const ProcessResult result = run({"-h"}, setup);
    EXPECT_TRUE(result.running_at_pause);
    EXPECT_EQ(native_text(BANNER + USAGE_BEFORE_PAUSE), result.output_at_pause);
    EXPECT_TRUE(succeeded(result, USAGE));
}

// An input without line ends that does not end (/dev/zero, say) cannot
// hold the pause: it ends after 4096 characters, while the input is still
// open.
TEST_F(UsageTest, EndlessInputWithoutLineEndEndsThePause) {
    ProcessSetup setup;
    setup.standard_input = std::string(4096, 'x');
    setup.pause_after_output = "hexadecimal (e.g. 0x1234)";
    setup.input_after_pause = std::string(4096, 'y');
    const ProcessResult result = run({"-h"}, setup);
    EXPECT_NE(std::string::npos, result.output_at_pause.find("hexadecimal (e.g. 0x1234)"));
    EXPECT_TRUE(succeeded(result, USAGE));
}

// ENTER in a console (a Windows one) sends CR LF: it ends the pause there
// and leaves no trace either.
TEST_F(UsageTest, EnterOfAConsoleEndsThePause) {
    ProcessSetup setup;
    setup.pause_after_output = "Press ENTER ...";
    setup.pause_until_waiting = true;
    setup.input_after_pause = "\r\nnext line\r\n";
    const ProcessResult result = run({"-h"}, setup);
    EXPECT_TRUE(result.running_at_pause);
    EXPECT_EQ(native_text(BANNER + USAGE_BEFORE_PAUSE), result.output_at_pause);
    EXPECT_TRUE(succeeded(result, USAGE));
}

}  // namespace
}  // namespace quillet_test
