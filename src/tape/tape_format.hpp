// The PMD 85's tape blocks: the 63-byte header block (three 16-byte
// lead-ins, then the file's number, type, start, length and name, and a
// checksum), the data block with its checksum, and the checksum rule the
// monitors load with. Every layout number of a tape block lives here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillet::tape {

constexpr std::size_t LEAD_IN_SIZE = 16;
// The lead-ins in their order: 16 times each byte.
constexpr std::uint8_t LEAD_IN_BYTES[3] = {0xFF, 0x00, 0x55};
constexpr std::size_t HEADER_SIZE = 63;
constexpr std::size_t OFFSET_NUMBER = 0x30;
constexpr std::size_t OFFSET_TYPE = 0x31;
constexpr std::size_t OFFSET_START = 0x32;           // word, little-endian
constexpr std::size_t OFFSET_LENGTH_MINUS_ONE = 0x34;  // word, little-endian
constexpr std::size_t OFFSET_NAME = 0x36;
constexpr std::size_t NAME_SIZE = 8;  // ASCII, padded with spaces
constexpr std::size_t OFFSET_HEADER_CHECKSUM = 0x3E;
// The header checksum covers the fields: bytes 30h to 3Dh.
constexpr std::size_t CHECKSUMMED_FIELDS = OFFSET_HEADER_CHECKSUM - OFFSET_NUMBER;

// The monitors show and take a file number as two decimal digits.
constexpr int NUMBER_MAX = 99;
constexpr char TYPE_MACHINE_CODE = '?';
constexpr char TYPE_BASIC = '>';
// A file's data: 1 to 65536 bytes, as its length - 1 is a word.
constexpr std::size_t DATA_SIZE_MAX = 65536;

// The sum of `length` bytes modulo 256, without initial value or complement.
std::uint8_t checksum(const std::uint8_t* bytes, std::size_t length);

// The fields of a header block.
struct Header {
    int number = 0;      // 0..255 as stored; the tools write 0..NUMBER_MAX
    char type = TYPE_MACHINE_CODE;
    unsigned start = 0;  // 0..65535
    std::size_t length = 1;  // the data's length: the stored field + 1
    char name[NAME_SIZE + 1] = {};  // as stored, trailing spaces removed
    std::uint8_t stored_checksum = 0;
    bool checksum_holds = true;
};

// Whether `length` bytes at `block` are a header block: 63 bytes that begin
// with the three lead-ins.
bool is_header_block(const std::uint8_t* block, std::size_t length);

// The fields of the header block at `block` (HEADER_SIZE bytes).
Header decode_header(const std::uint8_t* block);

// The header block of `header` into `block` (HEADER_SIZE bytes): the
// lead-ins, the fields (the name padded with spaces) and their checksum.
void encode_header(const Header& header, std::uint8_t* block);

// Whether `name` may stand in a header: at most NAME_SIZE printable ASCII
// characters. Whether `type` may: one printable ASCII character.
bool valid_name(const char* name);
bool valid_type(int type);

}  // namespace quillet::tape
