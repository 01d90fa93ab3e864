// The keyboard matrix as port B reads it, and the typist against models of
// the two ways the monitors read keys: on press with a busy redraw after
// each key (monitors 2, 2A, 3), and after a stable press and a stable
// release, one column per call (monitor 1).
#include <gtest/gtest.h>

#include <string>

#include "machine/keyboard.hpp"
#include "snapshot/snapshot_format.hpp"

namespace quillet {
namespace {

constexpr std::uint64_t FRAME = 40960;

TEST(KeyboardMatrix, PortBShowsTheSelectedColumn) {
    KeyboardMatrix pmd(MatrixWiring::pmd85);
    pmd.press(matrix_key(3, 2));
    struct Case {
        std::uint8_t port_a;
        std::uint8_t port_b;
    } pmd_cases[] = {{0x03, 0x1B}, {0xF3, 0x1B}, {0x04, 0x1F}, {0x0F, 0x1F}};
    for (const Case& test : pmd_cases) EXPECT_EQ(pmd.read_port_b(test.port_a), test.port_b | 0x60) << +test.port_a;
    pmd.press(KEY_SHIFT);
    EXPECT_EQ(pmd.read_port_b(0x05), 0x5F);
    pmd.press(KEY_STOP);
    EXPECT_EQ(pmd.read_port_b(0x03), 0x1B);
    EXPECT_EQ(pmd.read_port_c_upper(), 0xFF);
    pmd.release_all();
    EXPECT_EQ(pmd.read_port_b(0x03), 0x7F);

    KeyboardMatrix mato(MatrixWiring::mato);
    mato.press(matrix_key(1, 5));
    mato.press(matrix_key(4, 0));
    EXPECT_EQ(mato.read_port_b(0xFD), 0xDF);  // column 1 alone
    EXPECT_EQ(mato.read_port_b(0xEF), 0xFE);  // column 4 alone
    EXPECT_EQ(mato.read_port_b(0x00), 0xDE);  // every column: their rows together
    EXPECT_EQ(mato.read_port_b(0x7F), 0xFF);  // none
    mato.press(KEY_EOL_LINE);
    EXPECT_EQ(mato.read_port_b(0x7F), 0x7F);  // EOL whatever is selected
    EXPECT_EQ(mato.read_port_c_upper(), 0xFF);
    mato.press(KEY_SHIFT);
    mato.press(KEY_CNT);
    EXPECT_EQ(mato.read_port_c_upper(), 0x9F);
    mato.release(KEY_SHIFT);
    mato.press(KEY_STOP);
    EXPECT_EQ(mato.read_port_c_upper(), 0xAF);
}

// A program reading the keyboard through the typist, the clock advancing
// with every access.
class Firmware {
public:
    Firmware(int model, const std::string& script) : layout_(*keyboard_layout(model)), keyboard_(layout_) {
        type(script);
    }

    void type(const std::string& script) {
        ScriptResult parsed = parse_key_script(layout_, script);
        EXPECT_EQ(parsed.problem, ScriptProblem::none);
        keyboard_.type(parsed.strokes, FRAME);
    }

    void select(int column) {
        keyboard_.port_a_written();
        port_a_ = static_cast<std::uint8_t>(column);
        state_ += 10;
    }
    std::uint8_t read() {
        std::uint8_t value = keyboard_.read_port_b(port_a_, state_);
        state_ += 40;
        return value & 0x3F;
    }
    void busy(std::uint64_t states) {
        for (std::uint64_t end = state_ + states; state_ < end; state_ += FRAME / 4) keyboard_.frame_ended(state_);
    }
    // The character a pattern of port B gives in `column` ('\n' for EOL).
    void take(int column, std::uint8_t pattern) {
        int row = __builtin_ctz(~pattern & 0x1F);
        if (column >= 13 && row == 4) {
            typed_ += '\n';
            return;
        }
        char c = (pattern & 0x20) ? layout_.plain[row][column] : layout_.shifted[row][column];
        typed_ += c != 0 ? c : '?';
    }

