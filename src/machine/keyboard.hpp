// The keyboard as the system 8255 sees it: which keys are down, what port
// B (and on MATO port C's upper half) reads for the columns port A
// selects, and a typist that presses and releases the keys of a script so
// that the firmware's own keyboard routine takes each one exactly once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "machine/key_script.hpp"
#include "machine/keyboard_layout.hpp"

namespace quillet {

class KeyboardMatrix {
public:
    explicit KeyboardMatrix(MatrixWiring wiring) : wiring_(wiring) {}

    void press(Key key) { set(key, true); }
    void release(Key key) { set(key, false); }
    void release_all();
    bool is_down(Key key) const;

    // Port B with port A holding `port_a`: a 0 bit for each key down.
    std::uint8_t read_port_b(std::uint8_t port_a) const;
    // The levels the keyboard leaves on port C's pins: MATO's STOP, SHIFT
    // and CNT on PC4-PC6, active low; every other pin pulled up (all ones
    // on the other models).
    std::uint8_t read_port_c_upper() const;
    // Whether a read of port B with `port_a` sees the column of `key`
    // (always, for the lines outside the matrix).
    bool column_selected(Key key, std::uint8_t port_a) const;

    // Every field, for a saved machine: `io` reads or writes each in turn.
    template <class Io>
    void state_io(Io& io) {
        for (std::uint16_t& rows : columns_) io(rows);
        io(shift_), io(stop_), io(cnt_), io(eol_line_);
    }

private:
    void set(Key key, bool down);

    MatrixWiring wiring_;
    std::uint16_t columns_[KEYBOARD_COLUMNS] = {};  // row bits down, per column
    bool shift_ = false, stop_ = false, cnt_ = false, eol_line_ = false;
};

// Plays a script on a matrix. Typing starts when the program first scans
// the keyboard (reads port B after selecting a column on port A). Each
// stroke's keys stay down until the program has read their column many
// times over at least a frame, then stay up until it has read the
// keyboard many times more over at least three frames; so a routine that
// takes a key on press (monitors 2, 2A, 3) and one that takes it after a
// stable press and release (monitor 1) each see it once, however long the
// firmware is busy between its polls. A phase's time runs from the first
// read that sees it (a key's column; for the gap, any read): while the
// program does not read the keyboard (it loads a tape and looks at STOP
// alone), the keys wait for it. Counted from there, neither phase
// outlasts MAX_PHASE_FRAMES, so that a program that seldom polls still
// gets its keys (and is not sent the monitors' repeat after 45 frames).
// A pause ({WAIT n}) is time alone.
class KeyboardTypist {
public:
    static constexpr std::uint32_t HOLD_READS = 512;
    static constexpr std::uint32_t HOLD_FRAMES = 1;
    static constexpr std::uint32_t GAP_READS = 1024;
    static constexpr std::uint32_t GAP_FRAMES = 3;
    static constexpr std::uint32_t MAX_PHASE_FRAMES = 20;

    KeyboardTypist(std::vector<KeyStroke> strokes, std::uint64_t frame_states)
        : strokes_(std::move(strokes)), frame_states_(frame_states) {}

    // More strokes, typed after the others.
    void append(const std::vector<KeyStroke>& strokes) { strokes_.insert(strokes_.end(), strokes.begin(), strokes.end()); }

    // The program wrote port A.
    void port_a_written() { column_chosen_ = true; }
    // The program reads port B at clock state `state` with port A holding
    // `port_a`: the typist moves on first, then `matrix` answers the read.
    void port_b_read(KeyboardMatrix& matrix, std::uint8_t port_a, std::uint64_t state);
    // Time passes without a read (the machine calls this once a frame), so
    // that pauses and phases end in a program that stopped polling.
    void advance(KeyboardMatrix& matrix, std::uint64_t state);

    bool started() const { return started_; }
    bool finished() const { return next_ >= strokes_.size() && phase_ == Phase::idle; }
    // Strokes fully typed so far.
    std::size_t strokes_done() const { return done_; }
    // The strokes of keys (not pauses) of the scripts, and those the
    // program has read (a read has seen the key's column: the one down now
    // too, once it has been seen).
    std::size_t keys_total() const;
    std::size_t keys_typed() const;

    // Every field, for a saved machine; false when what was read is no
    // typist's.
    template <class Io>
    bool state_io(Io& io) {
        io.sequence(strokes_, [&](KeyStroke& stroke) {
            for (Key& key : stroke.keys) io(key);
            io(stroke.key_count), io(stroke.frames);
        });
        io(frame_states_), io(next_), io(done_), io(column_chosen_), io(started_), io(phase_), io(phase_start_), io(reads_);
        for (const KeyStroke& stroke : strokes_) {
            if (stroke.key_count < 0 || stroke.key_count > KeyStroke::MAX_KEYS) return false;
        }
        return next_ <= strokes_.size() && phase_ <= Phase::pausing && (phase_ == Phase::idle || next_ > 0);
    }

private:
    enum class Phase { idle, holding, gap, pausing };

