// The screen's text read back with a monitor's font: rows drawn the way
// the monitors draw them (and elsewhere), read as the characters they show.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine/screen_text.hpp"
#include "snapshot/snapshot_format.hpp"
#include "support/pmd85_roms.hpp"

namespace quillet {
namespace {

using Video = std::vector<std::uint8_t>;

// Draws `text` from pixel line `line`, byte `column` on, with the glyphs of
// `image` where the monitors keep them, each byte ORed with `attribute`.
void draw(Video& video, const std::vector<std::uint8_t>& image, std::size_t lower, int line, int column,
          const std::string& text, std::uint8_t attribute = 0) {
    for (char c : text) {
        std::size_t glyph = c >= 0x60 ? lower + 8 * static_cast<std::size_t>(c - 0x60)
                                      : 0x600 + 8 * static_cast<std::size_t>(c - 0x20);
        for (int i = 0; i < 8; ++i) video[(line + i) * VIDEO_LINE_BYTES + column] = image[glyph + i] | attribute;
        ++column;
    }
}

struct FontCase {
    const char* image;
    int model;
    std::size_t lower;  // where its lower case lies (0: none)
};

class MonitorFont : public ::testing::TestWithParam<FontCase> {};

TEST_P(MonitorFont, ReadsRowsDrawnAnywhere) {
    const FontCase& font_case = GetParam();
    QUILLET_PMD85_ROM_OR_SKIP(image, font_case.image);
    ScreenFont font;
    ASSERT_TRUE(font.load(font_case.model, image.data(), image.size()));
    bool lower = font_case.lower != 0;
    std::string ready = lower ? "++ Os ready ++" : "** PMD-85 READY /1.0 **";
    std::string sample = lower ? "SUB 8000 31 00 {x}|~ [@] `a-z`" : "SUB 8000 31 00 [@]^_ \\ A-Z";
    Video video(VIDEO_BYTES);
    draw(video, image, font_case.lower, 246, 0, ready);
    draw(video, image, font_case.lower, 1, 2, sample, 0x40);
    draw(video, image, font_case.lower, 10, 40, "8 CHARS.", 0x80);
    draw(video, image, font_case.lower, 100, 0, "A  B");
    std::vector<TextRow> rows = read_screen_text(font, video.data());
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].line, 1);
    EXPECT_EQ(rows[0].text, "  " + sample);
    EXPECT_EQ(rows[1].line, 10);
    EXPECT_EQ(rows[1].text, std::string(40, ' ') + "8 CHARS.");
    EXPECT_EQ(rows[2].line, 100);
    EXPECT_EQ(rows[2].text, "A  B");
    EXPECT_EQ(rows[3].line, 246);
    EXPECT_EQ(rows[3].text, ready);
    EXPECT_TRUE(screen_shows(rows, ready));
    EXPECT_TRUE(screen_shows(rows, "00 "));
    EXPECT_FALSE(screen_shows(rows, "A B"));
    EXPECT_FALSE(font.load(font_case.model, image.data(), lower ? font_case.lower + 0xF7 : 0x7FF));
}

INSTANTIATE_TEST_SUITE_P(Monitors, MonitorFont,
                         ::testing::Values(FontCase{"monit1.rom", MODEL_V1, 0}, FontCase{"monit2.rom", MODEL_V2, 0x8C0},
                                           FontCase{"monit2A.rom", MODEL_V2A, 0x8C0},
                                           FontCase{"monit3.rom", MODEL_V3, 0x8C0},
                                           FontCase{"didalfa2.rom", MODEL_ALFA2, 0x8C0},
                                           FontCase{"c2717.rom", MODEL_C2717, 0x8C0},
                                           FontCase{"mato-mb.rom", MODEL_MATO, 0x8BE}));

