#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "snapshot/snapshot_format.hpp"

namespace quillet {
namespace {

TEST(LocateBlockSizes, Version1SlotsPointAtLowWordsAndLeaveTheRest) {
    std::vector<std::uint8_t> header(HEADER_BUFFER_SIZE, 0);
    header[OFFSET_VERSION] = VERSION_1;
    BlockSlot sentinel = header.data();
    BlockSlot slots[PAGE_COUNT];
    for (BlockSlot& slot : slots) slot = sentinel;
    locate_block_sizes(header.data(), slots);
    const int expected_low[] = {22, 24, 26, 28};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(slots[i] - header.data(), expected_low[i]) << i;
    for (int i = 4; i < PAGE_COUNT; ++i) EXPECT_EQ(slots[i], sentinel) << i;
}

TEST(LocateBlockSizes, Version2SlotsReachBlocks4To15) {
    std::vector<std::uint8_t> header(HEADER_BUFFER_SIZE, 0);
    header[OFFSET_VERSION] = VERSION_2;
    BlockSlot slots[PAGE_COUNT] = {};
    locate_block_sizes(header.data(), slots);
    for (int i = 4; i < PAGE_COUNT; ++i) EXPECT_EQ(slots[i] - header.data(), 58 + 2 * (i - 4)) << i;
    write_word(slots[15], 0x4000);
    EXPECT_EQ(header[80], 0x00);
    EXPECT_EQ(header[81], 0x40);
    EXPECT_EQ(read_word(slots[15]), 0x4000);
}

TEST(ComputerModels, Block2IsStoredOnlyForV2AV3AndC2717) {
    const bool stored[MODEL_COUNT] = {false, false, true, true, false, false, false, true};
    for (int model = 0; model < MODEL_COUNT; ++model) {
        EXPECT_EQ(model_stores_block2(model), stored[model]) << MODEL_NAMES[model];
    }
}

}  // namespace
}  // namespace quillet
