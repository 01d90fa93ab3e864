// Layout of a ZVK snapshot file: sizes, header field offsets, computer
// models and the block-length slots. The writer and every reader take these
// definitions from here and nowhere else; the numbers that the public
// interface also offers are taken from its header.
//
// A snapshot is a header, then the ROM module image (when its descriptor is
// non-zero), then the present memory blocks in index order. Every multi-byte
// number is an unsigned 16-bit little-endian word.
#pragma once

#include <cstddef>
#include <cstdint>

#include "quillet/quillet.h"

namespace quillet {

constexpr int PAGE_SIZE = QUILLET_PAGE_SIZE;        // one memory page, one snapshot block
constexpr int PAGE_COUNT = QUILLET_PAGE_COUNT;          // pages of the 256 KB memory mapper
constexpr int ADDRESS_SPACE_PAGES = QUILLET_ADDRESS_SPACE / QUILLET_PAGE_SIZE;  // pages 0..3
constexpr int ADDRESS_SPACE_SIZE = QUILLET_ADDRESS_SPACE;
constexpr int ADDRESS_MAX = ADDRESS_SPACE_SIZE - 1;

constexpr int HEADER_SIZE_V1 = QUILLET_HEADER_SIZE_V1;
constexpr int HEADER_SIZE_V2 = QUILLET_HEADER_SIZE_V2;
constexpr int HEADER_BUFFER_SIZE = QUILLET_HEADER_SIZE_MAX;
constexpr int HEADER_PROBE_SIZE = 7;  // magic, version, length, model

constexpr std::uint8_t VERSION_1 = 1;
constexpr std::uint8_t VERSION_2 = 2;
constexpr int BLOCK_COUNT_V1 = 4;
constexpr int BLOCK_COUNT_V2 = 16;

constexpr char MAGIC[] = {'Z', 'V', 'K'};
constexpr int MAGIC_SIZE = sizeof(MAGIC);

// Header field offsets.
constexpr int OFFSET_MAGIC = QUILLET_OFFSET_MAGIC;
constexpr int OFFSET_VERSION = QUILLET_OFFSET_VERSION;
constexpr int OFFSET_HEADER_LENGTH = QUILLET_OFFSET_HEADER_LENGTH;
constexpr int OFFSET_COMPUTER_MODEL = QUILLET_OFFSET_COMPUTER_MODEL;
constexpr int OFFSET_INTERRUPTS_ENABLED = QUILLET_OFFSET_INTERRUPTS_ENABLED;
constexpr int OFFSET_REGISTERS = QUILLET_OFFSET_REGISTERS;  // AF, BC, DE, HL, PC, SP: one word each
constexpr int OFFSET_ROM_DESCRIPTOR = QUILLET_OFFSET_ROM_DESCRIPTOR;
constexpr int OFFSET_BLOCK_LENGTHS_LOW = QUILLET_OFFSET_BLOCK_LENGTHS_LOW;  // blocks 0..3
constexpr int OFFSET_PERIPHERAL_STATE = QUILLET_OFFSET_PERIPHERAL_STATE;
constexpr int PERIPHERAL_STATE_SIZE = QUILLET_PERIPHERAL_STATE_SIZE;
constexpr int OFFSET_ALLRAM = QUILLET_OFFSET_PERIPHERAL_STATE;  // first byte of the peripheral state
constexpr int ALLRAM_INDEX = OFFSET_ALLRAM - OFFSET_PERIPHERAL_STATE;  // within the peripheral state
constexpr int OFFSET_VCPU_INTERRUPT_CIRCUIT = QUILLET_OFFSET_VCPU_CIRCUIT;
constexpr int OFFSET_MAPPER_PORT_VALUE = QUILLET_OFFSET_MAPPER_PORT;
constexpr int OFFSET_BLOCK_LENGTHS_HIGH = QUILLET_OFFSET_BLOCK_LENGTHS_HIGH;  // blocks 4..15
constexpr int OFFSET_MIF85_STATE = QUILLET_OFFSET_MIF85_STATE;
constexpr int OFFSET_RESERVED = QUILLET_OFFSET_RESERVED;
constexpr int RESERVED_SIZE = QUILLET_RESERVED_SIZE;
constexpr int OFFSET_MUSICA_STATE = QUILLET_OFFSET_MUSICA_STATE;
constexpr int MUSICA_STATE_SIZE = QUILLET_MUSICA_STATE_SIZE;

constexpr int WORD_SIZE = QUILLET_WORD_SIZE;

// Register pairs in header order.
enum Register : int {
    REG_AF = QUILLET_REG_AF,
    REG_BC = QUILLET_REG_BC,
    REG_DE = QUILLET_REG_DE,
    REG_HL = QUILLET_REG_HL,
    REG_PC = QUILLET_REG_PC,
    REG_SP = QUILLET_REG_SP,
    REGISTER_COUNT = QUILLET_REGISTER_COUNT,
};

// The largest value of a register pair.
constexpr unsigned REGISTER_VALUE_MAX = QUILLET_REGISTER_VALUE_MAX;

// Register pair names ("AF" .. "SP"), indexed by Register.
extern const char* const REGISTER_NAMES[REGISTER_COUNT];

// The 8080 flag register (the low byte of AF) always holds bits 3 and 5
// clear and bit 1 set.
constexpr unsigned AF_BITS_CLEARED = 0xFFD7;
constexpr unsigned AF_BITS_SET = 0x0002;

// The ROM descriptor: bits 0..14 the stored length, bit 15 the raw form.
constexpr std::uint16_t ROM_RAW_FLAG = QUILLET_ROM_RAW_FLAG;
constexpr std::uint16_t ROM_LENGTH_MASK = QUILLET_ROM_LENGTH_MASK;

// Byte 30 of the peripheral state carries the AllRAM switch.
constexpr std::uint8_t ALLRAM_ON = QUILLET_ALLRAM_ON;
constexpr std::uint8_t ALLRAM_OFF = QUILLET_ALLRAM_OFF;

// Add-on hardware bytes of a version 2 header.
constexpr std::uint8_t NOT_PLUGGED = QUILLET_NOT_PLUGGED;
constexpr std::uint8_t VCPU_INTERRUPT_DISABLED = QUILLET_VCPU_INTERRUPT_DISABLED;
constexpr std::uint8_t VCPU_INTERRUPT_ENABLED = QUILLET_VCPU_INTERRUPT_ENABLED;
constexpr std::uint8_t MIF85_INTERRUPT_DISABLED = QUILLET_MIF85_INTERRUPT_DISABLED;
constexpr std::uint8_t MIF85_INTERRUPT_ENABLED = QUILLET_MIF85_INTERRUPT_ENABLED;
constexpr int MAPPER_PORT_MAX = QUILLET_MAPPER_PORT_MAX;
constexpr std::uint8_t MUSICA_PLUGGED_STATE[MUSICA_STATE_SIZE] = {0x32, 0xFF, 0xFF, 0x72, 0xFF,
                                                                  0xFF, 0xB2, 0xFF, 0xFF};
constexpr std::uint8_t MUSICA_UNPLUGGED_STATE[MUSICA_STATE_SIZE] = {0xFF, 0, 0, 0, 0, 0, 0, 0, 0};

enum ComputerModel : int {
    MODEL_V1 = QUILLET_MODEL_V1,
    MODEL_V2 = QUILLET_MODEL_V2,
    MODEL_V2A = QUILLET_MODEL_V2A,
    MODEL_V3 = QUILLET_MODEL_V3,
    MODEL_MATO = QUILLET_MODEL_MATO,
    MODEL_ALFA = QUILLET_MODEL_ALFA,
    MODEL_ALFA2 = QUILLET_MODEL_ALFA2,
    MODEL_C2717 = QUILLET_MODEL_C2717,
    MODEL_COUNT = QUILLET_MODEL_COUNT,
};

// Model names ("V1" .. "C2717"), indexed by ComputerModel.
extern const char* const MODEL_NAMES[MODEL_COUNT];

// Block 2 (0x8000..0xBFFF) is stored only for V2A, V3 and C2717.
bool model_stores_block2(int model);
constexpr int BLOCK_2 = QUILLET_BLOCK_2;

// Whether a snapshot of `model` stores block `block` when it has it: every
// block but block 2 of the models that leave it out.
bool model_stores_block(int model, int block);

// The largest ROM image, and the largest a V3 snapshot stores.
constexpr int ROM_SIZE_MAX = QUILLET_ROM_SIZE_MAX;
constexpr int V3_ROM_LIMIT = QUILLET_V3_ROM_LIMIT;

// The most bytes a snapshot file can use: the longest header, a raw ROM
// image and sixteen raw blocks. Bytes after them are never read.
constexpr std::size_t SNAPSHOT_SIZE_MAX = QUILLET_SNAPSHOT_SIZE_MAX;
static_assert(SNAPSHOT_SIZE_MAX == static_cast<std::size_t>(HEADER_SIZE_V2) + ROM_SIZE_MAX +
                                       static_cast<std::size_t>(PAGE_COUNT) * PAGE_SIZE,
              "the longest header, a raw ROM image and every block raw");

// A block-length slot: the address of a little-endian word in the header.
using BlockSlot = std::uint8_t*;

// Stores in slots[0..3] the words of blocks 0..3 and, when the header's
// version byte is 2 or more, in slots[4..15] those of blocks 4..15; with
// version 0 or 1 slots[4..15] are left as they were. `header` must hold at
// least HEADER_BUFFER_SIZE bytes.
void locate_block_sizes(std::uint8_t* header, BlockSlot slots[PAGE_COUNT]);

// Number of block slots of a file with this version byte.
int block_count_for_version(int version);

inline std::uint16_t read_word(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

inline void write_word(std::uint8_t* at, unsigned value) {
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

}  // namespace quillet
