#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "command_line.hpp"
#include "unit/snapshot_test_support.hpp"

namespace quillet::cli {
namespace {

using namespace common;

using quillet_test::ReportLog;
using quillet_test::Reports;
using Arguments = std::vector<const char*>;

// One call of parse_command_line on "quillet" followed by `arguments`, with
// the reports collected. Owns the argument texts (the command line points
// into them) and releases the command line. Neither copyable nor movable:
// the argument vector points into it.
class ParseRun {
public:
    explicit ParseRun(const Arguments& arguments) : texts_{"quillet"} {
        for (const char* argument : arguments) texts_.emplace_back(argument);
        for (std::string& text : texts_) argv_.push_back(text.data());
        argv_.push_back(nullptr);
        result_ = parse_command_line(static_cast<int>(texts_.size()), argv_.data(), &line_, ReportSink{ReportLog::take, &log_});
    }
    ~ParseRun() { release_command_line(line_); }
    ParseRun(const ParseRun&) = delete;
    ParseRun& operator=(const ParseRun&) = delete;

    int result() const { return result_; }
    const Reports& reports() const { return log_.reports; }
    const CommandLine& line() const { return *line_; }
    CommandLine* record() { return line_; }
    bool has_line() const { return line_ != nullptr; }
    // The argument at `index` of the vector (0 is the program name).
    const char* argument(int index) const { return argv_[static_cast<std::size_t>(index)]; }

