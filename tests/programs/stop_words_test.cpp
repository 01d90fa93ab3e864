// The words of a run's end that quillet-run's JSON gives are the list its
// manual page holds, in the page's order, each once.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "expected_stop.hpp"

namespace quillet::run {
namespace {

// The words under the page's JSON key "stop": the first line after each
// .TP between its .RS and .RE, a .B line.
std::vector<std::string> page_words(const std::string& page) {
    std::vector<std::string> words;
    const std::size_t key = page.find("\n.B stop\nWhy the run stopped, one of:\n.RS\n");
    if (key == std::string::npos) return words;
    std::istringstream lines(page.substr(key, page.find("\n.RE\n", key) - key));
    std::string line;
    bool entry = false;
    while (std::getline(lines, line)) {
        if (entry && line.rfind(".B ", 0) == 0) words.push_back(line.substr(3));
        entry = line == ".TP";
    }
    return words;
}

TEST(StopWords, AreTheListOfTheManualPage) {
    std::ifstream file(QUILLET_RUN_MAN_PAGE, std::ios::binary);
    if (!file) GTEST_SKIP() << "no " << QUILLET_RUN_MAN_PAGE;
    std::ostringstream page;
    page << file.rdbuf();
    std::vector<std::string> printed;
    for (const int reason : RUN_STOPS) {
        ASSERT_NE(stop_word(reason), nullptr) << reason;
        printed.push_back(stop_word(reason));
    }
    EXPECT_EQ(page_words(page.str()), printed);
    // The stop on the screen's text has a word of its own.
    EXPECT_STRNE(stop_word(RUN_STOP_SCREEN_TEXT), stop_word(QUILLET_STOP_REQUESTED));
}

}  // namespace
}  // namespace quillet::run
