// The tape interface's input (tape_input.hpp).
#include "machine/tape_input.hpp"

#include <utility>

#include "machine/machine.hpp"

namespace quillet {
namespace {

constexpr std::uint64_t HALVES_PER_SECOND = 2 * tape::BIT_RATE;
// The receiver samples the first stop bit in its middle and then sets
// RxRDY: the byte is there 9.5 bits after its start bit began.
constexpr std::uint64_t RECEIVED_AFTER_HALVES = 19;

}  // namespace

TapeInput::TapeInput(tape::Tape tape, TapeInterface interface) : tape_(std::move(tape)), interface_(interface) {
    const tape::LineLayout layout = tape::line_layout(tape_);
    for (std::size_t i = 0; i < tape_.blocks.size(); ++i) {
        pieces_.push_back(Piece{i, 0, tape_.blocks[i].bytes.size(), layout.block_start[i]});
    }
    end_ = layout.end;
}

std::uint64_t TapeInput::halves_at(std::uint64_t state) {
    if (stopped_) return 2 * head_bits_;
    if (!rolling_) {
        rolling_ = true;
        start_ = state;
    }
    return 2 * head_bits_ + (state - start_) * HALVES_PER_SECOND / STATES_PER_SECOND;
}

std::uint64_t TapeInput::bit_at(std::uint64_t state) const {
    return head_bits_ + (rolling_ ? (state - start_) * tape::BIT_RATE / STATES_PER_SECOND : 0);
}

void TapeInput::stop(std::uint64_t state) {
    if (stopped_) return;
    head_bits_ = bit_at(state);
    rolling_ = false;
    stopped_ = true;
}

void TapeInput::rewind(std::size_t block) {
    std::size_t first = 0;
    while (first < pieces_.size() && pieces_[first].block < block) ++first;
    head_bits_ = first == 0 ? 0 : pieces_[first - 1].end();
    rolling_ = false;
    piece_ = next_piece_ = first;
    next_byte_ = 0;
    ready_ = false;
}

std::size_t TapeInput::piece_at(std::uint64_t bit) const {
    std::size_t piece = 0;
    while (piece + 1 < pieces_.size() && pieces_[piece + 1].start <= bit) ++piece;
    return piece;
}

bool TapeInput::level(std::uint64_t state) {
    const std::uint64_t halves = halves_at(state);
    const std::uint64_t bit = halves / 2;
    if (bit >= end_) return true;
    bool one = true;
    // The head only moves forward: the piece under it is found from the last.
    while (piece_ + 1 < pieces_.size() && pieces_[piece_ + 1].start <= bit) ++piece_;
    if (piece_ < pieces_.size() && bit >= pieces_[piece_].start) {
        const Piece& piece = pieces_[piece_];
        const std::uint64_t at = bit - piece.start;
        if (at / tape::FRAME_BITS < piece.to - piece.from) {
            const std::uint8_t byte = tape_.blocks[piece.block].bytes[piece.from + at / tape::FRAME_BITS];
            one = tape::frame_bit(byte, static_cast<unsigned>(at % tape::FRAME_BITS));
        }
    }
    const bool second_half = halves & 1;
    return one == second_half;
}

void TapeInput::receive(std::uint64_t halves) {
    while (next_piece_ < pieces_.size()) {
        const Piece& piece = pieces_[next_piece_];
        if (piece.from + next_byte_ >= piece.to) {
            ++next_piece_;
            next_byte_ = 0;
            continue;
        }
        const std::uint64_t frame = piece.start + std::uint64_t{tape::FRAME_BITS} * next_byte_;
        if (2 * frame + RECEIVED_AFTER_HALVES > halves) return;
        if (ready_) ++lost_;
        received_ = tape_.blocks[piece.block].bytes[piece.from + next_byte_++];
        ready_ = true;
    }
}

std::uint8_t TapeInput::status(std::uint64_t state, std::uint8_t idle) {
    if (interface_ == TapeInterface::DSR) {
        return static_cast<std::uint8_t>((idle & ~USART_DSR) | (level(state) ? USART_DSR : 0));
    }
    receive(halves_at(state));
    return static_cast<std::uint8_t>(ready_ ? idle | USART_RX_READY : idle & ~USART_RX_READY);
}

std::uint8_t TapeInput::data(std::uint64_t state) {
    if (interface_ == TapeInterface::SEPARATOR) receive(halves_at(state));
    else halves_at(state);
    ready_ = false;
    return received_;
}

void TapeInput::block_requested(std::uint64_t state, std::size_t bytes) {
    const std::uint64_t bit = bit_at(state);
    std::size_t next = 0;
    while (next < pieces_.size() && pieces_[next].start <= bit) ++next;
    if (next == pieces_.size() || bytes == 0) return;
    // A reader that comes while a block still plays reads that block.
    if (next > 0 && pieces_[next - 1].end() > bit + tape::FRAME_BITS) return;
    Piece& piece = pieces_[next];
    const std::vector<std::uint8_t>& block = tape_.blocks[piece.block].bytes;
    if (piece.to - piece.from <= bytes || tape::is_header_block(block.data() + piece.from, piece.to - piece.from)) {
        return;
    }
    Piece rest = piece;
    rest.from = piece.from + bytes;
    piece.to = rest.from;
    rest.start = piece.end() + tape::BLOCK_LEAD_IN_BITS;
    for (std::size_t i = next + 1; i < pieces_.size(); ++i) pieces_[i].start += tape::BLOCK_LEAD_IN_BITS;
    end_ += tape::BLOCK_LEAD_IN_BITS;
    pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(next) + 1, rest);
}

void TapeInput::block_checked(std::uint64_t state, bool accepted) {
    if (accepted || !rolling_ || pieces_.empty()) return;
    const std::size_t block = pieces_[piece_at(bit_at(state))].block;
    if (rejected_.empty() || rejected_.back() != block) rejected_.push_back(block);
}

std::size_t TapeInput::blocks_played(std::uint64_t state) const {
    const std::uint64_t bit = bit_at(state);
    std::size_t played = 0;
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
        const bool last_of_block = i + 1 == pieces_.size() || pieces_[i + 1].block != pieces_[i].block;
        if (last_of_block && pieces_[i].end() <= bit) ++played;
    }
    return played;
}

}  // namespace quillet
