// A tape as its blocks, read from and written as PTP and raw PMD images;
// the files its blocks make (a header block and the data block after it)
// and the continuation blocks without a header, kept as they are; and the
// first thing wrong with a tape that is to be loaded.
//
// PTP: records of a 2-byte little-endian length and that many bytes of one
// block. PMD: the blocks one after another without lengths; each header
// block is followed by its data block of the length the header gives, and
// what follows that without a header of its own is one continuation block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/failure.hpp"
#include "tape/tape_format.hpp"

namespace quillet::tape {

enum class ImageKind { PTP, PMD, WAV };

struct Block {
    std::vector<std::uint8_t> bytes;
    // Where the block was read from: the offset of its record (PTP) or of
    // its first byte (PMD) in the image, or the sample it begins at (WAV).
    std::size_t position = 0;
};

struct Tape {
    ImageKind kind = ImageKind::PTP;
    unsigned sample_rate = 0;  // of a WAV recording
    std::vector<Block> blocks;
};

constexpr std::size_t NO_BLOCK = static_cast<std::size_t>(-1);

// A file of a tape, or a block that belongs to none.
struct Entry {
    bool is_file = false;
    Header header;                      // of a file
    std::size_t block = 0;              // the header block, or the block of no file
    std::size_t data_block = NO_BLOCK;  // a file's data block
    std::size_t data_length = 0;        // the data bytes it holds (at most header.length)
    bool data_complete = false;         // it holds header.length bytes and the checksum
    bool data_checksum_holds = false;
};

// The entries of `tape` in its order: each header block with the block after
// it as its data (unless that is a header block too), every other block on
// its own.
std::vector<Entry> tape_entries(const Tape& tape);

// Where block `index` of `tape` stands, for messages: "record 2 at offset
// 65" of an image, "block 2 at 3.25 s" of a recording.
std::string block_place(const Tape& tape, std::size_t index);

// Reads the PTP image of `length` bytes at `image` into `tape` (replaced).
// A record that runs past the end of the image, or an empty one, is
// ERR_TAPE_DAMAGED naming `name`, the record and its offset.
int read_ptp(const std::uint8_t* image, std::size_t length, const char* name, const Reporter& reporter,
             Tape* tape);

// Reads the raw PMD image at `image` into `tape` (replaced). An image that
// does not begin with a header block is ERR_TAPE_FORMAT.
int read_pmd(const std::uint8_t* image, std::size_t length, const char* name, const Reporter& reporter,
             Tape* tape);

// Whether `length` bytes at `image` begin as a raw PMD image does.
bool looks_like_pmd(const std::uint8_t* image, std::size_t length);

// The image of `tape` as PTP or PMD.
std::vector<std::uint8_t> write_ptp(const Tape& tape);
std::vector<std::uint8_t> write_pmd(const Tape& tape);

// The first thing that keeps `tape` from loading, reported naming `name`:
// no blocks at all (ERR_TAPE_FORMAT); a header whose checksum fails, a data
// block whose checksum fails (ERR_TAPE_CHECKSUM); a file without its data
// block or with a shorter one than its header says (ERR_TAPE_DAMAGED).
// Continuation blocks are not checked: only the program that reads them
// knows their form. 0 when there is nothing. With `checksums_failed`, a
// checksum that fails is reported, counted there and passed over.
int check_tape(const Tape& tape, const char* name, const Reporter& reporter,
               std::size_t* checksums_failed = nullptr);

// Appends a file to `tape`: the header block of `header` (its length is
// `length`) and the data block of `length` bytes at `data` with their
// checksum. The header's fields are the caller's to check.
void append_file(Tape* tape, Header header, const std::uint8_t* data, std::size_t length);

}  // namespace quillet::tape
