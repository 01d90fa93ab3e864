// A tape playing into the machine's tape interface, timed by the machine's
// state counter: the line's level at any state for the models that decode
// the signal themselves (the 8251's DSR, status bit 7), the bytes the
// hardware separator hands to the 8251's receiver for the others (RxRDY
// while one waits in the data register, cleared when it is read; a byte
// not read before the next arrives is lost, as in the chip).
//
// The tape plays its blocks at 1200 bit/s with the lead-ins of the tape
// layer, from the program's first read of the 8251 (status or data) on,
// so that nothing passes while the monitor starts. A recording plays as
// the blocks read from it.
//
// An image may hold several blocks of a recording back to back in one
// block (a raw image's bytes after a file, a PTP record of several): when
// the monitor's block reader asks for fewer bytes than the block that is
// to play next holds, that block plays as the recording had it, the bytes
// asked for, then a block's lead-in before the rest. The pieces keep the
// number of the block they came from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "machine/machine_model.hpp"
#include "tape/tape_image.hpp"
#include "tape/tape_signal.hpp"

namespace quillet {

constexpr std::uint8_t USART_RX_READY = 0x02;
constexpr std::uint8_t USART_DSR = 0x80;

class TapeInput {
public:
    TapeInput(tape::Tape tape, TapeInterface interface);

    // The 8251's status read at `state`, `idle` being what it shows
    // without a tape: RxRDY from the receiver, or DSR from the line.
    std::uint8_t status(std::uint64_t state, std::uint8_t idle);
    // The 8251's data register read at `state`: the byte received last
    // (00h before the first); clears RxRDY.
    std::uint8_t data(std::uint64_t state);

    // The line's level at `state` (a '1' bit low then high; high, with no
    // change, after the tape ends).
    bool level(std::uint64_t state);

    std::size_t blocks() const { return tape_.blocks.size(); }
    // The blocks whose last bit has passed by `state`.
    std::size_t blocks_played(std::uint64_t state) const;
    // The monitor's block reader began at `state` to read `bytes` bytes
    // (its data and checksum): a block longer than that which has not begun
    // to play is parted there (see above).
    void block_requested(std::uint64_t state, std::size_t bytes);
    // The monitor's block reader finished a block at `state`, its checksum
    // holding or not (or a byte failing to read): the block under the head
    // then (or the last before it) is noted as rejected when it did not.
    void block_checked(std::uint64_t state, bool accepted);
    // The blocks the monitor's block reader rejected (numbered from 0 as
    // the tape's), in the order it read them.
    const std::vector<std::size_t>& rejected() const { return rejected_; }
    // Bytes the receiver lost: each arrived before the one before it was read.
    std::uint64_t bytes_lost() const { return lost_; }
    bool rolling() const { return rolling_; }
    const tape::Tape& tape() const { return tape_; }
    // Winds the tape to the lead-in of block `block` (0..blocks()), to
    // play from the program's next read of the 8251 on, as a recorder
    // stopped there and started again.
    void rewind(std::size_t block);

    // The recorder stopped at `state`: the head stays where it is, the
    // line holds still and the receiver gets nothing, until play().
    void stop(std::uint64_t state);
    // The recorder started again: the tape rolls from the program's next
    // read of the 8251 on.
    void play() { stopped_ = false; }
    bool stopped() const { return stopped_; }

    // Where the tape is, every field that changes as it plays (its pieces
    // among them), for a saved machine; false when what was read names no
    // place of this tape.
    template <class Io>
    bool position_io(Io& io) {
        io(rolling_), io(start_), io(head_bits_), io(piece_), io(next_piece_), io(next_byte_), io(ready_);
        io(received_), io(lost_), io(end_), io(stopped_);
        io.sequence(pieces_, [&](Piece& piece) { io(piece.block), io(piece.from), io(piece.to), io(piece.start); });
        io.sequence(rejected_, [&](std::size_t& block) { io(block); });
        for (const Piece& piece : pieces_) {
            if (piece.block >= tape_.blocks.size() || piece.from > piece.to ||
                piece.to > tape_.blocks[piece.block].bytes.size()) {
                return false;
            }
        }
        return piece_ <= pieces_.size() && next_piece_ <= pieces_.size();
    }

private:
    // Bytes from..to - 1 of block `block`, its first start bit at bit
    // `start` of the line.
    struct Piece {
        std::size_t block, from, to;
        std::uint64_t start;
        std::uint64_t end() const { return start + std::uint64_t{tape::FRAME_BITS} * (to - from); }
    };

    // Half bits of the line since the tape began to roll, starting it
    // at the first read.
    std::uint64_t halves_at(std::uint64_t state);
    std::uint64_t bit_at(std::uint64_t state) const;
    // The last piece that began by `bit`, or the first.
    std::size_t piece_at(std::uint64_t bit) const;
    void receive(std::uint64_t halves);

    tape::Tape tape_;
    std::vector<Piece> pieces_;
    std::uint64_t end_ = 0;        // the line's last bit, after the tail
    TapeInterface interface_;
    bool rolling_ = false;
    bool stopped_ = false;
    std::uint64_t start_ = 0;
    std::uint64_t head_bits_ = 0;  // where the head was when the tape began to roll
    std::size_t piece_ = 0;        // the piece under the head, for the line
    std::size_t next_piece_ = 0;   // the receiver's next byte: its piece and place
    std::size_t next_byte_ = 0;
    bool ready_ = false;
    std::uint8_t received_ = 0;
    std::uint64_t lost_ = 0;
    std::vector<std::size_t> rejected_;
};

}  // namespace quillet
