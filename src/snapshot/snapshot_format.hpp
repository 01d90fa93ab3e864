// Layout of a ZVK snapshot file: sizes, the table of the header's fields,
// computer models and the block-length slots. The writer and every reader
// take these definitions from here and nowhere else; the numbers that the
// public interface also offers (page size, models, register numbers, the
// sizes of its state buffers) are taken from its header.
//
// A snapshot is a header, then the ROM module image (when its descriptor is
// non-zero), then the present memory blocks in index order. Every multi-byte
// number is an unsigned 16-bit little-endian word.
#pragma once

#include <cstddef>
#include <cstdint>

#include "quillet/quillet.h"

namespace quillet {

constexpr int PAGE_BYTES = QUILLET_PAGE_SIZE;        // one memory page, one snapshot block
constexpr int PAGE_COUNT = QUILLET_PAGE_COUNT;          // pages of the 256 KB memory mapper
constexpr int ADDRESS_SPACE_PAGES = QUILLET_ADDRESS_SPACE / QUILLET_PAGE_SIZE;  // pages 0..3
constexpr int ADDRESS_SPACE_SIZE = QUILLET_ADDRESS_SPACE;
constexpr int ADDRESS_MAX = QUILLET_ADDRESS_MAX;

constexpr int WORD_SIZE = 2;  // a number of two bytes: an unsigned 16-bit little-endian word

// The header's fields, in header order: the one description of the header
// that the reader, the writer, the public interface and quillet-info walk.
// A setting is what the snapshot holds and the emulator restores; the
// other fields the writer lays out from the snapshot's contents.
enum class FieldRole : std::uint8_t { LAYOUT, SETTING };
// How a value reads: a count or a flag, a byte of state, a word, a model
// number, a string of bytes.
enum class FieldForm : std::uint8_t { NUMBER, CODE, WORD, MODEL, BYTES };

struct HeaderField {
    const char* name;
    int offset;
    int width;          // bytes
    int first_version;  // 1, or 2: held only by a version 2 header
    FieldRole role;
    FieldForm form;
    const char* meaning;
};

// Numbers of the fields in HEADER_FIELDS.
enum HeaderFieldId : int {
    FIELD_MAGIC,
    FIELD_VERSION,
    FIELD_HEADER_LENGTH,
    FIELD_MODEL,
    FIELD_INTERRUPTS,
    FIELD_REGISTERS,  // AF, BC, DE, HL, PC, SP: six fields from here
    FIELD_ROM_DESCRIPTOR = FIELD_REGISTERS + 6,
    FIELD_BLOCK_LENGTHS_LOW,  // blocks 0..3: four fields from here
    FIELD_ALLRAM = FIELD_BLOCK_LENGTHS_LOW + 4,
    FIELD_PERIPHERAL_STATE,
    FIELD_VCPU_CIRCUIT,
    FIELD_MAPPER_PORT,
    FIELD_BLOCK_LENGTHS_HIGH,  // blocks 4..15: twelve fields from here
    FIELD_MIF85 = FIELD_BLOCK_LENGTHS_HIGH + 12,
    FIELD_RESERVED,
    FIELD_MUSICA_STATE,
    HEADER_FIELD_COUNT,
};

constexpr HeaderField HEADER_FIELDS[HEADER_FIELD_COUNT] = {
    {"magic", 0, 3, 1, FieldRole::LAYOUT, FieldForm::BYTES, "\"ZVK\""},
    {"version", 3, 1, 1, FieldRole::LAYOUT, FieldForm::NUMBER, "1, or 2 with the add-on hardware"},
    {"header_length", 4, 2, 1, FieldRole::LAYOUT, FieldForm::WORD, "56 (version 1) to 124 (version 2)"},
    {"model", 6, 1, 1, FieldRole::SETTING, FieldForm::MODEL, "computer model, 0..7 (V1 .. C2717)"},
    {"interrupts_enabled", 7, 1, 1, FieldRole::SETTING, FieldForm::NUMBER, "interrupts enabled: 0 or 1"},
    {"AF", 8, 2, 1, FieldRole::SETTING, FieldForm::WORD, "register pair AF"},
    {"BC", 10, 2, 1, FieldRole::SETTING, FieldForm::WORD, "register pair BC"},
    {"DE", 12, 2, 1, FieldRole::SETTING, FieldForm::WORD, "register pair DE"},
    {"HL", 14, 2, 1, FieldRole::SETTING, FieldForm::WORD, "register pair HL"},
    {"PC", 16, 2, 1, FieldRole::SETTING, FieldForm::WORD, "program counter"},
    {"SP", 18, 2, 1, FieldRole::SETTING, FieldForm::WORD, "stack pointer"},
    {"rom_descriptor", 20, 2, 1, FieldRole::LAYOUT, FieldForm::WORD,
     "ROM image: stored length, bit 15 set when stored raw; 0: none"},
    {"block_length_0", 22, 2, 1, FieldRole::LAYOUT, FieldForm::WORD, "stored length of block 0; 0: absent"},
    {"block_length_1", 24, 2, 1, FieldRole::LAYOUT, FieldForm::WORD, "stored length of block 1; 0: absent"},
    {"block_length_2", 26, 2, 1, FieldRole::LAYOUT, FieldForm::WORD, "stored length of block 2; 0: absent"},
    {"block_length_3", 28, 2, 1, FieldRole::LAYOUT, FieldForm::WORD, "stored length of block 3; 0: absent"},
    {"allram", 30, 1, 1, FieldRole::SETTING, FieldForm::CODE, "AllRAM switch: 0x82 on, 0x8A off"},
    {"peripheral_state", 31, 25, 1, FieldRole::SETTING, FieldForm::BYTES, "the 8255s and the rest of the I/O state"},
    {"vcpu_interrupt_circuit", 56, 1, 2, FieldRole::SETTING, FieldForm::CODE,
     "VideoCPU interrupt circuit: 0xFF not plugged, 0 disabled, 1 enabled"},
    {"mapper_port", 57, 1, 2, FieldRole::SETTING, FieldForm::CODE, "memory mapper port value 0..127; 0xFF not plugged"},
    {"block_length_4", 58, 2, 2, FieldRole::LAYOUT, FieldForm::WORD, "stored length of mapper page 4; 0: absent"},
    {"block_length_5", 60, 2, 2, FieldRole::LAYOUT, FieldForm::WORD, "stored length of mapper page 5; 0: absent"},
    {"block_length_6", 62, 2, 2, FieldRole::LAYOUT, FieldForm::WORD, "stored length of mapper page 6; 0: absent"},
    {"block_length_7", 64, 2, 2, FieldRole::LAYOUT, FieldForm::WORD, "stored length of mapper page 7; 0: absent"},
    {"block_length_8", 66, 2, 2, FieldRole::LAYOUT, FieldForm::WORD, "stored length of mapper page 8; 0: absent"},
    {"block_length_9", 68, 2, 2, FieldRole::LAYOUT, FieldForm::WORD, "stored length of mapper page 9; 0: absent"},
    {"block_length_10", 70, 2, 2, FieldRole::LAYOUT, FieldForm::WORD, "stored length of mapper page 10; 0: absent"},
    {"block_length_11", 72, 2, 2, FieldRole::LAYOUT, FieldForm::WORD, "stored length of mapper page 11; 0: absent"},
    {"block_length_12", 74, 2, 2, FieldRole::LAYOUT, FieldForm::WORD, "stored length of mapper page 12; 0: absent"},
    {"block_length_13", 76, 2, 2, FieldRole::LAYOUT, FieldForm::WORD, "stored length of mapper page 13; 0: absent"},
    {"block_length_14", 78, 2, 2, FieldRole::LAYOUT, FieldForm::WORD, "stored length of mapper page 14; 0: absent"},
    {"block_length_15", 80, 2, 2, FieldRole::LAYOUT, FieldForm::WORD, "stored length of mapper page 15; 0: absent"},
    {"mif85", 82, 1, 2, FieldRole::SETTING, FieldForm::CODE, "MIF 85 state: 0xFF not plugged, 0 disabled, 1 enabled"},
    {"reserved", 83, 32, 2, FieldRole::LAYOUT, FieldForm::BYTES, "zero bytes"},
    {"musica_state", 115, 9, 2, FieldRole::SETTING, FieldForm::BYTES,
     "MUSICA interface; 0xFF then zeros: not plugged"},
};

// The table holds every byte of both headers once, in order.
constexpr bool fields_follow_each_other() {
    for (int i = 1; i < HEADER_FIELD_COUNT; ++i) {
        if (HEADER_FIELDS[i].offset != HEADER_FIELDS[i - 1].offset + HEADER_FIELDS[i - 1].width) return false;
        if (HEADER_FIELDS[i].first_version < HEADER_FIELDS[i - 1].first_version) return false;
    }
    return HEADER_FIELDS[0].offset == 0;
}
static_assert(fields_follow_each_other(), "the header's fields follow each other without gaps");

// The end of the last field a header of `version` holds.
constexpr int header_size_of_version(int version) {
    int end = 0;
    for (const HeaderField& field : HEADER_FIELDS) {
        if (field.first_version <= version) end = field.offset + field.width;
    }
    return end;
}

constexpr int HEADER_SIZE_V1 = header_size_of_version(1);
constexpr int HEADER_SIZE_V2 = header_size_of_version(2);
constexpr int HEADER_BUFFER_SIZE = QUILLET_HEADER_SIZE_MAX;
static_assert(HEADER_SIZE_V2 == HEADER_BUFFER_SIZE, "the interface's largest header is a version 2 header");
constexpr int HEADER_PROBE_SIZE = HEADER_FIELDS[FIELD_MODEL].offset + HEADER_FIELDS[FIELD_MODEL].width;

constexpr std::uint8_t VERSION_1 = 1;
constexpr std::uint8_t VERSION_2 = 2;
constexpr int BLOCK_COUNT_V1 = 4;
constexpr int BLOCK_COUNT_V2 = 16;

constexpr char MAGIC[] = {'Z', 'V', 'K'};
constexpr int MAGIC_SIZE = sizeof(MAGIC);
static_assert(MAGIC_SIZE == HEADER_FIELDS[FIELD_MAGIC].width, "the magic fills its field");

// Header field offsets, from the table.
constexpr int offset_of(int field) { return HEADER_FIELDS[field].offset; }
constexpr int OFFSET_MAGIC = offset_of(FIELD_MAGIC);
constexpr int OFFSET_VERSION = offset_of(FIELD_VERSION);
constexpr int OFFSET_HEADER_LENGTH = offset_of(FIELD_HEADER_LENGTH);
constexpr int OFFSET_COMPUTER_MODEL = offset_of(FIELD_MODEL);
constexpr int OFFSET_INTERRUPTS_ENABLED = offset_of(FIELD_INTERRUPTS);
constexpr int OFFSET_REGISTERS = offset_of(FIELD_REGISTERS);
constexpr int OFFSET_ROM_DESCRIPTOR = offset_of(FIELD_ROM_DESCRIPTOR);
constexpr int OFFSET_BLOCK_LENGTHS_LOW = offset_of(FIELD_BLOCK_LENGTHS_LOW);
constexpr int OFFSET_PERIPHERAL_STATE = offset_of(FIELD_ALLRAM);  // AllRAM is its first byte
constexpr int PERIPHERAL_STATE_SIZE = QUILLET_PERIPHERAL_STATE_SIZE;
static_assert(PERIPHERAL_STATE_SIZE == HEADER_FIELDS[FIELD_ALLRAM].width + HEADER_FIELDS[FIELD_PERIPHERAL_STATE].width,
              "the peripheral state is AllRAM and the bytes after it");
constexpr int OFFSET_VCPU_INTERRUPT_CIRCUIT = offset_of(FIELD_VCPU_CIRCUIT);
constexpr int OFFSET_MAPPER_PORT_VALUE = offset_of(FIELD_MAPPER_PORT);
constexpr int OFFSET_BLOCK_LENGTHS_HIGH = offset_of(FIELD_BLOCK_LENGTHS_HIGH);
constexpr int OFFSET_MIF85_STATE = offset_of(FIELD_MIF85);
constexpr int OFFSET_MUSICA_STATE = offset_of(FIELD_MUSICA_STATE);
constexpr int MUSICA_STATE_SIZE = QUILLET_MUSICA_STATE_SIZE;
constexpr int OFFSET_ALLRAM = offset_of(FIELD_ALLRAM);
constexpr int ALLRAM_INDEX = OFFSET_ALLRAM - OFFSET_PERIPHERAL_STATE;  // within the peripheral state
static_assert(MUSICA_STATE_SIZE == HEADER_FIELDS[FIELD_MUSICA_STATE].width, "the MUSICA state fills its field");

// The number of the field named `name` (as HEADER_FIELDS spells it), or -1.
int header_field_number(const char* name);

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

static_assert(FIELD_ROM_DESCRIPTOR - FIELD_REGISTERS == REGISTER_COUNT, "a field for each register pair");

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
                                       static_cast<std::size_t>(PAGE_COUNT) * PAGE_BYTES,
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
