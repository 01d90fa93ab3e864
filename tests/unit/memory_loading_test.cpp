#include <gtest/gtest.h>

#include <list>

#include "driver/failure.hpp"
#include "image/memory_loading.hpp"
#include "unit/snapshot_test_support.hpp"

namespace quillet {
namespace {

using namespace quillet_test;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

// A context with queued requests; the texts live as long as the fixture.
class MemoryLoading : public testing::Test {
protected:
    const char* keep(const std::string& text) { return texts_.emplace_back(text).c_str(); }
    void hex(const std::string& digits, int address) {
        ASSERT_EQ(queue_load_request(context.get(), keep(digits), REQUEST_HEX, address), 0);
    }
    void file_at(const std::string& name, const Bytes& content, int address) {
        dir.write(name, content);
        ASSERT_EQ(queue_load_request(context.get(), keep(dir.file(name)), REQUEST_AT_ADDRESS, address), 0);
    }
    void file_into_page(const std::string& name, const Bytes& content, int page) {
        dir.write(name, content);
        ASSERT_EQ(queue_load_request(context.get(), keep(dir.file(name)), page, NO_ADDRESS), 0);
    }
    void rom_file(const Bytes& content) {
        dir.write("rom", content);
        context->rom_path = keep(dir.file("rom"));
    }
    // Runs assemble_memory, keeping what it printed to standard error.
    int assemble() {
        CaptureStderr();
        const int result = assemble_memory(context.get());
        errors = GetCapturedStderr();
        return result;
    }
    std::vector<int> present_pages() const {
        std::vector<int> present;
        for (int i = 0; i < PAGE_COUNT; ++i) {
            if (context->pages[i]) present.push_back(i);
            EXPECT_EQ(context->page_lengths[i], context->pages[i] ? PAGE_SIZE : 0) << i;
        }
        return present;
    }

