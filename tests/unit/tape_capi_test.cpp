// quillet_tape_* of quillet.h: what the interface adds to the tape layer
// (the header fields a caller gives checked, entries, the write protocol,
// files, the last failure).
#include <gtest/gtest.h>

#include <string>

#include "quillet/quillet.h"
#include "unit/snapshot_test_support.hpp"
#include "support/tape_bytes.hpp"

namespace {

using quillet_test::ReportLog;
using quillet_test::Reports;
using quillet_test::TapeBytes;

struct TapeHandle {
    TapeHandle() : tape(quillet_tape_new()) { quillet_tape_set_reporter(tape, ReportLog::take, &log); }
    ~TapeHandle() { quillet_tape_free(tape); }
    quillet_tape* tape;
    ReportLog log;
};

TEST(TapeInterface, RefusesFieldsAHeaderCannotHoldAndAddsNothing) {
    const std::uint8_t data[300] = {};
    const struct {
        int number;
        int type;
        long start;
        const char* name;
        std::size_t length;
        int code;
        const char* text;
    } cases[] = {
        {100, '?', 0, "A", 1, QUILLET_ERR_VALUE_RANGE, "Value 100 is out of range for file number (0 to 99)"},
        {-1, '?', 0, "A", 1, QUILLET_ERR_VALUE_RANGE, "Value -1 is out of range for file number (0 to 99)"},
        {0, '?', 0, "NINECHARS", 1, QUILLET_ERR_BAD_TAPE_FIELD, "Bad tape file name 'NINECHARS'!"},
        {0, '?', 0, "\xC3\xA9T\xC3\xA9", 1, QUILLET_ERR_BAD_TAPE_FIELD, "Bad tape file name '\xC3\xA9T\xC3\xA9'!"},
        {0, '\t', 0, "A", 1, QUILLET_ERR_BAD_TAPE_FIELD, "Bad tape file type '\t'!"},
        {0, '?', 65536, "A", 1, QUILLET_ERR_VALUE_RANGE, "Value 65536 is out of range for start address (0 to 65535)"},
        {0, '?', 0xFF00, "BIG", 300, QUILLET_ERR_SOURCE_TOO_LONG, "Source file 'BIG' is too long! Max length 256 bytes."},
        {0, '?', 0x1000, "NONE", 0, QUILLET_ERR_VALUE_RANGE, "Value 0 is out of range for data length (1 or more)"},
    };
    for (const auto& c : cases) {
        TapeHandle h;
        EXPECT_EQ(quillet_tape_add_file(h.tape, c.number, c.type, c.start, c.name, data, c.length), c.code) << c.text;
        EXPECT_EQ(h.log.reports, (Reports{{c.code, c.text}}));
        EXPECT_EQ(quillet_tape_entry_count(h.tape), 0u);
        EXPECT_EQ(quillet_tape_last_failure(h.tape), c.code);
        EXPECT_STREQ(quillet_tape_last_message(h.tape), c.text);
    }
}

TEST(TapeInterface, ATapeBuiltWritesAsPtpAndReadsBackWithItsFields) {
    TapeHandle h;
    const TapeBytes one = {0x3E, 0x01, 0xC9};
    const TapeBytes two = {0xAA, 0xBB};
    ASSERT_EQ(quillet_tape_add_file(h.tape, 7, '?', 0x9000, "ONE", one.data(), one.size()), 0);
    ASSERT_EQ(quillet_tape_add_file(h.tape, 8, '>', 0xFFFE, "TWO", two.data(), two.size()), 0);
    ASSERT_EQ(quillet_tape_add_block(h.tape, two.data(), two.size()), 0);
    std::size_t size = 0;
    EXPECT_EQ(quillet_tape_write_bytes(h.tape, QUILLET_TAPE_PTP, nullptr, 0, &size), QUILLET_ERR_OUTPUT_WRITE);
    const TapeBytes expected = quillet_test::joined(
        {quillet_test::ptp_record(quillet_test::header_block(7, '?', 0x9000, 3, "ONE")),
         quillet_test::ptp_record(quillet_test::data_block(one)),
         quillet_test::ptp_record(quillet_test::header_block(8, '>', 0xFFFE, 2, "TWO")),
         quillet_test::ptp_record(quillet_test::data_block(two)), quillet_test::ptp_record(two)});
    ASSERT_EQ(size, expected.size());
    TapeBytes image(size);
    ASSERT_EQ(quillet_tape_write_bytes(h.tape, QUILLET_TAPE_PTP, image.data(), image.size(), &size), 0);
    EXPECT_EQ(image, expected);

    TapeHandle back;
    ASSERT_EQ(quillet_tape_read_bytes(back.tape, image.data(), image.size(), nullptr), 0);
    EXPECT_EQ(quillet_tape_kind(back.tape), QUILLET_TAPE_PTP);
    ASSERT_EQ(quillet_tape_entry_count(back.tape), 3u);
    quillet_tape_entry entry;
    ASSERT_EQ(quillet_tape_entry_info(back.tape, 1, &entry), 0);
    EXPECT_EQ(entry.is_file, 1);
    EXPECT_EQ(entry.number, 8);
    EXPECT_EQ(entry.type, '>');
    EXPECT_EQ(entry.start, 0xFFFEu);
    EXPECT_EQ(entry.length, 2u);
    EXPECT_STREQ(entry.name, "TWO");
    EXPECT_EQ(entry.header_checksum_holds, 1);
    EXPECT_EQ(entry.data_checksum, (0xAA + 0xBB) & 0xFF);
    EXPECT_EQ(entry.data_checksum_holds, 1);
    EXPECT_EQ(entry.block, 2u);
    EXPECT_EQ(entry.position, 2u + 63 + 2 + 4);
    TapeBytes data(8, 0);
    EXPECT_EQ(quillet_tape_entry_data(back.tape, 1, data.data(), data.size()), 2);
    EXPECT_EQ(TapeBytes(data.begin(), data.begin() + 2), two);
    ASSERT_EQ(quillet_tape_entry_info(back.tape, 2, &entry), 0);
    EXPECT_EQ(entry.is_file, 0);
    EXPECT_EQ(entry.data_length, 2u);
    EXPECT_EQ(entry.header_checksum, -1);
    EXPECT_EQ(quillet_tape_entry_info(back.tape, 3, &entry), QUILLET_ERR_VALUE_RANGE);
    EXPECT_EQ(quillet_tape_check(back.tape, "t"), 0);
    EXPECT_EQ(quillet_tape_checksum(one.data(), one.size()), (0x3E + 0x01 + 0xC9) & 0xFF);

    TapeHandle empty;
    EXPECT_EQ(quillet_tape_read_bytes(empty.tape, nullptr, 0, "e.ptp"), QUILLET_ERR_TAPE_FORMAT);
    EXPECT_EQ(empty.log.reports, (Reports{{QUILLET_ERR_TAPE_FORMAT, "No tape blocks in 'e.ptp'!"}}));
    EXPECT_EQ(quillet_tape_write_bytes(empty.tape, 3, image.data(), image.size(), &size), QUILLET_ERR_VALUE_RANGE);
}

TEST(TapeInterface, FilesInAllThreeFormsReadBackAsTheSameTape) {
    quillet_test::TempDir dir;
    TapeHandle h;
    const TapeBytes data = {1, 2, 3, 4};
    ASSERT_EQ(quillet_tape_add_file(h.tape, 0, '?', 0x100, "X", data.data(), data.size()), 0);
    const struct {
        int kind;
        const char* name;
    } forms[] = {{QUILLET_TAPE_PTP, "t.ptp"}, {QUILLET_TAPE_PMD, "t.pmd"}, {QUILLET_TAPE_WAV, "t.wav"}};
    for (const auto& form : forms) {
        const std::string path = dir.file(form.name);
        ASSERT_EQ(quillet_tape_write_file(h.tape, form.kind, path.c_str()), 0) << form.name;
        TapeHandle back;
        ASSERT_EQ(quillet_tape_read_file(back.tape, path.c_str()), 0) << form.name;
        EXPECT_EQ(quillet_tape_kind(back.tape), form.kind);
        ASSERT_EQ(quillet_tape_entry_count(back.tape), 1u);
        TapeBytes read(4);
        EXPECT_EQ(quillet_tape_entry_data(back.tape, 0, read.data(), read.size()), 4);
        EXPECT_EQ(read, data) << form.name;
    }
    TapeHandle missing;
    const std::string nowhere = dir.file("none.ptp");
    EXPECT_EQ(quillet_tape_read_file(missing.tape, nowhere.c_str()), QUILLET_ERR_SOURCE_OPEN);
}

}  // namespace
