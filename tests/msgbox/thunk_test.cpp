// The code stub of the 32-bit program: the exact bytes the platform will execute.
#include "msgbox/thunk.h"

#include <gtest/gtest.h>

TEST(Thunk32, LoadsTheObjectIntoEcxAndJumpsRelativeToItsOwnEnd)
{
    BYTE out[THUNK32_SIZE] = {};
    EncodeThunk32(out, 0x00401000u, 0x0012FF40u, 0x00402345u);
    // 0x00402345 - (0x00401000 + 10) = 0x0000133B
    const BYTE expected[THUNK32_SIZE] = {0xB9, 0x40, 0xFF, 0x12, 0x00, 0xE9, 0x3B, 0x13, 0x00, 0x00};
    for (size_t i = 0; i < THUNK32_SIZE; ++i)
        EXPECT_EQ(out[i], expected[i]) << "byte " << i;
}

TEST(Thunk32, BackwardJumpIsANegativeDisplacement)
{
    BYTE out[THUNK32_SIZE] = {};
    EncodeThunk32(out, 0x7FFE0000u, 0x80000010u, 0x00401000u);
    // 0x00401000 - 0x7FFE000A wraps to 0x8042_0FF6; an object above 2 GB stays unsigned bytes.
    const BYTE expected[THUNK32_SIZE] = {0xB9, 0x10, 0x00, 0x00, 0x80, 0xE9, 0xF6, 0x0F, 0x42, 0x80};
    for (size_t i = 0; i < THUNK32_SIZE; ++i)
        EXPECT_EQ(out[i], expected[i]) << "byte " << i;
}

TEST(Thunk, BlockIsExecutableAndFreedOnce)
{
    BYTE* thunk = AllocateThunk();
    ASSERT_NE(thunk, nullptr);
    MEMORY_BASIC_INFORMATION info = {};
    ASSERT_NE(VirtualQuery(thunk, &info, sizeof info), 0u);
    EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_EXECUTE_READWRITE));
    FreeThunk(thunk);
    EXPECT_EQ(thunk, nullptr);
    FreeThunk(thunk);  // a second release is harmless
}
