// Typing scripts read into strokes, and the scripts refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine/key_script.hpp"
#include "snapshot/snapshot_format.hpp"

namespace quillet {
namespace {

// A stroke as text: its keys as column/row or a line's name, "+" between;
// a pause as "wait N".
std::string describe(const KeyStroke& stroke) {
    if (stroke.key_count == 0) return "wait " + std::to_string(stroke.frames);
    std::string text;
    for (int i = 0; i < stroke.key_count; ++i) {
        if (i > 0) text += "+";
        Key key = stroke.keys[i];
        switch (key) {
        case KEY_SHIFT: text += "SHIFT"; break;
        case KEY_STOP: text += "STOP"; break;
        case KEY_CNT: text += "CNT"; break;
        case KEY_EOL_LINE: text += "EOL"; break;
        default: text += std::to_string(key_column(key)) + "/" + std::to_string(key_row(key));
        }
    }
    return text;
}

std::vector<std::string> strokes_of(int model, const std::string& script) {
    ScriptResult result = parse_key_script(*keyboard_layout(model), script);
    EXPECT_EQ(result.problem, ScriptProblem::none) << script << ": " << result.culprit;
    std::vector<std::string> out;
    for (const KeyStroke& stroke : result.strokes) out.push_back(describe(stroke));
    return out;
}

using Strokes = std::vector<std::string>;

TEST(KeyScript, TypesCharactersAndNamedKeys) {
    struct Case {
        int model;
        const char* script;
        Strokes strokes;
    } cases[] = {
        {MODEL_V2, "MEM 8", {"7/4", "2/2", "7/4", "0/4", "7/1"}},
        {MODEL_V2, "aA", {"0/3+SHIFT", "0/3"}},
        {MODEL_V2, "{EOL}{eol}\n\r\n", {"13/4", "13/4", "13/4", "13/4"}},
        {MODEL_V2, "{SHIFT+RCL}{STOP+SHIFT+A}", {"SHIFT+14/0", "STOP+SHIFT+0/3"}},
        {MODEL_V2, "{WAIT 5}{wait 0}{K0}", {"wait 5", "wait 0", "0/0"}},
        {MODEL_V2, "{SHIFT+a}", {"SHIFT+0/3"}},
        {MODEL_V3, "{LBRACE}{RBRACE}{{}}", {"11/1", "11/1+SHIFT", "11/1", "11/1+SHIFT"}},
        {MODEL_V2, "{STOP}{SPACE}", {"STOP", "0/4"}},
        {MODEL_MATO, "z{EOL}{CNT+1}{UP}", {"1/5+SHIFT", "EOL", "CNT+0/0", "6/1"}},
        {MODEL_MATO, "\n", {"EOL"}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.script);
        EXPECT_EQ(strokes_of(test.model, test.script), test.strokes);
    }
}

TEST(KeyScript, NamesWhatItCannotType) {
    struct Case {
        int model;
        const char* script;
        ScriptProblem problem;
        const char* culprit;
        std::size_t offset;
    } cases[] = {
        {MODEL_V2, "AB{FOO}C", ScriptProblem::unknown_key, "FOO", 2},
        {MODEL_V2, "{}", ScriptProblem::unknown_key, "", 0},
        {MODEL_V2, "{SHIFT+}", ScriptProblem::unknown_key, "SHIFT+", 0},
        {MODEL_MATO, "{K0}", ScriptProblem::unknown_key, "K0", 0},
        {MODEL_V2, "{CNT+A}", ScriptProblem::unknown_key, "CNT+A", 0},
        {MODEL_V2, "ok\xC3\xA9!", ScriptProblem::untypeable, "\xC3\xA9", 2},
        {MODEL_V1, "a`", ScriptProblem::untypeable, "`", 1},
        {MODEL_V1, "{LBRACE}", ScriptProblem::untypeable, "LBRACE", 0},
        {MODEL_MATO, "[", ScriptProblem::untypeable, "[", 0},
        {MODEL_V2, "\t", ScriptProblem::untypeable, "\t", 0},
        {MODEL_V2, "A{EOL", ScriptProblem::unclosed_brace, "{EOL", 1},
        {MODEL_V2, "{WAIT}", ScriptProblem::bad_wait, "WAIT", 0},
        {MODEL_V2, "{WAIT -1}", ScriptProblem::bad_wait, "WAIT -1", 0},
        {MODEL_V2, "{WAIT 1000001}", ScriptProblem::bad_wait, "WAIT 1000001", 0},
        {MODEL_V2, "{WAITING}", ScriptProblem::unknown_key, "WAITING", 0},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.script);
        ScriptResult result = parse_key_script(*keyboard_layout(test.model), test.script);
        EXPECT_EQ(result.problem, test.problem);
        EXPECT_EQ(result.culprit, test.culprit);
        EXPECT_EQ(result.offset, test.offset);
        EXPECT_TRUE(result.strokes.empty());
    }
}

}  // namespace
}  // namespace quillet
