#include "tape/tape_image.hpp"


namespace quillet::tape {
namespace {

constexpr std::size_t RECORD_LENGTH_SIZE = 2;

std::string decimal(std::size_t number) { return DecimalText::of_size(number).c_str(); }

// "file 03 "GAME"", as the monitor numbers it.
std::string file_words(const Header& header) {
    const std::string digits = decimal(static_cast<std::size_t>(header.number));
    return std::string("file ") + (digits.size() < 2 ? "0" : "") + digits + " \"" + header.name + "\"";
}

int report_damage(const Reporter& reporter, int code, const char* name, const std::string& detail) {
    return report_failure(reporter, code, name, detail.c_str());
}

}  // namespace

std::vector<Entry> tape_entries(const Tape& tape) {
    std::vector<Entry> entries;
    const std::size_t count = tape.blocks.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::vector<std::uint8_t>& bytes = tape.blocks[i].bytes;
        Entry entry;
        entry.block = i;
        if (is_header_block(bytes.data(), bytes.size())) {
            entry.is_file = true;
            entry.header = decode_header(bytes.data());
            if (i + 1 < count && !is_header_block(tape.blocks[i + 1].bytes.data(), tape.blocks[i + 1].bytes.size())) {
                const std::vector<std::uint8_t>& data = tape.blocks[++i].bytes;
                const std::size_t length = entry.header.length;
                entry.data_block = i;
                entry.data_length = data.size() < length ? data.size() : length;
                entry.data_complete = data.size() > length;
                entry.data_checksum_holds = entry.data_complete && checksum(data.data(), length) == data[length];
            }
        }
        entries.push_back(entry);
    }
    return entries;
}

std::string block_place(const Tape& tape, std::size_t index) {
    const std::size_t position = tape.blocks[index].position;
    if (tape.kind == ImageKind::WAV) {
        // Seconds to two places, rounded.
        const std::size_t hundredths = tape.sample_rate ? (position * 100 + tape.sample_rate / 2) / tape.sample_rate : 0;
        const std::string fraction = decimal(hundredths % 100);
        return "block " + decimal(index + 1) + " at " + decimal(hundredths / 100) + "." +
               (fraction.size() < 2 ? "0" : "") + fraction + " s";
    }
    return (tape.kind == ImageKind::PTP ? "record " : "block ") + decimal(index + 1) + " at offset " +
           decimal(position);
}

int read_ptp(const std::uint8_t* image, std::size_t length, const char* name, const Reporter& reporter,
             Tape* tape) {
    Tape read;
    read.kind = ImageKind::PTP;
    for (std::size_t at = 0; at < length;) {
        const std::string place = "record " + decimal(read.blocks.size() + 1) + " at offset " + decimal(at);
        const bool has_length = length - at >= RECORD_LENGTH_SIZE;
        const std::size_t left = has_length ? length - at - RECORD_LENGTH_SIZE : 0;
        const std::size_t record = has_length ? image[at] | image[at + 1] << 8 : 0;
        // A file whose first record is no record holds no tape at all (a
        // text, another kind of file); damage is a record gone wrong after
        // good ones.
        if (read.blocks.empty() && (record == 0 || record > left)) return report_failure(reporter, ERR_TAPE_FORMAT, name);
        if (!has_length) {
            return report_damage(reporter, ERR_TAPE_DAMAGED, name, place + ": the image ends inside its length");
        }
        if (record == 0) return report_damage(reporter, ERR_TAPE_DAMAGED, name, place + " is empty");
        if (record > left) {
            return report_damage(reporter, ERR_TAPE_DAMAGED, name,
                                 place + " is " + decimal(record) + " bytes long, the image holds " + decimal(left));
        }
        Block block;
        block.position = at;
        block.bytes.assign(image + at + RECORD_LENGTH_SIZE, image + at + RECORD_LENGTH_SIZE + record);
        read.blocks.push_back(std::move(block));
        at += RECORD_LENGTH_SIZE + record;
    }
    *tape = std::move(read);
    return 0;
}

