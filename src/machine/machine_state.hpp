// The whole machine as one versioned, checked blob, and back: the
// processor, all the RAM, the monitor and module images, the map's
// switches, the 8255s, the 8253, the mapper, the keyboard with its typist
// and the keys held by hand, the speaker's lines and the sound not taken,
// the tape with its position, the frame step's stop. Not the caller's
// settings: stop addresses, the text waited for, port observers, the
// record of port C.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "machine/machine.hpp"

namespace quillet {

// The blob of `m`. Allocates: std::bad_alloc when memory runs out.
std::vector<std::uint8_t> machine_save_state(Machine* m);

// Makes `m` the machine `state` (`length` bytes) was saved from. An empty
// string, or why the blob is refused ("cut short", "damaged", "of the
// V2A, not the V2", ...), and then `m` is as it was. Allocates:
// std::bad_alloc when memory runs out.
std::string machine_load_state(Machine* m, const std::uint8_t* state, std::size_t length);

}  // namespace quillet