    TempDir dir;
    ContextHolder context;
    std::string errors;

private:
    std::list<std::string> texts_;
};

Bytes page_with(const Bytes& start, int offset = 0, std::uint8_t fill = 0) {
    Bytes page = repeated(PAGE_SIZE, fill);
    std::copy(start.begin(), start.end(), page.begin() + offset);
    return page;
}

TEST_F(MemoryLoading, HexStringSpreadsAcrossAPageBoundary) {
    hex("0aFf", 16383);
    ASSERT_EQ(assemble(), 0);
    EXPECT_EQ(present_pages(), (std::vector<int>{0, 1}));
    EXPECT_EQ(context.page(0), page_with({0x0A}, 16383));
    EXPECT_EQ(context.page(1), page_with({0xFF}));
}

TEST_F(MemoryLoading, FileSpreadsOverPagesFromItsAddress) {
    file_at("f", ascending(20000), 0x7000);
    ASSERT_EQ(assemble(), 0);
    EXPECT_EQ(present_pages(), (std::vector<int>{1, 2}));
    const Bytes data = ascending(20000);
    const int in_page_1 = PAGE_SIZE - 0x3000;
    EXPECT_EQ(context.page(1), page_with(Bytes(data.begin(), data.begin() + in_page_1), 0x3000));
    EXPECT_EQ(context.page(2), page_with(Bytes(data.begin() + in_page_1, data.end())));
}

TEST_F(MemoryLoading, LaterLoadsOverwriteEarlierOnes) {
    file_at("first", repeated(PAGE_SIZE, 0x11), 0);
    hex("2233", 101);
    file_into_page("page", repeated(100, 0x44), 0);
    hex("55", 150);
    ASSERT_EQ(assemble(), 0);
    Bytes expected = repeated(PAGE_SIZE, 0x11);
    std::fill(expected.begin(), expected.begin() + 100, 0x44);
    expected[101] = 0x22;
    expected[102] = 0x33;
    expected[150] = 0x55;
    EXPECT_EQ(context.page(0), expected);
}

TEST_F(MemoryLoading, PageFileKeepsTheRestOfAnExistingPage) {
    context.set_page(9, repeated(PAGE_SIZE, 0xE5));  // as from a template
    file_into_page("p9", ascending(100, 1), 9);
    file_into_page("p10", ascending(100, 1), 10);
    ASSERT_EQ(assemble(), 0);
    EXPECT_EQ(present_pages(), (std::vector<int>{9, 10}));
    EXPECT_EQ(context.page(9), page_with(ascending(100, 1), 0, 0xE5));
    EXPECT_EQ(context.page(10), page_with(ascending(100, 1)));
}

TEST_F(MemoryLoading, EmptyInputCreatesNoPageExceptAnEmptyPageFile) {
    hex("", 100);
    file_at("empty", {}, 0x8000);
    file_into_page("empty-page", {}, 5);
    ASSERT_EQ(assemble(), 0);
    EXPECT_EQ(present_pages(), std::vector<int>{5});
    EXPECT_EQ(context.page(5), repeated(PAGE_SIZE, 0));
}

TEST_F(MemoryLoading, FullAddressSpaceFileFitsOnlyFromAddressZero) {
    file_at("64k", ascending(ADDRESS_SPACE_SIZE, 3), 0);
    ASSERT_EQ(assemble(), 0);
    EXPECT_EQ(present_pages(), (std::vector<int>{0, 1, 2, 3}));
    for (int p = 0; p < 4; ++p) EXPECT_EQ(context.page(p), ascending(PAGE_SIZE, 3)) << p;
}

TEST_F(MemoryLoading, TooLongFilesFailWithTheirLimit) {
    struct Case {
        int size;
        int address;  // NO_ADDRESS for a page file
        int page;     // REQUEST_AT_ADDRESS or the page number
        const char* limit;
    } cases[] = {
        {ADDRESS_SPACE_SIZE, 1, REQUEST_AT_ADDRESS, "65535"},
        {PAGE_SIZE + 1, 49152, REQUEST_AT_ADDRESS, "16384"},
        {2, 65535, REQUEST_AT_ADDRESS, "1"},
        {PAGE_SIZE + 1, NO_ADDRESS, 3, "16384"},
    };
    for (const Case& c : cases) {
        ContextHolder fresh;
        dir.write("long", ascending(c.size));
        const std::string path = dir.file("long");
        ASSERT_EQ(queue_load_request(fresh.get(), path.c_str(), c.page, c.address), 0);
        CaptureStderr();
        EXPECT_EQ(assemble_memory(fresh.get()), ERR_SOURCE_TOO_LONG) << c.limit;
        EXPECT_EQ(GetCapturedStderr(),
                  message(std::string("Source file '%s' is too long! Max length ") + c.limit + " bytes.", path));
        for (int p = 0; p < 3; ++p) EXPECT_EQ(fresh->pages[p], nullptr);
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
        ContextHolder fresh;
        ASSERT_EQ(queue_load_request(fresh.get(), c.digits, REQUEST_HEX, c.address), 0);
        CaptureStderr();
        EXPECT_EQ(assemble_memory(fresh.get()), c.code) << c.digits;
        EXPECT_EQ(GetCapturedStderr(), message(c.format)) << c.digits;
        for (std::uint8_t* page : fresh->pages) EXPECT_EQ(page, nullptr) << c.digits;
    }
}

TEST_F(MemoryLoading, HexStringMayEndAtTheTopOfMemory) {
    hex("Ab", 65535);
    hex("cDeF", 65532);
    ASSERT_EQ(assemble(), 0);
    EXPECT_EQ(present_pages(), std::vector<int>{3});
    EXPECT_EQ(context.page(3), page_with({0xCD, 0xEF, 0x00, 0xAB}, PAGE_SIZE - 4));
}

TEST_F(MemoryLoading, RomFileIsRoundedUpToWholeKilobytesWithFF) {
    struct Case {
        int size;
        int rom_length;
    } cases[] = {{1, 1024}, {1024, 1024}, {1025, 2048}, {5000, 5120}, {PAGE_SIZE, PAGE_SIZE}};
    for (const Case& c : cases) {
        ContextHolder fresh;
        dir.write("rom", ascending(c.size));
        const std::string path = dir.file("rom");
        fresh->rom_path = path.c_str();
        ASSERT_EQ(assemble_memory(fresh.get()), 0) << c.size;
        EXPECT_EQ(fresh.rom(), join({ascending(c.size), repeated(c.rom_length - c.size, 0xFF)})) << c.size;
    }
}

TEST_F(MemoryLoading, RomFileLongerThanAPageFails) {
    rom_file(ascending(PAGE_SIZE + 1));
    EXPECT_EQ(assemble(), ERR_SOURCE_TOO_LONG);
    EXPECT_EQ(errors, message("Source file '%s' is too long! Max length 16384 bytes.", dir.file("rom")));
    EXPECT_EQ(context->rom_image, nullptr);
}

TEST_F(MemoryLoading, EmptyRomFileKeepsTheRomImage) {
    rom_file({});
    ASSERT_EQ(assemble(), 0);
    EXPECT_EQ(context->rom_image, nullptr);
    EXPECT_EQ(context->rom_length, 0);

    context.set_rom(ascending(2048));  // as from a template
    ASSERT_EQ(assemble(), 0);
    EXPECT_EQ(context.rom(), ascending(2048));
}

TEST_F(MemoryLoading, RomFileReplacesATemplateRomImage) {
    context.set_rom(repeated(2048, 0x99));
    rom_file(ascending(5000));
    ASSERT_EQ(assemble(), 0);
    EXPECT_EQ(context->rom_length, 5120);
    EXPECT_EQ(context.rom(), join({ascending(5000), repeated(120, 0xFF)}));
}

TEST_F(MemoryLoading, FailingRequestStopsBeforeLaterRequestsAndTheRomFile) {
    context->verbose = 1;
    ASSERT_EQ(queue_load_request(context.get(), keep(dir.file("missing")), REQUEST_AT_ADDRESS, 0), 0);
    hex("11", 0);
    rom_file(ascending(10));
    CaptureStdout();
    EXPECT_EQ(assemble(), ERR_SOURCE_OPEN);
    const std::string printed = GetCapturedStdout();
    EXPECT_EQ(errors, message("Can't open source file '%s'!", dir.file("missing")));
    EXPECT_EQ(printed, "Loading file `" + dir.file("missing") + "` from address 0\n");
    EXPECT_EQ(context->pages[0], nullptr);
    EXPECT_EQ(context->rom_image, nullptr);
}

TEST_F(MemoryLoading, VerboseModePrintsOneLinePerItem) {
    context->verbose = 1;
    hex("0102", 300);
    file_at("mem", ascending(10), 16384);
    file_into_page("pg", ascending(10), 12);
    rom_file(ascending(10));
    CaptureStdout();
    ASSERT_EQ(assemble(), 0);
    EXPECT_EQ(GetCapturedStdout(), "Parsing hexdata string `0102` and storing from address 300\n"
                                   "Loading file `" + dir.file("mem") + "` from address 16384\n"
                                   "Loading file `" + dir.file("pg") + "` into page 12\n"
                                   "Loading ROM file `" + dir.file("rom") + "`\n");
}

TEST_F(MemoryLoading, VerboseHexLineComesBeforeTheChecks) {
    context->verbose = 1;
    hex("xyz", 7);
    CaptureStdout();
    EXPECT_EQ(assemble(), ERR_BAD_HEXSTRING);
    EXPECT_EQ(GetCapturedStdout(), "Parsing hexdata string `xyz` and storing from address 7\n");
}

TEST_F(MemoryLoading, QuietModePrintsNothing) {
    hex("0102", 300);
    file_at("mem", ascending(10), 0);
    rom_file(ascending(10));
    CaptureStdout();
    ASSERT_EQ(assemble(), 0);
    EXPECT_EQ(GetCapturedStdout(), "");
}

}  // namespace
}  // namespace quillet
