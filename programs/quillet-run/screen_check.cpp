#include "screen_check.hpp"

#include <cstdio>
#include <string>

#include "png_encoding.hpp"
#include "run.hpp"
#include "screen_reference.hpp"

namespace quillet::run {
namespace {

constexpr int TEXT_SIZE = 128;

}  // namespace

int read_reference(const RunOptions& options, ScreenReference* reference) {
    int failure = 0;
    const std::string problem = common::read_screen_reference(options.expected_screen, options.palette,
                                                              &reference->video, &reference->picture, &failure);
    if (failure) return -failure;
    if (problem.empty()) return 0;
    print_run_usage_error(problem.c_str(), options.expected_screen);
    return EXIT_USAGE;
}

CheckResult check_screen(const RunOptions& options, const ScreenReference& reference, std::vector<std::uint8_t> video,
                         std::vector<std::uint8_t>* diff_png) {
    if (reference.picture) common::attributes_as_shown(options.palette, &video);
    quillet_screen_difference difference{};
    quillet_screen_compare(video.data(), reference.video.data(), &difference);
    if (options.screen_diff_path) {
        std::vector<std::uint8_t> rgb(static_cast<std::size_t>(QUILLET_SCREEN_WIDTH) * QUILLET_SCREEN_HEIGHT * 3);
        quillet_screen_diff_picture(video.data(), reference.video.data(), rgb.data(), rgb.size());
        common::encode_png(rgb, QUILLET_SCREEN_WIDTH, QUILLET_SCREEN_HEIGHT, diff_png);
    }
    char found[TEXT_SIZE];
    if (difference.pixels == 0) {
        std::snprintf(found, sizeof found, "no pixel differs");
    } else {
        std::snprintf(found, sizeof found, "%ld pixel%s differ%s, the first at x %d y %d (0x%04lX bit %d)",
                      difference.pixels, difference.pixels == 1 ? "" : "s", difference.pixels == 1 ? "s" : "",
                      difference.x, difference.y, difference.address, difference.bit);
    }
    std::string expected = options.expected_screen;
    if (options.screen_tolerance > 0) expected += " within " + std::to_string(options.screen_tolerance) + " pixels";
    return CheckResult{"screen", expected, found, difference.pixels <= options.screen_tolerance};
}

}  // namespace quillet::run