// A made-up font of two glyphs, for what does not need the firmware.
std::vector<std::uint8_t> made_up_monitor() {
    std::vector<std::uint8_t> image(0x1000);
    const std::uint8_t bar[8] = {0, 0, 0, 0x1E, 0, 0, 0, 0};      // '-'
    const std::uint8_t post[8] = {0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0};  // '!'
    for (int i = 0; i < 8; ++i) {
        image[0x600 + 8 * ('-' - 0x20) + i] = bar[i];
        image[0x600 + 8 * ('!' - 0x20) + i] = post[i];
    }
    return image;
}

TEST(ScreenText, PicturesAreNoText) {
    std::vector<std::uint8_t> image = made_up_monitor();
    ScreenFont font;
    ASSERT_TRUE(font.load(MODEL_V2, image.data(), image.size()));
    EXPECT_EQ(font.size(), 2u);
    Video video(VIDEO_BYTES);
    // A chequerboard over lines 0-47: no glyph anywhere.
    for (int line = 0; line < 48; ++line) {
        for (int column = 0; column < VIDEO_SHOWN_BYTES; ++column) {
            video[line * VIDEO_LINE_BYTES + column] = ((line / 8 + column) & 1) ? 0x3F : 0;
        }
    }
    EXPECT_TRUE(read_screen_text(font, video.data()).empty());
    // Two glyphs beside one cell the font lacks: text, with the cell as '?';
    // more unknown cells than glyphs: no text.
    for (int i = 0; i < 7; ++i) video[(200 + i) * VIDEO_LINE_BYTES + 1] = 0x04;
    video[203 * VIDEO_LINE_BYTES + 3] = 0x1E;
    video[200 * VIDEO_LINE_BYTES + 5] = 0x21;
    for (int column = 10; column < 13; ++column) video[100 * VIDEO_LINE_BYTES + column] = 0x3F;
    for (int column = 13; column < 17; ++column) video[100 * VIDEO_LINE_BYTES + column] = 0x11;
    std::vector<TextRow> rows = read_screen_text(font, video.data());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].line, 200);
    EXPECT_EQ(rows[0].text, " ! - ?");
    // The 16 bytes beyond the 48 shown are not read.
    for (int line = 0; line < VIDEO_LINES; ++line) video[line * VIDEO_LINE_BYTES + 50] = 0x3F;
    EXPECT_EQ(read_screen_text(font, video.data()).size(), 1u);
}

// A legend beside a picture (a board game's notes beside its board): a
// run of glyphs is text however many unknown cells stand beside it; a lone
// glyph among them is not; the glyphs read the same in either row.
TEST(ScreenText, ARunOfGlyphsBesidePicturesIsText) {
    std::vector<std::uint8_t> image = made_up_monitor();
    ScreenFont font;
    ASSERT_TRUE(font.load(MODEL_V2, image.data(), image.size()));
    Video video(VIDEO_BYTES);
    const auto glyph = [&](int line, int column, char c) {
        for (int i = 0; i < 8; ++i) video[(line + i) * VIDEO_LINE_BYTES + column] = image[0x600 + 8 * (c - 0x20) + i];
    };
    const struct {
        int line;
        const char* legend;  // drawn from column 25, after 24 cells of picture and a gap
        const char* read;    // the row read, "" for none
    } rows[] = {
        {20, "-!-", "???????????????????????? -!-"},
        {40, "!", ""},
        {60, "- !!", "???????????????????????? - !!"},
    };
    for (const auto& row : rows) {
        for (int column = 0; column < 24; ++column) {
            for (int i = 0; i < 8; ++i) video[(row.line + i) * VIDEO_LINE_BYTES + column] = (i + column) & 1 ? 0x2A : 0x15;
        }
        for (int i = 0; row.legend[i]; ++i) {
            if (row.legend[i] != ' ') glyph(row.line, 25 + i, row.legend[i]);
        }
    }
    std::vector<TextRow> read = read_screen_text(font, video.data());
    std::vector<std::string> texts;
    for (const TextRow& row : read) texts.push_back(std::to_string(row.line) + ":" + row.text);
    std::vector<std::string> expected;
    for (const auto& row : rows) {
        if (*row.read) expected.push_back(std::to_string(row.line) + ":" + row.read);
    }
    EXPECT_EQ(texts, expected);
}

