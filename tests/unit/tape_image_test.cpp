// The tape's blocks: header fields, checksums, PTP and PMD images, the
// files their blocks make, and what keeps a tape from loading.
#include <gtest/gtest.h>

#include <cstring>

#include "tape/tape_image.hpp"
#include "unit/snapshot_test_support.hpp"
#include "support/tape_bytes.hpp"

namespace quillet {
namespace {

using namespace quillet::tape;
using quillet_test::data_block;
using quillet_test::header_block;
using quillet_test::joined;
using quillet_test::ptp_record;
using quillet_test::ReportLog;
using quillet_test::Reports;
using quillet_test::TapeBytes;

TEST(TapeChecksum, IsTheSumModulo256AsInTheSheetsWorkedExample) {
    const std::uint8_t auto_fields[] = {0x00, 0x3F, 0x00, 0x20, 0xE4, 0x04, 0x41,
                                        0x55, 0x54, 0x4F, 0x20, 0x20, 0x20, 0x20};
    EXPECT_EQ(checksum(auto_fields, sizeof auto_fields), 0x00);  // sums to 300h
    const std::uint8_t few[] = {0xFF, 0x02};
    EXPECT_EQ(checksum(few, 2), 0x01);
    EXPECT_EQ(checksum(few, 0), 0x00);
}

TEST(TapeHeader, EncodesTheFieldsAtTheirOffsetsAndDecodesThemBack) {
    const struct {
        int number;
        char type;
        unsigned start;
        unsigned length;
        const char* name;
    } cases[] = {
        {0, '?', 0x2000, 1253, "AUTO"},
        {99, '>', 0x0000, 65536, "12345678"},
        {13, 'x', 0xFFFF, 1, ""},
        {7, '?', 0x7FA9, 87, "A B"},  // an inner space stays
    };
    for (const auto& c : cases) {
        Header header;
        header.number = c.number;
        header.type = c.type;
        header.start = c.start;
        header.length = c.length;
        std::strcpy(header.name, c.name);
        TapeBytes block(HEADER_SIZE);
        encode_header(header, block.data());
        EXPECT_EQ(block, header_block(c.number, c.type, c.start, c.length, c.name)) << c.name;
        ASSERT_TRUE(is_header_block(block.data(), block.size()));
        const Header back = decode_header(block.data());
        EXPECT_EQ(back.number, c.number);
        EXPECT_EQ(back.type, c.type);
        EXPECT_EQ(back.start, c.start);
        EXPECT_EQ(back.length, c.length);
        EXPECT_STREQ(back.name, c.name);
        EXPECT_TRUE(back.checksum_holds);
    }
    TapeBytes damaged = header_block(1, '?', 0x1000, 10, "X", 1);
    EXPECT_FALSE(decode_header(damaged.data()).checksum_holds);
    damaged[0x20] = 0x54;  // a lead-in byte wrong: no header
    EXPECT_FALSE(is_header_block(damaged.data(), damaged.size()));
    EXPECT_FALSE(is_header_block(damaged.data(), 62));
}

TEST(TapeHeader, NamesAndTypesAHeaderCanHold) {
    const struct {
        const char* name;
        bool valid;
    } names[] = {{"", true}, {"AUTO", true}, {"12345678", true}, {"a b~!", true},
                 {"123456789", false}, {"\xC3\xA9", false}, {"A\tB", false}, {"\x7F", false}};
    for (const auto& c : names) EXPECT_EQ(valid_name(c.name), c.valid) << c.name;
    for (int type : {'?', '>', ' ', '~'}) EXPECT_TRUE(valid_type(type)) << type;
    for (int type : {0, 0x1F, 0x7F, 0xC3, -1}) EXPECT_FALSE(valid_type(type)) << type;
}

// Two files and a block of no file, as blocks.
const TapeBytes FIRST_DATA = {1, 2, 3, 4, 5};
const TapeBytes SECOND_DATA = {0xFF, 0xFF, 0x80};
const TapeBytes LOOSE = {9, 8, 7};
std::vector<TapeBytes> three_entries() {
    return {header_block(1, '?', 0x1000, 5, "ONE"), data_block(FIRST_DATA), header_block(2, '>', 0x2400, 3, "TWO"),
            data_block(SECOND_DATA), LOOSE};
}

TEST(TapePtp, ReadsRecordsIntoBlocksAndWritesThemBackByteForByte) {
    std::vector<TapeBytes> records;
    for (const TapeBytes& block : three_entries()) records.push_back(ptp_record(block));
    const TapeBytes image = joined(records);
    ReportLog log;
    Tape tape;
    ASSERT_EQ(read_ptp(image.data(), image.size(), "t.ptp", log.reporter(), &tape), 0);
    ASSERT_EQ(tape.blocks.size(), 5u);
    EXPECT_EQ(tape.blocks[2].position, 2u + 63 + 2 + 6);
    EXPECT_EQ(write_ptp(tape), image);
    EXPECT_EQ(write_pmd(tape), joined(three_entries()));
    EXPECT_EQ(check_tape(tape, "t.ptp", log.reporter()), 0);
    EXPECT_TRUE(log.reports.empty());

    const std::vector<Entry> entries = tape_entries(tape);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_TRUE(entries[0].is_file);
    EXPECT_EQ(entries[0].header.number, 1);
    EXPECT_EQ(entries[0].data_block, 1u);
    EXPECT_TRUE(entries[0].data_checksum_holds);
    EXPECT_EQ(entries[1].header.type, '>');
    EXPECT_EQ(entries[1].header.start, 0x2400u);
    EXPECT_EQ(entries[1].data_length, 3u);
    EXPECT_FALSE(entries[2].is_file);
    EXPECT_EQ(entries[2].block, 4u);
}

TEST(TapePtp, RefusesARecordPastTheEndOrEmptyNamingItAndItsOffset) {
    const TapeBytes good = ptp_record({1, 2, 3});
    // A first record that is none: the file holds no tape (a text, say).
    const std::string no_tape = "No tape blocks in 'd.ptp'!";
    const struct {
        TapeBytes image;
        int code;
        std::string message;
    } cases[] = {
        {{0x05, 0x00, 1, 2}, ERR_TAPE_FORMAT, no_tape},
        {{0x01}, ERR_TAPE_FORMAT, no_tape},
        {{0x00, 0x00}, ERR_TAPE_FORMAT, no_tape},
        {{'L', 'I', 'S', 'T', '\n'}, ERR_TAPE_FORMAT, no_tape},
        {joined({good, {0x00, 0x01, 7}}), ERR_TAPE_DAMAGED,
         "Damaged tape image 'd.ptp': record 2 at offset 5 is 256 bytes long, the image holds 1"},
        {joined({good, {0x3F}}), ERR_TAPE_DAMAGED,
         "Damaged tape image 'd.ptp': record 2 at offset 5: the image ends inside its length"},
        {joined({good, {0x00, 0x00}}), ERR_TAPE_DAMAGED, "Damaged tape image 'd.ptp': record 2 at offset 5 is empty"},
    };
    for (const auto& c : cases) {
        ReportLog log;
        Tape tape;
        tape.blocks.resize(1);  // left as it was
        EXPECT_EQ(read_ptp(c.image.data(), c.image.size(), "d.ptp", log.reporter(), &tape), c.code);
        EXPECT_EQ(log.reports, (Reports{{c.code, c.message}}));
        EXPECT_EQ(tape.blocks.size(), 1u);
    }
}

TEST(TapePmd, SplitsFilesByTheirHeadersAndKeepsTheRestAsOneBlock) {
    const std::vector<TapeBytes> blocks = three_entries();
    const TapeBytes image = joined(blocks);
    ReportLog log;
    Tape tape;
    ASSERT_TRUE(looks_like_pmd(image.data(), image.size()));
    ASSERT_EQ(read_pmd(image.data(), image.size(), "t.pmd", log.reporter(), &tape), 0);
    ASSERT_EQ(tape.blocks.size(), blocks.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) EXPECT_EQ(tape.blocks[i].bytes, blocks[i]) << i;
    EXPECT_EQ(tape.blocks[1].position, 63u);
    EXPECT_EQ(write_pmd(tape), image);

    const TapeBytes no_header = {1, 2, 3};
    EXPECT_EQ(read_pmd(no_header.data(), no_header.size(), "x.pmd", log.reporter(), &tape), ERR_TAPE_FORMAT);
    EXPECT_EQ(log.reports, (Reports{{ERR_TAPE_FORMAT, "No tape blocks in 'x.pmd'!"}}));
}

TEST(TapeCheck, NamesTheFirstBlockThatKeepsTheTapeFromLoading) {
    const TapeBytes data = {0x10, 0x20, 0x30};
    TapeBytes bad_sum = data_block(data);
    bad_sum.back() ^= 1;
    const struct {
        std::vector<TapeBytes> blocks;
        int code;
        const char* text;
    } cases[] = {
        {{header_block(3, '?', 0x100, 3, "A", 5), data_block(data)}, ERR_TAPE_CHECKSUM,
         "Bad checksum in tape image 'c.ptp': record 1 at offset 0: the header checksum of file 03 \"A\" fails"},
        {{header_block(3, '?', 0x100, 3, "A"), {0x10, 0x20}}, ERR_TAPE_DAMAGED,
         "Damaged tape image 'c.ptp': record 2 at offset 65: the data block of file 03 \"A\" holds 2 bytes, its "
         "header says 4"},
        {{header_block(3, '?', 0x100, 3, "A"), header_block(4, '?', 0x100, 3, "B"), data_block(data)},
         ERR_TAPE_DAMAGED, "Damaged tape image 'c.ptp': record 1 at offset 0: file 03 \"A\" has no data block"},
        {{header_block(3, '?', 0x100, 3, "A"), data_block(data), header_block(12, '?', 0x100, 3, "BB"), bad_sum},
         ERR_TAPE_CHECKSUM,
         "Bad checksum in tape image 'c.ptp': record 4 at offset 136: the data checksum of file 12 \"BB\" fails"},
        {{header_block(3, '?', 0x100, 3, "A")}, ERR_TAPE_DAMAGED,
         "Damaged tape image 'c.ptp': record 1 at offset 0: file 03 \"A\" has no data block"},
        {{{1, 2, 3}}, 0, nullptr},  // a block of no file is its loader's business
    };
    for (const auto& c : cases) {
        std::vector<TapeBytes> records;
        for (const TapeBytes& block : c.blocks) records.push_back(ptp_record(block));
        const TapeBytes image = joined(records);
        ReportLog log;
        Tape tape;
        ASSERT_EQ(read_ptp(image.data(), image.size(), "c.ptp", log.reporter(), &tape), 0);
        EXPECT_EQ(check_tape(tape, "c.ptp", log.reporter()), c.code);
        const Reports expected = c.text ? Reports{{c.code, c.text}} : Reports{};
        EXPECT_EQ(log.reports, expected);
    }
    ReportLog log;
    EXPECT_EQ(check_tape(Tape{}, "e.ptp", log.reporter()), ERR_TAPE_FORMAT);
}

TEST(TapeRealImages, BothChecksumsHoldAndTheLoadersBlocksStayAsTheyAre) {
    const TapeBytes auto_image = quillet_test::real_tape("AUTO.pmd");
    const TapeBytes bludiste = quillet_test::real_tape("BLUDISTE.pmd");
    if (auto_image.empty() || bludiste.empty()) GTEST_SKIP() << "../shared/pmd85-tapes is not there";
    ReportLog log;
    Tape tape;
    ASSERT_EQ(read_pmd(auto_image.data(), auto_image.size(), "AUTO.pmd", log.reporter(), &tape), 0);
    std::vector<Entry> entries = tape_entries(tape);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].header.start, 0x2000u);
    EXPECT_EQ(entries[0].header.length, 1253u);
    EXPECT_STREQ(entries[0].header.name, "AUTO");
    EXPECT_TRUE(entries[0].header.checksum_holds);
    EXPECT_TRUE(entries[0].data_checksum_holds);
    EXPECT_EQ(check_tape(tape, "AUTO.pmd", log.reporter()), 0);

