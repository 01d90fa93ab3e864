// The public interface of the screen comparison, over the video layer.
#include "base/failure.hpp"
#include "quillet/quillet.h"
#include "video/screen_compare.hpp"

namespace quillet {
namespace {

const Reporter NO_REPORTER{};

static_assert(QUILLET_VIDEO_SIZE == VIDEO_SIZE && QUILLET_SCREEN_WIDTH == SCREEN_PIXEL_WIDTH &&
                  QUILLET_SCREEN_HEIGHT == SCREEN_PIXEL_HEIGHT,
              "the interface's screen is the layer's");
constexpr std::size_t PICTURE_SIZE = static_cast<std::size_t>(SCREEN_PIXEL_WIDTH) * SCREEN_PIXEL_HEIGHT * 3;

}  // namespace
}  // namespace quillet

using namespace quillet;

int quillet_screen_compare(const uint8_t* video, const uint8_t* reference, quillet_screen_difference* difference) {
    if (!video || !reference || !difference) {
        return report_failure(NO_REPORTER, ERR_MISSING_VALUE, !video ? "video" : !reference ? "reference" : "difference");
    }
    const ScreenDifference found = compare_screens(video, reference);
    *difference = quillet_screen_difference{found.pixels, found.x, found.y, found.address, found.bit};
    return 0;
}

int quillet_screen_diff_picture(const uint8_t* video, const uint8_t* reference, uint8_t* rgb, size_t capacity) {
    if (!video || !reference || !rgb) {
        return report_failure(NO_REPORTER, ERR_MISSING_VALUE, !video ? "video" : !reference ? "reference" : "rgb");
    }
    if (capacity < PICTURE_SIZE) {
        return report_failure(NO_REPORTER, ERR_VALUE_RANGE, "capacity", static_cast<long>(capacity));
    }
    draw_screen_difference(video, reference, rgb);
    return 0;
}
