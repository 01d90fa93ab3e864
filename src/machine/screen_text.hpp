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
    char character(std::uint64_t lines) const {
        if (!may_begin(lines & 0xFF)) return 0;
        for (unsigned slot = slot_of(lines);; slot = (slot + 1) % SLOTS) {
            if (glyphs_[slot] == lines) return characters_[slot];
            if (glyphs_[slot] == 0) return 0;
        }
    }
    // Whether a glyph's first pixel line is `pixels` (0..3Fh).
    bool may_begin(unsigned pixels) const { return (first_lines_ >> pixels) & 1; }
    std::size_t size() const { return size_; }

private:
    // The glyphs in a table of their own: most lookups are of cells that
    // hold no glyph, and a screen of them is looked up every frame.
    static constexpr unsigned SLOTS = 256;  // 0 in glyphs_: a free slot
    static unsigned slot_of(std::uint64_t lines) {
        return static_cast<unsigned>((lines * 0x9E3779B97F4A7C15u) >> 56);
    }
    void add(const std::uint8_t* glyph, char c);
    std::uint64_t glyphs_[SLOTS] = {};
    char characters_[SLOTS] = {};
    std::size_t size_ = 0;
    // Bit n: a glyph's first pixel line is n. Most cells of a picture are
    // told apart from the glyphs by it, without a look in the table.
    std::uint64_t first_lines_ = 0;
};

struct TextRow {
    int line;          // the pixel line of the row's first glyph line
    std::string text;  // its characters, without the blanks at its end
};

// The pixel lines of the video memory, one bit each.
using VideoLines = std::bitset<VIDEO_LINES>;

// The screen's text read again only where it changed: the pixels of the
// last reading are kept, and of the lines said to have changed only the
// cells whose pixels differ are read again, in each row of glyphs that
// may begin at a line they reach; the rows are then chosen from what is
// kept as read_screen_text chooses them.
class ScreenTextReader {
public:
    ScreenTextReader();
    // Reads `video` (VIDEO_BYTES from 0xC000) again where the lines
    // `changed` lie; every cell when all lines are named (the first
    // reading, another font). False when the rows cannot have changed: no
    // cell of a line that was or is text reads otherwise.
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
    // Takes in line `line` of `video`: the columns whose pixels differ
    // from the last reading (every column when `whole`), one bit each.
    std::uint64_t take_line(const std::uint8_t* video, int line, bool whole);
    // Reads again the cells `columns` of the row that would begin at
    // `line`: whether any reads otherwise.
    bool read_cells(const ScreenFont& font, int line, std::uint64_t columns);

    LineScore scores_[FIRST_LINES];
    // For each line, bit n: cell n of the row beginning there shows a
    // glyph (known_), pixels but no glyph (unknown_).
    std::uint64_t known_[FIRST_LINES] = {};
    std::uint64_t unknown_[FIRST_LINES] = {};
    // The character of each cell when a row begins at that line: ' ' blank,
    // 0 pixels but no glyph.
    char cells_[FIRST_LINES][VIDEO_SHOWN_BYTES];
    // The pixels of the last reading, attribute bits cleared: by lines, to
    // compare, and by columns, where a cell's eight pixel lines are one word.
    std::uint8_t pixels_[VIDEO_LINES][VIDEO_SHOWN_BYTES] = {};
    std::uint8_t columns_[VIDEO_SHOWN_BYTES][VIDEO_LINES] = {};
    // For each line, bit n: cell n of the row beginning there reads
    // otherwise when its lower lines change. A cell whose first line has
    // pixels that begin no glyph holds none, whatever lies below.
    std::uint64_t open_[FIRST_LINES];
    // During a reading: the columns to read again of each row.
    std::uint64_t pending_[FIRST_LINES] = {};
};

// The rows of text that `video` (VIDEO_BYTES from 0xC000) shows, from the
// top. A cell that holds pixels but no glyph of the font reads as '?'.
std::vector<TextRow> read_screen_text(const ScreenFont& font, const std::uint8_t* video);

// Whether a row of `rows` shows `text`.
bool screen_shows(const std::vector<TextRow>& rows, std::string_view text);

}  // namespace quillet