    // The queued requests, head first.
    std::vector<const LoadRequest*> requests() const {
        std::vector<const LoadRequest*> list;
        for (const LoadRequest* r = line_->load_head; r; r = r->next) list.push_back(r);
        return list;
    }

private:
    std::vector<std::string> texts_;
    std::vector<char*> argv_;
    CommandLine* line_ = nullptr;
    int result_ = 0;
    ReportLog log_;
};

// An output file and one input, so that the final checks get as far as the
// combination checks; `extra` follows them.
Arguments with_io(const Arguments& extra) {
    Arguments arguments = {"-o", "out.zvk", "-mem", "0", "in.bin"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
}

const std::string MIF85_WITH_MUSICA = "Bad combination of options: -mif85 -mus";
const std::string ALLRAM_WITH_MODEL = "Bad combination of options: -allram -cm";
const std::string MAPPER_WITH_MODEL = "Bad combination of options: -mm -vpi -cm";

// The code returned and the texts reported, each with that code.
struct OutcomeCase {
    const char* name;
    Arguments arguments;
    int code;
    std::vector<std::string> texts;
};

void PrintTo(const OutcomeCase& c, std::ostream* os) { *os << c.name; }

std::string case_name(const testing::TestParamInfo<OutcomeCase>& info) { return info.param.name; }

class ParseOutcome : public testing::TestWithParam<OutcomeCase> {};

TEST_P(ParseOutcome, ReturnsCodeAndReportsExactly) {
    ParseRun run(GetParam().arguments);
    EXPECT_EQ(run.result(), GetParam().code);
    Reports expected;
    for (const std::string& text : GetParam().texts) expected.push_back({GetParam().code, text});
    EXPECT_EQ(run.reports(), expected);
    EXPECT_TRUE(run.has_line());
}

const OutcomeCase WALK_CASES[] = {
    // Too few arguments after an option.
    {"OutputAsLastArgument", {"-mem", "0", "f", "-o"}, QUILLET_ERR_MISSING_VALUE,
     {"Missing option value(s) '-o'!"}},
    {"RegisterWithNameOnly", {"-o", "o", "-reg", "PC"}, QUILLET_ERR_MISSING_VALUE,
     {"Missing option value(s) '-reg'!"}},
    {"MemWithAddressOnly", {"-o", "o", "-mem", "0"}, QUILLET_ERR_MISSING_VALUE,
     {"Missing option value(s) '-mem'!"}},
    // Values out of their range.
    {"VpiTwo", {"-vpi", "2"}, QUILLET_ERR_BAD_STATE, {"Bad option value: -vpi 2"}},
    {"VpiNotANumber", {"-vpi", "x"}, QUILLET_ERR_BAD_STATE, {"Bad option value: -vpi x"}},
    {"Mif85Negative", {"-mif85", "-1"}, QUILLET_ERR_BAD_STATE,
     {"Bad option value: -mif85 -1"}},
    {"Mif85OctalEight", {"-mif85", "010"}, QUILLET_ERR_BAD_STATE,
     {"Bad option value: -mif85 010"}},
    {"MapperAboveRange", {"-mm", "128"}, QUILLET_ERR_BAD_MAPPER, {"Bad Memory Mapper value '128'!"}},
    {"MapperOctalWithDigit8", {"-mm", "08"}, QUILLET_ERR_BAD_MAPPER,
     {"Bad Memory Mapper value '08'!"}},
    {"MapperNotANumber", {"-mm", "abc"}, QUILLET_ERR_BAD_MAPPER, {"Bad Memory Mapper value 'abc'!"}},
    {"ModelUnknown", {"-cm", "V4"}, QUILLET_ERR_BAD_MODEL, {"Bad computer model 'V4'!"}},
    {"ModelExtendedName", {"-cm", "V2B"}, QUILLET_ERR_BAD_MODEL, {"Bad computer model 'V2B'!"}},
    {"ModelPrefixOfName", {"-cm", "ALF"}, QUILLET_ERR_BAD_MODEL, {"Bad computer model 'ALF'!"}},
    {"ModelEmpty", {"-cm", ""}, QUILLET_ERR_BAD_MODEL, {"Bad computer model ''!"}},
    {"RegisterNameCheckedBeforeValue", {"-reg", "IX", "65536"}, QUILLET_ERR_BAD_REGISTER,
     {"Bad register name 'IX'!"}},
    {"RegisterExtendedName", {"-reg", "PCX", "0"}, QUILLET_ERR_BAD_REGISTER,
     {"Bad register name 'PCX'!"}},
    {"RegisterValueAboveRange", {"-reg", "pc", "65536"}, QUILLET_ERR_VALUE_RANGE,
     {"Value 65536 is out of range <0, 65535>: -reg"}},
    {"RegisterNegativeShownAsMinusOne", {"-reg", "SP", "-5"}, QUILLET_ERR_VALUE_RANGE,
     {"Value -1 is out of range <0, 65535>: -reg"}},
    {"RegisterHugeShownClamped", {"-reg", "HL", "99999999999"}, QUILLET_ERR_VALUE_RANGE,
     {"Value 2147483647 is out of range <0, 65535>: -reg"}},
    {"PageAboveRange", {"-pg", "16", "p.bin"}, QUILLET_ERR_BAD_PAGE, {"Bad page number `16`!"}},
    {"PageNegative", {"-pg", "-1", "p.bin"}, QUILLET_ERR_BAD_PAGE, {"Bad page number `-1`!"}},
    {"MemAddressAboveRange", {"-mem", "65536", "f"}, QUILLET_ERR_VALUE_RANGE,
     {"Value 65536 is out of range <0, 65535>: -mem"}},
    {"MemAddressNotANumber", {"-mem", "x", "f"}, QUILLET_ERR_VALUE_RANGE,
     {"Value -1 is out of range <0, 65535>: -mem"}},
    {"HexAddressAboveRange", {"-hex", "0x10000", "C3"}, QUILLET_ERR_VALUE_RANGE,
     {"Value 65536 is out of range <0, 65535>: -hex"}},
    // Options that may be given once.
    {"SecondOutput", {"-o", "a.zvk", "-o", "b.zvk"}, ERR_SECOND_OUTPUT,
     {"Only one output file can be specified! `a.zvk` or `b.zvk`?"}},
    {"EmptyFirstOutputCountsAsGiven", {"-o", "", "-o", "b.zvk"}, ERR_SECOND_OUTPUT,
     {"Only one output file can be specified! `` or `b.zvk`?"}},
    {"SecondRom", {"-rom", "a.rom", "-rom", "b.rom"}, ERR_SECOND_ROM,
     {"Only one ROM file can be specified! `a.rom` or `b.rom`?"}},
    {"SecondTemplate", {"-zvk", "a.zvk", "-zvk", "b.zvk"}, ERR_SECOND_TEMPLATE,
     {"Only one ZVK file can be specified! `a.zvk` or `b.zvk`?"}},
    // The first failure ends parsing.
    {"FirstFailureEndsTheWalk", {"-cm", "V4", "-vpi", "2"}, QUILLET_ERR_BAD_MODEL,
     {"Bad computer model 'V4'!"}},
    {"WalkFailureSkipsFinalChecks", {"-mm", "128"}, QUILLET_ERR_BAD_MAPPER,
     {"Bad Memory Mapper value '128'!"}},
    // "-h".
    {"HelpAlone", {"-h"}, USAGE_REQUESTED, {}},
    {"HelpAfterValidOptionsWithoutOutput", {"-vb", "-mem", "0", "f", "-h"}, USAGE_REQUESTED, {}},
    {"HelpStopsBeforeLaterFaults", {"-h", "-cm", "V4", "-o"}, USAGE_REQUESTED, {}},
    {"InvalidOptionBeforeHelpReported", {"-cm", "V4", "-h"}, QUILLET_ERR_BAD_MODEL,
     {"Bad computer model 'V4'!"}},
    {"HelpAsOutputValueIsAFileName", {"-o", "-h"}, ERR_NO_INPUT,
     {"Input file(s) not specified!"}},
    {"HelpInUpperCaseSkipped", {"-H"}, ERR_NO_OUTPUT, {"Output file not specified!"}},
    // Final checks 1 and 2, and their order.
    {"InputWithoutOutput", {"-mem", "0", "f"}, ERR_NO_OUTPUT, {"Output file not specified!"}},
    {"NothingButStrayWords", {"stray", "-CM"}, ERR_NO_OUTPUT, {"Output file not specified!"}},
    {"NoOutputReportedBeforeCombinations", {"-cm", "V1", "-pg", "4", "p.bin"}, ERR_NO_OUTPUT,
     {"Output file not specified!"}},
    {"OutputWithoutInput", {"-o", "o"}, ERR_NO_INPUT, {"Input file(s) not specified!"}},
    {"RomAloneIsNoInput", {"-o", "o", "-rom", "r.rom"}, ERR_NO_INPUT,
     {"Input file(s) not specified!"}},
    {"NoInputReportedBeforeCombinations", {"-o", "o", "-mif85", "0", "-mus"}, ERR_NO_INPUT,
     {"Input file(s) not specified!"}},
    {"TemplateAloneIsInput", {"-o", "o", "-zvk", "t.zvk"}, 0, {}},
};

INSTANTIATE_TEST_SUITE_P(Walk, ParseOutcome, testing::ValuesIn(WALK_CASES), case_name);

const OutcomeCase COMBINATION_CASES[] = {
    {"Mif85ZeroWithMusica", with_io({"-mif85", "0", "-mus"}), ERR_BAD_COMBINATION,
     {MIF85_WITH_MUSICA}},
    {"Mif85WithoutMusica", with_io({"-mif85", "1"}), 0, {}},
    {"MusicaWithoutMif85", with_io({"-mus"}), 0, {}},
    {"VpiZeroWithV2", with_io({"-vpi", "0", "-cm", "V2"}), ERR_BAD_COMBINATION, {MAPPER_WITH_MODEL}},
    {"VpiWithDefaultV2A", with_io({"-vpi", "0"}), 0, {}},
    {"VpiWithV3", with_io({"-vpi", "1", "-cm", "V3"}), 0, {}},
    {"MapperWithAlfa", with_io({"-mm", "0", "-cm", "ALFA"}), ERR_BAD_COMBINATION,
     {MAPPER_WITH_MODEL}},
    {"MapperWithC2717ThoughAllramFits", with_io({"-mm", "1", "-allram", "-cm", "C2717"}),
     ERR_BAD_COMBINATION, {MAPPER_WITH_MODEL}},
    {"HighPageImpliesMapperWithV1", with_io({"-pg", "4", "p.bin", "-cm", "V1"}),
     ERR_BAD_COMBINATION, {MAPPER_WITH_MODEL}},
    {"LowPageWithV1", with_io({"-pg", "3", "p.bin", "-cm", "V1"}), 0, {}},
    {"Mif85ThenAllram", with_io({"-allram", "-cm", "V1", "-mif85", "0", "-mus"}),
     ERR_BAD_COMBINATION, {MIF85_WITH_MUSICA, ALLRAM_WITH_MODEL}},
    {"AllramThenMapper", with_io({"-allram", "-cm", "V2", "-vpi", "0"}), ERR_BAD_COMBINATION,
     {ALLRAM_WITH_MODEL, MAPPER_WITH_MODEL}},
    {"Mif85ThenMapper", with_io({"-mus", "-mif85", "1", "-mm", "3", "-cm", "MATO"}),
     ERR_BAD_COMBINATION, {MIF85_WITH_MUSICA, MAPPER_WITH_MODEL}},
    {"AllThreeInCheckOrder",
     with_io({"-cm", "MATO", "-allram", "-vpi", "1", "-mif85", "1", "-mus"}), ERR_BAD_COMBINATION,
     {MIF85_WITH_MUSICA, ALLRAM_WITH_MODEL, MAPPER_WITH_MODEL}},
};

INSTANTIATE_TEST_SUITE_P(Combination, ParseOutcome, testing::ValuesIn(COMBINATION_CASES),
                         case_name);

TEST(ParseMissingValue, EveryValuedOptionAsLastArgument) {
    const struct {
        const char* word;
        int value_count;
    } options[] = {{"-vpi", 1}, {"-mm", 1},  {"-mif85", 1}, {"-cm", 1},  {"-reg", 2}, {"-pg", 2},
                   {"-mem", 2}, {"-hex", 2}, {"-o", 1},     {"-rom", 1}, {"-zvk", 1}};
    for (const auto& option : options) {
        Arguments arguments = {option.word};
        if (option.value_count == 2) arguments.push_back("1");
        ParseRun run(arguments);
        EXPECT_EQ(run.result(), QUILLET_ERR_MISSING_VALUE) << option.word;
        EXPECT_EQ(run.reports(),
                  (Reports{{QUILLET_ERR_MISSING_VALUE, "Missing option value(s) '" + std::string(option.word) + "'!"}}));
    }
}

TEST(ParseAllram, AcceptedOnlyWithModelsThatStoreBlock2) {
    for (int model = 0; model < QUILLET_MODEL_COUNT; ++model) {
        ParseRun run(with_io({"-allram", "-cm", quillet_model_name(model)}));
        const bool accepted = model == QUILLET_MODEL_V2A || model == QUILLET_MODEL_V3 || model == QUILLET_MODEL_C2717;
        EXPECT_EQ(run.result(), accepted ? 0 : ERR_BAD_COMBINATION) << quillet_model_name(model);
        const Reports expected = accepted ? Reports{} : Reports{{ERR_BAD_COMBINATION, ALLRAM_WITH_MODEL}};
        EXPECT_EQ(run.reports(), expected)
            << quillet_model_name(model);
    }
}

TEST(ParseInitialValues, SetBeforeTheFirstArgument) {
    ParseRun run({"-h"});
    ASSERT_TRUE(run.has_line());
    const CommandLine& c = run.line();
    EXPECT_EQ(c.model, QUILLET_MODEL_V2A);
    EXPECT_EQ(c.mapper_port, NOT_GIVEN);
    EXPECT_EQ(c.mif85_mode, NOT_GIVEN);
    EXPECT_EQ(c.vcpu_interrupt, NOT_GIVEN);
    for (const int value : c.registers) EXPECT_EQ(value, NOT_GIVEN);
    EXPECT_EQ(c.output_path, nullptr);
    EXPECT_EQ(c.template_path, nullptr);
    EXPECT_EQ(c.rom_path, nullptr);
    EXPECT_EQ(c.load_head, nullptr);
    EXPECT_EQ(c.load_tail, nullptr);
    EXPECT_EQ(c.verbose + c.pack + c.allram + c.enable_interrupts + c.musica_plugged, 0);
}

TEST(ParseFlags, EachSetsItsOwnFieldOnlyAndRepeatingChangesNothing) {
    const struct {
        const char* word;
        int CommandLine::*field;
    } flags[] = {{"-vb", &CommandLine::verbose},
                 {"-pack", &CommandLine::pack},
                 {"-allram", &CommandLine::allram},
                 {"-ei", &CommandLine::enable_interrupts},
                 {"-mus", &CommandLine::musica_plugged}};
    for (const auto& flag : flags) {
        ParseRun run(with_io({flag.word, flag.word}));
        ASSERT_EQ(run.result(), 0) << flag.word;
        for (const auto& other : flags) {
            EXPECT_EQ(run.line().*other.field, other.field == flag.field ? 1 : 0)
                << flag.word << " / " << other.word;
        }
    }
}

TEST(ParseMapper, StoresTheConvertedValue) {
    const struct {
        const char* text;
        int stored;
    } cases[] = {{"127", 127}, {"0x7f", 127}, {"0177", 127}, {"010", 8},
                 {"12abc", 12}, {"", 0},      {"0", 0}};
    for (const auto& c : cases) {
        ParseRun run(with_io({"-mm", c.text}));
        ASSERT_EQ(run.result(), 0) << c.text;
        EXPECT_EQ(run.line().mapper_port, c.stored) << c.text;
    }
}

TEST(ParseSwitches, VpiAndMif85StoreZeroAndOne) {
    for (const int value : {0, 1}) {
        const char* text = value ? "1" : "0";
        ParseRun run(with_io({"-vpi", text, "-mif85", text}));
        ASSERT_EQ(run.result(), 0);
        EXPECT_EQ(run.line().vcpu_interrupt, value);
        EXPECT_EQ(run.line().mif85_mode, value);
    }
}

TEST(ParseModel, NamesInAnyLetterCase) {
    const char* const names[QUILLET_MODEL_COUNT] = {"V1", "v2", "V2a", "v3", "Mato", "alfa", "Alfa2", "c2717"};
    for (int model = 0; model < QUILLET_MODEL_COUNT; ++model) {
        ParseRun run(with_io({"-cm", names[model]}));
        ASSERT_EQ(run.result(), 0) << names[model];
        EXPECT_EQ(run.line().model, model) << names[model];
    }
}

TEST(ParseRegister, NameInAnyLetterCaseSelectsOnlyItsEntry) {
    const struct {
        const char* name;
        const char* value_text;
        int value;
    } cases[QUILLET_REGISTER_COUNT] = {{"AF", "0", 0},       {"bc", "65535", 65535}, {"De", "0xFFFF", 65535},
                               {"hl", "0177", 127}, {"Pc", "1", 1},         {"sP", "0x8000", 0x8000}};
    for (int reg = 0; reg < QUILLET_REGISTER_COUNT; ++reg) {
        ParseRun run(with_io({"-reg", cases[reg].name, cases[reg].value_text}));
        ASSERT_EQ(run.result(), 0) << cases[reg].name;
        for (int other = 0; other < QUILLET_REGISTER_COUNT; ++other) {
            EXPECT_EQ(run.line().registers[other],
                      other == reg ? cases[reg].value : NOT_GIVEN)
                << cases[reg].name << " / " << other;
        }
    }
}

TEST(ParsePaths, StoredAsTheArgumentsThemselves) {
    ParseRun run({"-o", "out.zvk", "-rom", "m.rom", "-zvk", "t.zvk"});
    ASSERT_EQ(run.result(), 0);
    EXPECT_EQ(run.line().output_path, run.argument(2));
    EXPECT_EQ(run.line().rom_path, run.argument(4));
    EXPECT_EQ(run.line().template_path, run.argument(6));
}

TEST(ParsePaths, ValueThatLooksLikeAnOptionIsTaken) {
    ParseRun run({"-o", "-vb", "-mem", "0", "f"});
    ASSERT_EQ(run.result(), 0);
    EXPECT_STREQ(run.line().output_path, "-vb");
    EXPECT_EQ(run.line().verbose, 0);
}

TEST(ParseUnknownWords, SkippedSilently) {
    ParseRun run(with_io({"-CM", "V1", "-PACK", "--o", "x.bin", "-Vb", "-o2"}));
    EXPECT_EQ(run.result(), 0);
    EXPECT_EQ(run.reports(), Reports{});
    EXPECT_EQ(run.line().model, QUILLET_MODEL_V2A);
    EXPECT_EQ(run.line().pack, 0);
    EXPECT_EQ(run.line().verbose, 0);
    EXPECT_STREQ(run.line().output_path, "out.zvk");
    EXPECT_EQ(run.requests().size(), 1u);
}

TEST(ParseRequests, QueuedInCommandLineOrderWithTheirKind) {
    ParseRun run({"-o", "o", "-hex", "0x100", "C3 00", "-pg", "15", "p.bin", "-mem", "010", "m.bin"});
    ASSERT_EQ(run.result(), 0);
    const std::vector<const LoadRequest*> requests = run.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0]->text, run.argument(5));
    EXPECT_EQ(requests[0]->page, REQUEST_HEX);
    EXPECT_EQ(requests[0]->address, 0x100);
    EXPECT_EQ(requests[1]->text, run.argument(8));
    EXPECT_EQ(requests[1]->page, 15);
    EXPECT_EQ(requests[1]->address, NO_ADDRESS);
    EXPECT_EQ(requests[2]->text, run.argument(11));
    EXPECT_EQ(requests[2]->page, REQUEST_AT_ADDRESS);
    EXPECT_EQ(requests[2]->address, 8);
    EXPECT_EQ(run.line().load_tail, requests[2]);
}

TEST(ParseMapperDefault, PageAboveAddressSpaceImpliesPortZeroUnlessGiven) {
    const struct {
        const char* name;
        Arguments extra;
        int mapper_port;
    } cases[] = {
        {"Page4", {"-pg", "4", "p.bin"}, 0},
        {"Page15AfterLowPages", {"-pg", "0", "a", "-pg", "15", "b"}, 0},
        {"Page3", {"-pg", "3", "p.bin"}, NOT_GIVEN},
        {"GivenPortKept", {"-mm", "5", "-pg", "9", "p.bin"}, 5},
        {"GivenPortAfterThePageKept", {"-pg", "9", "p.bin", "-mm", "5"}, 5},
    };
    for (const auto& c : cases) {
        ParseRun run(with_io(c.extra));
        ASSERT_EQ(run.result(), 0) << c.name;
        EXPECT_EQ(run.line().mapper_port, c.mapper_port) << c.name;
    }
}

TEST(ParseOverwrite, LaterOptionReplacesEarlierOne) {
    ParseRun run(with_io({"-cm", "V1", "-cm", "V3", "-reg", "AF", "1", "-reg", "af", "2", "-vpi",
                          "1", "-vpi", "0", "-mm", "5", "-mm", "6", "-mif85", "1", "-mif85", "0"}));
    ASSERT_EQ(run.result(), 0);
    EXPECT_EQ(run.line().model, QUILLET_MODEL_V3);
    EXPECT_EQ(run.line().registers[REG_AF], 2);
    EXPECT_EQ(run.line().vcpu_interrupt, 0);
    EXPECT_EQ(run.line().mapper_port, 6);
    EXPECT_EQ(run.line().mif85_mode, 0);
}

TEST(ParseOverwrite, RejectedLaterValueLeavesWhatWasStoredBefore) {
    ParseRun reg({"-reg", "AF", "1", "-reg", "af", "70000"});
    EXPECT_EQ(reg.result(), QUILLET_ERR_VALUE_RANGE);
    EXPECT_EQ(reg.line().registers[REG_AF], 1);

    ParseRun model({"-cm", "V3", "-cm", "V4"});
    EXPECT_EQ(model.result(), QUILLET_ERR_BAD_MODEL);
    EXPECT_EQ(model.line().model, QUILLET_MODEL_V3);

    ParseRun queued({"-mem", "0", "a.bin", "-pg", "16", "b.bin"});
    EXPECT_EQ(queued.result(), QUILLET_ERR_BAD_PAGE);
    ASSERT_EQ(queued.requests().size(), 1u);
    EXPECT_STREQ(queued.requests()[0]->text, "a.bin");
}

TEST(ParseHelp, OptionsBeforeItAreStoredAndNoneAfterIt) {
    ParseRun run({"-vb", "-h", "-pack"});
    EXPECT_EQ(run.result(), USAGE_REQUESTED);
    EXPECT_EQ(run.line().verbose, 1);
    EXPECT_EQ(run.line().pack, 0);
}

TEST(QueueLoadRequest, AppendsInOrderAndKeepsTheTailOnTheLast) {
    ParseRun run({"-h"});  // an empty command line record
    ASSERT_TRUE(run.has_line());
    CommandLine* line = run.record();
    const struct {
        const char* text;
        int page;
        int address;
    } queued[] = {{"a.bin", REQUEST_AT_ADDRESS, 0x100}, {"C3 00", REQUEST_HEX, 0xFFFF}, {"p.bin", 15, NO_ADDRESS}};
    for (const auto& q : queued) {
        ASSERT_EQ(queue_load_request(line, q.text, q.page, q.address, ReportSink{}), 0);
        ASSERT_NE(line->load_tail, nullptr);
        EXPECT_EQ(line->load_tail->text, q.text);
        EXPECT_EQ(line->load_tail->next, nullptr);
    }
    const std::vector<const LoadRequest*> requests = run.requests();
    ASSERT_EQ(requests.size(), std::size(queued));
    for (std::size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i]->text, queued[i].text) << i;
        EXPECT_EQ(requests[i]->page, queued[i].page) << i;
        EXPECT_EQ(requests[i]->address, queued[i].address) << i;
    }
    EXPECT_EQ(line->load_tail, requests.back());
}

// Leaks and double frees here show under valgrind or the address sanitizer.
TEST(ReleaseCommandLine, FreesTheRequestsAndClearsTheSlotOnce) {
    char program[] = "quillet";
    char output_word[] = "-o";
    char output[] = "out.zvk";
    char* arguments[] = {program, output_word, output, nullptr};
    CommandLine* line = nullptr;
    ASSERT_EQ(parse_command_line(3, arguments, &line, ReportSink{}), ERR_NO_INPUT);
    ASSERT_NE(line, nullptr);
    ASSERT_EQ(queue_load_request(line, "a.bin", REQUEST_AT_ADDRESS, 0, ReportSink{}), 0);
    ASSERT_EQ(queue_load_request(line, "b.bin", 4, NO_ADDRESS, ReportSink{}), 0);
    release_command_line(line);
    EXPECT_EQ(line, nullptr);
    release_command_line(line);  // an absent record is left alone
    EXPECT_EQ(line, nullptr);
}

}  // namespace
}  // namespace quillet::cli
