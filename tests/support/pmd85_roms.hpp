// The PMD 85 firmware images, for the tests that hold the machine against
// the real firmware. They are third-party files that the project does not
// ship, read where they lie: the folder named by the environment variable
// QUILLET_FIRMWARE when it is set, else the one the build was configured
// with (the CMake variable QUILLET_FIRMWARE). Without them those tests skip.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillet::test {

// The folder of the images ("" when none is known).
std::string pmd85_roms_dir();

// The bytes of image `name`; empty when the image is not there.
std::vector<std::uint8_t> read_pmd85_rom(const std::string& name);

// The one message of a test skipped for want of the images.
constexpr const char* NO_PMD85_ROMS =
    "no PMD 85 firmware (set QUILLET_FIRMWARE to its folder): the firmware tests are skipped";

}  // namespace quillet::test

// Skips the test when image `name` is not there; else `bytes` holds it.
#define QUILLET_PMD85_ROM_OR_SKIP(bytes, name)                          \
    std::vector<std::uint8_t> bytes = ::quillet::test::read_pmd85_rom(name); \
    if (bytes.empty()) GTEST_SKIP() << ::quillet::test::NO_PMD85_ROMS
