#include "base/failure.hpp"

#include <cstdlib>
#include <cstring>

namespace quillet {
namespace {

struct Message {
    int code;
    const char* format;
};

// The messages of the codes the library raises. Those of in-memory data
// name the parameter or the value, as a caller of the interface sees it.
constexpr Message MESSAGES[] = {
    {ERR_OUT_OF_MEMORY, "Out of memory!"},
    {ERR_MISSING_VALUE, "Null pointer given for '%s'!"},
    {ERR_SOURCE_OPEN, "Can't open source file '%s'!"},
    {ERR_SOURCE_ACCESS, "Can't access source file '%s'!"},
    {ERR_SOURCE_LENGTH, "Can't retrieve length of the source file '%s'!"},
    {ERR_SOURCE_TOO_LONG, "Source file '%s' is too long! Max length %d bytes."},
    {ERR_SOURCE_READ, "Can't read from the source file '%s'!"},
    {ERR_OUTPUT_OPEN, "Can't open output file '%s'!"},
    {ERR_OUTPUT_WRITE, "Can't write to the output file '%s'!"},
    {ERR_VALUE_RANGE, "Value %d is out of range for %s"},
    {ERR_BAD_MODEL, "Bad computer model '%s'!"},
    {ERR_BAD_REGISTER, "Bad register number '%s'!"},
    {ERR_BAD_PAGE, "Bad page number `%s`!"},
    {ERR_BAD_MAPPER, "Bad Memory Mapper value '%s'!"},
    {ERR_BAD_STATE, "Bad %s state '%s'!"},
    {ERR_BAD_HEADER, "Bad or no ZVK header in file: '%s'!"},
    {ERR_BAD_VERSION, "Bad ZVK version `%d` in file: '%s'!"},
    {ERR_UNKNOWN_MODEL, "Unknown computer model `%d` in ZVK file: '%s'!"},
    {ERR_BAD_BLOCK_SIZE, "Bad size of memory blocks after unpack in ZVK file: '%s'!"},
    {ERR_BAD_HEXSTRING, "Invalid hexstring: '%s'!"},
    {ERR_HEXSTRING_TOO_LONG, "Bytes from hexstring '%s' do not fit into memory from address %d."},
    {ERR_TAPE_FORMAT, "No tape blocks in '%s'!"},
    {ERR_TAPE_DAMAGED, "Damaged tape image '%s': %s"},
    {ERR_TAPE_CHECKSUM, "Bad checksum in tape image '%s': %s"},
    {ERR_BAD_TAPE_FIELD, "Bad tape file %s '%s'!"},
    {ERR_BAD_RECORDING, "Can't read the recording '%s': %s"},
    {ERR_BAD_KEY, "Bad key '%s': %s"},
    {ERR_BAD_MACHINE_STATE, "Bad machine state '%s': %s"},
};

// Room for a message with ordinary file names; a longer one is built on the
// heap, and cut to this size only when even that fails.
constexpr std::size_t INLINE_TEXT_SIZE = 512;

// The format with its %s filled by `texts` in turn and its %d by `number`.
// Calls `deliver` with the result.
void format_and_deliver(const Reporter& reporter, int code, const char* format,
                        const char* const texts[2], const DecimalText& number_text) {
    const char* digits = number_text.c_str();
    // First pass: the length; second pass: the text.
    std::size_t length = 0;
    char inline_text[INLINE_TEXT_SIZE];
    char* text = nullptr;
    std::size_t capacity = 0;
    for (int pass = 0; pass < 2; ++pass) {
        std::size_t at = 0;
        int next_text = 0;
        const auto put = [&](const char* piece, std::size_t n) {
            if (text && at < capacity) std::memcpy(text + at, piece, n < capacity - at ? n : capacity - at);
            at += n;
        };
        for (const char* f = format; *f; ++f) {
            if (f[0] == '%' && (f[1] == 's' || f[1] == 'd')) {
                const char* piece = f[1] == 'd' ? digits : texts[next_text++ % 2];
                if (!piece) piece = "";
                put(piece, std::strlen(piece));
                ++f;
            } else {
                put(f, 1);
            }
        }
        if (pass == 0) {
            length = at;
            if (length < INLINE_TEXT_SIZE) {
                text = inline_text;
                capacity = INLINE_TEXT_SIZE - 1;
            } else if ((text = static_cast<char*>(std::malloc(length + 1))) != nullptr) {
                capacity = length;
            } else {
                text = inline_text;
                capacity = INLINE_TEXT_SIZE - 1;
            }
        }
    }
    text[length < capacity ? length : capacity] = '\0';
    reporter.function(reporter.user, code, text);
    if (text != inline_text) std::free(text);
}

int report(const Reporter& reporter, int code, const char* first, const char* second, const DecimalText& number) {
    if (!reporter.function) return code;
    const char* format = failure_format(code);
    const char* const texts[2] = {first, second};
    format_and_deliver(reporter, code, format ? format : "", texts, number);
    return code;
}

}  // namespace

DecimalText::DecimalText(long number) {
    set(number < 0 ? 0ULL - static_cast<unsigned long long>(number) : static_cast<unsigned long long>(number),
        number < 0);
}

DecimalText DecimalText::of_size(std::size_t number) {
    DecimalText text;
    text.set(number, false);
    return text;
}

void DecimalText::set(unsigned long long magnitude, bool negative) {
    char* start = text_ + SIZE - 1;
    *start = '\0';
    do {
        *--start = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) *--start = '-';
    start_ = start;
}

const char* failure_format(int code) {
    for (const Message& message : MESSAGES) {
        if (message.code == code) return message.format;
    }
    return nullptr;
}

int report_failure(const Reporter& reporter, int code, const char* first, const char* second) {
    return report(reporter, code, first, second, DecimalText(0));
}

int report_failure(const Reporter& reporter, int code, const char* first, long number) {
    return report(reporter, code, first, nullptr, DecimalText(number));
}

int report_size_failure(const Reporter& reporter, int code, const char* first, std::size_t number) {
    return report(reporter, code, first, nullptr, DecimalText::of_size(number));
}

void report_progress(const Reporter& reporter, const char* format, const char* text, long number) {
    if (!reporter.function) return;
    const char* const texts[2] = {text, nullptr};
    format_and_deliver(reporter, PROGRESS, format, texts, DecimalText(number));
}

}  // namespace quillet
