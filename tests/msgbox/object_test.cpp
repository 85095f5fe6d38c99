// ExtMessageBox configuration: button slots, the folder field record, teardown.
#include "msgbox/ext_message_box.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "res/resource.h"

namespace {

// Set by a test to make the next std::nothrow allocations fail.
bool refuseNothrowNew = false;

}  // namespace

// The program allocates its folder record with std::nothrow; this replacement lets a test
// refuse it. Same heap as the default operator delete.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    if (refuseNothrowNew)
        return nullptr;
    return std::malloc(size ? size : 1);
}

namespace {

RECT WorkArea()
{
    RECT r = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

void ExpectDefaultSlot(const ButtonSlot& slot, int index)
{
    EXPECT_EQ(slot.image, nullptr) << "slot " << index;
    EXPECT_EQ(slot.imageType, static_cast<UINT>(IMAGE_BITMAP)) << "slot " << index;
    EXPECT_EQ(slot.x, 0) << "slot " << index;
    EXPECT_EQ(slot.y, 0) << "slot " << index;
    EXPECT_EQ(slot.width, 98) << "slot " << index;
    EXPECT_EQ(slot.height, 24) << "slot " << index;
    EXPECT_EQ(slot.label, nullptr) << "slot " << index;
}

class ExtMessageBoxConfig : public ::testing::Test {
protected:
    void SetUp() override { object.Init(nullptr); }
    void TearDown() override { object.Release(); }
    ExtMessageBox object;
};

}  // namespace

TEST_F(ExtMessageBoxConfig, InitGivesPlainKindOwnModuleAndDefaultSlots)
{
    EXPECT_EQ(object.kind, EMB_KIND_NONE);
    EXPECT_EQ(object.module, GetModuleHandleA(nullptr));
    EXPECT_EQ(object.extension, nullptr);
    EXPECT_EQ(object.text.chars, nullptr);
    for (int i = 0; i < EMB_MAX_BUTTONS; ++i)
        ExpectDefaultSlot(object.buttons[i], i);
}

TEST_F(ExtMessageBoxConfig, SizesMustLieStrictlyInsideTheWorkArea)
{
    const RECT area = WorkArea();
    const int sizes[] = {static_cast<int>(area.right), 30, static_cast<int>(area.right) - 1,
                         static_cast<int>(area.bottom), 0, -5, 150, static_cast<int>(area.bottom) - 1};
    object.SetButtons(0, sizes, 8, nullptr, 0);
    EXPECT_EQ(object.buttons[0].width, 98);  // equal to the right edge: ignored
    EXPECT_EQ(object.buttons[0].height, 30);
    EXPECT_EQ(object.buttons[1].width, area.right - 1);
    EXPECT_EQ(object.buttons[1].height, 24);  // equal to the bottom edge: ignored
    EXPECT_EQ(object.buttons[2].width, 98);   // zero
    EXPECT_EQ(object.buttons[2].height, 24);  // negative
    EXPECT_EQ(object.buttons[3].width, 150);
    EXPECT_EQ(object.buttons[3].height, area.bottom - 1);
}

TEST_F(ExtMessageBoxConfig, OddSizeCountSetsOnlyTheWidthOfTheLastButton)
{
    const int sizes[] = {120, 33, 140, 44};
    object.SetButtons(0, sizes, 3, nullptr, 0);
    EXPECT_EQ(object.buttons[0].width, 120);
    EXPECT_EQ(object.buttons[0].height, 33);
    EXPECT_EQ(object.buttons[1].width, 140);
    EXPECT_EQ(object.buttons[1].height, 24);
}

TEST_F(ExtMessageBoxConfig, SizesBeyondEightAndLabelsBeyondFourAreIgnored)
{
    const int sizes[] = {101, 21, 102, 22, 103, 23, 104, 25, 105, 26};
    const char* labels[] = {"A", "B", "C", "D", "E"};
    UINT_PTR values[5];
    for (int i = 0; i < 5; ++i)
        values[i] = reinterpret_cast<UINT_PTR>(labels[i]);
    object.SetButtons(1, sizes, 10, values, 5);
    for (int i = 0; i < EMB_MAX_BUTTONS; ++i) {
        EXPECT_EQ(object.buttons[i].width, 101 + i);
        EXPECT_STREQ(object.buttons[i].label, labels[i]);
        EXPECT_EQ(object.buttons[i].image, nullptr);
    }
}

TEST_F(ExtMessageBoxConfig, ImageIdsLoadIconsAndAnythingElseLeavesTheSlotBare)
{
    const UINT_PTR images[] = {IDI_BUTTON_OK, 0, 0x10000, 999};
    object.SetButtons(0, nullptr, 0, images, 4);
    EXPECT_NE(object.buttons[0].image, nullptr);
    EXPECT_EQ(object.buttons[0].imageType, static_cast<UINT>(IMAGE_ICON));
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(object.buttons[i].image, nullptr) << "slot " << i;
        EXPECT_EQ(object.buttons[i].label, nullptr) << "slot " << i;
    }
}