bool looks_like_pmd(const std::uint8_t* image, std::size_t length) {
    return length >= HEADER_SIZE && is_header_block(image, HEADER_SIZE);
}

int read_pmd(const std::uint8_t* image, std::size_t length, const char* name, const Reporter& reporter,
             Tape* tape) {
    if (!looks_like_pmd(image, length)) return report_failure(reporter, ERR_TAPE_FORMAT, name);
    Tape read;
    read.kind = ImageKind::PMD;
    const auto add = [&](std::size_t from, std::size_t to) {
        Block block;
        block.position = from;
        block.bytes.assign(image + from, image + to);
        read.blocks.push_back(std::move(block));
    };
    std::size_t at = 0;
    while (at < length) {
        if (!looks_like_pmd(image + at, length - at)) {
            add(at, length);  // a continuation: the rest, as it is
            break;
        }
        const Header header = decode_header(image + at);
        add(at, at + HEADER_SIZE);
        at += HEADER_SIZE;
        if (at == length) break;
        const std::size_t data_end = length - at > header.length ? at + header.length + 1 : length;
        add(at, data_end);
        at = data_end;
    }
    *tape = std::move(read);
    return 0;
}

std::vector<std::uint8_t> write_ptp(const Tape& tape) {
    std::vector<std::uint8_t> image;
    for (const Block& block : tape.blocks) {
        image.push_back(static_cast<std::uint8_t>(block.bytes.size()));
        image.push_back(static_cast<std::uint8_t>(block.bytes.size() >> 8));
        image.insert(image.end(), block.bytes.begin(), block.bytes.end());
    }
    return image;
}

std::vector<std::uint8_t> write_pmd(const Tape& tape) {
    std::vector<std::uint8_t> image;
    for (const Block& block : tape.blocks) image.insert(image.end(), block.bytes.begin(), block.bytes.end());
    return image;
}

int check_tape(const Tape& tape, const char* name, const Reporter& reporter, std::size_t* checksums_failed) {
    if (tape.blocks.empty()) return report_failure(reporter, ERR_TAPE_FORMAT, name);
    // A checksum's failure ends the check, unless the caller counts them.
    const auto checksum_fails = [&](std::size_t block, const std::string& what) {
        const int code = report_damage(reporter, ERR_TAPE_CHECKSUM, name, block_place(tape, block) + ": " + what + " fails");
        if (!checksums_failed) return code;
        ++*checksums_failed;
        return 0;
    };
    for (const Entry& entry : tape_entries(tape)) {
        if (!entry.is_file) continue;
        const std::string file = file_words(entry.header);
        if (!entry.header.checksum_holds) {
            if (const int code = checksum_fails(entry.block, "the header checksum of " + file)) return code;
        }
        if (entry.data_block == NO_BLOCK) {
            return report_damage(reporter, ERR_TAPE_DAMAGED, name,
                                 block_place(tape, entry.block) + ": " + file + " has no data block");
        }
        const std::size_t held = tape.blocks[entry.data_block].bytes.size();
        if (!entry.data_complete) {
            return report_damage(reporter, ERR_TAPE_DAMAGED, name,
                                 block_place(tape, entry.data_block) + ": the data block of " + file + " holds " +
                                     decimal(held) + " bytes, its header says " +
                                     decimal(entry.header.length + 1));
        }
        if (!entry.data_checksum_holds) {
            if (const int code = checksum_fails(entry.data_block, "the data checksum of " + file)) return code;
        }
    }
    return 0;
}

void append_file(Tape* tape, Header header, const std::uint8_t* data, std::size_t length) {
    header.length = length;
    Block head;
    head.bytes.resize(HEADER_SIZE);
    encode_header(header, head.bytes.data());
    Block body;
    body.bytes.assign(data, data + length);
    body.bytes.push_back(checksum(data, length));
    tape->blocks.push_back(std::move(head));
    tape->blocks.push_back(std::move(body));
}

}  // namespace quillet::tape
