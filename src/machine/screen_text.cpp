// Reading the screen's text (screen_text.hpp).
#include "machine/screen_text.hpp"

#include <algorithm>
#include <iterator>
#include <memory>

#include "base/word_bits.hpp"
#include "machine/machine_model.hpp"

namespace quillet {
namespace {

// Where the monitors keep their glyphs, as offsets into the image: eight
// bytes a character, one pixel line each, bit 0 the leftmost pixel.
// Codes 20h-5Fh lie at 0600h in every monitor; where the lower case lies
// is the model's (machine_model.hpp).
constexpr std::size_t UPPER_GLYPHS = 0x0600;
constexpr int FIRST_UPPER = 0x20, FIRST_LOWER = 0x60, LAST_CHARACTER = 0x7E;

constexpr std::uint8_t PIXEL_BITS = 0x3F;
constexpr std::uint64_t PIXEL_WORD = 0x3F3F3F3F3F3F3F3Fu;

}  // namespace

void ScreenFont::add(const std::uint8_t* glyph, char c) {
    std::uint64_t lines = 0;
    for (int i = 0; i < GLYPH_LINES; ++i) lines |= static_cast<std::uint64_t>(glyph[i] & PIXEL_BITS) << (8 * i);
    // A blank cell reads as a space; a glyph drawn for the space (no real
    // monitor has one) would make rows of nothing but blanks.
    if (lines == 0 || c == ' ') return;
    unsigned slot = slot_of(lines);
    for (; glyphs_[slot] != 0; slot = (slot + 1) % SLOTS) {
        if (glyphs_[slot] == lines) return;  // the first of equal glyphs wins
    }
    glyphs_[slot] = lines;
    characters_[slot] = c;
    ++size_;
    first_lines_ |= std::uint64_t{1} << (lines & PIXEL_BITS);
}

bool ScreenFont::load(int model, const std::uint8_t* image, std::size_t size) {
    const std::size_t lower = model_facts(model).lower_glyphs;
    const bool lower_case = lower != 0;
    std::size_t upper_end = UPPER_GLYPHS + GLYPH_LINES * (FIRST_LOWER - FIRST_UPPER);
    std::size_t lower_end = lower + GLYPH_LINES * (LAST_CHARACTER + 1 - FIRST_LOWER);
    if (size < upper_end || (lower_case && size < lower_end)) return false;
    *this = ScreenFont{};
    for (int c = FIRST_UPPER; c < FIRST_LOWER; ++c) {
        add(image + UPPER_GLYPHS + GLYPH_LINES * (c - FIRST_UPPER), static_cast<char>(c));
    }
    if (lower_case) {
        for (int c = FIRST_LOWER; c <= LAST_CHARACTER; ++c) {
            add(image + lower + GLYPH_LINES * (c - FIRST_LOWER), static_cast<char>(c));
        }
    }
    return true;
}

// Text: a run of glyphs, whatever stands beside it (a legend beside a
// picture), or more glyphs than unknown cells.
bool ScreenTextReader::LineScore::text() const {
    constexpr int MIN_RUN = 2;
    return known > 0 && (run >= MIN_RUN || unknown <= known);
}

// Before any reading: a blank screen.
ScreenTextReader::ScreenTextReader() {
    for (auto& row : cells_) std::fill(std::begin(row), std::end(row), ' ');
    std::fill(std::begin(open_), std::end(open_), (std::uint64_t{1} << VIDEO_SHOWN_BYTES) - 1);
}

std::uint64_t ScreenTextReader::take_line(const std::uint8_t* video, int line, bool whole) {
    const std::uint8_t* row = video + line * VIDEO_LINE_BYTES;
    std::uint8_t* kept = pixels_[line];
    std::uint64_t columns = 0;
    for (int at = 0; at < VIDEO_SHOWN_BYTES; at += 8) {
        const std::uint64_t differs = (load_word(row + at) & PIXEL_WORD) ^ load_word(kept + at);
        if (differs == 0 && !whole) continue;
        const std::uint64_t bytes = whole ? 0xFF : ~zero_byte_bits(differs) & 0xFF;
        columns |= bytes << at;
        for (int column = at; column < at + 8; ++column) {
            const std::uint8_t pixels = row[column] & PIXEL_BITS;
            kept[column] = pixels;
            columns_[column][line] = pixels;
        }
    }
    return columns;
}

bool ScreenTextReader::read_cells(const ScreenFont& font, int line, std::uint64_t columns) {
    std::uint64_t known = 0, unknown = 0, open = 0;
    bool differs = false;
    const std::uint8_t* first_lines = pixels_[line];
    for (std::uint64_t left = columns; left != 0; left &= left - 1) {
        const int column = trailing_zero_bits(left);
        // Most cells of a picture are known for no glyph by their first
        // line; the others by their eight, the first in the low byte.
        const unsigned first = first_lines[column];
        const bool opens = first == 0 || font.may_begin(first);
        open |= std::uint64_t{opens} << column;
        const std::uint64_t cell = opens ? load_word(&columns_[column][line]) : first;
        const char c = cell == 0 ? ' ' : font.character(cell);
        char& kept = cells_[line][column];
        differs = differs || c != kept;
        kept = c;
        if (cell != 0) (c != 0 ? known : unknown) |= std::uint64_t{1} << column;
    }
    open_[line] = (open_[line] & ~columns) | open;
    // A cell's character tells whether it is blank, a glyph or unknown.
    if (!differs) return false;
    known_[line] = (known_[line] & ~columns) | known;
    unknown_[line] = (unknown_[line] & ~columns) | unknown;
    LineScore& score = scores_[line];
    score.known = static_cast<int>(std::bitset<64>(known_[line]).count());
    score.unknown = static_cast<int>(std::bitset<64>(unknown_[line]).count());
    score.run = 0;
    for (std::uint64_t runs = known_[line]; runs != 0; runs &= runs << 1) ++score.run;
    return true;
}

bool ScreenTextReader::read(const ScreenFont& font, const std::uint8_t* video, const VideoLines& changed) {
    const bool whole = changed.all();
    // A row that begins at `line` shows lines line .. line + GLYPH_LINES - 1:
    // a changed cell is reached from the GLYPH_LINES lines up to its line.
    constexpr int WORDS = VIDEO_LINES / 64;
    std::uint64_t reached[WORDS] = {};
    const VideoLines WORD_MASK(~std::uint64_t{0});
    for (int word = 0; word < WORDS; ++word) {
        std::uint64_t lines = ((changed >> (64 * word)) & WORD_MASK).to_ullong();
        for (; lines != 0; lines &= lines - 1) {
            const int line = 64 * word + trailing_zero_bits(lines);
            const std::uint64_t columns = take_line(video, line, whole);
            if (columns == 0) continue;
            // The cells of the rows above only where they are open: where
            // their first line changed too, its own change reads them.
            for (int first = std::max(0, line - GLYPH_LINES + 1); first <= std::min(line, FIRST_LINES - 1); ++first) {
                const std::uint64_t again = first == line ? columns : columns & open_[first];
                if (again == 0) continue;
                pending_[first] |= again;
                reached[first / 64] |= std::uint64_t{1} << (first % 64);
            }
        }
    }
    // Lines that were no text and are none leave the rows as they were.
    bool rows_changed = false;
    for (int word = 0; word < WORDS; ++word) {
        for (std::uint64_t lines = reached[word]; lines != 0; lines &= lines - 1) {
            const int line = 64 * word + trailing_zero_bits(lines);
            const std::uint64_t columns = pending_[line];
            pending_[line] = 0;
            const bool text_before = scores_[line].text();
            if (read_cells(font, line, columns)) rows_changed = rows_changed || text_before || scores_[line].text();
        }
    }
    return rows_changed;
}

std::vector<TextRow> ScreenTextReader::rows() const {
    // The line that shows the most characters begins a row; rows do not
    // overlap; a line with neither a run of characters nor more characters
    // than unknown cells is no text. So the lines with text are taken the
    // most characters first (the upper of equal ones first), each unless a
    // row taken before overlaps it.
    std::vector<int> candidates;
    for (int line = 0; line < FIRST_LINES; ++line) {
        if (scores_[line].text()) candidates.push_back(line);
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [this](int a, int b) { return scores_[a].known > scores_[b].known; });
    bool taken[FIRST_LINES] = {};
    bool blocked[FIRST_LINES] = {};
    for (const int best : candidates) {
        if (blocked[best]) continue;
        taken[best] = true;
        for (int line = best - GLYPH_LINES + 1; line < best + GLYPH_LINES; ++line) {
            if (line >= 0 && line < FIRST_LINES) blocked[line] = true;
        }
    }
    std::vector<TextRow> rows;
    for (int line = 0; line < FIRST_LINES; ++line) {
        if (!taken[line]) continue;
        TextRow row{line, std::string()};
        for (const char c : cells_[line]) row.text.push_back(c != 0 ? c : '?');
        row.text.erase(row.text.find_last_not_of(' ') + 1);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<TextRow> read_screen_text(const ScreenFont& font, const std::uint8_t* video) {
    const auto reader = std::make_unique<ScreenTextReader>();  // too large a reader for some stacks
    reader->read(font, video, VideoLines().set());
    return reader->rows();
}

bool screen_shows(const std::vector<TextRow>& rows, std::string_view text) {
    for (const TextRow& row : rows) {
        if (row.text.find(text) != std::string::npos) return true;
    }
    return false;
}

}  // namespace quillet
