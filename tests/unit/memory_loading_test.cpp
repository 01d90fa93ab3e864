#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/memory_loading.hpp"
#include "unit/snapshot_test_support.hpp"

namespace quillet {
namespace {

using namespace quillet_test;

// A snapshot to load into, with its reports collected, and files in a
// temporary directory.
class MemoryLoading : public testing::Test {
protected:
    // Writes `content` as the file `name` and returns its path.
    std::string file(const std::string& name, const Bytes& content) {
        dir.write(name, content);
        return dir.file(name);
    }
    int hex(const char* digits, int address) { return store_hex_string(&snapshot, address, digits, log.reporter()); }
    int file_at(const std::string& name, const Bytes& content, int address) {
        return load_file_at(&snapshot, address, file(name, content).c_str(), log.reporter());
    }
    int file_into_page(const std::string& name, const Bytes& content, int page) {
        return load_file_into_page(&snapshot, page, file(name, content).c_str(), log.reporter());
    }
    int rom_file(const Bytes& content) { return load_rom_file(&snapshot, file("rom", content).c_str(), log.reporter()); }
    // The failures reported, without the progress lines.
    Reports failures() const {
        Reports failures;
        for (const Report& r : log.reports) {
            if (r.code != PROGRESS) failures.push_back(r);
        }
        return failures;
    }

