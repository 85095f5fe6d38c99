// TextBuffer: the cases where an owned, nullable text can go wrong.
#include "app/text_buffer.h"
#include "tests/app/test_resources.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <cstring>

// The heap block's real size: Load keeps m bytes whatever the string's length.
static size_t BlockSize(const TextBuffer& t)
{
    return _msize(t.chars);
}

TEST(TextBuffer, NewBufferHoldsNoTextAndReadsAsEmpty)
{
    TextBuffer t;
    EXPECT_EQ(t.chars, nullptr);
    EXPECT_STREQ(t.Text(), "");
}

TEST(TextBuffer, AssignOfEmptyTextIsOneByteNotNull)
{
    TextBuffer t;
    t.Assign("");
    ASSERT_NE(t.chars, nullptr);
    EXPECT_STREQ(t.chars, "");
    EXPECT_EQ(BlockSize(t), 1u);
}

TEST(TextBuffer, AssignOfNullLeavesNoText)
{
    TextBuffer t;
    t.Assign("old");
    t.Assign(nullptr);
    EXPECT_EQ(t.chars, nullptr);
}

TEST(TextBuffer, AssignCopiesTheTextWithItsTerminatorOnly)
{
    TextBuffer t;
    t.Assign("a much longer first text");
    t.Assign("abc");
    ASSERT_NE(t.chars, nullptr);
    EXPECT_STREQ(t.chars, "abc");
    EXPECT_EQ(BlockSize(t), 4u);
}

TEST(TextBuffer, FreeTwiceIsHarmless)
{
    TextBuffer t;
    t.Assign("abc");
    t.Free();
    t.Free();
    EXPECT_EQ(t.chars, nullptr);
}

TEST(TextBuffer, LoadOfZeroLeavesNoText)
{
    TextBuffer t;
    t.Assign("old");
    t.Load(0, 260, nullptr);
    EXPECT_EQ(t.chars, nullptr);
}

TEST(TextBuffer, LoadOfAnIdKeepsAllMBytes)
{
    TextBuffer t;
    t.Load(IDS_TEST_FOUR, 260, nullptr);
    ASSERT_NE(t.chars, nullptr);
    EXPECT_STREQ(t.chars, "Four");
    EXPECT_EQ(BlockSize(t), 260u);
}

TEST(TextBuffer, LoadCutsTheStringToMMinusOneCharacters)
{
    TextBuffer t;
    t.Load(IDS_TEST_LONG, 5, GetModuleHandleA(nullptr));
    ASSERT_NE(t.chars, nullptr);
    EXPECT_STREQ(t.chars, "A st");
    EXPECT_EQ(BlockSize(t), 5u);
}

TEST(TextBuffer, LoadOfAMissingStringGivesEmptyTextInMBytes)
{
    TextBuffer t;
    t.Load(0xFFFF, 16, nullptr);
    ASSERT_NE(t.chars, nullptr);
    EXPECT_STREQ(t.chars, "");
    EXPECT_EQ(BlockSize(t), 16u);
}

// Readable memory at 0x10000 itself: what is there already, or a page the test places.
static const char* TextAt0x10000(void** placed)
{
    char* const at = reinterpret_cast<char*>(0x10000);
    *placed = nullptr;
    MEMORY_BASIC_INFORMATION region = {};
    if (VirtualQuery(at, &region, sizeof region) && region.State == MEM_COMMIT &&
        (region.Protect & (PAGE_READONLY | PAGE_READWRITE)) && region.RegionSize >= 4096)
        return memchr(at, 0, 4096) ? at : nullptr;
    *placed = VirtualAlloc(at, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (*placed != at)
        return nullptr;
    std::memcpy(at, "at 0x10000", 11);
    return at;
}

// 0x10000 is the first value taken as a pointer: the buffer then is the text's own length,
// where an id would have given m bytes.
TEST(TextBuffer, LoadTakes0x10000AsAPointer)
{
    void* placed = nullptr;
    const char* text = TextAt0x10000(&placed);
    if (!text)
        GTEST_SKIP() << "no readable text can sit at 0x10000 in this process";
    TextBuffer t;
    t.Load(0x10000, 260, nullptr);
    ASSERT_NE(t.chars, nullptr);
    EXPECT_STREQ(t.chars, text);
    EXPECT_EQ(BlockSize(t), std::strlen(text) + 1);
    t.Free();
    if (placed)
        VirtualFree(placed, 0, MEM_RELEASE);
}

TEST(TextBuffer, LoadOfAPointerCopiesItAndIgnoresM)
{
    const char text[] = "a text longer than m";
    TextBuffer t;
    t.Load(reinterpret_cast<UINT_PTR>(text), 4, nullptr);
    ASSERT_NE(t.chars, nullptr);
    EXPECT_STREQ(t.chars, text);
    EXPECT_NE(t.chars, text);
    EXPECT_EQ(BlockSize(t), sizeof text);
}

TEST(TextBuffer, LoadOfItsOwnTextKeepsIt)
{
    const char text[] = "the folder of the last answer, asked for again";
    TextBuffer t;
    t.Assign(text);
    t.Load(reinterpret_cast<UINT_PTR>(t.chars), 260, nullptr);
    ASSERT_NE(t.chars, nullptr);
    EXPECT_STREQ(t.chars, text);
}

// A plain static window whose text the test sets.
class WindowText : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override
    {
        if (window)
            DestroyWindow(window);
    }
    HWND window = nullptr;
};

TEST_F(WindowText, EmptyTextGivesNullAndZero)
{
    TextBuffer t;
    t.Assign("old");
    EXPECT_EQ(t.ReadWindowText(window), 0);
    EXPECT_EQ(t.chars, nullptr);
}

TEST_F(WindowText, TextGivesItsLengthPlusOne)
{
    SetWindowTextA(window, "C:\\Sounds\\");
    TextBuffer t;
    EXPECT_EQ(t.ReadWindowText(window), 11);
    ASSERT_NE(t.chars, nullptr);
    EXPECT_STREQ(t.chars, "C:\\Sounds\\");
    EXPECT_EQ(BlockSize(t), 11u);
}

TEST(TextBuffer, ReadWindowTextOfNoWindowGivesNullAndZero)
{
    TextBuffer t;
    t.Assign("old");
    EXPECT_EQ(t.ReadWindowText(nullptr), 0);
    EXPECT_EQ(t.chars, nullptr);
}
