#include "image/memory_loading.hpp"

#include <cstdio>
#include <cstring>

#include "driver/failure.hpp"
#include "image/file_access.hpp"

namespace quillet {
namespace {

constexpr int ROM_SIZE_MAX = PAGE_SIZE;
constexpr int ROM_SIZE_UNIT = 1024;
constexpr std::uint8_t ROM_FILL = 0xFF;
constexpr int HEX_DIGIT_BASE = 16;

int obtain_page(BuildContext* c, int page) {
    if (const int result = ensure_buffer(c->pages[page], PAGE_SIZE)) return result;
    c->page_lengths[page] = PAGE_SIZE;
    return 0;
}

// Copies n bytes of the work buffer into the pages from address a on.
int spread(BuildContext* c, int a, int n) {
    int page = a / PAGE_SIZE;
    int offset = a % PAGE_SIZE;
    const std::uint8_t* from = c->work_buffer;
    while (n > 0) {
        if (const int result = obtain_page(c, page)) return result;
        const int room = PAGE_SIZE - offset;
        const int count = n < room ? n : room;
        std::memcpy(c->pages[page] + offset, from, static_cast<std::size_t>(count));
        from += count;
        n -= count;
        ++page;
        offset = 0;
    }
    return 0;
}

int hex_digit_value(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

int load_hex_string(BuildContext* c, const LoadRequest* r) {
    if (c->verbose) {
        std::printf("Parsing hexdata string `%s` and storing from address %d\n", r->text, r->address);
    }
    const std::size_t digits = std::strlen(r->text);
    if (digits % 2 != 0) return report_failure(ERR_BAD_HEXSTRING, r->text);
    if (digits / 2 + static_cast<std::size_t>(r->address) > static_cast<std::size_t>(WORK_BUFFER_SIZE)) {
        return report_failure(ERR_HEXSTRING_TOO_LONG, r->text, r->address);
    }
    const int count = static_cast<int>(digits / 2);
    for (int i = 0; i < count; ++i) {
        const int high = hex_digit_value(r->text[2 * i]);
        const int low = hex_digit_value(r->text[2 * i + 1]);
        if (high < 0 || low < 0) return report_failure(ERR_BAD_HEXSTRING, r->text);
        c->work_buffer[i] = static_cast<std::uint8_t>(high * HEX_DIGIT_BASE + low);
    }
    return spread(c, r->address, count);
}

int load_file_at_address(BuildContext* c, const LoadRequest* r) {
    if (c->verbose) std::printf("Loading file `%s` from address %d\n", r->text, r->address);
    const int n = read_input_file(r->text, c->work_buffer, WORK_BUFFER_SIZE - r->address);
    if (n < 0) return n;
    return spread(c, r->address, n);
}

int load_file_into_page(BuildContext* c, const LoadRequest* r) {
    if (const int result = obtain_page(c, r->page)) return result;
    if (c->verbose) std::printf("Loading file `%s` into page %d\n", r->text, r->page);
    const int n = read_input_file(r->text, c->pages[r->page], PAGE_SIZE);
    return n < 0 ? n : 0;
}

int apply_request(BuildContext* c, const LoadRequest* r) {
    if (r->page == REQUEST_HEX) return load_hex_string(c, r);
    if (r->page == REQUEST_AT_ADDRESS) return load_file_at_address(c, r);
    return load_file_into_page(c, r);
}

int load_rom_file(BuildContext* c) {
    if (c->verbose) std::printf("Loading ROM file `%s`\n", c->rom_path);
    std::memset(c->work_buffer, ROM_FILL, ROM_SIZE_MAX);
    const int n = read_input_file(c->rom_path, c->work_buffer, ROM_SIZE_MAX);
    if (n <= 0) return n;  // an empty file leaves the ROM image as it was
    const int length = (n + ROM_SIZE_UNIT - 1) / ROM_SIZE_UNIT * ROM_SIZE_UNIT;
    release_buffer(c->rom_image);
    c->rom_length = 0;
    if (const int result = ensure_buffer(c->rom_image, static_cast<std::size_t>(length))) return result;
    std::memcpy(c->rom_image, c->work_buffer, static_cast<std::size_t>(length));
    c->rom_length = length;
    return 0;
}

}  // namespace

int assemble_memory(BuildContext* context) {
    if (const int result = ensure_buffer(context->work_buffer, WORK_BUFFER_SIZE)) return result;
    for (const LoadRequest* r = context->load_head; r; r = r->next) {
        if (const int result = apply_request(context, r)) return result;
    }
    if (!context->rom_path) return 0;
    return load_rom_file(context);
}

}  // namespace quillet
