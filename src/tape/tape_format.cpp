#include "tape/tape_format.hpp"

#include <cstring>

namespace quillet::tape {

std::uint8_t checksum(const std::uint8_t* bytes, std::size_t length) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < length; ++i) sum += bytes[i];
    return static_cast<std::uint8_t>(sum);
}

bool is_header_block(const std::uint8_t* block, std::size_t length) {
    if (length != HEADER_SIZE) return false;
    for (std::size_t i = 0; i < sizeof LEAD_IN_BYTES * LEAD_IN_SIZE; ++i) {
        if (block[i] != LEAD_IN_BYTES[i / LEAD_IN_SIZE]) return false;
    }
    return true;
}

Header decode_header(const std::uint8_t* block) {
    Header header;
    header.number = block[OFFSET_NUMBER];
    header.type = static_cast<char>(block[OFFSET_TYPE]);
    header.start = block[OFFSET_START] | block[OFFSET_START + 1] << 8;
    header.length = (block[OFFSET_LENGTH_MINUS_ONE] | block[OFFSET_LENGTH_MINUS_ONE + 1] << 8) + 1u;
    std::memcpy(header.name, block + OFFSET_NAME, NAME_SIZE);
    std::size_t end = NAME_SIZE;
    while (end > 0 && header.name[end - 1] == ' ') --end;
    header.name[end] = '\0';
    header.stored_checksum = block[OFFSET_HEADER_CHECKSUM];
    header.checksum_holds = checksum(block + OFFSET_NUMBER, CHECKSUMMED_FIELDS) == header.stored_checksum;
    return header;
}

void encode_header(const Header& header, std::uint8_t* block) {
    for (std::size_t i = 0; i < sizeof LEAD_IN_BYTES; ++i) {
        std::memset(block + i * LEAD_IN_SIZE, LEAD_IN_BYTES[i], LEAD_IN_SIZE);
    }
    const unsigned stored_length = static_cast<unsigned>(header.length - 1);
    block[OFFSET_NUMBER] = static_cast<std::uint8_t>(header.number);
    block[OFFSET_TYPE] = static_cast<std::uint8_t>(header.type);
    block[OFFSET_START] = static_cast<std::uint8_t>(header.start);
    block[OFFSET_START + 1] = static_cast<std::uint8_t>(header.start >> 8);
    block[OFFSET_LENGTH_MINUS_ONE] = static_cast<std::uint8_t>(stored_length);
    block[OFFSET_LENGTH_MINUS_ONE + 1] = static_cast<std::uint8_t>(stored_length >> 8);
    std::memset(block + OFFSET_NAME, ' ', NAME_SIZE);
    std::memcpy(block + OFFSET_NAME, header.name, std::strlen(header.name));
    block[OFFSET_HEADER_CHECKSUM] = checksum(block + OFFSET_NUMBER, CHECKSUMMED_FIELDS);
}

bool valid_type(int type) { return type >= 0x20 && type < 0x7F; }

bool valid_name(const char* name) {
    std::size_t length = 0;
    for (; name[length]; ++length) {
        if (length == NAME_SIZE || !valid_type(static_cast<unsigned char>(name[length]))) return false;
    }
    return true;
}

}  // namespace quillet::tape
