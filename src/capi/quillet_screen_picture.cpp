// The screen's picture through the interface: of a machine, and of any 16
// KB of video memory (a snapshot's), both drawn by the machine layer.
#include <cstring>

#include "capi/capi_handles.hpp"
#include "machine/machine.hpp"
#include "machine/screen_picture.hpp"
#include "video/screen_compare.hpp"

namespace quillet {
namespace {

const Reporter NO_REPORTER{};

static_assert(QUILLET_SCREEN_WIDE_WIDTH == WIDE_SCREEN_PIXEL_WIDTH, "the interface's wide screen is the layer's");

int check_picture_room(const Reporter& reporter, bool wide, std::size_t size) {
    if (size >= screen_picture_size(wide)) return 0;
    return report_failure(reporter, ERR_VALUE_RANGE, "size", static_cast<long>(size));
}

}  // namespace
}  // namespace quillet

using namespace quillet;

int quillet_machine_render_rgba(quillet_machine* machine, int blink_on, uint8_t* out, size_t size) {
    quillet_cpu* cpu = quillet_machine_cpu(machine);
    if (!cpu) return report_failure(NO_REPORTER, ERR_MISSING_VALUE, "machine");
    if (!out) return report_failure(cpu->reporter, ERR_MISSING_VALUE, "out");
    Machine* core = cpu->machine;
    const bool wide = machine_wide_screen(*core);
    if (const int result = check_picture_room(cpu->reporter, wide, size)) return result;
    draw_screen_picture(machine_video_memory(core), wide, machine_screen_colours(blink_on != 0), out);
    return 0;
}

int quillet_screen_render_rgba(const uint8_t* video, size_t video_size, int model, int wide, int blink_on,
                               const uint8_t* palette, uint8_t* out, size_t size) {
    if (!video || !out) return report_failure(NO_REPORTER, ERR_MISSING_VALUE, !video ? "video" : "out");
    if (model < 0 || model >= QUILLET_MODEL_COUNT) return report_failure(NO_REPORTER, ERR_BAD_MODEL, DecimalText(model).c_str());
    if (video_size < VIDEO_SIZE) {
        return report_failure(NO_REPORTER, ERR_VALUE_RANGE, "video_size", static_cast<long>(video_size));
    }
    if (wide && model != QUILLET_MODEL_C2717) return report_failure(NO_REPORTER, ERR_VALUE_RANGE, "wide", static_cast<long>(wide));
    if (const int result = check_picture_room(NO_REPORTER, wide != 0, size)) return result;
    ScreenColours colours = machine_screen_colours(blink_on != 0);
    if (palette) {
        std::memcpy(colours.rgb, palette, sizeof colours.rgb);
        // Bit 7 blinks: its dark phase is black whatever the colours.
        if (!blink_on) std::memset(colours.rgb[2], 0, 2 * sizeof colours.rgb[2]);
    }
    draw_screen_picture(video, wide != 0, colours, out);
    return 0;
}