    void step(KeyboardMatrix& matrix, std::uint64_t state);
    void begin_next(KeyboardMatrix& matrix, std::uint64_t state);
    // A phase no read has seen yet: its time has not begun.
    static constexpr std::uint64_t UNSEEN = UINT64_MAX;
    // A frame's end may be told a little before the read that began the
    // phase (in the instruction that crossed it): no time has passed then.
    bool elapsed(std::uint64_t state, std::uint32_t frames) const {
        return state >= phase_start_ && state - phase_start_ >= frames * frame_states_;
    }

    std::vector<KeyStroke> strokes_;
    std::uint64_t frame_states_;
    std::size_t next_ = 0;
    std::size_t done_ = 0;
    bool column_chosen_ = false;
    bool started_ = false;
    Phase phase_ = Phase::idle;
    std::uint64_t phase_start_ = 0;
    std::uint32_t reads_ = 0;  // reads counted in this phase
};

// Keys pressed and released by hand, as a front end passes a person's key
// events: applied in order, but a release waits until its key has been
// held as the typist holds one (so that a press and a release that both
// come before the program's next read are still seen), and a press waits
// for the typist's gap after the release before it.
class HandKeys {
public:
    static constexpr int HELD_MAX = 16;  // keys held at once; more presses wait
    struct Held {
        Key key;
        std::uint64_t since;
        std::uint32_t reads;
    };
    struct Event {
        Key key;
        bool down;
    };

    void add(Key key, bool down) { events_.push_back({key, down}); }
    // The program read port B with `port_a` at `state` (counted before the
    // matrix answers), or time passed (`read` false).
    void step(KeyboardMatrix& matrix, std::uint8_t port_a, std::uint64_t state, bool read);
    bool busy() const { return !events_.empty(); }

    template <class Io>
    void state_io(Io& io) {
        io.sequence(events_, [&](Event& event) { io(event.key), io(event.down); });
        io.sequence(held_, [&](Held& held) { io(held.key), io(held.since), io(held.reads); });
        io(gap_), io(gap_since_), io(gap_reads_), io(frame_states_);
    }

    std::vector<Event> events_;
    std::vector<Held> held_;
    bool gap_ = false;  // a release was applied and its gap has not ended
    std::uint64_t gap_since_ = 0;
    std::uint32_t gap_reads_ = 0;
    std::uint64_t frame_states_ = 0;

private:
    bool elapsed(std::uint64_t since, std::uint64_t state, std::uint32_t frames) const {
        return state >= since && state - since >= frames * frame_states_;
    }
};

// The keyboard a machine plugs into its system 8255: the matrix, the
// typist of the script being typed, if any, and the keys given by hand.
// The script's keys and the hand's share the matrix.
class Keyboard {
public:
    explicit Keyboard(const KeyboardLayout& layout) : layout_(&layout), matrix_(layout.wiring) {}

    const KeyboardLayout& layout() const { return *layout_; }
    KeyboardMatrix& matrix() { return matrix_; }
    // Types `strokes` after what is being typed (from the program's first
    // scan of the keyboard on).
    void type(const std::vector<KeyStroke>& strokes, std::uint64_t frame_states);
    // Presses or releases `key` by hand (see HandKeys).
    void hand(Key key, bool down, std::uint64_t state, std::uint64_t frame_states);
    bool typing() const { return typist_ != nullptr && !typist_->finished(); }
    // The typist of the scripts given so far; null before the first.
    const KeyboardTypist* typist() const { return typist_.get(); }

    // The system 8255's hooks: a write of port A, a read of port B at clock
    // state `state`, a read of port C's inputs, the end of a frame.
    void port_a_written() {
        if (typist_) typist_->port_a_written();
    }
    std::uint8_t read_port_b(std::uint8_t port_a, std::uint64_t state) {
        if (typist_) typist_->port_b_read(matrix_, port_a, state);
        if (hand_.busy() || !hand_.held_.empty()) hand_.step(matrix_, port_a, state, true);
        return matrix_.read_port_b(port_a);
    }
    std::uint8_t read_port_c_upper() const { return matrix_.read_port_c_upper(); }
    void frame_ended(std::uint64_t state) {
        if (typist_) typist_->advance(matrix_, state);
        if (hand_.busy()) hand_.step(matrix_, 0, state, false);
    }

    // Every part, for a saved machine; false when what was read is no keyboard's.
    template <class Io>
    bool state_io(Io& io) {
        matrix_.state_io(io);
        bool typist = typist_ != nullptr;
        io(typist);
        if (typist && !typist_) typist_ = std::make_unique<KeyboardTypist>(std::vector<KeyStroke>{}, 0);
        if (!typist) typist_.reset();
        hand_.state_io(io);
        return !typist_ || typist_->state_io(io);
    }

private:
    const KeyboardLayout* layout_;
    KeyboardMatrix matrix_;
    std::unique_ptr<KeyboardTypist> typist_;
    HandKeys hand_;
};

}  // namespace quillet
