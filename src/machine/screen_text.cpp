// Reading the screen's text (screen_text.hpp).
#include "machine/screen_text.hpp"

#include <algorithm>

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

std::uint64_t cell_at(const std::uint8_t* video, int line, int column) {
    std::uint64_t lines = 0;
    for (int i = 0; i < GLYPH_LINES; ++i) {
        std::uint8_t pixels = video[(line + i) * VIDEO_LINE_BYTES + column] & PIXEL_BITS;
        lines |= std::uint64_t{pixels} << (8 * i);
    }
    return lines;
}

}  // namespace

void ScreenFont::add(const std::uint8_t* glyph, char c) {
    std::uint64_t lines = 0;
    for (int i = 0; i < GLYPH_LINES; ++i) lines |= static_cast<std::uint64_t>(glyph[i] & PIXEL_BITS) << (8 * i);
    // A blank cell reads as a space; a glyph drawn for the space (no real
    // monitor has one) would make rows of nothing but blanks.
    if (lines == 0 || c == ' ') return;
    glyphs_.emplace(lines, c);  // the first of equal glyphs wins
    first_lines_ |= std::uint64_t{1} << (lines & PIXEL_BITS);
}

bool ScreenFont::load(int model, const std::uint8_t* image, std::size_t size) {
    const std::size_t lower = model_facts(model).lower_glyphs;
    const bool lower_case = lower != 0;
    std::size_t upper_end = UPPER_GLYPHS + GLYPH_LINES * (FIRST_LOWER - FIRST_UPPER);
    std::size_t lower_end = lower + GLYPH_LINES * (LAST_CHARACTER + 1 - FIRST_LOWER);
    if (size < upper_end || (lower_case && size < lower_end)) return false;
    glyphs_.clear();
    first_lines_ = 0;
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

char ScreenFont::character(std::uint64_t lines) const {
    if (!((first_lines_ >> (lines & PIXEL_BITS)) & 1)) return 0;
    auto found = glyphs_.find(lines);
    return found == glyphs_.end() ? 0 : found->second;
}

// Text: a run of glyphs, whatever stands beside it (a legend beside a
// picture), or more glyphs than unknown cells.
bool ScreenTextReader::LineScore::text() const {
    constexpr int MIN_RUN = 2;
    return known > 0 && (run >= MIN_RUN || unknown <= known);
}

void ScreenTextReader::read_line(const ScreenFont& font, const std::uint64_t* cells, int line) {
    LineScore score;
    int run = 0;
    for (int column = 0; column < VIDEO_SHOWN_BYTES; ++column) {
        const std::uint64_t cell = cells[column];
        const char c = cell == 0 ? ' ' : font.character(cell);
        cells_[line][column] = c;
        run = cell != 0 && c != 0 ? run + 1 : 0;
        if (run > score.run) score.run = run;
        if (cell == 0) continue;
        if (run > 0) {
            ++score.known;
        } else {
            ++score.unknown;
        }
    }
    scores_[line] = score;
}

bool ScreenTextReader::read(const ScreenFont& font, const std::uint8_t* video, const VideoLines& changed) {
    // A row that begins at `line` shows lines line .. line + GLYPH_LINES - 1:
    // a changed line is reached from the GLYPH_LINES lines up to it.
    bool reached[FIRST_LINES] = {};
    for (int line = 0; line < VIDEO_LINES; ++line) {
        if (!changed[static_cast<std::size_t>(line)]) continue;
        for (int first = line - GLYPH_LINES + 1; first <= line; ++first) {
            if (first >= 0 && first < FIRST_LINES) reached[first] = true;
        }
    }
    // Down a run of lines read again, each cell's eight pixel lines move on
    // by one line: one byte read a cell, not eight.
    std::uint64_t cells[VIDEO_SHOWN_BYTES];
    bool in_run = false;
    // Lines that were no text and are none leave the rows as they were.
    bool rows_changed = false;
    for (int line = 0; line < FIRST_LINES; ++line) {
        if (!reached[line]) {
            in_run = false;
            continue;
        }
        for (int column = 0; column < VIDEO_SHOWN_BYTES; ++column) {
            if (!in_run) {
                cells[column] = cell_at(video, line, column);
            } else {
                const std::uint8_t pixels = video[(line + GLYPH_LINES - 1) * VIDEO_LINE_BYTES + column] & PIXEL_BITS;
                cells[column] = cells[column] >> 8 | std::uint64_t{pixels} << (8 * (GLYPH_LINES - 1));
            }
        }
        in_run = true;
        const bool text_before = scores_[line].text();
        read_line(font, cells, line);
        rows_changed = rows_changed || text_before || scores_[line].text();
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
    ScreenTextReader reader;
    reader.read(font, video, VideoLines().set());
    return reader.rows();
}

bool screen_shows(const std::vector<TextRow>& rows, std::string_view text) {
    for (const TextRow& row : rows) {
        if (row.text.find(text) != std::string::npos) return true;
    }
    return false;
}

}  // namespace quillet
