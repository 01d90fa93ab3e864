#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "base/buffer.hpp"
#include "snapshot/snapshot_format.hpp"

namespace quillet {
namespace {

bool all_bytes_are(const ByteBuffer& buffer, std::uint8_t value) {
    return std::all_of(buffer.data(), buffer.data() + buffer.size(), [value](std::uint8_t b) { return b == value; });
}

TEST(ByteBuffer, AllocateFillsWithZeroEvenWhereFreedMemoryWasDirty) {
    // Memory freed after being scribbled on is typically handed out again.
    for (int round = 0; round < 3; ++round) {
        ByteBuffer buffer;
        ASSERT_EQ(buffer.allocate(PAGE_BYTES, Reporter{}), 0);
        ASSERT_TRUE(buffer);
        ASSERT_EQ(buffer.size(), std::size_t{PAGE_BYTES});
        EXPECT_TRUE(all_bytes_are(buffer, 0)) << "round " << round;
        std::memset(buffer.data(), 0xA5, buffer.size());
    }
}

TEST(ByteBuffer, ReplacedAndReleasedContents) {
    ByteBuffer buffer;
    ASSERT_EQ(buffer.allocate(16, Reporter{}), 0);
    std::memset(buffer.data(), 0x5A, 16);
    ASSERT_EQ(buffer.allocate(0, Reporter{}), 0);  // an empty buffer still has an address
    EXPECT_TRUE(buffer);
    EXPECT_EQ(buffer.size(), 0u);
    buffer.release();
    EXPECT_FALSE(buffer);
    EXPECT_EQ(buffer.size(), 0u);
}

}  // namespace
}  // namespace quillet
