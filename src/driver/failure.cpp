#include "driver/failure.hpp"

#include <cstdio>

namespace quillet {
namespace {

// How a message uses its two arguments.
enum class Arguments { NONE, TEXT, TEXT_TEXT, TEXT_NUMBER, NUMBER_TEXT };

struct Message {
    const char* format;
    Arguments arguments;
};

constexpr int FIRST_CODE = ERR_OUT_OF_MEMORY;
constexpr int LAST_CODE = ERR_HEXSTRING_TOO_LONG;

// Indexed by -code - 2, from -2 down to -29.
constexpr Message MESSAGES[] = {
    {"Out of memory!", Arguments::NONE},
    {"Bad combination of options: %s %s", Arguments::TEXT_TEXT},
    {"Missing option value(s) '%s'!", Arguments::TEXT},
    {"Can't open source file '%s'!", Arguments::TEXT},
    {"Can't access source file '%s'!", Arguments::TEXT},
    {"Can't retrieve length of the source file '%s'!", Arguments::TEXT},
    {"Source file '%s' is too long! Max length %d bytes.", Arguments::TEXT_NUMBER},
    {"Can't read from the source file '%s'!", Arguments::TEXT},
    {"Can't open output file '%s'!", Arguments::TEXT},
    {"Can't access output file '%s'!", Arguments::TEXT},
    {"Can't write to the output file '%s'!", Arguments::TEXT},
    {"Value %d is out of range <0, 65535>: %s", Arguments::NUMBER_TEXT},
    {"Input file(s) not specified!", Arguments::NONE},
    {"Output file not specified!", Arguments::NONE},
    {"Only one output file can be specified! `%s` or `%s`?", Arguments::TEXT_TEXT},
    {"Only one ROM file can be specified! `%s` or `%s`?", Arguments::TEXT_TEXT},
    {"Only one ZVK file can be specified! `%s` or `%s`?", Arguments::TEXT_TEXT},
    {"Bad computer model '%s'!", Arguments::TEXT},
    {"Bad register name '%s'!", Arguments::TEXT},
    {"Bad page number `%s`!", Arguments::TEXT},
    {"Bad Memory Mapper value '%s'!", Arguments::TEXT},
    {"Bad option value: %s %s", Arguments::TEXT_TEXT},
    {"Bad or no ZVK header in file: '%s'!", Arguments::TEXT},
    {"Bad ZVK version `%d` in file: '%s'!", Arguments::NUMBER_TEXT},
    {"Unknown computer model `%d` in ZVK file: '%s'!", Arguments::NUMBER_TEXT},
    {"Bad size of memory blocks after unpack in ZVK file: '%s'!", Arguments::TEXT},
    {"Invalid hexstring: '%s'!", Arguments::TEXT},
    {"Bytes from hexstring '%s' do not fit into memory from address %d.", Arguments::TEXT_NUMBER},
};
static_assert(sizeof(MESSAGES) / sizeof(MESSAGES[0]) == FIRST_CODE - LAST_CODE + 1,
              "one message per failure code");

const Message* message_for(int code) {
    if (code > FIRST_CODE || code < LAST_CODE) return nullptr;
    return &MESSAGES[FIRST_CODE - code];
}

const char* text_or_empty(const char* text) { return text ? text : ""; }

void print_message(const Message& message, const char* first, const char* second, int number) {
    // The formats come from the table above; each one is used with exactly
    // the arguments its entry names.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    switch (message.arguments) {
    case Arguments::NONE:
        std::fputs(message.format, stderr);
        break;
    case Arguments::TEXT:
        std::fprintf(stderr, message.format, text_or_empty(first));
        break;
    case Arguments::TEXT_TEXT:
        std::fprintf(stderr, message.format, text_or_empty(first), text_or_empty(second));
        break;
    case Arguments::TEXT_NUMBER:
        std::fprintf(stderr, message.format, text_or_empty(first), number);
        break;
    case Arguments::NUMBER_TEXT:
        std::fprintf(stderr, message.format, number, text_or_empty(first));
        break;
    }
#pragma GCC diagnostic pop
}

int report(int code, const char* first, const char* second, int number) {
    // Whatever went to standard output so far comes first when both streams
    // end up in one place.
    std::fflush(stdout);
    if (const Message* message = message_for(code)) print_message(*message, first, second, number);
    std::fputs("\n\n", stderr);
    return code;
}

}  // namespace

int report_failure(int code, const char* first, const char* second) {
    return report(code, first, second, 0);
}

int report_failure(int code, const char* first, int number) {
    return report(code, first, nullptr, number);
}

}  // namespace quillet
