// The typing script parser (key_script.hpp).
#include "machine/key_script.hpp"

#include <cctype>

namespace quillet {
namespace {

bool starts_with_word(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != word[i]) return false;
    }
    return true;
}

// A character given by name in braces.
char brace_character(std::string_view name) {
    if (starts_with_word(name, "LBRACE") && name.size() == 6) return '{';
    if (starts_with_word(name, "RBRACE") && name.size() == 6) return '}';
    return 0;
}

void add_key(KeyStroke& stroke, Key key) {
    for (int i = 0; i < stroke.key_count; ++i) {
        if (stroke.keys[i] == key) return;
    }
    stroke.keys[stroke.key_count++] = key;
}

// The stroke for a character; false when the layout cannot type it.
bool character_stroke(const KeyboardLayout& layout, char c, KeyStroke& stroke) {
    Key key;
    bool shift;
    if (!find_character_key(layout, c, &key, &shift)) return false;
    add_key(stroke, key);
    if (shift) add_key(stroke, KEY_SHIFT);
    return true;
}

// Parses {WAIT n}'s number; false unless it is a decimal number within limits.
bool wait_frames(std::string_view text, std::uint32_t* frames) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (text.empty()) return false;
    std::uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
        if (value > MAX_WAIT_FRAMES) return false;
    }
    *frames = value;
    return true;
}

// The stroke a brace's content names: modifiers joined by '+', then a key
// name or a single character.
ScriptProblem named_stroke(const KeyboardLayout& layout, std::string_view name, KeyStroke& stroke) {
    static const char* const MODIFIERS[] = {"SHIFT+", "STOP+", "CNT+"};
    for (bool more = true; more;) {
        more = false;
        for (const char* modifier : MODIFIERS) {
            std::string_view word = modifier;
            Key line;
            if (name.size() > word.size() && starts_with_word(name, word) &&
                find_named_key(layout, word.substr(0, word.size() - 1), &line)) {
                add_key(stroke, line);
                name.remove_prefix(word.size());
                more = true;
            }
        }
    }
    Key key;
    if (find_named_key(layout, name, &key)) {
        add_key(stroke, key);
        return ScriptProblem::none;
    }
    char c = name.size() == 1 ? name[0] : brace_character(name);
    if (c != 0) return character_stroke(layout, c, stroke) ? ScriptProblem::none : ScriptProblem::untypeable;
    return ScriptProblem::unknown_key;
}

}  // namespace

ScriptResult parse_key_script(const KeyboardLayout& layout, std::string_view script) {
    ScriptResult result;
    auto fail = [&](ScriptProblem problem, std::size_t offset, std::string_view culprit) {
        result.strokes.clear();
        result.problem = problem;
        result.offset = offset;
        result.culprit.assign(culprit.data(), culprit.size());
        return result;
    };
    Key eol;
    bool has_eol = find_named_key(layout, "EOL", &eol);
    for (std::size_t i = 0; i < script.size();) {
        KeyStroke stroke{{}, 0, 0};
        char c = script[i];
        if (c == '{') {
            std::size_t close = script.find('}', i + 1);
            if (close == std::string_view::npos) return fail(ScriptProblem::unclosed_brace, i, script.substr(i));
            std::string_view name = script.substr(i + 1, close - i - 1);
            if (starts_with_word(name, "WAIT") && (name.size() == 4 || name[4] == ' ')) {
                if (!wait_frames(name.substr(4), &stroke.frames)) return fail(ScriptProblem::bad_wait, i, name);
            } else {
                ScriptProblem problem = named_stroke(layout, name, stroke);
                if (problem != ScriptProblem::none) return fail(problem, i, name);
            }
            i = close + 1;
        } else if (c == '\r' && i + 1 < script.size() && script[i + 1] == '\n') {
            ++i;
            continue;
        } else if (c == '\n' && has_eol) {
            add_key(stroke, eol);
            ++i;
        } else {
            // A character outside ASCII is named whole: its UTF-8 bytes.
            std::size_t length = 1;
            if (static_cast<unsigned char>(c) >= 0xC0) {
                while (i + length < script.size() && (static_cast<unsigned char>(script[i + length]) & 0xC0) == 0x80) {
                    ++length;
                }
            }
            if (!character_stroke(layout, c, stroke)) {
                return fail(ScriptProblem::untypeable, i, script.substr(i, length));
            }
            i += length;
        }
        result.strokes.push_back(stroke);
    }
    return result;
}

}  // namespace quillet
