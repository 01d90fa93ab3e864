#include "support/tape_bytes.hpp"

#include <fstream>
#include <iterator>

namespace quillet_test {

TapeBytes header_block(int number, char type, unsigned start, unsigned length, const std::string& name,
                       int checksum_change) {
    TapeBytes block;
    block.insert(block.end(), 16, 0xFF);
    block.insert(block.end(), 16, 0x00);
    block.insert(block.end(), 16, 0x55);
    const unsigned stored = length - 1;
    TapeBytes fields = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(type),
                        static_cast<std::uint8_t>(start & 0xFF), static_cast<std::uint8_t>(start >> 8),
                        static_cast<std::uint8_t>(stored & 0xFF), static_cast<std::uint8_t>(stored >> 8)};
    std::string padded = name;
    padded.resize(8, ' ');
    fields.insert(fields.end(), padded.begin(), padded.end());
    unsigned sum = 0;
    for (std::uint8_t b : fields) sum += b;
    block.insert(block.end(), fields.begin(), fields.end());
    block.push_back(static_cast<std::uint8_t>(sum + checksum_change));
    return block;
}

TapeBytes data_block(const TapeBytes& data) {
    TapeBytes block = data;
    unsigned sum = 0;
    for (std::uint8_t b : data) sum += b;
    block.push_back(static_cast<std::uint8_t>(sum));
    return block;
}

TapeBytes ptp_record(const TapeBytes& block) {
    TapeBytes record = {static_cast<std::uint8_t>(block.size() & 0xFF), static_cast<std::uint8_t>(block.size() >> 8)};
    record.insert(record.end(), block.begin(), block.end());
    return record;
}

TapeBytes joined(const std::vector<TapeBytes>& pieces) {
    TapeBytes all;
    for (const TapeBytes& piece : pieces) all.insert(all.end(), piece.begin(), piece.end());
    return all;
}

TapeBytes real_tape(const std::string& name) {
    std::ifstream in(std::string(QUILLET_TAPES_DIR) + "/" + name, std::ios::binary);
    if (!in) return {};
    return TapeBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace quillet_test
