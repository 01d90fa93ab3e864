// quillet-info --screen: the PNG picture of the video memory, decoded and
// compared pixel by pixel with a picture worked out here from the rules of
// the PMD 85's display; one golden picture, made by a separate encoder.
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "info_test_support.hpp"
#include "png_pixels.hpp"

namespace info_test {
namespace {

constexpr int PAGE = 16384;
constexpr int WIDTH = 288;
constexpr int HEIGHT = 256;
constexpr int LINE_BYTES = 64;
constexpr Rgb BLACK = {0, 0, 0};
constexpr Rgb WHITE = {255, 255, 255};
constexpr Rgb GREY = {128, 128, 128};
constexpr Rgb MONOCHROME[4] = {WHITE, GREY, WHITE, GREY};

Bytes read_whole_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The video memory that examples/stripes.asm leaves behind: from 0xC000
// on, every byte holds the low six bits of its address.
Bytes stripes_video_memory() {
    Bytes video(PAGE);
    for (std::size_t i = 0; i < video.size(); ++i) video[i] = static_cast<std::uint8_t>((0xC000 + i) & 0x3F);
    return video;
}

// Each quarter of the lines has its own attribute bits 7 and 6: 00, 01,
// 10, 11 from the top; the low six bits count along the line.
Bytes attribute_video_memory() {
    Bytes video(PAGE);
    for (std::size_t i = 0; i < video.size(); ++i) {
        const std::size_t line = i / LINE_BYTES;
        video[i] = static_cast<std::uint8_t>((line / 64) << 6 | (i % LINE_BYTES));
    }
    return video;
}

// The display's rule, unscaled: pixel x of line y shows bit x % 6 of byte
// x / 6 of that line's 64 bytes; `colours` by bits 7 and 6 when it is set.
Rgb expected_pixel(const Bytes& video, const Rgb colours[4], int x, int y) {
    const std::uint8_t byte = video[static_cast<std::size_t>(y) * LINE_BYTES + static_cast<std::size_t>(x / 6)];
    return (byte >> (x % 6)) & 1 ? colours[byte >> 6] : BLACK;
}

::testing::AssertionResult shows(const Picture& picture, const Bytes& video, const Rgb colours[4], int scale) {
    if (picture.width != WIDTH * scale || picture.height != HEIGHT * scale) {
        return ::testing::AssertionFailure() << "picture of " << picture.width << "x" << picture.height;
    }
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const Rgb want = expected_pixel(video, colours, x / scale, y / scale);
            const Rgb got = picture.at(x, y);
            if (!(got == want)) {
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << int(got.red) << "," << int(got.green) << ","
                       << int(got.blue) << ", not " << int(want.red) << "," << int(want.green) << "," << int(want.blue);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

class ScreenTest : public InfoTest {
protected:
    std::string snapshot_with_video(const std::string& name, const Bytes& video) {
        dir_.write(name + ".bin", video);
        return make_snapshot(name + ".zvk", {"-pack", "-pg", "3", path(name + ".bin")});
    }

    Picture screen(const std::vector<std::string>& arguments) {
        const RunResult run = run_info(arguments);
        EXPECT_EQ(run.status, 0) << run.err;
        Picture picture;
        std::string error;
        EXPECT_TRUE(decode_png(dir_.read("screen.png"), &picture, &error)) << error;
        return picture;
    }
};

TEST_F(ScreenTest, TheExampleProgramsStripes) {
    const Bytes video = stripes_video_memory();
    const std::string file = snapshot_with_video("stripes", video);
    EXPECT_TRUE(shows(screen({"--screen", path("screen.png"), file}), video, MONOCHROME, 1));
}

TEST_F(ScreenTest, BitSixHalvesTheBrightnessAndBitSevenIsDrawnInItsLitPhase) {
    const Bytes video = attribute_video_memory();
    const std::string file = snapshot_with_video("attributes", video);
    EXPECT_TRUE(shows(screen({"--screen", path("screen.png"), file}), video, MONOCHROME, 1));
}

TEST_F(ScreenTest, PaletteAndScale) {
    const Bytes video = attribute_video_memory();
    const std::string file = snapshot_with_video("attributes", video);
    const Rgb colours[4] = {{0xFF, 0x00, 0x00}, {0x00, 0xC0, 0x00}, {0x12, 0x34, 0xAB}, {0xFF, 0xFF, 0x00}};
    const Picture picture =
        screen({"--screen", path("screen.png"), "--palette", "FF0000,00c000,1234Ab,ffff00", "--scale", "3", file});
    EXPECT_TRUE(shows(picture, video, colours, 3));
    EXPECT_TRUE(shows(screen({"--screen", path("screen.png"), "--scale", "4", file}), video, MONOCHROME, 4));
}

TEST_F(ScreenTest, MatchesTheGoldenPicture) {
    const std::string file = snapshot_with_video("attributes", attribute_video_memory());
    const Picture picture = screen({"--screen", path("screen.png"), "--scale", "2", file});
    Picture golden;
    std::string error;
    ASSERT_TRUE(decode_png(read_whole_file(QUILLET_INFO_GOLDEN_DIR "/attributes-scale-2.png"), &golden, &error))
        << error;
    ASSERT_EQ(picture.width, golden.width);
    ASSERT_EQ(picture.height, golden.height);
    EXPECT_TRUE(picture.pixels == golden.pixels);
}

TEST_F(ScreenTest, NoVideoMemoryIsAnErrorAndWritesNothing) {
    dir_.write("program.bin", Bytes{0xF3, 0x76});
    const std::string file = make_snapshot("program.zvk", {"-mem", "0", path("program.bin")});
    dir_.write("screen.png", Bytes{1, 2, 3});
    const RunResult run = run_info({"--screen", path("screen.png"), "-m", path("memory.bin"), file});
    EXPECT_EQ(run.status, 65);
    EXPECT_EQ(run.err, "No screen in '" + file + "': block 3 (0xC000-0xFFFF), the video memory, is absent!\n");
    EXPECT_EQ(dir_.read("screen.png"), (Bytes{1, 2, 3}));
    EXPECT_FALSE(dir_.exists("memory.bin"));
}

}  // namespace
}  // namespace info_test
