// The keyboard matrix and the typist (keyboard.hpp).
#include "machine/keyboard.hpp"

namespace quillet {

void KeyboardMatrix::set(Key key, bool down) {
    if (key_in_matrix(key)) {
        std::uint16_t bit = static_cast<std::uint16_t>(1u << key_row(key));
        std::uint16_t& rows = columns_[key_column(key)];
        rows = static_cast<std::uint16_t>(down ? rows | bit : rows & ~bit);
        return;
    }
    switch (key) {
    case KEY_SHIFT: shift_ = down; break;
    case KEY_STOP: stop_ = down; break;
    case KEY_CNT: cnt_ = down; break;
    case KEY_EOL_LINE: eol_line_ = down; break;
    default: break;
    }
}

void KeyboardMatrix::release_all() {
    for (std::uint16_t& rows : columns_) rows = 0;
    shift_ = stop_ = cnt_ = eol_line_ = false;
}

bool KeyboardMatrix::is_down(Key key) const {
    if (key_in_matrix(key)) return (columns_[key_column(key)] >> key_row(key)) & 1;
    switch (key) {
    case KEY_SHIFT: return shift_;
    case KEY_STOP: return stop_;
    case KEY_CNT: return cnt_;
    case KEY_EOL_LINE: return eol_line_;
    default: return false;
    }
}

std::uint8_t KeyboardMatrix::read_port_b(std::uint8_t port_a) const {
    if (wiring_ == MatrixWiring::pmd85) {
        // PB7 reads 0, as the schematic wires it; no monitor looks at it.
        unsigned rows = columns_[port_a & 0x0F] & 0x1F;
        unsigned value = (~rows & 0x1F) | (shift_ ? 0 : 0x20) | (stop_ ? 0 : 0x40);
        return static_cast<std::uint8_t>(value);
    }
    unsigned rows = 0;
    for (int column = 0; column < 7; ++column) {
        if (!((port_a >> column) & 1)) rows |= columns_[column];
    }
    unsigned value = (~rows & 0x7F) | (eol_line_ ? 0 : 0x80);
    return static_cast<std::uint8_t>(value);
}

std::uint8_t KeyboardMatrix::read_port_c_upper() const {
    if (wiring_ == MatrixWiring::pmd85) return 0xFF;
    unsigned value = 0x8F | (stop_ ? 0 : 0x10) | (shift_ ? 0 : 0x20) | (cnt_ ? 0 : 0x40);
    return static_cast<std::uint8_t>(value);
}

bool KeyboardMatrix::column_selected(Key key, std::uint8_t port_a) const {
    if (!key_in_matrix(key)) return true;
    if (wiring_ == MatrixWiring::pmd85) return key_column(key) == (port_a & 0x0F);
    return key_column(key) < 7 && !((port_a >> key_column(key)) & 1);
}

void KeyboardTypist::begin_next(KeyboardMatrix& matrix, std::uint64_t state) {
    phase_start_ = state;
    reads_ = 0;
    if (next_ >= strokes_.size()) {
        phase_ = Phase::idle;
        return;
    }
    const KeyStroke& stroke = strokes_[next_++];
    if (stroke.key_count == 0) {
        phase_ = Phase::pausing;
        return;
    }
    for (int i = 0; i < stroke.key_count; ++i) matrix.press(stroke.keys[i]);
    phase_ = Phase::holding;
    phase_start_ = UNSEEN;
}

void KeyboardTypist::step(KeyboardMatrix& matrix, std::uint64_t state) {
    switch (phase_) {
    case Phase::idle:
        if (next_ < strokes_.size()) begin_next(matrix, state);  // strokes appended
        return;
    case Phase::holding:
        if ((reads_ >= HOLD_READS && elapsed(state, HOLD_FRAMES)) || elapsed(state, MAX_PHASE_FRAMES)) {
            const KeyStroke& stroke = strokes_[next_ - 1];
            for (int i = 0; i < stroke.key_count; ++i) matrix.release(stroke.keys[i]);
            phase_ = Phase::gap;
            phase_start_ = UNSEEN;
            reads_ = 0;
        }
        return;
    case Phase::gap:
        if ((reads_ >= GAP_READS && elapsed(state, GAP_FRAMES)) || elapsed(state, MAX_PHASE_FRAMES)) {
            ++done_;
            begin_next(matrix, state);
        }
        return;
    case Phase::pausing:
        if (elapsed(state, strokes_[next_ - 1].frames)) {
            ++done_;
            begin_next(matrix, state);
        }
        return;
    }
}

void KeyboardTypist::port_b_read(KeyboardMatrix& matrix, std::uint8_t port_a, std::uint64_t state) {
    if (!started_) {
        if (!column_chosen_) return;
        started_ = true;
        begin_next(matrix, state);
    } else {
        step(matrix, state);
    }
    if (phase_ == Phase::gap) {
        ++reads_;
        if (phase_start_ == UNSEEN) phase_start_ = state;
    } else if (phase_ == Phase::holding) {
        // A read counts when it sees the column of a key of the stroke (any
        // read, for a stroke of SHIFT, STOP or the like alone).
        const KeyStroke& stroke = strokes_[next_ - 1];
        bool in_matrix = false, seen = false;
        for (int i = 0; i < stroke.key_count; ++i) {
            if (!key_in_matrix(stroke.keys[i])) continue;
            in_matrix = true;
            seen = seen || matrix.column_selected(stroke.keys[i], port_a);
        }
        if (seen || !in_matrix) {
            ++reads_;
            if (phase_start_ == UNSEEN) phase_start_ = state;
        }
    }
}

std::size_t KeyboardTypist::keys_total() const {
    std::size_t keys = 0;
    for (const KeyStroke& stroke : strokes_) keys += stroke.key_count > 0 ? 1 : 0;
    return keys;
}

std::size_t KeyboardTypist::keys_typed() const {
    std::size_t keys = 0;
    for (std::size_t i = 0; i < next_; ++i) keys += strokes_[i].key_count > 0 ? 1 : 0;
    return phase_ == Phase::holding && phase_start_ == UNSEEN ? keys - 1 : keys;
}

void KeyboardTypist::advance(KeyboardMatrix& matrix, std::uint64_t state) {
    if (started_) step(matrix, state);
}

void Keyboard::type(const std::vector<KeyStroke>& strokes, std::uint64_t frame_states) {
    if (typist_) {
        typist_->append(strokes);
    } else {
        typist_ = std::make_unique<KeyboardTypist>(strokes, frame_states);
    }
}

void Keyboard::hand(Key key, bool down, std::uint64_t state, std::uint64_t frame_states) {
    hand_.frame_states_ = frame_states;
    hand_.add(key, down);
    hand_.step(matrix_, 0, state, false);
}

void HandKeys::step(KeyboardMatrix& matrix, std::uint8_t port_a, std::uint64_t state, bool read) {
    // As the typist's, a key's hold and a gap count from the program's first read of the keyboard in them.
    constexpr std::uint64_t UNSEEN = UINT64_MAX;
    if (read) {
        for (Held& held : held_) {
            if (held.since == UNSEEN) held.since = state;
            if (matrix.column_selected(held.key, port_a)) ++held.reads;
        }
        if (gap_) {
            ++gap_reads_;
            if (gap_since_ == UNSEEN) gap_since_ = state;
        }
    }
    using T = KeyboardTypist;
    if (gap_ && ((gap_reads_ >= T::GAP_READS && elapsed(gap_since_, state, T::GAP_FRAMES)) ||
                 elapsed(gap_since_, state, T::MAX_PHASE_FRAMES))) {
        gap_ = false;
    }
    std::size_t applied = 0;
    for (; applied < events_.size(); ++applied) {
        const Event& event = events_[applied];
        std::size_t at = 0;
        while (at < held_.size() && held_[at].key != event.key) ++at;
        if (event.down) {
            if (at < held_.size()) continue;  // down already
            if (gap_ || held_.size() >= HELD_MAX) break;
            matrix.press(event.key);
            held_.push_back({event.key, UNSEEN, 0});
            continue;
        }
        if (at == held_.size()) {  // not down: nothing to release
            matrix.release(event.key);
            continue;
        }
        const Held& held = held_[at];
        if (!((held.reads >= T::HOLD_READS && elapsed(held.since, state, T::HOLD_FRAMES)) ||
              elapsed(held.since, state, T::MAX_PHASE_FRAMES))) {
            break;
        }
        matrix.release(event.key);
        held_.erase(held_.begin() + static_cast<std::ptrdiff_t>(at));
        gap_ = true;
        gap_since_ = UNSEEN;
        gap_reads_ = 0;
    }
    events_.erase(events_.begin(), events_.begin() + static_cast<std::ptrdiff_t>(applied));
}

}  // namespace quillet
