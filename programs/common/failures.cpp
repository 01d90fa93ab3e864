#include "failures.hpp"

#include <cstdarg>
#include <cstdio>
#include <new>
#include <vector>

namespace quillet::common {
namespace {

constexpr std::size_t INLINE_TEXT_SIZE = 512;

struct ProgramMessage {
    int code;
    const char* format;
};

// The texts the programs word themselves. A library code is here when the
// command line raises it: its message names the option and the text given.
constexpr ProgramMessage PROGRAM_MESSAGES[] = {
    {ERR_BAD_COMBINATION, "Bad combination of options: %s %s"},
    {QUILLET_ERR_MISSING_VALUE, "Missing option value(s) '%s'!"},
    {ERR_OUTPUT_ACCESS, "Can't access output file '%s'!"},
    {QUILLET_ERR_VALUE_RANGE, "Value %d is out of range <0, 65535>: %s"},
    {ERR_NO_INPUT, "Input file(s) not specified!"},
    {ERR_NO_OUTPUT, "Output file not specified!"},
    {ERR_SECOND_OUTPUT, "Only one output file can be specified! `%s` or `%s`?"},
    {ERR_SECOND_ROM, "Only one ROM file can be specified! `%s` or `%s`?"},
    {ERR_SECOND_TEMPLATE, "Only one ZVK file can be specified! `%s` or `%s`?"},
    {QUILLET_ERR_BAD_MODEL, "Bad computer model '%s'!"},
    {QUILLET_ERR_BAD_REGISTER, "Bad register name '%s'!"},
    {QUILLET_ERR_BAD_PAGE, "Bad page number `%s`!"},
    {QUILLET_ERR_BAD_MAPPER, "Bad Memory Mapper value '%s'!"},
    {QUILLET_ERR_BAD_STATE, "Bad option value: %s %s"},
};

}  // namespace

const char* message_format(int code) {
    for (const ProgramMessage& message : PROGRAM_MESSAGES) {
        if (message.code == code) return message.format;
    }
    return quillet_message(code);
}

int report_failure(const ReportSink& sink, int code, ...) {
    const char* format = message_format(code);
    if (!format) format = "";
    std::va_list arguments;
    va_start(arguments, code);
    std::va_list measuring;
    va_copy(measuring, arguments);
    // A message with ordinary file names fits on the stack, so that even
    // the report of a failed allocation allocates nothing; a longer one
    // goes to the heap, and is cut to the stack's room only when that fails.
    char inline_text[INLINE_TEXT_SIZE];
    const int length = std::vsnprintf(inline_text, sizeof inline_text, format, measuring);
    va_end(measuring);
    const char* text = inline_text;
    std::vector<char> long_text;
    if (length >= static_cast<int>(sizeof inline_text)) {
        try {
            long_text.resize(static_cast<std::size_t>(length) + 1);
            std::vsnprintf(long_text.data(), long_text.size(), format, arguments);
            text = long_text.data();
        } catch (const std::bad_alloc&) {
            // the text cut short
        }
    }
    va_end(arguments);
    if (sink.function) sink.function(sink.user, code, text);
    return code;
}

}  // namespace quillet::common
