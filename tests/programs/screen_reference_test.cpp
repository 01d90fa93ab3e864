// The reference screens of --expect-screen: pictures --screen wrote at each
// scale read back to the bytes they show, raw video images, and what is
// neither.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "owned_snapshot.hpp"
#include "png_encoding.hpp"
#include "screen.hpp"
#include "screen_reference.hpp"

namespace quillet::common {
namespace {

std::string write_temporary(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = testing::TempDir() + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return path;
}

TEST(ScreenReference, APictureGivesBackTheBytesItShows) {
    if (!png_encoding_available()) GTEST_SKIP() << "no PNG in this build";
    const OwnedSnapshot s;
    // Attribute 10 shows as 00 in the default palette (bit 7 in its lit
    // phase), 11 as 01 (bit 6 dims); a hidden byte is lost.
    ASSERT_EQ(quillet_store_hex(s.get(), 0xC000, "05"), 0);
    ASSERT_EQ(quillet_store_hex(s.get(), 0xC041, "E0"), 0);
    ASSERT_EQ(quillet_store_hex(s.get(), 0xC0AF, "7F"), 0);
    ASSERT_EQ(quillet_store_hex(s.get(), 0xC030, "3F"), 0);
    const MemoryView view(s.get());
    std::vector<std::uint8_t> expected(QUILLET_VIDEO_SIZE, 0);
    expected[0x00] = 0x05;
    expected[0x41] = 0x60;  // attribute 11 is half brightness, as 01 is
    expected[0xAF] = 0x7F;
    for (int scale = SCALE_MIN; scale <= SCALE_MAX; ++scale) {
        std::vector<std::uint8_t> png;
        ASSERT_EQ(screen_png(view, "s", DEFAULT_PALETTE, scale, &png), 0);
        const std::string path = write_temporary("reference.png", png);
        std::vector<std::uint8_t> video;
        bool picture = false;
        ASSERT_EQ(read_screen_reference(path.c_str(), DEFAULT_PALETTE, &video, &picture), "") << scale;
        EXPECT_TRUE(picture);
        EXPECT_EQ(video, expected) << scale;
    }
    std::vector<std::uint8_t> shown(QUILLET_VIDEO_SIZE, 0);
    shown[0x00] = 0x05;
    shown[0x41] = 0xE0;
    shown[0xAF] = 0x7F;
    attributes_as_shown(DEFAULT_PALETTE, &shown);
    EXPECT_EQ(shown, expected);
}

TEST(ScreenReference, RawImagesAndWhatIsNeither) {
    std::vector<std::uint8_t> raw(QUILLET_VIDEO_SIZE, 0x41);
    std::vector<std::uint8_t> video;
    bool picture = true;
    ASSERT_EQ(read_screen_reference(write_temporary("raw.bin", raw).c_str(), DEFAULT_PALETTE, &video, &picture), "");
    EXPECT_FALSE(picture);
    EXPECT_EQ(video, raw);

    EXPECT_EQ(read_screen_reference(write_temporary("short", std::vector<std::uint8_t>(QUILLET_VIDEO_SIZE - 1)).c_str(),
                                    DEFAULT_PALETTE, &video, &picture),
              "reference screen is neither a PNG picture of the screen nor a 16384-byte video memory image");
    EXPECT_EQ(read_screen_reference("/nonexistent/ref.png", DEFAULT_PALETTE, &video, &picture),
              "cannot read reference screen");

    if (!png_encoding_available()) GTEST_SKIP() << "no PNG in this build";
    struct Case {
        std::vector<std::uint8_t> bytes;
        int width, height;  // a PNG of this size when not 0
        const char* error;
    } cases[] = {
        {{0x89, 'P', 'N', 'G', 0, 0}, 0, 0, "reference picture cannot be decoded as PNG"},
        {{}, 287, 256, "reference picture is not the screen's 288x256 at scale 1 to 4"},
        {{}, 288 * 5, 256 * 5, "reference picture is not the screen's 288x256 at scale 1 to 4"},
        {{}, 576, 256, "reference picture is not the screen's 288x256 at scale 1 to 4"},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bytes = c.bytes;
        if (c.width) {
            ASSERT_TRUE(encode_png(std::vector<std::uint8_t>(static_cast<std::size_t>(c.width) * c.height * 3),
                                   c.width, c.height, &bytes));
        }
        EXPECT_EQ(read_screen_reference(write_temporary("bad", bytes).c_str(), DEFAULT_PALETTE, &video, &picture),
                  c.error);
    }
}

TEST(ScreenReference, PixelsNoPictureOfTheScreenHas) {
    if (!png_encoding_available()) GTEST_SKIP() << "no PNG in this build";
    struct Case {
        int scale, x, y;
        std::uint8_t red, green, blue;
        int second_x;  // another pixel lit full white, or -1
        const char* error;
    } cases[] = {
        {1, 7, 3, 0x10, 0x20, 0x30, -1, "reference picture has a colour outside the palette at (7, 3)"},
        {2, 3, 1, 0xFF, 0xFF, 0xFF, -1, "reference picture is not one that --screen wrote: uneven pixel at (1, 0)"},
        {1, 6, 0, 0x80, 0x80, 0x80, 7, "reference picture has two colours in one byte at (7, 0)"},
    };
    for (const Case& c : cases) {
        const int width = SCREEN_WIDTH * c.scale;
        std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * SCREEN_HEIGHT * c.scale * 3, 0);
        auto paint = [&](int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
            std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
            p[0] = r;
            p[1] = g;
            p[2] = b;
        };
        paint(c.x, c.y, c.red, c.green, c.blue);
        if (c.second_x >= 0) paint(c.second_x, c.y, 0xFF, 0xFF, 0xFF);
        std::vector<std::uint8_t> png;
        ASSERT_TRUE(encode_png(rgb, width, SCREEN_HEIGHT * c.scale, &png));
        std::vector<std::uint8_t> video;
        bool picture = false;
        EXPECT_EQ(read_screen_reference(write_temporary("odd.png", png).c_str(), DEFAULT_PALETTE, &video, &picture),
                  c.error);
    }
}

}  // namespace
}  // namespace quillet::common
