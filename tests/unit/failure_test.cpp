#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "driver/failure.hpp"
#include "driver_test_support.hpp"

namespace quillet {
namespace {

// Distinct arguments, so that a swapped or dropped argument shows.
constexpr const char* FIRST = "first.bin";
constexpr const char* SECOND = "second.bin";
constexpr int NUMBER = 4242;

enum class Call { TEXTS, NUMBER };

struct MessageCase {
    int code;
    Call call;
    const char* message;
};

void PrintTo(const MessageCase& c, std::ostream* os) { *os << c.code; }

std::string report(const MessageCase& c, int* result) {
    return stderr_of([&] {
        *result = c.call == Call::NUMBER ? report_failure(c.code, FIRST, NUMBER)
                                         : report_failure(c.code, FIRST, SECOND);
    });
}

const MessageCase MESSAGE_CASES[] = {
    {ERR_OUT_OF_MEMORY, Call::TEXTS, "Out of memory!"},
    {ERR_BAD_COMBINATION, Call::TEXTS, "Bad combination of options: first.bin second.bin"},
    {ERR_MISSING_VALUE, Call::TEXTS, "Missing option value(s) 'first.bin'!"},
    {ERR_SOURCE_OPEN, Call::TEXTS, "Can't open source file 'first.bin'!"},
    {ERR_SOURCE_ACCESS, Call::TEXTS, "Can't access source file 'first.bin'!"},
    {ERR_SOURCE_LENGTH, Call::TEXTS, "Can't retrieve length of the source file 'first.bin'!"},
    {ERR_SOURCE_TOO_LONG, Call::NUMBER,
     "Source file 'first.bin' is too long! Max length 4242 bytes."},
    {ERR_SOURCE_READ, Call::TEXTS, "Can't read from the source file 'first.bin'!"},
    {ERR_OUTPUT_OPEN, Call::TEXTS, "Can't open output file 'first.bin'!"},
    {ERR_OUTPUT_ACCESS, Call::TEXTS, "Can't access output file 'first.bin'!"},
    {ERR_OUTPUT_WRITE, Call::TEXTS, "Can't write to the output file 'first.bin'!"},
    {ERR_VALUE_RANGE, Call::NUMBER, "Value 4242 is out of range <0, 65535>: first.bin"},
    {ERR_NO_INPUT, Call::TEXTS, "Input file(s) not specified!"},
    {ERR_NO_OUTPUT, Call::TEXTS, "Output file not specified!"},
    {ERR_SECOND_OUTPUT, Call::TEXTS,
     "Only one output file can be specified! `first.bin` or `second.bin`?"},
    {ERR_SECOND_ROM, Call::TEXTS,
     "Only one ROM file can be specified! `first.bin` or `second.bin`?"},
    {ERR_SECOND_TEMPLATE, Call::TEXTS,
     "Only one ZVK file can be specified! `first.bin` or `second.bin`?"},
    {ERR_BAD_MODEL, Call::TEXTS, "Bad computer model 'first.bin'!"},
    {ERR_BAD_REGISTER, Call::TEXTS, "Bad register name 'first.bin'!"},
    {ERR_BAD_PAGE, Call::TEXTS, "Bad page number `first.bin`!"},
    {ERR_BAD_MAPPER, Call::TEXTS, "Bad Memory Mapper value 'first.bin'!"},
    {ERR_BAD_OPTION_VALUE, Call::TEXTS, "Bad option value: first.bin second.bin"},
    {ERR_BAD_HEADER, Call::TEXTS, "Bad or no ZVK header in file: 'first.bin'!"},
    {ERR_BAD_VERSION, Call::NUMBER, "Bad ZVK version `4242` in file: 'first.bin'!"},
    {ERR_UNKNOWN_MODEL, Call::NUMBER, "Unknown computer model `4242` in ZVK file: 'first.bin'!"},
    {ERR_BAD_BLOCK_SIZE, Call::TEXTS,
     "Bad size of memory blocks after unpack in ZVK file: 'first.bin'!"},
    {ERR_BAD_HEXSTRING, Call::TEXTS, "Invalid hexstring: 'first.bin'!"},
    {ERR_HEXSTRING_TOO_LONG, Call::NUMBER,
     "Bytes from hexstring 'first.bin' do not fit into memory from address 4242."},
};

class ReportFailure : public testing::TestWithParam<MessageCase> {};

TEST_P(ReportFailure, PrintsMessageThenBlankLineAndReturnsCode) {
    int result = 0;
    EXPECT_EQ(report(GetParam(), &result), std::string(GetParam().message) + "\n\n");
    EXPECT_EQ(result, GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(EveryCode, ReportFailure, testing::ValuesIn(MESSAGE_CASES),
                         [](const auto& info) { return "Code" + std::to_string(-info.param.code); });

TEST(ReportFailureTable, CoversEveryFailureCode) {
    ASSERT_EQ(std::size(MESSAGE_CASES), std::size_t(ERR_OUT_OF_MEMORY - ERR_HEXSTRING_TOO_LONG + 1));
    for (std::size_t i = 0; i < std::size(MESSAGE_CASES); ++i) {
        EXPECT_EQ(MESSAGE_CASES[i].code, ERR_OUT_OF_MEMORY - int(i));
    }
}

TEST(ReportFailureOutsideRange, PrintsOnlyTheBlankLineAndReturnsCode) {
    for (const int code : {int(USAGE_REQUESTED), 0, ERR_HEXSTRING_TOO_LONG - 1, 5}) {
        int texts_result = 1;
        int number_result = 1;
        EXPECT_EQ(stderr_of([&] { texts_result = report_failure(code, FIRST, SECOND); }), "\n\n")
            << code;
        EXPECT_EQ(stderr_of([&] { number_result = report_failure(code, FIRST, NUMBER); }), "\n\n")
            << code;
        EXPECT_EQ(texts_result, code);
        EXPECT_EQ(number_result, code);
    }
}

}  // namespace
}  // namespace quillet
