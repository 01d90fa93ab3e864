// The key tables. The characters are those the monitors' own decoding
// tables give each matrix position (monitor 1 at 8400h, monitors 2 and 2A
// at 82D0h, monitor 3 at E2D0h, MATO's at 83F2h); the unit tests hold these
// tables against the firmware images.
#include "machine/keyboard_layout.hpp"

#include <cctype>

#include "snapshot/snapshot_format.hpp"

namespace quillet {
namespace {

// The keys of the PMD 85 wiring that type no character. EOL is at column
// 13 and again at column 14; the first is pressed.
const NamedKey PMD85_NAMES[] = {
    {"K0", matrix_key(0, 0)},   {"K1", matrix_key(1, 0)},    {"K2", matrix_key(2, 0)},
    {"K3", matrix_key(3, 0)},   {"K4", matrix_key(4, 0)},    {"K5", matrix_key(5, 0)},
    {"K6", matrix_key(6, 0)},   {"K7", matrix_key(7, 0)},    {"K8", matrix_key(8, 0)},
    {"K9", matrix_key(9, 0)},   {"K10", matrix_key(10, 0)},  {"K11", matrix_key(11, 0)},
    {"WRK", matrix_key(12, 0)}, {"INS", matrix_key(12, 1)},  {"LEFT", matrix_key(12, 2)},
    {"LINE-START", matrix_key(12, 3)},
    {"C-D", matrix_key(13, 0)}, {"DEL", matrix_key(13, 1)},  {"HOME", matrix_key(13, 2)},
    {"END", matrix_key(13, 3)}, {"EOL", matrix_key(13, 4)},
    {"RCL", matrix_key(14, 0)}, {"CLR", matrix_key(14, 1)},  {"RIGHT", matrix_key(14, 2)},
    {"LINE-END", matrix_key(14, 3)},
    {"SPACE", matrix_key(0, 4)}, {"SHIFT", KEY_SHIFT},       {"STOP", KEY_STOP},
};

const NamedKey MATO_NAMES[] = {
    {"DOWN", matrix_key(6, 0)}, {"UP", matrix_key(6, 1)},    {"SPACE", matrix_key(6, 2)},
    {"LEFT", matrix_key(6, 4)}, {"RIGHT", matrix_key(6, 5)}, {"EOL", KEY_EOL_LINE},
    {"SHIFT", KEY_SHIFT},       {"STOP", KEY_STOP},          {"CNT", KEY_CNT},
};

// Monitor 2's characters; the other PMD 85 monitors differ at column 11
// (and monitor 1 at SHIFT with @). Indexed [row][column]; row 4 of column
// 0 is the space bar, set apart because a blank here means "no character".
KeyboardLayout pmd85_monitor2_layout() {
    KeyboardLayout layout{MatrixWiring::pmd85,
                          {"", "1234567890_}", "QWERTZUIOP@\\", "ASDFGHJKL;:]", " YXCVBNM,./"},
                          {"", "!\"#$%&'()-={", "qwertzuiop`^", "asdfghjkl+*[", " yxcvbnm<>?"},
                          PMD85_NAMES,
                          static_cast<int>(sizeof PMD85_NAMES / sizeof PMD85_NAMES[0])};
    layout.plain[4][0] = layout.shifted[4][0] = ' ';
    return layout;
}

void set_key(KeyboardLayout& layout, int column, int row, char plain, char shifted) {
    layout.plain[row][column] = plain;
    layout.shifted[row][column] = shifted;
}

KeyboardLayout pmd85_monitor1_layout() {
    KeyboardLayout layout = pmd85_monitor2_layout();
    set_key(layout, 11, 1, 0, 0);
    set_key(layout, 10, 2, '@', 0);  // SHIFT with @ gives a control code
    set_key(layout, 11, 3, '[', ']');
    return layout;
}

// Monitor 3 and Alfa 2's: braces at column 11 rows 1 and 4, brackets in
// their ASCII order.
KeyboardLayout pmd85_monitor3_layout() {
    KeyboardLayout layout = pmd85_monitor2_layout();
    set_key(layout, 11, 1, '{', '}');
    set_key(layout, 11, 3, '[', ']');
    set_key(layout, 11, 4, '{', '}');
    return layout;
}

KeyboardLayout c2717_layout() {
    KeyboardLayout layout = pmd85_monitor2_layout();
    set_key(layout, 11, 1, '{', '[');
    set_key(layout, 11, 3, '}', ']');
    set_key(layout, 11, 4, '~', '|');
    return layout;
}

// MATO's table gives, per row bit, the characters of columns 0 to 6; the
// space bar is column 6 row 2, with or without SHIFT.
KeyboardLayout mato_layout() {
    KeyboardLayout layout{MatrixWiring::mato,
                          {"1QAY-P", "2WSX0/", "3EDC\\;", "4RFV89@", "5TGB,.", "6ZHNKL", "7UJMIO:"},
                          {"!qay=p", "\"wsx_?", "#edc^+", "$rfv()`", "%tgb<>", "&zhnkl", "'ujmio*"},
                          MATO_NAMES,
                          static_cast<int>(sizeof MATO_NAMES / sizeof MATO_NAMES[0])};
    layout.plain[2][6] = layout.shifted[2][6] = ' ';
    return layout;
}

// Every printable character as a text of its own: the names of the
// character keys.
constexpr char FIRST_PRINTABLE = 0x20, LAST_PRINTABLE = 0x7E;
struct CharacterNames {
    char text[LAST_PRINTABLE - FIRST_PRINTABLE + 1][2];
    constexpr CharacterNames() : text{} {
        for (int c = FIRST_PRINTABLE; c <= LAST_PRINTABLE; ++c) text[c - FIRST_PRINTABLE][0] = static_cast<char>(c);
    }
};
constexpr CharacterNames CHARACTER_NAMES;

bool find_in(const char (&table)[KEYBOARD_ROWS][KEYBOARD_COLUMNS], char c, Key* key) {
    for (int column = 0; column < KEYBOARD_COLUMNS; ++column) {
        for (int row = 0; row < KEYBOARD_ROWS; ++row) {
            if (table[row][column] == c) {
                *key = matrix_key(column, row);
                return true;
            }
        }
    }
    return false;
}

}  // namespace

const KeyboardLayout* keyboard_layout(int model) {
    static const KeyboardLayout monitor1 = pmd85_monitor1_layout();
    static const KeyboardLayout monitor2 = pmd85_monitor2_layout();
    static const KeyboardLayout monitor3 = pmd85_monitor3_layout();
    static const KeyboardLayout c2717 = c2717_layout();
    static const KeyboardLayout mato = mato_layout();
    switch (model) {
    case MODEL_V1:
    case MODEL_ALFA:
        return &monitor1;
    case MODEL_V2:
    case MODEL_V2A:
        return &monitor2;
    case MODEL_V3:
    case MODEL_ALFA2:
        return &monitor3;
    case MODEL_C2717:
        return &c2717;
    case MODEL_MATO:
        return &mato;
    default:
        return nullptr;
    }
}

bool find_character_key(const KeyboardLayout& layout, char c, Key* key, bool* shift) {
    if (c == 0) return false;
    if (find_in(layout.plain, c, key)) {
        *shift = false;
        return true;
    }
    if (find_in(layout.shifted, c, key)) {
        *shift = true;
        return true;
    }
    return false;
}

bool find_named_key(const KeyboardLayout& layout, std::string_view name, Key* key) {
    for (int i = 0; i < layout.name_count; ++i) {
        std::string_view candidate = layout.names[i].name;
        if (candidate.size() != name.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < name.size() && same; ++k) {
            same = std::toupper(static_cast<unsigned char>(name[k])) == candidate[k];
        }
        if (same) {
            *key = layout.names[i].key;
            return true;
        }
    }
    return false;
}

int keyboard_key_names(const KeyboardLayout& layout, const char** names, int capacity) {
    int count = 0;
    const auto add = [&](const char* name) {
        if (names && count < capacity) names[count] = name;
        ++count;
    };
    for (int i = 0; i < layout.name_count; ++i) add(layout.names[i].name);
    for (char c = FIRST_PRINTABLE; c <= LAST_PRINTABLE; ++c) {
        Key key;
        bool shift;
        if (find_character_key(layout, c, &key, &shift)) add(CHARACTER_NAMES.text[c - FIRST_PRINTABLE]);
    }
    return count;
}

}  // namespace quillet
