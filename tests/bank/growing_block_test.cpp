// Growing blocks: exact sizes, growth in place inside the reservation, moves past it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "bank/global_block.h"
#include "bank/growing_block.h"

static size_t Page()
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

// Committed pages cover the size, with less than one page to spare.
static void ExpectJustCovered(const void* block)
{
    const size_t size = GrowingBlockSize(block);
    EXPECT_GE(GrowingBlockCommitted(block), size);
    EXPECT_LT(GrowingBlockCommitted(block), size + Page());
}

TEST(GrowingBlock, StartsAtOneZeroByte)
{
    void* block = CreateGrowingBlock(10 << 20);
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(1u, GrowingBlockSize(block));
    EXPECT_EQ(0, *static_cast<uint8_t*>(block));
    EXPECT_GE(GrowingBlockReserved(block), 10u << 20);
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(block) % 16);
    ExpectJustCovered(block);
    FreeGrowingBlock(block);
}

TEST(GrowingBlock, GrowsInPlaceInsideItsReservationKeepingItsBytes)
{
    void* block = CreateGrowingBlock(1 << 20);
    ASSERT_NE(nullptr, block);
    void* const start = block;
    for (size_t size = 1000; size <= (1u << 20); size += 77777) {
        const size_t old = GrowingBlockSize(block);
        ASSERT_TRUE(ResizeGrowingBlock(block, size));
        EXPECT_EQ(start, block);
        EXPECT_EQ(size, GrowingBlockSize(block));
        ExpectJustCovered(block);
        uint8_t* bytes = static_cast<uint8_t*>(block);
        for (size_t i = 0; i < old && i < size; i += 997)
            ASSERT_EQ(static_cast<uint8_t>(i * 3), bytes[i]) << i;
        for (size_t i = 0; i < size; i += 997)
            bytes[i] = static_cast<uint8_t>(i * 3);
    }
    FreeGrowingBlock(block);
}

TEST(GrowingBlock, ShrinkingGivesPagesBack)
{
    void* block = CreateGrowingBlock(1 << 20);
    ASSERT_TRUE(ResizeGrowingBlock(block, 900000));
    ASSERT_TRUE(ResizeGrowingBlock(block, 5000));
    EXPECT_EQ(5000u, GrowingBlockSize(block));
    ExpectJustCovered(block);
    ASSERT_TRUE(ResizeGrowingBlock(block, 0));
    EXPECT_EQ(1u, GrowingBlockSize(block));
    FreeGrowingBlock(block);
}

TEST(GrowingBlock, MovesWithItsBytesWhenTheReservationRunsOut)
{
    void* block = CreateGrowingBlock(0);
    ASSERT_NE(nullptr, block);
    const size_t reserved = GrowingBlockReserved(block);
    ASSERT_TRUE(ResizeGrowingBlock(block, reserved));
    std::memset(block, 0x5A, reserved);
    ASSERT_TRUE(ResizeGrowingBlock(block, reserved * 3 + 5));
    EXPECT_EQ(reserved * 3 + 5, GrowingBlockSize(block));
    ExpectJustCovered(block);
    const uint8_t* bytes = static_cast<uint8_t*>(block);
    for (size_t i = 0; i < reserved; ++i)
        ASSERT_EQ(0x5A, bytes[i]) << i;
    FreeGrowingBlock(block);
}

TEST(GrowingBlock, FallsBackWhenTheHintCannotBeReservedAndFailsWithoutHarm)
{
    void* block = CreateGrowingBlock(SIZE_MAX / 2);
    ASSERT_NE(nullptr, block);
    EXPECT_LT(GrowingBlockReserved(block), SIZE_MAX / 4);
    ASSERT_TRUE(ResizeGrowingBlock(block, 3000));
    std::memset(block, 0x11, 3000);
    void* const before = block;
    EXPECT_FALSE(ResizeGrowingBlock(block, SIZE_MAX / 2));
    EXPECT_EQ(before, block);
    EXPECT_EQ(3000u, GrowingBlockSize(block));
    EXPECT_EQ(0x11, static_cast<uint8_t*>(block)[2999]);
    FreeGrowingBlock(block);
}

TEST(GlobalBlock, IsZeroFilledLockedAndFreedFromItsPointer)
{
    uint8_t* block = static_cast<uint8_t*>(AllocLockedBlock(4096));
    ASSERT_NE(nullptr, block);
    for (size_t i = 0; i < 4096; ++i)
        ASSERT_EQ(0, block[i]);
    HGLOBAL handle = GlobalHandle(block);
    ASSERT_NE(nullptr, handle);
    EXPECT_EQ(4096u, GlobalSize(handle));
    FreeLockedBlock(block);
    void* tiny = AllocLockedBlock(0);
    EXPECT_NE(nullptr, tiny) << "an empty block still gets one byte";
    FreeLockedBlock(tiny);
}
