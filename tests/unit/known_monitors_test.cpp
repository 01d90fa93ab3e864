// The monitor images the library knows by their checksums: each of the
// firmware set as made for its own model, nothing else.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "machine/known_monitors.hpp"
#include "quillet/quillet.h"
#include "support/pmd85_roms.hpp"

namespace {

// The checksum is the common CRC-32: its check value.
TEST(KnownMonitors, TheChecksumIsTheCommonCrc32) {
    const char* check = "123456789";
    EXPECT_EQ(quillet::crc32_of(reinterpret_cast<const std::uint8_t*>(check), std::strlen(check)), 0xCBF43926u);
    EXPECT_EQ(quillet::crc32_of(nullptr, 0), 0u);
}

// The monitors of the firmware set are known by their checksums, each as
// made for its own model; a byte changed, or an image of no known size,
// is an image the library does not know.
TEST(KnownMonitors, EachImageOfTheSetIsMadeForItsModel) {
    const struct {
        const char* file;
        int model;
        const char* name;
    } images[] = {
        {"monit1.rom", QUILLET_MODEL_V1, "monitor 1"},
        {"monit2.rom", QUILLET_MODEL_V2, "monitor 2"},
        {"monit2A.rom", QUILLET_MODEL_V2A, "monitor 2A"},
        {"monit3.rom", QUILLET_MODEL_V3, "monitor 3"},
        {"mato-mb.rom", QUILLET_MODEL_MATO, "the MATO monitor with BASIC-G"},
        {"didalfa2.rom", QUILLET_MODEL_ALFA2, "the Alfa 2 monitor with BASIC"},
        {"c2717.rom", QUILLET_MODEL_C2717, "the C2717 monitor with BASIC-G"},
    };
    for (const auto& item : images) {
        QUILLET_PMD85_ROM_OR_SKIP(image, item.file);
        const char* name = nullptr;
        EXPECT_EQ(quillet_monitor_made_for(image.data(), image.size(), &name), item.model) << item.file;
        EXPECT_STREQ(name, item.name) << item.file;
        image[image.size() / 2] ^= 0x01;
        EXPECT_EQ(quillet_monitor_made_for(image.data(), image.size(), &name), -1) << item.file;
        EXPECT_EQ(name, nullptr);
        EXPECT_EQ(quillet_monitor_made_for(image.data(), image.size() - 1, nullptr), -1) << item.file;
    }
    EXPECT_EQ(quillet_monitor_made_for(nullptr, 0, nullptr), -1);
    EXPECT_EQ(quillet_monitor_made_for(nullptr, 4096, nullptr), QUILLET_ERR_MISSING_VALUE);
}

}  // namespace
