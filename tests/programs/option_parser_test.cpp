// The programs' one option parser: what reaches the receiver, in order, and
// the usage error of each rule, against a small table of options.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "option_parser.hpp"

namespace quillet::common {
namespace {

enum { JSON, EXTRACT, EXPECT, EXPECT_FLAG, ROM_AT, CALL, HELP };

constexpr OptionSpec OPTIONS[] = {
    {"--json", "-j", 0, false, JSON},
    {"--extract", "-x", 1, false, EXTRACT},
    {"--expect", nullptr, 1, false, EXPECT},
    {"--expect-flag", nullptr, 1, false, EXPECT_FLAG},
    {"--rom-at", nullptr, 2, false, ROM_AT},
    {"--call", "-c", 1, true, CALL},
    {"--help", "-h", 0, false, HELP},
};

// Writes down what it receives: "name[=value[,second]]" per option,
// "<word>" per operand, separated by spaces. --help stops the walk; an
// --expect of "bad" is refused.
class Recorder : public OptionReceiver {
public:
    OptionStep option(const OptionUse& use) override {
        record_ += std::string(record_.empty() ? "" : " ") + use.name;
        if (use.value) record_ += std::string("=") + use.value;
        if (use.second) record_ += std::string(",") + use.second;
        if (use.entry->id == HELP) return OptionStep::stop;
        if (use.entry->id == EXPECT && std::string(use.value) == "bad") return OptionStep::usage_error;
        return OptionStep::go_on;
    }
    void operand(const char* word) override { record_ += std::string(record_.empty() ? "<" : " <") + word + ">"; }
    const std::string& record() const { return record_; }

private:
    std::string record_;
};

struct Walked {
    CommandLineEnd end;
    std::string record;
    std::string error;  // the first line of standard error
};

Walked walk(std::vector<std::string> words) {
    words.insert(words.begin(), "prog");
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    Recorder recorder;
    testing::internal::CaptureStderr();
    const CommandLineEnd end = parse_command_line("prog", OPTIONS, static_cast<int>(words.size()), argv.data(), &recorder);
    const std::string errors = testing::internal::GetCapturedStderr();
    return {end, recorder.record(), errors.substr(0, errors.find('\n'))};
}

TEST(OptionParser, WalksTheWordsInOrder) {
    const struct {
        std::vector<std::string> words;
        std::string record;
    } cases[] = {
        {{"a", "--json", "b", "-", "--extract", "d"}, "<a> --json <b> <-> --extract=d"},
        {{"--extract=d", "--extract=", "--extract", "-j"}, "--extract=d --extract= --extract=-j"},
        {{"--", "--json", "-j"}, "<--json> <-j>"},
        {{"-jx", "d", "-xd", "-jj"}, "-j -x=d -x=d -j -j"},
        // A prefix names the one option it begins; an exact name wins over longer ones.
        {{"--ext", "d", "--expect", "v", "--expect-f", "w", "--j"}, "--extract=d --expect=v --expect-flag=w --json"},
        // Two words of value; the first may be joined.
        {{"--rom-at", "1", "f", "--rom-at=2", "g"}, "--rom-at=1,f --rom-at=2,g"},
        // Repeatable options reach the receiver each time.
        {{"--expect", "1", "--expect", "2"}, "--expect=1 --expect=2"},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.record);
        const Walked walked = walk(item.words);
        EXPECT_EQ(walked.end, CommandLineEnd::done);
        EXPECT_EQ(walked.record, item.record);
        EXPECT_EQ(walked.error, "");
    }
}

TEST(OptionParser, EachRuleHasItsMessage) {
    const struct {
        std::vector<std::string> words;
        std::string error;
    } cases[] = {
        {{"--bogus"}, "prog: unknown option '--bogus'"},
        {{"--bogus=1"}, "prog: unknown option '--bogus=1'"},
        {{"--ex", "d"}, "prog: unknown option '--ex'"},  // ambiguous
        {{"-jq"}, "prog: unknown option '-q'"},
        {{"--json=1"}, "prog: option takes no value '--json=1'"},
        {{"--extract"}, "prog: missing value for '--extract'"},
        {{"a", "-jx"}, "prog: missing value for '-jx'"},
        {{"--rom-at", "1"}, "prog: missing value for '--rom-at'"},
        {{"-x=d"}, "prog: short option value starts with '=' '-x=d'"},
        {{"-jc=5"}, "prog: short option value starts with '=' '-jc=5'"},
        {{"--call", "1", "-c", "2"}, "prog: second -c '2'"},
        {{"-c1", "--ca=3"}, "prog: second --call '3'"},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.error);
        const Walked walked = walk(item.words);
        EXPECT_EQ(walked.end, CommandLineEnd::usage_error);
        EXPECT_EQ(walked.error, item.error);
    }
}

TEST(OptionParser, TheReceiverStopsOrRefuses) {
    const Walked help = walk({"--json", "-h", "--bogus"});
    EXPECT_EQ(help.end, CommandLineEnd::stopped);
    EXPECT_EQ(help.record, "--json -h");
    EXPECT_EQ(help.error, "");

    const Walked refused = walk({"--expect", "bad", "--json"});
    EXPECT_EQ(refused.end, CommandLineEnd::usage_error);
    EXPECT_EQ(refused.record, "--expect=bad");
}

}  // namespace
}  // namespace quillet::common