// Read again only where lines changed, the rows are those of a whole
// reading: glyphs drawn, moved and wiped over random lines, rows that
// overlap, pictures among them. Lines named whose pixels are the same
// (the same bytes written again, only attribute bits changed) change no
// row. A change not named is not read.
TEST(ScreenTextReader, ReadsAgainOnlyWhatChanged) {
    std::vector<std::uint8_t> image = made_up_monitor();
    ScreenFont font;
    ASSERT_TRUE(font.load(MODEL_V2, image.data(), image.size()));
    Video video(VIDEO_BYTES);
    ScreenTextReader reader;
    reader.read(font, video.data(), VideoLines().set());
    std::uint32_t seed = 12345;
    const auto next = [&seed](std::uint32_t below) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % below;
    };
    const auto texts = [](const std::vector<TextRow>& rows) {
        std::vector<std::string> out;
        for (const TextRow& row : rows) out.push_back(std::to_string(row.line) + ":" + row.text);
        return out;
    };
    int with_rows = 0, unchanged = 0, same_pixels = 0;
    for (int step = 0; step < 400; ++step) {
        VideoLines changed;
        const int line = static_cast<int>(next(VIDEO_LINES - GLYPH_LINES + 1));
        const int column = static_cast<int>(next(VIDEO_SHOWN_BYTES - 4));
        const std::uint32_t what = next(8);
        // A word of glyphs of the font, a word wiped, a picture's pixels,
        // or the same pixels (other attribute bits).
        for (int cell = column; cell < column + 4; ++cell) {
            const char c = next(2) ? '-' : '!';
            for (int i = 0; i < GLYPH_LINES; ++i) {
                std::uint8_t& byte = video[(line + i) * VIDEO_LINE_BYTES + cell];
                byte = what < 3 ? image[0x600 + 8 * (c - 0x20) + i]
                     : what < 5 ? 0
                     : what < 6 ? static_cast<std::uint8_t>(next(64))
                                : static_cast<std::uint8_t>(byte ^ (next(3) + 1) << 6);
            }
        }
        // The lines written, and at times some beside them.
        const int spread = static_cast<int>(next(3));
        for (int i = -spread; i < GLYPH_LINES + spread; ++i) {
            if (line + i >= 0 && line + i < VIDEO_LINES) changed.set(static_cast<std::size_t>(line + i));
        }
        const std::vector<std::string> before = texts(reader.rows());
        const bool rows_changed = reader.read(font, video.data(), changed);
        const std::vector<TextRow> whole = read_screen_text(font, video.data());
        ASSERT_EQ(texts(reader.rows()), texts(whole)) << "step " << step;
        // Rows said unchanged are unchanged.
        if (!rows_changed) {
            ASSERT_EQ(texts(whole), before) << "step " << step;
            ++unchanged;
        }
        if (what >= 6) {
            EXPECT_FALSE(rows_changed) << "step " << step << ": the pixels are the same";
            ++same_pixels;
        }
        with_rows += whole.size() > 1 ? 1 : 0;
    }
    EXPECT_GT(with_rows, 250);
    EXPECT_GT(unchanged, 80);
    EXPECT_GT(same_pixels, 50);
    const std::vector<TextRow> before = reader.rows();
    ASSERT_FALSE(before.empty());
    // Every line wiped, none named: what was read stays.
    std::fill(video.begin(), video.end(), 0);
    reader.read(font, video.data(), VideoLines());
    EXPECT_EQ(texts(reader.rows()), texts(before));
    reader.read(font, video.data(), VideoLines().set());
    EXPECT_TRUE(reader.rows().empty());
}

}  // namespace
}  // namespace quillet
