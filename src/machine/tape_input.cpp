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

TapeInput::TapeInput(tape::Tape tape, TapeInterface interface)
    : tape_(std::move(tape)), layout_(tape::line_layout(tape_)), interface_(interface) {}

std::uint64_t TapeInput::halves_at(std::uint64_t state) {
    if (!rolling_) {
        rolling_ = true;
        start_ = state;
    }
    return 2 * head_bits_ + (state - start_) * HALVES_PER_SECOND / STATES_PER_SECOND;
}

void TapeInput::rewind(std::size_t block) {
    const std::size_t last = block == 0 ? 0 : block - 1;
    head_bits_ = block == 0 ? 0 : layout_.block_start[last] + std::uint64_t{tape::FRAME_BITS} * tape_.blocks[last].bytes.size();
    rolling_ = false;
    block_ = next_block_ = block;
    next_byte_ = 0;
    ready_ = false;
}

bool TapeInput::level(std::uint64_t state) {
    const std::uint64_t halves = halves_at(state);
    const std::uint64_t bit = halves / 2;
    if (bit >= layout_.end) return true;
    bool one = true;
    // The head only moves forward: the block under it is found from the last.
    while (block_ + 1 < layout_.block_start.size() && layout_.block_start[block_ + 1] <= bit) ++block_;
    if (block_ < layout_.block_start.size() && bit >= layout_.block_start[block_]) {
        const std::uint64_t at = bit - layout_.block_start[block_];
        const std::vector<std::uint8_t>& bytes = tape_.blocks[block_].bytes;
        if (at / tape::FRAME_BITS < bytes.size()) {
            one = tape::frame_bit(bytes[at / tape::FRAME_BITS], static_cast<unsigned>(at % tape::FRAME_BITS));
        }
    }
    const bool second_half = halves & 1;
    return one == second_half;
}

void TapeInput::receive(std::uint64_t halves) {
    while (next_block_ < tape_.blocks.size()) {
        const std::vector<std::uint8_t>& bytes = tape_.blocks[next_block_].bytes;
        if (next_byte_ >= bytes.size()) {
            ++next_block_;
            next_byte_ = 0;
            continue;
        }
        const std::uint64_t frame = layout_.block_start[next_block_] + std::uint64_t{tape::FRAME_BITS} * next_byte_;
        if (2 * frame + RECEIVED_AFTER_HALVES > halves) return;
        if (ready_) ++lost_;
        received_ = bytes[next_byte_++];
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

void TapeInput::block_checked(std::uint64_t state, bool accepted) {
    if (accepted || !rolling_ || layout_.block_start.empty()) return;
    const std::uint64_t bit = head_bits_ + (state - start_) * tape::BIT_RATE / STATES_PER_SECOND;
    std::size_t block = 0;
    while (block + 1 < layout_.block_start.size() && layout_.block_start[block + 1] <= bit) ++block;
    if (rejected_.empty() || rejected_.back() != block) rejected_.push_back(block);
}

std::size_t TapeInput::blocks_played(std::uint64_t state) const {
    const std::uint64_t bit = head_bits_ + (rolling_ ? (state - start_) * tape::BIT_RATE / STATES_PER_SECOND : 0);
    std::size_t played = 0;
    for (std::size_t i = 0; i < tape_.blocks.size(); ++i) {
        if (layout_.block_start[i] + std::uint64_t{tape::FRAME_BITS} * tape_.blocks[i].bytes.size() <= bit) ++played;
    }
    return played;
}

}  // namespace quillet
