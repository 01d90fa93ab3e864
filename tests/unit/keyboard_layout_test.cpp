// The key tables against the firmware: every character a monitor's own
// decoding table gives a matrix position is the character the model's
// layout types there, and the layout types nothing the table does not.
#include <gtest/gtest.h>

#include <string>

#include "machine/key_script.hpp"
#include "machine/keyboard_layout.hpp"
#include "snapshot/snapshot_format.hpp"
#include "support/pmd85_roms.hpp"

namespace quillet {
namespace {

char printable(int code) { return code >= 0x20 && code <= 0x7E ? static_cast<char>(code) : 0; }

struct PmdTable {
    const char* image;
    std::size_t offset;  // of the table in the image
    int model;
};

class PmdKeyTable : public ::testing::TestWithParam<PmdTable> {};

TEST_P(PmdKeyTable, MatchesTheMonitorsDecoding) {
    const PmdTable& table = GetParam();
    QUILLET_PMD85_ROM_OR_SKIP(image, table.image);
    const KeyboardLayout* layout = keyboard_layout(table.model);
    ASSERT_NE(layout, nullptr);
    char expected_plain[KEYBOARD_ROWS][KEYBOARD_COLUMNS] = {};
    char expected_shifted[KEYBOARD_ROWS][KEYBOARD_COLUMNS] = {};
    // 16-byte records: PB AND 3Fh (one row bit low; bit 5 low with SHIFT),
    // then the codes of columns 0 to 14; a record starting with 00h ends it.
    int records = 0;
    for (std::size_t at = table.offset; image.at(at) != 0; at += 16, ++records) {
        int pattern = image[at];
        int low = ~pattern & 0x1F;
        ASSERT_EQ(low & (low - 1), 0) << "record " << records;
        int row = __builtin_ctz(low);
        auto& target = (pattern & 0x20) ? expected_plain : expected_shifted;
        for (int column = 0; column < 15; ++column) target[row][column] = printable(image[at + 1 + column]);
    }
    EXPECT_EQ(records, 10);
    for (int row = 0; row < KEYBOARD_ROWS; ++row) {
        for (int column = 0; column < KEYBOARD_COLUMNS; ++column) {
            EXPECT_EQ(layout->plain[row][column], expected_plain[row][column]) << "column " << column << " row " << row;
            EXPECT_EQ(layout->shifted[row][column], expected_shifted[row][column])
                << "SHIFT, column " << column << " row " << row;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Monitors, PmdKeyTable,
                         ::testing::Values(PmdTable{"monit1.rom", 0x400, MODEL_V1},
                                           PmdTable{"monit2.rom", 0x2D0, MODEL_V2},
                                           PmdTable{"monit2A.rom", 0x2D0, MODEL_V2A},
                                           PmdTable{"monit3.rom", 0x2D0, MODEL_V3},
                                           PmdTable{"didalfa2.rom", 0x2D0, MODEL_ALFA2},
                                           PmdTable{"c2717.rom", 0x2D0, MODEL_C2717}));

// MATO's table: a 25-byte record per row bit: the mask, 7 plain codes, 00h,
// 7 codes with SHIFT, 00h, 7 with CNT, 00h.
TEST(MatoKeyTable, MatchesTheMonitorsDecoding) {
    QUILLET_PMD85_ROM_OR_SKIP(image, "mato-mb.rom");
    const KeyboardLayout* layout = keyboard_layout(MODEL_MATO);
    ASSERT_NE(layout, nullptr);
    for (int row = 0; row < 7; ++row) {
        std::size_t at = 0x3F2 + 25 * static_cast<std::size_t>(row);
        ASSERT_EQ(image[at], 1 << row);
        for (int column = 0; column < 7; ++column) {
            EXPECT_EQ(layout->plain[row][column], printable(image[at + 1 + column])) << column << "/" << row;
            EXPECT_EQ(layout->shifted[row][column], printable(image[at + 9 + column])) << column << "/" << row;
        }
    }
}

struct CharacterCase {
    int model;
    char c;
    bool found;
    Key key;
    bool shift;
};

TEST(KeyboardLayout, FindsTheKeyOfACharacter) {
    const CharacterCase cases[] = {
        {MODEL_V2, 'A', true, matrix_key(0, 3), false},  {MODEL_V2, 'a', true, matrix_key(0, 3), true},
        {MODEL_V2, 'Z', true, matrix_key(5, 2), false},  {MODEL_V2, 'Y', true, matrix_key(1, 4), false},
        {MODEL_V2, ' ', true, matrix_key(0, 4), false},  {MODEL_V2, '=', true, matrix_key(10, 1), true},
        {MODEL_V1, '`', false, 0, false},                 {MODEL_V1, '{', false, 0, false},
        {MODEL_V3, '{', true, matrix_key(11, 1), false}, {MODEL_C2717, '|', true, matrix_key(11, 4), true},
        {MODEL_MATO, 'Z', true, matrix_key(1, 5), false}, {MODEL_MATO, 'Y', true, matrix_key(3, 0), false},
        {MODEL_MATO, ' ', true, matrix_key(6, 2), false}, {MODEL_MATO, '_', true, matrix_key(4, 1), true},
        {MODEL_MATO, ']', false, 0, false},               {MODEL_V2, '\t', false, 0, false},
    };
    for (const CharacterCase& test : cases) {
        Key key = 0xFF;
        bool shift = false;
        SCOPED_TRACE(std::string(MODEL_NAMES[test.model]) + " '" + test.c + "'");
        ASSERT_EQ(find_character_key(*keyboard_layout(test.model), test.c, &key, &shift), test.found);
        if (!test.found) continue;
        EXPECT_EQ(key, test.key);
        EXPECT_EQ(shift, test.shift);
    }
}

TEST(KeyboardLayout, FindsKeysByName) {
    struct NameCase {
        int model;
        const char* name;
        bool found;
        Key key;
    } cases[] = {
        {MODEL_V2, "EOL", true, matrix_key(13, 4)},   {MODEL_V2, "eol", true, matrix_key(13, 4)},
        {MODEL_V2, "K11", true, matrix_key(11, 0)},   {MODEL_V2, "RCL", true, matrix_key(14, 0)},
        {MODEL_V2, "CLR", true, matrix_key(14, 1)},   {MODEL_V1, "STOP", true, KEY_STOP},
        {MODEL_V2, "UP", false, 0},                   {MODEL_V2, "K12", false, 0},
        {MODEL_MATO, "EOL", true, KEY_EOL_LINE},      {MODEL_MATO, "UP", true, matrix_key(6, 1)},
        {MODEL_MATO, "K0", false, 0},                 {MODEL_MATO, "CNT", true, KEY_CNT},
    };
    for (const NameCase& test : cases) {
        Key key = 0xFF;
        SCOPED_TRACE(std::string(MODEL_NAMES[test.model]) + " " + test.name);
        ASSERT_EQ(find_named_key(*keyboard_layout(test.model), test.name, &key), test.found);
        if (test.found) {
            EXPECT_EQ(key, test.key);
        }
    }
    EXPECT_EQ(keyboard_layout(MODEL_COUNT), nullptr);
}

}  // namespace
}  // namespace quillet
