// Where the monitor's tape block reader begins and returns, found in the
// monitor image, so that the machine can tell the tape what the reader
// asks for and what it made of each block.
//
// Every PMD monitor has the reader at offset 0DC4h (0DC2h sets C to FFh
// first: store the bytes): it takes HL the destination, DE the length - 1
// and C whether to store, reads DE + 1 bytes and a checksum byte, and
// returns at 0DE1h with Z set when the checksum held. Monitors that read
// through the software separator's byte routine also leave the reader
// early, with CY set, when a byte cannot be read (a broken signal, STOP):
// a JC inside the reader to a POP and a RET shared with other routines.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillet {

struct BlockReader {
    std::uint16_t entry = 0;    // 0: the image has no reader the machine knows
    std::uint16_t checked = 0;  // the RET after the checksum: Z when it held
    std::uint16_t failed = 0;   // the RET a failed byte read leads to; 0: none
    // Between entry and either return: the stack pointer at entry, which
    // both returns see again.
    bool active = false;
    std::uint16_t entry_sp = 0;
};

// The reader of `monitor` (`size` bytes at `base`), or one whose entry is
// 0 when the image does not hold it.
BlockReader find_block_reader(const std::uint8_t* monitor, std::size_t size, std::uint16_t base);

// Whether `address` is one the machine stops at to watch the reader.
inline bool block_reader_stop(const BlockReader& r, std::uint16_t address) {
    return r.entry && (address == r.entry || address == r.checked || (r.failed && address == r.failed));
}

}  // namespace quillet
