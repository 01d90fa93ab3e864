#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "image/build_context.hpp"

namespace quillet {
namespace {

bool all_bytes_are(const std::uint8_t* buffer, std::size_t size, std::uint8_t value) {
    return std::all_of(buffer, buffer + size, [value](std::uint8_t b) { return b == value; });
}

TEST(EnsureBuffer, FillsWithZeroEvenWhereFreedMemoryWasDirty) {
    // Memory freed after being scribbled on is typically handed out again.
    for (int round = 0; round < 3; ++round) {
        std::uint8_t* slot = nullptr;
        ASSERT_EQ(ensure_buffer(slot, PAGE_SIZE), 0);
        ASSERT_NE(slot, nullptr);
        EXPECT_TRUE(all_bytes_are(slot, PAGE_SIZE, 0)) << "round " << round;
        std::memset(slot, 0xA5, PAGE_SIZE);
        release_buffer(slot);
        EXPECT_EQ(slot, nullptr);
    }
}

TEST(EnsureBuffer, LeavesAFilledSlotAndItsContentsAloneWhateverTheSize) {
    constexpr std::size_t SMALL = 16;
    std::uint8_t* slot = nullptr;
    ASSERT_EQ(ensure_buffer(slot, SMALL), 0);
    std::memset(slot, 0x5A, SMALL);
    std::uint8_t* const first = slot;
    for (const std::size_t size : {SMALL, std::size_t{1}, std::size_t{WORK_BUFFER_SIZE}}) {
        EXPECT_EQ(ensure_buffer(slot, size), 0) << size;
        EXPECT_EQ(slot, first) << size;
    }
    EXPECT_TRUE(all_bytes_are(slot, SMALL, 0x5A));
    release_buffer(slot);
}

class ContextTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(ensure_buffer(context, sizeof(BuildContext)), 0); }
    void TearDown() override { release_context(context); }
    BuildContext* context = nullptr;
};

TEST_F(ContextTest, QueueAppendsInOrderAndKeepsTailOnTheLast) {
    const struct {
        const char* text;
        int page;
        int address;
    } queued[] = {{"a.bin", REQUEST_AT_ADDRESS, 0x100}, {"C3 00", REQUEST_HEX, 0xFFFF},
                  {"p.bin", 15, NO_ADDRESS}};
    for (const auto& q : queued) {
        ASSERT_EQ(queue_load_request(context, q.text, q.page, q.address), 0);
        ASSERT_NE(context->load_tail, nullptr);
        EXPECT_EQ(context->load_tail->text, q.text);
        EXPECT_EQ(context->load_tail->next, nullptr);
    }
    const LoadRequest* request = context->load_head;
    const LoadRequest* last = nullptr;
    for (const auto& q : queued) {
        ASSERT_NE(request, nullptr);
        EXPECT_EQ(request->text, q.text);
        EXPECT_EQ(request->page, q.page);
        EXPECT_EQ(request->address, q.address);
        last = request;
        request = request->next;
    }
    EXPECT_EQ(request, nullptr);
    EXPECT_EQ(last, context->load_tail);
}

// Leaks and double frees here show under valgrind or the address sanitizer.
TEST_F(ContextTest, ReleaseFreesEverythingAndClearsTheSlotOnce) {
    ASSERT_EQ(ensure_buffer(context->pages[0], PAGE_SIZE), 0);
    ASSERT_EQ(ensure_buffer(context->pages[PAGE_COUNT - 1], PAGE_SIZE), 0);
    ASSERT_EQ(ensure_buffer(context->rom_image, PAGE_SIZE), 0);
    ASSERT_EQ(ensure_buffer(context->work_buffer, WORK_BUFFER_SIZE), 0);
    ASSERT_EQ(ensure_buffer(context->header, HEADER_BUFFER_SIZE), 0);
    ASSERT_EQ(queue_load_request(context, "a.bin", REQUEST_AT_ADDRESS, 0), 0);
    ASSERT_EQ(queue_load_request(context, "b.bin", 4, NO_ADDRESS), 0);
    release_context(context);
    EXPECT_EQ(context, nullptr);
    release_context(context);  // an absent context is left alone
    EXPECT_EQ(context, nullptr);
}

}  // namespace
}  // namespace quillet
