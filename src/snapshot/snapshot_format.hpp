// Layout of a ZVK snapshot file: sizes, header field offsets, computer
// models and the block-length slots. The writer and every reader take these
// definitions from here and nowhere else.
//
// A snapshot is a header, then the ROM module image (when its descriptor is
// non-zero), then the present memory blocks in index order. Every multi-byte
// number is an unsigned 16-bit little-endian word.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillet {

constexpr int PAGE_SIZE = 16384;        // one memory page, one snapshot block
constexpr int PAGE_COUNT = 16;          // pages of the 256 KB memory mapper
constexpr int ADDRESS_SPACE_PAGES = 4;  // pages 0..3: the 64 KB address space
constexpr int ADDRESS_SPACE_SIZE = PAGE_SIZE * ADDRESS_SPACE_PAGES;

constexpr int HEADER_SIZE_V1 = 56;
constexpr int HEADER_SIZE_V2 = 124;
constexpr int HEADER_BUFFER_SIZE = HEADER_SIZE_V2;
constexpr int HEADER_PROBE_SIZE = 7;  // magic, version, length, model

constexpr std::uint8_t VERSION_1 = 1;
constexpr std::uint8_t VERSION_2 = 2;
constexpr int BLOCK_COUNT_V1 = 4;
constexpr int BLOCK_COUNT_V2 = 16;

constexpr char MAGIC[] = {'Z', 'V', 'K'};
constexpr int MAGIC_SIZE = sizeof(MAGIC);

// Header field offsets.
constexpr int OFFSET_MAGIC = 0;
constexpr int OFFSET_VERSION = 3;
constexpr int OFFSET_HEADER_LENGTH = 4;
constexpr int OFFSET_COMPUTER_MODEL = 6;
constexpr int OFFSET_INTERRUPTS_ENABLED = 7;
constexpr int OFFSET_REGISTERS = 8;  // AF, BC, DE, HL, PC, SP: one word each
constexpr int OFFSET_ROM_DESCRIPTOR = 20;
constexpr int OFFSET_BLOCK_LENGTHS_LOW = 22;  // blocks 0..3
constexpr int OFFSET_PERIPHERAL_STATE = 30;
constexpr int PERIPHERAL_STATE_SIZE = 26;
constexpr int OFFSET_ALLRAM = 30;  // first byte of the peripheral state
constexpr int ALLRAM_INDEX = OFFSET_ALLRAM - OFFSET_PERIPHERAL_STATE;  // within the peripheral state
constexpr int OFFSET_VCPU_INTERRUPT_CIRCUIT = 56;
constexpr int OFFSET_MAPPER_PORT_VALUE = 57;
constexpr int OFFSET_BLOCK_LENGTHS_HIGH = 58;  // blocks 4..15
constexpr int OFFSET_MIF85_STATE = 82;
constexpr int OFFSET_RESERVED = 83;
constexpr int RESERVED_SIZE = 32;
constexpr int OFFSET_MUSICA_STATE = 115;
constexpr int MUSICA_STATE_SIZE = 9;

constexpr int WORD_SIZE = 2;

// Register pairs in header order.
enum Register : int { REG_AF, REG_BC, REG_DE, REG_HL, REG_PC, REG_SP, REGISTER_COUNT };

// Register pair names as the -reg option spells them, indexed by Register.
extern const char* const REGISTER_NAMES[REGISTER_COUNT];

// The 8080 flag register (the low byte of AF) always holds bits 3 and 5
// clear and bit 1 set.
constexpr unsigned AF_BITS_CLEARED = 0xFFD7;
constexpr unsigned AF_BITS_SET = 0x0002;

// The ROM descriptor: bits 0..14 the stored length, bit 15 the raw form.
constexpr std::uint16_t ROM_RAW_FLAG = 0x8000;
constexpr std::uint16_t ROM_LENGTH_MASK = 0x7FFF;

// Byte 30 of the peripheral state carries the AllRAM switch.
constexpr std::uint8_t ALLRAM_ON = 0x82;
constexpr std::uint8_t ALLRAM_OFF = 0x8A;

// Add-on hardware bytes of a version 2 header.
constexpr std::uint8_t NOT_PLUGGED = 0xFF;
constexpr std::uint8_t VCPU_INTERRUPT_DISABLED = 0x07;
constexpr std::uint8_t VCPU_INTERRUPT_ENABLED = 0x87;
constexpr std::uint8_t MUSICA_PLUGGED_STATE[MUSICA_STATE_SIZE] = {0x32, 0xFF, 0xFF, 0x72, 0xFF,
                                                                  0xFF, 0xB2, 0xFF, 0xFF};
constexpr std::uint8_t MUSICA_UNPLUGGED_STATE[MUSICA_STATE_SIZE] = {0xFF, 0, 0, 0, 0, 0, 0, 0, 0};

enum ComputerModel : int {
    MODEL_V1 = 0,
    MODEL_V2 = 1,
    MODEL_V2A = 2,
    MODEL_V3 = 3,
    MODEL_MATO = 4,
    MODEL_ALFA = 5,
    MODEL_ALFA2 = 6,
    MODEL_C2717 = 7,
    MODEL_COUNT = 8,
};

// Model names as the -cm option spells them, indexed by ComputerModel.
extern const char* const MODEL_NAMES[MODEL_COUNT];

// Block 2 (0x8000..0xBFFF) is stored only for V2A, V3 and C2717.
bool model_stores_block2(int model);
constexpr int BLOCK_2 = 2;

// The largest ROM image, and the largest a V3 snapshot stores.
constexpr int ROM_SIZE_MAX = PAGE_SIZE;
constexpr int V3_ROM_LIMIT = 8192;

// The most bytes a snapshot file can use: the longest header, a raw ROM
// image and sixteen raw blocks. Bytes after them are never read.
constexpr std::size_t SNAPSHOT_SIZE_MAX =
    static_cast<std::size_t>(HEADER_SIZE_V2) + static_cast<std::size_t>(PAGE_COUNT + 1) * PAGE_SIZE;

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