TEST_F(ExtMessageBoxConfig, ANewSetButtonsReleasesTheImagesAndResetsEverySlot)
{
    const int sizes[] = {200, 40, 200, 40};
    const UINT_PTR images[] = {IDI_BUTTON_OK, IDI_BUTTON_CANCEL};
    object.SetButtons(0, sizes, 4, images, 2);
    const HICON first = static_cast<HICON>(object.buttons[0].image);
    ASSERT_NE(first, nullptr);
    object.SetButtons(1, nullptr, EMB_MAX_SIZES, nullptr, EMB_MAX_BUTTONS);
    for (int i = 0; i < EMB_MAX_BUTTONS; ++i)
        ExpectDefaultSlot(object.buttons[i], i);
    ICONINFO info = {};
    EXPECT_FALSE(GetIconInfo(first, &info)) << "the old icon was not destroyed";
}

TEST_F(ExtMessageBoxConfig, SecondFolderFieldReplacesTheFirst)
{
    object.SetFolderField("C:\\first\\", "First title", IDI_BROWSE, 1, 1, 1);
    ASSERT_NE(object.extension, nullptr);
    object.SetFolderField("C:\\second\\", "Second title", 0, 0, 1, 0);
    EXPECT_EQ(object.kind, EMB_KIND_FOLDER);
    ASSERT_NE(object.extension, nullptr);
    EXPECT_STREQ(object.text.Text(), "C:\\second\\");
    EXPECT_STREQ(object.extension->browseTitle.Text(), "Second title");
    EXPECT_EQ(object.extension->browseImageId, 0u);
    EXPECT_EQ(object.extension->browseImage, nullptr);
    EXPECT_EQ(object.extension->appendBackslash, 0);
    EXPECT_EQ(object.extension->validateOnChange, 1);
    EXPECT_EQ(object.extension->actionEnabled, 0);
}

TEST_F(ExtMessageBoxConfig, NullInitialFolderAndTitleLeaveNoText)
{
    object.SetFolderField(nullptr, nullptr, IDI_BROWSE, 1, 1, 1);
    EXPECT_EQ(object.kind, EMB_KIND_FOLDER);
    EXPECT_EQ(object.text.chars, nullptr);
    ASSERT_NE(object.extension, nullptr);
    EXPECT_EQ(object.extension->browseTitle.chars, nullptr);
}

TEST_F(ExtMessageBoxConfig, ReleaseLeavesNothingAndMayBeRepeated)
{
    object.SetFolderField("C:\\", "Title", IDI_BROWSE, 1, 1, 1);
    const UINT_PTR images[] = {IDI_BUTTON_OK};
    object.SetButtons(0, nullptr, 0, images, 1);
    object.Release();
    EXPECT_EQ(object.extension, nullptr);
    EXPECT_EQ(object.text.chars, nullptr);
    EXPECT_EQ(object.buttons[0].image, nullptr);
    EXPECT_EQ(object.hookThunk, nullptr);
    object.Release();
}

TEST_F(ExtMessageBoxConfig, FolderFieldWithoutItsRecordFallsBackToAPlainBox)
{
    refuseNothrowNew = true;
    object.SetFolderField("C:\\", "Title", IDI_BROWSE, 1, 1, 1);
    refuseNothrowNew = false;
    EXPECT_EQ(object.kind, EMB_KIND_NONE);
    EXPECT_EQ(object.extension, nullptr);
}
