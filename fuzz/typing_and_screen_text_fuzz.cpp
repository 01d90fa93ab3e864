// Typing scripts and monitor images from arbitrary bytes.
//
// Byte 0 picks the model (modulo the models), byte 1's low bit what the
// rest is: a typing script (0), parsed on that model's keyboard and, when
// it parses, typed by the typist into a polling loop until it finishes; or
// a monitor image (1), whose font reads a screen made of the same bytes.
// A refused script names a culprit that stands in the script at its
// offset; a parsed one is typed to its end; the text rows lie in the
// screen, in order, 8 lines apart at least, 48 characters at most.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.hpp"
#include "machine/key_script.hpp"
#include "machine/keyboard.hpp"
#include "machine/screen_text.hpp"
#include "snapshot/snapshot_format.hpp"

namespace {

using namespace quillet;

constexpr std::uint64_t FRAME = 40960;

void type_script(int model, std::string_view script) {
    const KeyboardLayout& layout = *keyboard_layout(model);
    ScriptResult result = parse_key_script(layout, script);
    if (result.problem != ScriptProblem::none) {
        FUZZ_CHECK(result.strokes.empty());
        FUZZ_CHECK(result.offset < script.size());
        FUZZ_CHECK(script.substr(result.offset).find(result.culprit) != std::string_view::npos);
        return;
    }
    std::uint64_t frames = 0;
    std::size_t count = result.strokes.size();
    for (const KeyStroke& stroke : result.strokes) {
        FUZZ_CHECK(stroke.key_count >= 0 && stroke.key_count <= KeyStroke::MAX_KEYS);
        frames += stroke.key_count == 0 ? stroke.frames : 2 * KeyboardTypist::MAX_PHASE_FRAMES;
    }
    if (frames > 20000) return;  // long pauses: the parse is what counts
    KeyboardMatrix matrix(layout.wiring);
    KeyboardTypist typist(std::move(result.strokes), FRAME);
    std::uint64_t state = 0;
    typist.port_a_written();
    // A loop that reads each column once a frame's hundredth.
    for (std::uint64_t end = (frames + 2) * FRAME; state < end && !typist.finished(); state += FRAME / 100) {
        std::uint8_t column = static_cast<std::uint8_t>((state / (FRAME / 100)) % 16);
        typist.port_b_read(matrix, layout.wiring == MatrixWiring::mato ? static_cast<std::uint8_t>(~(1u << (column % 8))) : column,
                           state);
    }
    FUZZ_CHECK(typist.finished());
    FUZZ_CHECK(typist.strokes_done() == count);
    FUZZ_CHECK(matrix.read_port_b(0) == (layout.wiring == MatrixWiring::mato ? 0xFF : 0x7F));
}

void read_text(int model, const std::uint8_t* data, std::size_t size) {
    ScreenFont font;
    if (!font.load(model, data, size)) return;
    std::vector<std::uint8_t> video(VIDEO_BYTES);
    for (std::size_t i = 0; i < video.size(); ++i) video[i] = data[i % size];
    std::vector<TextRow> rows = read_screen_text(font, video.data());
    int last = -GLYPH_LINES;
    for (const TextRow& row : rows) {
        FUZZ_CHECK(row.line >= last + GLYPH_LINES);
        FUZZ_CHECK(row.line + GLYPH_LINES <= VIDEO_LINES);
        FUZZ_CHECK(!row.text.empty() && row.text.size() <= static_cast<std::size_t>(VIDEO_SHOWN_BYTES));
        FUZZ_CHECK(row.text.back() != ' ');
        FUZZ_CHECK(screen_shows(rows, row.text));
        last = row.line;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    int model = data[0] % MODEL_COUNT;
    if ((data[1] & 1) == 0) {
        type_script(model, std::string_view(reinterpret_cast<const char*>(data + 2), size - 2));
    } else {
        read_text(model, data + 2, size - 2);
    }
    return 0;
}
