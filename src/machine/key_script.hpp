// Typing scripts: text that says what to type on a model's keyboard.
//
// Each character is typed with the key that types it on that model (SHIFT
// added where the character needs it: on the PMD 85 an unshifted letter
// key types the capital). A line break types EOL (a carriage return before
// it is dropped). Keys that type no character go by name in braces:
// {EOL}, {CLR}, {RCL}, {K0}..{K11}, {STOP}, {LEFT}, ... as the model's
// layout names them, upper or lower case; {SHIFT+name} and {STOP+name}
// (and MATO's {CNT+name}) hold those lines with the key, where the name
// may also be a single character; {WAIT n} lets n frames pass with no key
// down; {LBRACE} and {RBRACE} type the braces where the model has them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "machine/keyboard_layout.hpp"

namespace quillet {

// One step of a script: the keys held down together, or a pause.
struct KeyStroke {
    static constexpr int MAX_KEYS = 4;  // a key and the three lines beside it
    Key keys[MAX_KEYS];
    int key_count;          // 0 for a pause
    std::uint32_t frames;   // the length of a pause
};

enum class ScriptProblem {
    none,
    unknown_key,     // {NAME} names no key of the model
    untypeable,      // a character the model's keyboard cannot type
    unclosed_brace,  // { without }
    bad_wait,        // {WAIT n} without a number of frames from 0 to MAX_WAIT_FRAMES
};

constexpr std::uint32_t MAX_WAIT_FRAMES = 1000000;

struct ScriptResult {
    std::vector<KeyStroke> strokes;
    ScriptProblem problem = ScriptProblem::none;
    // Where the problem is: the brace's content or the character (one
    // character, as it stands in the script), and its byte offset.
    std::string culprit;
    std::size_t offset = 0;
};

// Reads `script` as typed on `layout`.
ScriptResult parse_key_script(const KeyboardLayout& layout, std::string_view script);

}  // namespace quillet
