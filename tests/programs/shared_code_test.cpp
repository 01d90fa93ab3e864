// What the programs share, in-process: memory ranges, the hex dump, JSON
// strings and the screen picture.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "hex_dump.hpp"
#include "json.hpp"
#include "memory_range.hpp"
#include "owned_snapshot.hpp"
#include "screen.hpp"

namespace quillet::common {
namespace {

// What `print` writes to a stream.
template <typename Print>
std::string printed(Print print) {
    std::FILE* file = std::tmpfile();
    print(file);
    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
    std::fclose(file);
    return text;
}

TEST(MemoryRangeParse, FormsAndWhatIsWrong) {
    const struct {
        const char* text;
        const char* problem;  // null: accepted as space, first, last
        int space;
        long first, last;
    } cases[] = {
        {"0x8000", nullptr, ADDRESS_SPACE, 0x8000, 0x8000},
        {"0x8000-0x802F", nullptr, ADDRESS_SPACE, 0x8000, 0x802F},
        {"0x8000+48", nullptr, ADDRESS_SPACE, 0x8000, 0x802F},
        {"010", nullptr, ADDRESS_SPACE, 10, 10},
        {"0C000H-0C00FH", nullptr, ADDRESS_SPACE, 0xC000, 0xC00F},
        {"0xFFFF", nullptr, ADDRESS_SPACE, 0xFFFF, 0xFFFF},
        {"p5:0x10+2", nullptr, 5, 0x10, 0x11},
        {"p15:16383", nullptr, 15, 16383, 16383},
        {"", "bad range", 0, 0, 0},
        {"+5", "bad range", 0, 0, 0},
        {"12abc", "bad range", 0, 0, 0},
        {"C000H", "bad range", 0, 0, 0},
        {" 1", "bad range", 0, 0, 0},
        {"0x8000-", "bad range", 0, 0, 0},
        {"p5", "bad range", 0, 0, 0},
        {"p16:0", "bad page in range", 0, 0, 0},
        {"px:0", "bad page in range", 0, 0, 0},
        {"0x10-0x0F", "empty range", 0, 0, 0},
        {"0x10+0", "empty range", 0, 0, 0},
        {"0xFFFF+2", "range past 0xFFFF", 0, 0, 0},
        {"0x10000", "range past 0xFFFF", 0, 0, 0},
        {"p3:0x3FFF+2", "range past the end of its page (0x3FFF)", 0, 0, 0},
    };
    for (const auto& c : cases) {
        MemoryRange range{};
        const char* problem = parse_memory_range(c.text, &range);
        if (!c.problem) {
            ASSERT_EQ(problem, nullptr) << c.text << ": " << problem;
            EXPECT_EQ(range.space, c.space) << c.text;
            EXPECT_EQ(range.first, c.first) << c.text;
            EXPECT_EQ(range.last, c.last) << c.text;
        } else {
            ASSERT_NE(problem, nullptr) << c.text;
            EXPECT_STREQ(problem, c.problem) << c.text;
        }
    }
}

TEST(MemoryRangePlace, WrittenAsARangeTakesItBack) {
    const struct {
        int space;
        long position;
        PlaceStyle style;
        const char* text;
    } cases[] = {
        {ADDRESS_SPACE, 0x11, PlaceStyle::command_line, "0x0011"},
        {5, 0x3FFF, PlaceStyle::command_line, "p5:0x3FFF"},
        {15, 0xABC, PlaceStyle::command_line, "p15:0x0ABC"},
        {ADDRESS_SPACE, 0xFFFD, PlaceStyle::dump, "fffd"},
        {6, 0x3FFD, PlaceStyle::dump, "p6:3ffd"},
    };
    for (const auto& c : cases) EXPECT_EQ(place_text(c.space, c.position, c.style), c.text);
    MemoryRange range{};
    ASSERT_EQ(parse_memory_range(place_text(9, 0x123).c_str(), &range), nullptr);
    EXPECT_EQ(range.space, 9);
    EXPECT_EQ(range.first, 0x123);
}

TEST(HexDump, LinesGroupsCharactersAndAbsentBytes) {
    const OwnedSnapshot s;
    ASSERT_EQ(quillet_store_hex(s.get(), 0x3FF8, "41424300FF7E207F"), 0);  // the last bytes of page 0
    MemoryRange range{};
    ASSERT_EQ(parse_memory_range("0x3FF8+20", &range), nullptr);  // into page 1, which is absent
    const MemoryView view(s.get());
    EXPECT_EQ(printed([&](std::FILE* f) { print_hex_dump(f, view, range); }),
              "3ff8  41 42 43 00 ff 7e 20 7f  -- -- -- -- -- -- -- --  |ABC..~ .        |\n"
              "4008  -- -- -- --                                       |    |\n");
    ASSERT_EQ(parse_memory_range("p0:0x3FFE-0x3FFF", &range), nullptr);
    EXPECT_EQ(printed([&](std::FILE* f) { print_hex_dump(f, view, range); }),
              "p0:3ffe  20 7f                                             | .|\n");
    EXPECT_EQ(hex_text(view.bytes(MemoryRange{ADDRESS_SPACE, 0x3FFE, 0x4001})), "207f----");
    EXPECT_EQ(hex_text(std::vector<std::uint8_t>{0x00, 0xAB, 0x0F}), "00ab0f");
}

TEST(JsonString, EscapesQuotesBackslashesAndControlCharactersOnly) {
    EXPECT_EQ(printed([](std::FILE* f) { print_json_string(f, "a\"b\\c\n\x01\x1f \xc3\xa9/"); }),
              "\"a\\\"b\\\\c\\u000a\\u0001\\u001f \xc3\xa9/\"");
    EXPECT_EQ(printed([](std::FILE* f) { print_json_string(f, ""); }), "\"\"");
    EXPECT_STREQ(json_boolean(true), "true");
    EXPECT_STREQ(json_boolean(false), "false");
}

TEST(ScreenPalette, FourColoursOrWhatIsWrong) {
    Palette palette{};
    ASSERT_EQ(parse_palette("000000,FFffff,123456,abcdef", &palette), nullptr);
    EXPECT_EQ(palette[2].red, 0x12);
    EXPECT_EQ(palette[2].green, 0x34);
    EXPECT_EQ(palette[3].blue, 0xEF);
    const char* const four = "palette needs four colours RRGGBB,RRGGBB,RRGGBB,RRGGBB";
    const char* const colour = "bad colour in palette (RRGGBB, hexadecimal)";
    EXPECT_STREQ(parse_palette("000000,ffffff,123456", &palette), four);
    EXPECT_STREQ(parse_palette("000000,ffffff,123456,abcdef,000000", &palette), four);
    EXPECT_STREQ(parse_palette("000000,fffff,123456,abcdef", &palette), colour);
    EXPECT_STREQ(parse_palette("000000,ffffff,12345g,abcdef", &palette), colour);
}

TEST(ScreenPicture, SixPixelsAByteLowBitLeftAttributeSelectsTheColour) {
    const OwnedSnapshot s;
    // Line 0: bits 0 and 2 lit, attribute 00; line 1 (64 bytes on): bit 5
    // of its second byte lit, attribute 11.
    ASSERT_EQ(quillet_store_hex(s.get(), 0xC000, "05"), 0);
    ASSERT_EQ(quillet_store_hex(s.get(), 0xC041, "E0"), 0);
    const MemoryView view(s.get());
    const Palette palette = {Colour{1, 2, 3}, Colour{4, 5, 6}, Colour{7, 8, 9}, Colour{10, 11, 12}};
    const int scale = 2;
    const std::vector<std::uint8_t> image = render_screen(view, palette, scale);
    const int width = SCREEN_WIDTH * scale;
    ASSERT_EQ(image.size(), static_cast<std::size_t>(width * SCREEN_HEIGHT * scale * RGB_CHANNELS));
    const auto at = [&](int x, int y) {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * RGB_CHANNELS;
        return std::vector<int>{image[i], image[i + 1], image[i + 2]};
    };
    const std::vector<int> black = {0, 0, 0};
    // Each picture pixel is a square of scale x scale.
    for (int dy = 0; dy < scale; ++dy) {
        for (int dx = 0; dx < scale; ++dx) {
            EXPECT_EQ(at(0 + dx, dy), (std::vector<int>{1, 2, 3}));
            EXPECT_EQ(at(2 + dx, dy), black);
            EXPECT_EQ(at(4 + dx, dy), (std::vector<int>{1, 2, 3}));
            EXPECT_EQ(at((6 + 5) * scale + dx, scale + dy), (std::vector<int>{10, 11, 12}));
        }
    }
    EXPECT_EQ(at(6 * scale, 0), black);          // the next byte of line 0 is dark
    EXPECT_EQ(at(10 * scale, scale), black);     // bit 4 of line 1's byte is not lit
    EXPECT_EQ(at(width - 1, SCREEN_HEIGHT * scale - 1), black);
}

}  // namespace
}  // namespace quillet::common