    // Monitor 2: columns 14 down to 0; a key counts on press; the line is
    // redrawn (2.2 frames, no polling); a key counts as released after 256
    // reads with another pattern; held for 80 x 256 reads, it repeats.
    void run_monitor2(std::uint64_t until) {
        while (state_ < until) {
            int column = -1;
            std::uint8_t pattern = 0;
            for (int c = 14; c >= 0 && column < 0; --c) {
                select(c);
                std::uint8_t pb = read();
                if ((pb & 0x1F) != 0x1F) column = c, pattern = pb;
            }
            if (column < 0) continue;
            take(column, pattern);
            busy(FRAME * 22 / 10);
            for (int other = 0, same = 0; other < 256 && state_ < until;) {
                if (read() != pattern) {
                    ++other;
                } else {
                    other = 0;
                    if (++same == 80 * 256) take(column, pattern), same = 0;
                }
            }
        }
    }

    // Monitor 1: one column per call; a key is taken after 256 reads that
    // show it and 256 that show it released; busy 5 frames after a key.
    void run_monitor1(std::uint64_t until) {
        for (int column = 0; state_ < until; column = (column + 1) & 15) {
            select(column);
            std::uint8_t pattern = read();
            if ((pattern & 0x1F) == 0x1F) continue;
            int stable = 1;
            while (stable < 256 && read() == pattern) ++stable;
            if (stable < 256) continue;
            for (int released = 0; released < 256;) released = (read() & 0x1F) == 0x1F ? released + 1 : 0;
            take(column, pattern);
            busy(5 * FRAME);
        }
    }

