// The real monitors boot on their models from reset to their ready text
// and their keyboard scan; skipped, with one message, without the images.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "machine/machine.hpp"
#include "machine/machine_snapshot.hpp"
#include "snapshot/snapshot_format.hpp"
#include "support/pmd85_roms.hpp"

namespace quillet {
namespace {

using test::read_pmd85_rom;

// Whether the screen shows `text` from column 0 of some text row, drawn
// with the image's font (codes 20h-5Fh at offset 500h + 8c, 60h-7Fh at
// 8C0h + 8(c - 60h); 7 glyph rows, the pixel bits 0-5 of each byte).
bool screen_shows(const std::uint8_t* video, const std::vector<std::uint8_t>& font, const std::string& text) {
    constexpr unsigned ROWS = 7, LINE = 64;
    for (unsigned top = 0; top + ROWS <= 256; ++top) {
        bool all = true;
        for (std::size_t col = 0; col < text.size() && all; ++col) {
            const unsigned code = static_cast<unsigned char>(text[col]);
            for (unsigned row = 0; row < ROWS && all; ++row) {
                const unsigned glyph = code < 0x60 ? 0x500 + 8 * code : 0x8C0 + 8 * (code - 0x60);
                all = (video[(top + row) * LINE + col] & 0x3F) == font[glyph + row];
            }
        }
        if (all) return true;
    }
    return false;
}

struct Scans {
    std::uint64_t first_pb_read = UINT64_MAX;
};

// Notes the first read of the system 8255's port B (the keyboard's rows)
// and lets the keyboard answer it.
bool watch_keyboard(void* context, std::uint8_t port, std::uint8_t*) {
    constexpr std::uint8_t SELECT_MASK = 0x8F, SYSTEM_PORT_B = 0x85;
    Scans* scans = static_cast<Scans*>(context);
    if ((port & SELECT_MASK) == SYSTEM_PORT_B && scans->first_pb_read == UINT64_MAX) scans->first_pb_read = 1;
    return false;
}

struct BootCase {
    const char* rom;
    int model;
    const char* ready_text;       // on the screen once ready; empty: not checked
    std::uint16_t keyboard_scan;  // the routine the monitor waits for a key in; 0: not known
    std::uint64_t frames;         // the budget
};

const BootCase BOOT_CASES[] = {
    {"monit1.rom", MODEL_V1, "** PMD-85 READY /1.0 **", 0x84A1, 100},
    {"monit2.rom", MODEL_V2, "++ Os ready ++", 0x89C0, 40},
    {"monit2A.rom", MODEL_V2A, "++ Os ready ++", 0x89C0, 40},
    {"monit3.rom", MODEL_V3, "++ OS ready ++", 0xE9C0, 300},
    {"didalfa2.rom", MODEL_ALFA2, "++ Os ready ++", 0, 300},
    {"mato-mb.rom", MODEL_MATO, "** OS READY **", 0, 300},
    {"c2717.rom", MODEL_C2717, "OK", 0, 300},  // starts its built-in BASIC
};

TEST(MachineBoot, EveryMonitorReachesItsReadyState) {
    if (read_pmd85_rom("monit2.rom").empty()) GTEST_SKIP() << test::NO_PMD85_ROMS;
    for (const BootCase& c : BOOT_CASES) {
        SCOPED_TRACE(c.rom);
        const std::vector<std::uint8_t> image = read_pmd85_rom(c.rom);
        auto m = std::make_unique<Machine>();
        ASSERT_TRUE(machine_init(m.get(), c.model));
        ASSERT_TRUE(machine_set_monitor(m.get(), image.data(), image.size()));
        Scans scans;
        m->hooks.input_first = watch_keyboard;
        m->hooks.context = &scans;
        machine_boot(m.get());
        CpuRunLimits limits;
        limits.max_states = c.frames * STATES_PER_FRAME;
        if (c.keyboard_scan) {
            machine_set_stop(m.get(), c.keyboard_scan, true);
            ASSERT_EQ(machine_run(m.get(), limits), CPU_STOP_ADDRESS) << "the keyboard routine is reached";
        } else {
            EXPECT_EQ(machine_run(m.get(), limits), CPU_STOP_STATE_LIMIT);
        }
        if (!c.keyboard_scan) {
            EXPECT_NE(scans.first_pb_read, UINT64_MAX) << "the keyboard is scanned";
        }
        std::printf("%s: ready after %.1f frames\n", c.rom,
                    static_cast<double>(m->cpu.state.states) / STATES_PER_FRAME);
        if (*c.ready_text) {
            EXPECT_TRUE(screen_shows(machine_video_memory(m.get()), image, c.ready_text)) << c.ready_text;
        }
    }
}

}  // namespace
}  // namespace quillet
