// The keyboards of the PMD 85 models: where each key sits in the matrix that
// the system 8255 scans, which character each key types with and without
// SHIFT (as the model's own monitor decodes it), and the names of the keys
// that type no character.
//
// A key is one byte: a matrix key is column * 8 + row (the row is the bit
// number on port B), and the lines outside the matrix (SHIFT, STOP, MATO's
// CNT and EOL) have codes of their own from 0x80 up.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillet {

using Key = std::uint8_t;

constexpr Key matrix_key(int column, int row) { return static_cast<Key>(column * 8 + row); }
constexpr int key_column(Key key) { return key >> 3; }
constexpr int key_row(Key key) { return key & 7; }

// The lines that are not in the matrix: read with any column selected.
constexpr Key KEY_SHIFT = 0x80;
constexpr Key KEY_STOP = 0x81;
constexpr Key KEY_CNT = 0x82;       // MATO only
constexpr Key KEY_EOL_LINE = 0x83;  // MATO only: EOL on PB7 of every column
constexpr bool key_in_matrix(Key key) { return key < 0x80; }

// The two wirings of the matrix.
enum class MatrixWiring {
    // PMD 85-1/2/2A/3, Alfa, Alfa 2, C2717: PA3-PA0 select one of 16
    // columns, PB4-PB0 its rows, PB5 SHIFT, PB6 STOP, all active low.
    pmd85,
    // MATO: PA6-PA0 select columns, one bit each, active low; PB6-PB0 the
    // rows, PB7 EOL; STOP, SHIFT and CNT on PC4, PC5, PC6, active low.
    mato,
};

constexpr int KEYBOARD_COLUMNS = 16;
constexpr int KEYBOARD_ROWS = 8;

struct NamedKey {
    const char* name;
    Key key;
};

struct KeyboardLayout {
    MatrixWiring wiring;
    // The character each matrix key types, plain and with SHIFT, indexed
    // [row][column]; 0 where it types none.
    char plain[KEYBOARD_ROWS][KEYBOARD_COLUMNS];
    char shifted[KEYBOARD_ROWS][KEYBOARD_COLUMNS];
    // The keys known by name; the first of two keys of one name wins.
    const NamedKey* names;
    int name_count;
};

// The keyboard of a model (a ComputerModel of snapshot_format); null for a
// number that names no model.
const KeyboardLayout* keyboard_layout(int model);

// The key that types `c` on `layout`, and whether SHIFT goes with it.
// False when the keyboard cannot type it.
bool find_character_key(const KeyboardLayout& layout, char c, Key* key, bool* shift);

// The key called `name` (upper or lower case); false for no such key.
bool find_named_key(const KeyboardLayout& layout, std::string_view name, Key* key);

// The names of `layout`'s keys in a stable order: its named keys, then
// each character it types (in the order of their codes) as a name of one
// character. Up to `capacity` into `names` (static texts; null: none);
// returns how many there are.
int keyboard_key_names(const KeyboardLayout& layout, const char** names, int capacity);

}  // namespace quillet