    std::uint64_t state() const { return state_; }
    const std::string& typed() const { return typed_; }
    const KeyboardTypist& typist() const { return *keyboard_.typist(); }
    KeyboardMatrix& matrix() { return keyboard_.matrix(); }
    // A key pressed or released by hand, as a front end passes it.
    void hand(Key key, bool down) { keyboard_.hand(key, down, state_, FRAME); }

private:
    const KeyboardLayout& layout_;
    Keyboard keyboard_;
    std::uint8_t port_a_ = 0;
    std::uint64_t state_ = 0;
    std::string typed_;
};

const char* const SCRIPT = "MEM 8000\nSUB 0000aa 11 ;+\n";

TEST(KeyboardTypist, MonitorTwoTakesEveryKeyOnce) {
    Firmware firmware(MODEL_V2, std::string("{WAIT 3}") + SCRIPT);
    firmware.run_monitor2(2000 * FRAME);
    EXPECT_EQ(firmware.typed(), SCRIPT);
    EXPECT_TRUE(firmware.typist().finished());
}

TEST(KeyboardTypist, MonitorOneTakesEveryKeyOnce) {
    Firmware firmware(MODEL_V1, SCRIPT);
    firmware.run_monitor1(2000 * FRAME);
    EXPECT_EQ(firmware.typed(), SCRIPT);
    EXPECT_TRUE(firmware.typist().finished());
}

// The machine tells a frame's end at its boundary, which may lie before
// the read that pressed the key (in the instruction that crossed it): no
// time has passed for the hold then.
TEST(KeyboardTypist, AFrameEndToldBeforeThePressDoesNotCutTheHold) {
    const KeyboardLayout& layout = *keyboard_layout(MODEL_V1);
    Keyboard keyboard(layout);
    keyboard.type(parse_key_script(layout, "A").strokes, FRAME);
    const auto keys_down = [&keyboard] {
        int down = 0;
        for (std::uint8_t column = 0; column < 16; ++column) down += (keyboard.matrix().read_port_b(column) & 0x1F) != 0x1F;
        return down;
    };
    keyboard.port_a_written();
    keyboard.read_port_b(0, 5 * FRAME + 30);
    ASSERT_EQ(keys_down(), 1);
    keyboard.frame_ended(5 * FRAME);
    EXPECT_EQ(keys_down(), 1);
    keyboard.frame_ended(6 * FRAME);
    EXPECT_EQ(keys_down(), 1) << "a frame is not yet past, nor the reads";
}

TEST(KeyboardTypist, TypesScriptsGivenLaterAfterTheOthers) {
    Firmware firmware(MODEL_V2, "MEM");
    firmware.run_monitor2(100 * FRAME);
    EXPECT_EQ(firmware.typed(), "MEM");
    firmware.type(" 80");
    firmware.type("00\n");
    firmware.run_monitor2(200 * FRAME);
    EXPECT_EQ(firmware.typed(), "MEM 8000\n");
    // A key held by hand reads as held, and is taken once.
    firmware.matrix().press(matrix_key(0, 3));
    firmware.run_monitor2(firmware.state() + 10 * FRAME);
    firmware.matrix().release(matrix_key(0, 3));
    firmware.run_monitor2(firmware.state() + 10 * FRAME);
    EXPECT_EQ(firmware.typed(), "MEM 8000\nA");
}

TEST(KeyboardTypist, StartsWhenTheProgramScansAndEndsInAProgramThatSeldomReads) {
    Firmware firmware(MODEL_V2, "AB{WAIT 50}");
    for (int i = 0; i < 100; ++i) firmware.read();  // port B read without a column chosen
    EXPECT_FALSE(firmware.typist().started());
    EXPECT_EQ(firmware.typist().strokes_done(), 0u);
    firmware.select(0);
    firmware.read();
    EXPECT_TRUE(firmware.typist().started());
    // One scan of the keyboard a frame: no phase lasts beyond its limit.
    std::uint64_t start = firmware.state();
    while (!firmware.typist().finished() && firmware.state() - start < 200 * FRAME) {
        for (int column = 0; column < 16; ++column) {
            firmware.select(column);
            firmware.read();
        }
        firmware.busy(FRAME);
    }
    EXPECT_TRUE(firmware.typist().finished());
    std::uint64_t frames = (firmware.state() - start) / FRAME;
    EXPECT_GE(frames, 4 * KeyboardTypist::MAX_PHASE_FRAMES + 50);
    EXPECT_LE(frames, 4 * KeyboardTypist::MAX_PHASE_FRAMES + 50 + 6);
}

// Keys typed while the program does not read the keyboard wait for it:
// frames pass while nothing reads, or only a column without the key is
// read (a tape loader looking at STOP), and the key stays down, unread;
// once the program scans again it takes every key, once each. {WAIT n}
// is time alone.
TEST(KeyboardTypist, KeysWaitForTheProgramToReadTheKeyboard) {
    const struct {
        const char* what;
        int column;  // the one column read meanwhile; -1: none
    } cases[] = {{"nothing read", -1}, {"a column without the key", 14}};
    for (const auto& item : cases) {
        SCOPED_TRACE(item.what);
        Firmware firmware(MODEL_V2, "M{WAIT 5}AB");
        firmware.run_monitor2(firmware.state() + 3 * FRAME);
        EXPECT_EQ(firmware.typed(), "M");
        // 200 frames of another program: the pause passes, A waits down.
        for (int frame = 0; frame < 200; ++frame) {
            if (item.column >= 0) {
                firmware.select(item.column);
                firmware.read();
            }
            firmware.busy(FRAME);
        }
        EXPECT_EQ(firmware.typist().keys_typed(), 1u);
        EXPECT_EQ(firmware.typist().keys_total(), 3u);
        EXPECT_FALSE(firmware.typist().finished());
        firmware.run_monitor2(firmware.state() + 40 * FRAME);
        EXPECT_EQ(firmware.typed(), "MAB");
        EXPECT_EQ(firmware.typist().keys_typed(), 3u);
        EXPECT_TRUE(firmware.typist().finished());
    }
}

// A front end's key events, frame by frame, while the program reads no
// key for many frames: a press and its release both given then are still
// taken once the program reads the keyboard again, and so is the key
// after them.
TEST(HandKeys, PressesWhileTheProgramDoesNotReadAreKept) {
    Firmware firmware(MODEL_V2, "");
    firmware.run_monitor2(5 * FRAME);
    for (const Key key : {matrix_key(0, 3), matrix_key(1, 3)}) {
        firmware.hand(key, true);
        firmware.busy(FRAME);
        firmware.hand(key, false);
    }
    firmware.busy(100 * FRAME);
    firmware.run_monitor2(firmware.state() + 40 * FRAME);
    EXPECT_EQ(firmware.typed().size(), 2u) << firmware.typed();
    EXPECT_EQ(firmware.typed().substr(0, 1), "A") << firmware.typed();
}

}  // namespace
}  // namespace quillet
