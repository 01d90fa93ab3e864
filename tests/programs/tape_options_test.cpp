// quillet-tape's command line, in-process: what each accepted line asks
// for (the mode, the output, the binaries, the header fields given).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "options.hpp"
#include "quillet/quillet.h"

namespace {

using quillet::tape_tool::Mode;
using quillet::tape_tool::TapeOptions;

// A command line and what it was parsed into; the options point into
// the words, which live as long as it.
struct Parsed {
    std::vector<std::string> words;
    TapeOptions options;
};

std::unique_ptr<Parsed> parse(std::vector<std::string> words) {
    auto line = std::make_unique<Parsed>();
    line->words = std::move(words);
    line->words.insert(line->words.begin(), "quillet-tape");
    std::vector<char*> argv;
    for (std::string& word : line->words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    EXPECT_EQ(quillet::tape_tool::parse_tape_options(static_cast<int>(line->words.size()), argv.data(), &line->options),
              quillet::tape_tool::PARSE_RUN);
    return line;
}

TEST(TapeOptions, EachModeTakesItsOwnOptions) {
    const auto list_line = parse({"--json", "t.wav"});
    const TapeOptions& list = list_line->options;
    EXPECT_EQ(list.mode, Mode::list);
    EXPECT_TRUE(list.json);
    EXPECT_STREQ(list.tape, "t.wav");

    const auto make_line = parse({"-o", "t.pmd", "--pmd", "--number=12", "--type", ">", "--name", "ONE", "0x9000",
                                  "a.bin", "36864", "b.bin", "9000H", "c.bin"});
    const TapeOptions& make = make_line->options;
    EXPECT_EQ(make.mode, Mode::make);
    EXPECT_STREQ(make.output, "t.pmd");
    EXPECT_TRUE(make.pmd);
    EXPECT_EQ(make.first_number, 12);
    EXPECT_EQ(make.type, '>');
    ASSERT_EQ(make.names.size(), 1u);
    EXPECT_STREQ(make.names[0], "ONE");
    ASSERT_EQ(make.binaries.size(), 3u);
    for (const auto& binary : make.binaries) EXPECT_EQ(binary.address, 0x9000);
    EXPECT_STREQ(make.binaries[2].path, "c.bin");

    const auto snapshot_line = parse({"--snapshot", "s.zvk", "--model", "v3", "t.ptp"});
    const TapeOptions& snapshot = snapshot_line->options;
    EXPECT_EQ(snapshot.mode, Mode::snapshot);
    EXPECT_EQ(snapshot.model, QUILLET_MODEL_V3);
    EXPECT_EQ(parse({"-x", "dir", "t.ptp"})->options.mode, Mode::extract);
    EXPECT_EQ(parse({"t.ptp", "--wav", "t.wav"})->options.mode, Mode::wav);
}

}  // namespace
