// The text on the screen, read back with the font of a monitor image: what
// a person reads there. A character cell is one byte (six pixels) wide and
// eight pixel lines high; any pixel line may begin a row of text (the
// monitors print 9 lines apart, monitor 1 scrolls by 9, programs print
// where they like), so every line is tried and the best rows are kept.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillet {

// The video memory as the text reader takes it: 256 lines of 64 bytes, the
// first 48 of each shown.
constexpr int VIDEO_LINES = 256;
constexpr int VIDEO_LINE_BYTES = 64;
constexpr int VIDEO_SHOWN_BYTES = 48;
constexpr std::size_t VIDEO_BYTES = VIDEO_LINES * VIDEO_LINE_BYTES;
constexpr int GLYPH_LINES = 8;

// The glyphs of a monitor's character generator, by their eight pixel
// lines (attribute bits cleared).
class ScreenFont {
public:
    // The font of `image`, the monitor of `model` (a ComputerModel); false
    // when the image is too short to hold it.
    bool load(int model, const std::uint8_t* image, std::size_t size);
    // The character whose glyph is `lines`, or 0.
    char character(std::uint64_t lines) const;
    std::size_t size() const { return glyphs_.size(); }

private:
    void add(const std::uint8_t* glyph, char c);
    std::unordered_map<std::uint64_t, char> glyphs_;
    // Bit n: a glyph's first pixel line is n. Most cells of a picture are
    // told apart from the glyphs by it, without a look in the map.
    std::uint64_t first_lines_ = 0;
};

struct TextRow {
    int line;          // the pixel line of the row's first glyph line
    std::string text;  // its characters, without the blanks at its end
};

// The pixel lines of the video memory, one bit each.
using VideoLines = std::bitset<VIDEO_LINES>;

// The screen's text read again only where it changed: what each pixel line
// shows when a row of glyphs begins there is kept, and only the lines a
// changed line's glyphs reach are read again; the rows are then chosen
// from what is kept as read_screen_text chooses them.
class ScreenTextReader {
public:
    // Reads `video` (VIDEO_BYTES from 0xC000) again where the lines
    // `changed` lie: every line at the first reading, and with another font.
    // False when the rows cannot have changed: every line read again was no
    // text before and is none now.
    bool read(const ScreenFont& font, const std::uint8_t* video, const VideoLines& changed);
    // The rows of text of the last reading, from the top.
    std::vector<TextRow> rows() const;

private:
    static constexpr int FIRST_LINES = VIDEO_LINES - GLYPH_LINES + 1;
    struct LineScore {
        int known = 0;    // cells showing a glyph of the font
        int unknown = 0;  // cells with pixels but no glyph
        int run = 0;      // the most glyphs side by side
        bool text() const;
    };
    // Reads the row that would begin at `line`, whose cells' pixel lines
    // (eight a cell, the first in the low byte) are `cells`.
    void read_line(const ScreenFont& font, const std::uint64_t* cells, int line);

    LineScore scores_[FIRST_LINES];
    // The character of each cell when a row begins at that line: ' ' blank,
    // 0 pixels but no glyph.
    char cells_[FIRST_LINES][VIDEO_SHOWN_BYTES] = {};
};

// The rows of text that `video` (VIDEO_BYTES from 0xC000) shows, from the
// top. A cell that holds pixels but no glyph of the font reads as '?'.
std::vector<TextRow> read_screen_text(const ScreenFont& font, const std::uint8_t* video);

// Whether a row of `rows` shows `text`.
bool screen_shows(const std::vector<TextRow>& rows, std::string_view text);

}  // namespace quillet
