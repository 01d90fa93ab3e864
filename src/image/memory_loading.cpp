#include "image/memory_loading.hpp"

#include <cstring>

#include "base/file_access.hpp"
#include "image/address_space.hpp"

namespace quillet {
namespace {

constexpr int ROM_SIZE_UNIT = 1024;
constexpr std::uint8_t ROM_FILL = 0xFF;
constexpr int HEX_DIGIT_BASE = 16;
constexpr int MAX_SPREAD_PAGES = ADDRESS_SPACE_PAGES;

// The pieces of the pages that `length` bytes from `address` on cover,
// obtained (zero-filled when new). Returns the number of ranges, or
// ERR_OUT_OF_MEMORY.
int cover(Snapshot* s, int address, std::size_t length, ByteRange ranges[MAX_SPREAD_PAGES],
          const Reporter& reporter) {
    PagePiece pieces[MAX_SPREAD_PAGES];
    const int count = split_into_pages(address, length, pieces);
    for (int i = 0; i < count; ++i) {
        if (const int result = obtain_page(s, pieces[i].page, reporter)) return result;
        ranges[i] = ByteRange{s->pages[pieces[i].page].data() + pieces[i].offset, pieces[i].length};
    }
    return count;
}

int hex_digit_value(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

std::size_t rounded_rom_length(std::size_t length) {
    return (length + ROM_SIZE_UNIT - 1) / ROM_SIZE_UNIT * ROM_SIZE_UNIT;
}

// A new ROM image buffer for `length` bytes of content: rounded up, with
// the 0xFF fill after the content.
int new_rom_image(ByteBuffer* image, std::size_t length, const Reporter& reporter) {
    const std::size_t rounded = rounded_rom_length(length);
    if (const int result = image->allocate(rounded, reporter)) return result;
    std::memset(image->data() + length, ROM_FILL, rounded - length);
    return 0;
}

}  // namespace

int load_bytes_at(Snapshot* s, int address, const std::uint8_t* data, std::size_t length, const char* name,
                  const Reporter& reporter) {
    const std::size_t room = static_cast<std::size_t>(ADDRESS_SPACE_SIZE - address);
    if (length > room) return report_failure(reporter, ERR_SOURCE_TOO_LONG, name, static_cast<long>(room));
    ByteRange ranges[MAX_SPREAD_PAGES];
    const int count = cover(s, address, length, ranges, reporter);
    if (count < 0) return count;
    for (int i = 0; i < count; ++i) {
        std::memcpy(ranges[i].data, data, ranges[i].length);
        data += ranges[i].length;
    }
    return 0;
}

int load_file_at(Snapshot* s, int address, const char* path, const Reporter& reporter) {
    report_progress(reporter, "Loading file `%s` from address %d", path, address);
    SourceFile source;
    if (const int result = source.open(path, reporter)) return result;
    const int size = source.measure(ADDRESS_SPACE_SIZE - address, reporter);
    if (size < 0) return size;
    ByteRange ranges[MAX_SPREAD_PAGES];
    const int count = cover(s, address, static_cast<std::size_t>(size), ranges, reporter);
    if (count < 0) return count;
    return source.read(ranges, count, reporter);
}

int load_bytes_into_page(Snapshot* s, int page, const std::uint8_t* data, std::size_t length,
                         const char* name, const Reporter& reporter) {
    if (length > PAGE_BYTES) return report_failure(reporter, ERR_SOURCE_TOO_LONG, name, PAGE_BYTES);
    if (const int result = obtain_page(s, page, reporter)) return result;
    if (length > 0) std::memcpy(s->pages[page].data(), data, length);
    return 0;
}

int load_file_into_page(Snapshot* s, int page, const char* path, const Reporter& reporter) {
    if (const int result = obtain_page(s, page, reporter)) return result;
    report_progress(reporter, "Loading file `%s` into page %d", path, page);
    const int n = read_input_file(path, s->pages[page].data(), PAGE_BYTES, reporter);
    return n < 0 ? n : 0;
}

int store_hex_string(Snapshot* s, int address, const char* hex, const Reporter& reporter) {
    report_progress(reporter, "Parsing hexdata string `%s` and storing from address %d", hex, address);
    const std::size_t digits = std::strlen(hex);
    if (digits % 2 != 0) return report_failure(reporter, ERR_BAD_HEXSTRING, hex);
    const std::size_t count = digits / 2;
    if (count + static_cast<std::size_t>(address) > static_cast<std::size_t>(ADDRESS_SPACE_SIZE)) {
        return report_failure(reporter, ERR_HEXSTRING_TOO_LONG, hex, address);
    }
    for (std::size_t i = 0; i < digits; ++i) {
        if (hex_digit_value(hex[i]) < 0) return report_failure(reporter, ERR_BAD_HEXSTRING, hex);
    }
    ByteRange ranges[MAX_SPREAD_PAGES];
    const int range_count = cover(s, address, count, ranges, reporter);
    if (range_count < 0) return range_count;
    const char* digit = hex;
    for (int r = 0; r < range_count; ++r) {
        for (std::size_t i = 0; i < ranges[r].length; ++i, digit += 2) {
            ranges[r].data[i] = static_cast<std::uint8_t>(hex_digit_value(digit[0]) * HEX_DIGIT_BASE +
                                                          hex_digit_value(digit[1]));
        }
    }
    return 0;
}

int set_rom_image(Snapshot* s, const std::uint8_t* data, std::size_t length, const char* name,
                  const Reporter& reporter) {
    if (length > ROM_SIZE_MAX) return report_failure(reporter, ERR_SOURCE_TOO_LONG, name, ROM_SIZE_MAX);
    if (length == 0) {
        s->rom.release();
        return 0;
    }
    ByteBuffer image;
    if (const int result = new_rom_image(&image, length, reporter)) return result;
    std::memcpy(image.data(), data, length);
    s->rom.swap(image);
    return 0;
}

int load_rom_file(Snapshot* s, const char* path, const Reporter& reporter) {
    report_progress(reporter, "Loading ROM file `%s`", path, 0);
    SourceFile source;
    if (const int result = source.open(path, reporter)) return result;
    const int size = source.measure(ROM_SIZE_MAX, reporter);
    if (size <= 0) return size;  // an empty file leaves the ROM image as it was
    ByteBuffer image;
    if (const int result = new_rom_image(&image, static_cast<std::size_t>(size), reporter)) return result;
    const ByteRange range{image.data(), static_cast<std::size_t>(size)};
    if (const int result = source.read(&range, 1, reporter)) return result;
    s->rom.swap(image);
    return 0;
}

}  // namespace quillet