    ASSERT_EQ(read_pmd(bludiste.data(), bludiste.size(), "BLUDISTE.pmd", log.reporter(), &tape), 0);
    entries = tape_entries(tape);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].header.start, 0x7FA9u);
    EXPECT_EQ(entries[0].header.length, 87u);
    EXPECT_TRUE(entries[0].data_checksum_holds);
    EXPECT_FALSE(entries[1].is_file);
    EXPECT_EQ(tape.blocks[entries[1].block].bytes.size(), 8416u);
    EXPECT_EQ(check_tape(tape, "BLUDISTE.pmd", log.reporter()), 0);
    EXPECT_EQ(write_pmd(tape), bludiste);
    EXPECT_TRUE(log.reports.empty());
}

TEST(TapeAppend, AddsAHeaderAndAChecksummedDataBlock) {
    Tape tape;
    Header header;
    header.number = 5;
    header.start = 0x3000;
    std::strcpy(header.name, "GAME");
    append_file(&tape, header, FIRST_DATA.data(), FIRST_DATA.size());
    ASSERT_EQ(tape.blocks.size(), 2u);
    EXPECT_EQ(tape.blocks[0].bytes, header_block(5, '?', 0x3000, 5, "GAME"));
    EXPECT_EQ(tape.blocks[1].bytes, data_block(FIRST_DATA));
}

}  // namespace
}  // namespace quillet
