// Command lines that option parsing rejects: the exact message, the exit
// status, and no file created.
#include "cli_test.hpp"

namespace quillet_test {
namespace {

struct OptionFailure {
    std::vector<std::string> arguments;
    int status;
    std::string message;  // standard error without the final empty line
};

void PrintTo(const OptionFailure& c, std::ostream* os) {
    for (const std::string& argument : c.arguments) *os << "'" << argument << "' ";
}

class OptionFailureTest : public CliTest, public ::testing::WithParamInterface<OptionFailure> {};

TEST_P(OptionFailureTest, ReportsAndCreatesNothing) {
    dir.write("in.bin", repeated(64, 0x11));
    const OptionFailure& c = GetParam();
    EXPECT_TRUE(failed_with(run(c.arguments), c.status, c.message));
    EXPECT_EQ(std::vector<std::string>{"in.bin"}, dir.entries());
}

INSTANTIATE_TEST_SUITE_P(
    MissingFiles, OptionFailureTest,
    ::testing::Values(OptionFailure{{"-mem", "0", "in.bin"}, 15, "Output file not specified!"},
                      OptionFailure{{"-vb"}, 15, "Output file not specified!"},
                      OptionFailure{{"-o", "out.zvk"}, 14, "Input file(s) not specified!"},
                      OptionFailure{{"-o", "out.zvk", "-rom", "in.bin"}, 14, "Input file(s) not specified!"}));

INSTANTIATE_TEST_SUITE_P(MissingValues, OptionFailureTest,
                         ::testing::Values(OptionFailure{{"-o"}, 4, "Missing option value(s) '-o'!"},
                                           OptionFailure{
                                               {"-o", "out.zvk", "-rom"}, 4, "Missing option value(s) '-rom'!"},
                                           OptionFailure{{"-zvk"}, 4, "Missing option value(s) '-zvk'!"},
                                           OptionFailure{{"-vpi"}, 4, "Missing option value(s) '-vpi'!"},
                                           OptionFailure{{"-mm"}, 4, "Missing option value(s) '-mm'!"},
                                           OptionFailure{{"-mif85"}, 4, "Missing option value(s) '-mif85'!"},
                                           OptionFailure{{"-reg", "AF"}, 4, "Missing option value(s) '-reg'!"},
                                           OptionFailure{{"-pg", "0"}, 4, "Missing option value(s) '-pg'!"},
                                           OptionFailure{{"-mem", "0"}, 4, "Missing option value(s) '-mem'!"},
                                           OptionFailure{{"-hex", "0"}, 4, "Missing option value(s) '-hex'!"}));

INSTANTIATE_TEST_SUITE_P(
    BadValues, OptionFailureTest,
    ::testing::Values(
        OptionFailure{{"-mm", "128"}, 22, "Bad Memory Mapper value '128'!"},
        OptionFailure{{"-mm", "08"}, 22, "Bad Memory Mapper value '08'!"},
        OptionFailure{{"-mm", "abc"}, 22, "Bad Memory Mapper value 'abc'!"},
        OptionFailure{{"-pg", "16", "in.bin"}, 21, "Bad page number `16`!"},
        OptionFailure{{"-cm", "V4"}, 19, "Bad computer model 'V4'!"},
        OptionFailure{{"-cm", "ALF"}, 19, "Bad computer model 'ALF'!"},
        OptionFailure{{"-reg", "IX", "65536"}, 20, "Bad register name 'IX'!"},
        OptionFailure{{"-reg", "PCX", "0"}, 20, "Bad register name 'PCX'!"},
        OptionFailure{{"-reg", "pc", "65536"}, 13, "Value 65536 is out of range <0, 65535>: -reg"},
        OptionFailure{{"-reg", "SP", "-5"}, 13, "Value -1 is out of range <0, 65535>: -reg"},
        OptionFailure{{"-reg", "AF", "99999999999"}, 13, "Value 2147483647 is out of range <0, 65535>: -reg"},
        OptionFailure{{"-mem", "65536", "in.bin"}, 13, "Value 65536 is out of range <0, 65535>: -mem"},
        OptionFailure{{"-mem", "abc", "in.bin"}, 13, "Value -1 is out of range <0, 65535>: -mem"},
        OptionFailure{{"-hex", "0x10000", "00"}, 13, "Value 65536 is out of range <0, 65535>: -hex"},
        OptionFailure{{"-vpi", "2"}, 23, "Bad option value: -vpi 2"},
        OptionFailure{{"-mif85", "-1"}, 23, "Bad option value: -mif85 -1"},
        OptionFailure{{"-o", "a.zvk", "-o", "b.zvk"}, 16, "Only one output file can be specified! `a.zvk` or `b.zvk`?"},
        OptionFailure{{"-o", "", "-o", "b.zvk"}, 16, "Only one output file can be specified! `` or `b.zvk`?"},
        OptionFailure{{"-rom", "r1", "-rom", "r2"}, 17, "Only one ROM file can be specified! `r1` or `r2`?"},
        OptionFailure{{"-zvk", "t1", "-zvk", "t2"}, 18, "Only one ZVK file can be specified! `t1` or `t2`?"},
        // The first failure ends the walk: later faults and the missing -o
        // are not reported, no file is looked at.
        OptionFailure{{"-mem", "0", "missing.bin", "-cm", "V9", "-mm", "200"}, 19, "Bad computer model 'V9'!"}));

// The combination checks run once every argument was accepted.
OptionFailure combination(std::vector<std::string> options, const std::string& message) {
    std::vector<std::string> arguments = {"-o", "out.zvk", "-mem", "0", "in.bin"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return {arguments, 3, message};
}

const std::string BAD_COMBINATION = "Bad combination of options: ";

INSTANTIATE_TEST_SUITE_P(Combinations, OptionFailureTest,
                         ::testing::Values(combination({"-mif85", "0", "-mus"}, BAD_COMBINATION + "-mif85 -mus"),
                                           combination({"-allram", "-cm", "V1"}, BAD_COMBINATION + "-allram -cm"),
                                           combination({"-allram", "-cm", "ALFA2"}, BAD_COMBINATION + "-allram -cm"),
                                           combination({"-vpi", "0", "-cm", "V2"}, BAD_COMBINATION + "-mm -vpi -cm"),
                                           combination({"-mm", "0", "-cm", "C2717"}, BAD_COMBINATION + "-mm -vpi -cm"),
                                           // A page above 3 implies the memory mapper.
                                           combination({"-pg", "4", "in.bin", "-cm", "V1"},
                                                       BAD_COMBINATION + "-mm -vpi -cm"),
                                           combination({"-cm", "MATO", "-allram", "-vpi", "1", "-mif85", "1", "-mus"},
                                                       BAD_COMBINATION + "-mif85 -mus\n\n" + BAD_COMBINATION +
                                                           "-allram -cm\n\n" + BAD_COMBINATION + "-mm -vpi -cm")));

}  // namespace
}  // namespace quillet_test
