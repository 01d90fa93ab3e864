// The block codec: the fill, run and raw stored forms of a memory block or
// ROM image.
//
// Run form: a sequence of runs, each starting with a control byte.
//   0x80..0xFF  literal run of (control & 0x7F) + 1 bytes (1..128), which follow
//   0x00..0x7F  repeat run of control + 3 bytes (3..130) of the one byte that
//               follows
// Neither function allocates, prints or keeps state.
#pragma once

#include <cstdint>

#include "quillet/quillet.h"

namespace quillet {

constexpr int LITERAL_RUN_MAX = 128;
constexpr int REPEAT_RUN_MIN = 3;
constexpr int REPEAT_RUN_MAX = 130;
constexpr std::uint8_t LITERAL_FLAG = 0x80;

// Stores the `length` bytes of `source` into `output` (at least `length`
// bytes, not overlapping `source`) and returns the stored length:
//   1              fill form: output[0] is the only byte value of the block
//   2..length - 1  run form in output[0 .. result - 1]
//   length         raw form: output holds a copy of source
// Never writes past output[length - 1]. A length of 0 returns 0.
int pack_block(std::uint8_t* output, const std::uint8_t* source, int length);

// Unpacks the `packed_length` stored bytes of `packed` into `destination`
// (`capacity` bytes). A stored length of 1 is the fill form and fills the
// whole capacity; a stored length equal to `capacity` is the raw form;
// anything between is decoded as runs. Returns the number of bytes written
// (at most `capacity`), -1 for unusable arguments (a null pointer, a length
// or capacity of 0 or less, packed_length > capacity) and -2 when stored
// bytes are left over once the destination is full, or when the last run
// needs more stored bytes than remain. Never reads past
// packed[packed_length - 1] nor writes past destination[capacity - 1].
int unpack_block(std::uint8_t* destination, int capacity, const std::uint8_t* packed,
                 int packed_length);

// The form in which unpack_block() reads `packed_length` stored bytes into
// `capacity` bytes (both at least 1).
enum StoredForm : int { FORM_RAW = QUILLET_FORM_RAW, FORM_FILL = QUILLET_FORM_FILL, FORM_RUN = QUILLET_FORM_RUN };
StoredForm stored_form(int packed_length, int capacity);

constexpr int UNPACK_BAD_ARGUMENTS = -1;
constexpr int UNPACK_LEFT_OVER = -2;

}  // namespace quillet