    TempDir dir;
    Snapshot snapshot;
    ReportLog log;
};

TEST_F(MemoryLoading, HexStringSpreadsAcrossAPageBoundary) {
    ASSERT_EQ(hex("0aFf", 16383), 0);
    EXPECT_EQ(present_pages(snapshot), (std::vector<int>{0, 1}));
    EXPECT_EQ(page_of(snapshot, 0), page_with({0x0A}, 16383));
    EXPECT_EQ(page_of(snapshot, 1), page_with({0xFF}));
}

TEST_F(MemoryLoading, FileAndBytesSpreadOverPagesFromTheirAddress) {
    const Bytes data = ascending(20000);
    const std::size_t in_page_1 = PAGE_BYTES - 0x3000;
    const Bytes page_1 = page_with(Bytes(data.begin(), data.begin() + in_page_1), 0x3000);
    const Bytes page_2 = page_with(Bytes(data.begin() + in_page_1, data.end()));
    ASSERT_EQ(file_at("f", data, 0x7000), 0);
    EXPECT_EQ(present_pages(snapshot), (std::vector<int>{1, 2}));
    EXPECT_EQ(page_of(snapshot, 1), page_1);
    EXPECT_EQ(page_of(snapshot, 2), page_2);

    Snapshot from_bytes;
    ASSERT_EQ(load_bytes_at(&from_bytes, 0x7000, data.data(), data.size(), "(memory)", log.reporter()), 0);
    EXPECT_EQ(present_pages(from_bytes), (std::vector<int>{1, 2}));
    EXPECT_EQ(page_of(from_bytes, 1), page_1);
    EXPECT_EQ(page_of(from_bytes, 2), page_2);
}

TEST_F(MemoryLoading, LaterLoadsOverwriteEarlierOnes) {
    ASSERT_EQ(file_at("first", repeated(PAGE_BYTES, 0x11), 0), 0);
    ASSERT_EQ(hex("2233", 101), 0);
    ASSERT_EQ(file_into_page("page", repeated(100, 0x44), 0), 0);
    ASSERT_EQ(hex("55", 150), 0);
    Bytes expected = repeated(PAGE_BYTES, 0x11);
    std::fill(expected.begin(), expected.begin() + 100, 0x44);
    expected[101] = 0x22;
    expected[102] = 0x33;
    expected[150] = 0x55;
    EXPECT_EQ(page_of(snapshot, 0), expected);
}

TEST_F(MemoryLoading, PageLoadsKeepTheRestOfAnExistingPage) {
    set_page(&snapshot, 9, repeated(PAGE_BYTES, 0xE5));  // as from a template
    set_page(&snapshot, 11, repeated(PAGE_BYTES, 0xE5));
    ASSERT_EQ(file_into_page("p9", ascending(100, 1), 9), 0);
    ASSERT_EQ(file_into_page("p10", ascending(100, 1), 10), 0);
    const Bytes bytes = ascending(100, 1);
    ASSERT_EQ(load_bytes_into_page(&snapshot, 11, bytes.data(), bytes.size(), "(memory)", log.reporter()), 0);
    EXPECT_EQ(present_pages(snapshot), (std::vector<int>{9, 10, 11}));
    EXPECT_EQ(page_of(snapshot, 9), page_with(ascending(100, 1), 0, 0xE5));
    EXPECT_EQ(page_of(snapshot, 10), page_with(ascending(100, 1)));
    EXPECT_EQ(page_of(snapshot, 11), page_with(ascending(100, 1), 0, 0xE5));
}

TEST_F(MemoryLoading, EmptyInputCreatesNoPageExceptAnEmptyPageLoad) {
    ASSERT_EQ(hex("", 100), 0);
    ASSERT_EQ(file_at("empty", {}, 0x8000), 0);
    ASSERT_EQ(load_bytes_at(&snapshot, 0xC000, nullptr, 0, "(memory)", log.reporter()), 0);
    ASSERT_EQ(file_into_page("empty-page", {}, 5), 0);
    ASSERT_EQ(load_bytes_into_page(&snapshot, 6, nullptr, 0, "(memory)", log.reporter()), 0);
    EXPECT_EQ(present_pages(snapshot), (std::vector<int>{5, 6}));
    EXPECT_EQ(page_of(snapshot, 5), repeated(PAGE_BYTES, 0));
    EXPECT_EQ(page_of(snapshot, 6), repeated(PAGE_BYTES, 0));
}

TEST_F(MemoryLoading, FullAddressSpaceFileFitsOnlyFromAddressZero) {
    ASSERT_EQ(file_at("64k", ascending(ADDRESS_SPACE_SIZE, 3), 0), 0);
    EXPECT_EQ(present_pages(snapshot), (std::vector<int>{0, 1, 2, 3}));
    for (int p = 0; p < 4; ++p) EXPECT_EQ(page_of(snapshot, p), ascending(PAGE_BYTES, 3)) << p;
}

TEST_F(MemoryLoading, TooLongFilesFailWithTheirLimit) {
    constexpr int AT_ADDRESS = -1;
    struct Case {
        int size;
        int address;
        int page;  // AT_ADDRESS or the page number
        const char* limit;
    } cases[] = {
        {ADDRESS_SPACE_SIZE, 1, AT_ADDRESS, "65535"},
        {PAGE_BYTES + 1, 49152, AT_ADDRESS, "16384"},
        {2, 65535, AT_ADDRESS, "1"},
        {PAGE_BYTES + 1, 0, 3, "16384"},
    };
    const std::string path = file("long", {});
    for (const Case& c : cases) {
        Snapshot fresh;
        ReportLog fresh_log;
        dir.write("long", ascending(c.size));
        const int result = c.page == AT_ADDRESS ? load_file_at(&fresh, c.address, path.c_str(), fresh_log.reporter())
                                                : load_file_into_page(&fresh, c.page, path.c_str(), fresh_log.reporter());
        EXPECT_EQ(result, ERR_SOURCE_TOO_LONG) << c.limit;
        ASSERT_FALSE(fresh_log.reports.empty());
        EXPECT_EQ(fresh_log.reports.back(),
                  (Report{ERR_SOURCE_TOO_LONG,
                          message(std::string("Source file '%s' is too long! Max length ") + c.limit + " bytes.", path)}));
        for (int p = 0; p < 3; ++p) EXPECT_FALSE(fresh.pages[p]) << c.limit;
    }
}

TEST_F(MemoryLoading, HexStringChecksRunInOrderOddLengthFitDigits) {
    struct Case {
        const char* digits;
        int address;
        int code;
        const char* format;
    } cases[] = {
        {"abc", 0, ERR_BAD_HEXSTRING, "Invalid hexstring: 'abc'!"},
        {"abc", 65535, ERR_BAD_HEXSTRING, "Invalid hexstring: 'abc'!"},
        {"0g", 0, ERR_BAD_HEXSTRING, "Invalid hexstring: '0g'!"},
        {"41 2", 0, ERR_BAD_HEXSTRING, "Invalid hexstring: '41 2'!"},
        {"0000g0", 65534, ERR_HEXSTRING_TOO_LONG,
         "Bytes from hexstring '0000g0' do not fit into memory from address 65534."},
        {"abcd", 65535, ERR_HEXSTRING_TOO_LONG,
         "Bytes from hexstring 'abcd' do not fit into memory from address 65535."},
    };
    for (const Case& c : cases) {
        Snapshot fresh;
        ReportLog fresh_log;
        EXPECT_EQ(store_hex_string(&fresh, c.address, c.digits, fresh_log.reporter()), c.code) << c.digits;
        ASSERT_FALSE(fresh_log.reports.empty());
        EXPECT_EQ(fresh_log.reports.back(), (Report{c.code, c.format})) << c.digits;
        EXPECT_EQ(present_pages(fresh), std::vector<int>{}) << c.digits;
    }
}

TEST_F(MemoryLoading, HexStringMayEndAtTheTopOfMemory) {
    ASSERT_EQ(hex("Ab", 65535), 0);
    ASSERT_EQ(hex("cDeF", 65532), 0);
    EXPECT_EQ(present_pages(snapshot), std::vector<int>{3});
    EXPECT_EQ(page_of(snapshot, 3), page_with({0xCD, 0xEF, 0x00, 0xAB}, PAGE_BYTES - 4));
}

TEST_F(MemoryLoading, RomImageIsRoundedUpToWholeKilobytesWithFF) {
    struct Case {
        int size;
        int rom_length;
    } cases[] = {{1, 1024}, {1024, 1024}, {1025, 2048}, {5000, 5120}, {PAGE_BYTES, PAGE_BYTES}};
    for (const Case& c : cases) {
        const Bytes expected = join({ascending(c.size), repeated(c.rom_length - c.size, 0xFF)});
        Snapshot from_file;
        dir.write("rom", ascending(c.size));
        ASSERT_EQ(load_rom_file(&from_file, dir.file("rom").c_str(), log.reporter()), 0) << c.size;
        EXPECT_EQ(rom_of(from_file), expected) << c.size;
        Snapshot from_bytes;
        const Bytes data = ascending(c.size);
        ASSERT_EQ(set_rom_image(&from_bytes, data.data(), data.size(), "(memory)", log.reporter()), 0) << c.size;
        EXPECT_EQ(rom_of(from_bytes), expected) << c.size;
    }
}

TEST_F(MemoryLoading, RomImageLongerThanAPageFailsAndKeepsTheImage) {
    const Bytes before = ascending(2048, 9);
    ASSERT_EQ(set_rom_image(&snapshot, before.data(), before.size(), "(memory)", log.reporter()), 0);
    EXPECT_EQ(rom_file(ascending(PAGE_BYTES + 1)), ERR_SOURCE_TOO_LONG);
    const Bytes long_image = ascending(PAGE_BYTES + 1);
    EXPECT_EQ(set_rom_image(&snapshot, long_image.data(), long_image.size(), "image", log.reporter()),
              ERR_SOURCE_TOO_LONG);
    EXPECT_EQ(failures(),
              (Reports{{ERR_SOURCE_TOO_LONG, message("Source file '%s' is too long! Max length 16384 bytes.",
                                                     dir.file("rom"))},
                       {ERR_SOURCE_TOO_LONG, "Source file 'image' is too long! Max length 16384 bytes."}}));
    EXPECT_EQ(rom_of(snapshot), before);
}

TEST_F(MemoryLoading, EmptyRomFileKeepsTheRomImageWhileNoBytesRemoveIt) {
    ASSERT_EQ(rom_file({}), 0);
    EXPECT_FALSE(snapshot.rom);

    const Bytes image = ascending(2048);  // as from a template
    ASSERT_EQ(set_rom_image(&snapshot, image.data(), image.size(), "(memory)", log.reporter()), 0);
    ASSERT_EQ(rom_file({}), 0);
    EXPECT_EQ(rom_of(snapshot), image);

    ASSERT_EQ(set_rom_image(&snapshot, nullptr, 0, "(memory)", log.reporter()), 0);
    EXPECT_FALSE(snapshot.rom);
    EXPECT_EQ(snapshot.rom.size(), 0u);
}

TEST_F(MemoryLoading, RomFileReplacesATemplateRomImage) {
    const Bytes old_image = repeated(2048, 0x99);
    ASSERT_EQ(set_rom_image(&snapshot, old_image.data(), old_image.size(), "(memory)", log.reporter()), 0);
    ASSERT_EQ(rom_file(ascending(5000)), 0);
    EXPECT_EQ(rom_of(snapshot), join({ascending(5000), repeated(120, 0xFF)}));
}

TEST_F(MemoryLoading, MissingFileIsReportedAfterItsProgressLineAndCreatesNoPage) {
    const std::string missing = dir.file("missing");
    EXPECT_EQ(load_file_at(&snapshot, 0, missing.c_str(), log.reporter()), ERR_SOURCE_OPEN);
    EXPECT_EQ(log.reports, (Reports{{PROGRESS, "Loading file `" + missing + "` from address 0"},
                                    {ERR_SOURCE_OPEN, message("Can't open source file '%s'!", missing)}}));
    EXPECT_EQ(present_pages(snapshot), std::vector<int>{});
}

TEST_F(MemoryLoading, EachLoadReportsOneProgressLine) {
    ASSERT_EQ(hex("0102", 300), 0);
    ASSERT_EQ(file_at("mem", ascending(10), 16384), 0);
    ASSERT_EQ(file_into_page("pg", ascending(10), 12), 0);
    ASSERT_EQ(rom_file(ascending(10)), 0);
    EXPECT_EQ(log.reports, (Reports{{PROGRESS, "Parsing hexdata string `0102` and storing from address 300"},
                                    {PROGRESS, "Loading file `" + dir.file("mem") + "` from address 16384"},
                                    {PROGRESS, "Loading file `" + dir.file("pg") + "` into page 12"},
                                    {PROGRESS, "Loading ROM file `" + dir.file("rom") + "`"}}));
}

TEST_F(MemoryLoading, HexProgressLineComesBeforeTheChecks) {
    EXPECT_EQ(hex("xyz", 7), ERR_BAD_HEXSTRING);
    EXPECT_EQ(log.reports, (Reports{{PROGRESS, "Parsing hexdata string `xyz` and storing from address 7"},
                                    {ERR_BAD_HEXSTRING, "Invalid hexstring: 'xyz'!"}}));
}

}  // namespace
}  // namespace quillet
