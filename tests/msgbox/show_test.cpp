// ExtMessageBox::Show for real: the hook finds the box, the answers come back, the
// configuration is consumed.
#include "msgbox/ext_message_box.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/msgbox/box_session.h"

namespace {

class ShowTest : public ::testing::Test {
protected:
    void SetUp() override { object.Init(nullptr); }
    void TearDown() override { object.Release(); }
    ExtMessageBox object;
};

// Keeps the box on screen for a screenshot taken from outside (VORLAN_HOLD_BOX_MS).
void HoldForScreenshot()
{
    const char* hold = std::getenv("VORLAN_HOLD_BOX_MS");
    if (!hold)
        return;
    const DWORD until = GetTickCount() + static_cast<DWORD>(std::atoi(hold));
    while (static_cast<LONG>(until - GetTickCount()) > 0) {
        PumpPendingMessages();
        Sleep(20);
    }
}

COLORREF PixelOf(HWND box, int x, int y)
{
    HDC dc = GetDC(box);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(box, dc);
    return colour;
}

}  // namespace

TEST_F(ShowTest, RecognisedBoxGetsItsRealCaption)
{
    std::string title;
    HWND seen = nullptr;
    const int result = ShowAndProbe(object, ShowArgs(), [&](HWND box) {
        seen = box;
        title = WindowTextOf(box);
        PressButton(box, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_NE(seen, nullptr);
    EXPECT_EQ(seen, object.box) << "the hook did not recognise the numbered box";
    EXPECT_EQ(title, "Box under test");
}

TEST_F(ShowTest, WithoutCaptionTheOwnersTitleIsUsed)
{
    OwnerWindow owner(40, 40, 500, 300);
    ShowArgs args;
    args.owner = owner.window;
    args.caption = nullptr;
    std::string title;
    ShowAndProbe(object, args, [&](HWND box) {
        title = WindowTextOf(box);
        PressButton(box, IDOK);
    });
    EXPECT_EQ(title, "Owner of the box");
}

TEST_F(ShowTest, ReturnsTheIdOfTheButtonThatEndedTheBox)
{
    ShowArgs args;
    args.style = MB_YESNOCANCEL;
    int visible = 0;
    const int result = ShowAndProbe(object, args, [&](HWND box) {
        HWND buttons[8];
        visible = VisiblePushButtons(box, buttons, 8);
        PressButton(box, IDNO);
    });
    EXPECT_EQ(result, IDNO);
    EXPECT_EQ(visible, 3);
}

TEST_F(ShowTest, TimeOutWithoutButtonsEndsTheBoxWithIdTimeout)
{
    ShowArgs args;
    args.timeout = 500;
    args.options = EMB_OPT_TIMEOUT_NO_BUTTONS;
    int visible = -1;
    UINT state = 0;
    const int result = ShowAndProbe(object, args, [&](HWND box) {
        HWND buttons[8];
        visible = VisiblePushButtons(box, buttons, 8);
        state = object.state;
    });
    EXPECT_EQ(result, ID_TIMEOUT);
    EXPECT_EQ(visible, 0);
    EXPECT_EQ(state & EMB_STATE_TIMER_ARMED, EMB_STATE_TIMER_ARMED);
    EXPECT_EQ(object.state, 0u);
}

TEST_F(ShowTest, AnswerBeforeTheTimeOutIsTheButtonId)
{
    ShowArgs args;
    args.style = MB_OKCANCEL;
    args.timeout = 10000;
    const int result = ShowAndProbe(object, args, [&](HWND box) { PressButton(box, IDCANCEL); });
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(ShowTest, UnansweredBoxWithButtonsEndsWithIdTimeout)
{
    ShowArgs args;
    args.style = MB_OKCANCEL;
    args.timeout = 500;
    int visible = 0;
    const int result = ShowAndProbe(object, args, [&](HWND box) {
        HWND buttons[8];
        visible = VisiblePushButtons(box, buttons, 8);
    });
    EXPECT_EQ(visible, 2);
    EXPECT_EQ(result, ID_TIMEOUT);
}

TEST_F(ShowTest, IgnoreCancelDropsCancelEscapeAndTheCloseBox)
{
    ShowArgs args;
    args.style = MB_OKCANCEL;
    args.options = EMB_OPT_IGNORE_CANCEL;
    int visible = 0;
    const int result = ShowAndProbe(object, args, [&](HWND box) {
        HWND buttons[8];
        visible = VisiblePushButtons(box, buttons, 8);
        // Each of these would end the box with IDCANCEL; only the last post may end it.
        PostMessageA(buttons[0], WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(box, WM_CLOSE, 0, 0);
        PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        PressButton(box, IDCANCEL);
        PressButton(box, IDOK);
    });
    EXPECT_EQ(visible, 2);
    EXPECT_EQ(result, IDOK);
}

TEST_F(ShowTest, ButtonCountFollowsTheTypeAndTheHelpButton)
{
    ShowArgs args;
    args.style = MB_YESNOCANCEL | MB_HELP;
    int withHelp = 0;
    ShowAndProbe(object, args, [&](HWND box) {
        withHelp = object.buttonCount;
        PressButton(box, IDYES);
    });
    EXPECT_EQ(withHelp, 4);

    args.style = MB_YESNOCANCEL | MB_HELP | MB_SYSTEMMODAL;
    int systemModal = 0;
    ShowAndProbe(object, args, [&](HWND box) {
        systemModal = object.buttonCount;
        PressButton(box, IDYES);
    });
    EXPECT_EQ(systemModal, 3);
}

TEST_F(ShowTest, FramedButtonsAreTwoPixelsTallerUnlessSizedByTheCaller)
{
    const int sizes[] = {98, 24, 200, 40};
    object.SetButtons(1, sizes, 4, nullptr, 0);
    ShowArgs args;
    args.style = MB_OKCANCEL;
    args.options = EMB_OPT_CLIENT_EDGE;
    RECT first = {}, second = {};
    ShowAndProbe(object, args, [&](HWND box) {
        HWND buttons[8];
        if (VisiblePushButtons(box, buttons, 8) == 2) {
            GetWindowRect(buttons[0], &first);
            GetWindowRect(buttons[1], &second);
        }
        PressButton(box, IDOK);
    });
    EXPECT_EQ(first.bottom - first.top, 26);
    EXPECT_EQ(second.right - second.left, 200);
    EXPECT_EQ(second.bottom - second.top, 40);
}

TEST_F(ShowTest, TopmostStyleBecomesTheBoxsExtendedStyle)
{
    ShowArgs args;
    args.style = MB_OK | MB_TOPMOST;
    LONG exStyle = 0;
    ShowAndProbe(object, args, [&](HWND box) {
        exStyle = GetWindowLongA(box, GWL_EXSTYLE);
        PressButton(box, IDOK);
    });
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
}

TEST_F(ShowTest, BoxIsCentredOverItsOwner)
{
    OwnerWindow owner(100, 80, 640, 420);
    RECT ownerRect = {};
    GetWindowRect(owner.window, &ownerRect);
    ConfigureFolderPrompt(object, "C:\\");
    RECT boxRect = {};
    ShowAndProbe(object, FolderPromptArgs(owner.window), [&](HWND box) {
        GetWindowRect(box, &boxRect);
        PressButton(box, IDCANCEL);
    });
    // Centred within a pixel each way (the halves are truncated).
    const int ownerCentreX2 = ownerRect.left + ownerRect.right;
    const int ownerCentreY2 = ownerRect.top + ownerRect.bottom;
    EXPECT_NEAR(boxRect.left + boxRect.right, ownerCentreX2, 2);
    EXPECT_NEAR(boxRect.top + boxRect.bottom, ownerCentreY2, 2);
    EXPECT_GT(boxRect.right - boxRect.left, 400);
}

TEST_F(ShowTest, NullOwnerCentresOverTheDesktop)
{
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    RECT boxRect = {};
    ShowAndProbe(object, ShowArgs(), [&](HWND box) {
        GetWindowRect(box, &boxRect);
        PressButton(box, IDOK);
    });
    EXPECT_NEAR(boxRect.left + boxRect.right, desktop.left + desktop.right, 2);
    EXPECT_NEAR(boxRect.top + boxRect.bottom, desktop.top + desktop.bottom, 2);
}

TEST_F(ShowTest, ButtonsStayWhereTheLayoutPutThem)
{
    OwnerWindow owner(100, 80, 640, 420);
    ConfigureFolderPrompt(object, "C:\\");
    std::vector<RECT> placed;
    std::vector<ButtonSlot> slots;
    ShowAndProbe(object, FolderPromptArgs(owner.window), [&](HWND box) {
        HWND buttons[8];
        const int n = VisiblePushButtons(box, buttons, 8);
        for (int i = 0; i < n; ++i) {
            placed.push_back(ClientRectOfChild(box, buttons[i]));
            slots.push_back(object.buttons[i]);
        }
        PressButton(box, IDCANCEL);
    });
    ASSERT_EQ(placed.size(), 2u);
    for (size_t i = 0; i < placed.size(); ++i) {
        EXPECT_EQ(placed[i].left, slots[i].x) << "button " << i;
        EXPECT_EQ(placed[i].top, slots[i].y) << "button " << i;
        EXPECT_EQ(placed[i].right - placed[i].left, 200) << "button " << i;
        EXPECT_EQ(placed[i].bottom - placed[i].top, 40) << "button " << i;
    }
}

TEST_F(ShowTest, EtchedLineIsPaintedOnFrameRect)
{
    OwnerWindow owner(100, 80, 640, 420);
    ConfigureFolderPrompt(object, "C:\\");
    RECT frame = {};
    COLORREF upper = 0, lower = 0, above = 0;
    ShowAndProbe(object, FolderPromptArgs(owner.window), [&](HWND box) {
        RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        frame = object.frameRect;
        const int x = (frame.left + frame.right) / 2;
        upper = PixelOf(box, x, frame.bottom - 2);
        lower = PixelOf(box, x, frame.bottom - 1);
        above = PixelOf(box, x, frame.top - 2);
        HoldForScreenshot();
        PressButton(box, IDCANCEL);
    });
    EXPECT_EQ(frame.bottom - frame.top, 2);
    EXPECT_EQ(upper, GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(lower, GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_NE(above, GetSysColor(COLOR_BTNSHADOW));
}

TEST_F(ShowTest, EveryShowConsumesTheConfiguration)
{
    ConfigureFolderPrompt(object, "C:\\");
    const HICON okImage = static_cast<HICON>(object.buttons[0].image);
    ASSERT_NE(okImage, nullptr);
    const int result = ShowAndProbe(object, FolderPromptArgs(nullptr), [&](HWND box) { PressButton(box, IDOK); });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(object.kind, EMB_KIND_NONE);
    EXPECT_EQ(object.extension, nullptr);
    EXPECT_EQ(object.textWidth, 0);
    EXPECT_EQ(object.hook, nullptr);
    EXPECT_EQ(object.state, 0u);
    EXPECT_EQ(object.hookThunk, nullptr);
    for (int i = 0; i < EMB_MAX_BUTTONS; ++i) {
        EXPECT_EQ(object.buttons[i].image, nullptr);
        EXPECT_EQ(object.buttons[i].width, 98);
        EXPECT_EQ(object.buttons[i].height, 24);
    }
    ICONINFO info = {};
    EXPECT_FALSE(GetIconInfo(okImage, &info)) << "the button image was not released";
    EXPECT_STREQ(object.text.Text(), "C:\\") << "the folder answer is kept";
}

TEST_F(ShowTest, PlainBoxComesBackWithoutText)
{
    object.text.Assign("left over");
    ShowAndProbe(object, ShowArgs(), [&](HWND box) { PressButton(box, IDOK); });
    EXPECT_EQ(object.text.chars, nullptr);
}

TEST_F(ShowTest, PlainBoxHoldsStill)
{
    ShowArgs args;
    args.message = "A plain question with two buttons and no extra control.";
    args.style = MB_YESNO | MB_ICONQUESTION;
    const int result = ShowAndProbe(object, args, [&](HWND box) {
        HoldForScreenshot();
        PressButton(box, IDYES);
    });
    EXPECT_EQ(result, IDYES);
}

namespace {

// Refuses the first dialog window the thread creates, lets the next one (the error box)
// through, records it and answers it.
struct CreationBlocker {
    HHOOK hook = nullptr;
    int dialogs = 0;
    HWND errorBox = nullptr;
    std::string errorCaption;
    LONG errorExStyle = 0;
    std::vector<std::string> errorTexts;
};
CreationBlocker* blocker = nullptr;

const ULONG_PTR DIALOG_CLASS_ATOM = 0x8002;

BOOL CALLBACK CollectText(HWND child, LPARAM)
{
    blocker->errorTexts.push_back(WindowTextOf(child));
    return TRUE;
}

// Wine activates its box before it has filled in the text: read it a little later.
void CALLBACK ReadErrorBox(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    EnumChildWindows(blocker->errorBox, CollectText, 0);
    PostMessageA(blocker->errorBox, WM_COMMAND, IDOK, 0);
}

LRESULT CALLBACK BlockFirstDialog(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const CBT_CREATEWNDA* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
        const bool dialog = reinterpret_cast<ULONG_PTR>(create->lpcs->lpszClass) == DIALOG_CLASS_ATOM;
        if (dialog && ++blocker->dialogs == 1)
            return 1;
    } else if (code == HCBT_ACTIVATE && blocker->dialogs >= 2 && !blocker->errorBox) {
        HWND box = reinterpret_cast<HWND>(wParam);
        blocker->errorBox = box;
        blocker->errorCaption = WindowTextOf(box);
        blocker->errorExStyle = GetWindowLongA(box, GWL_EXSTYLE);
        SetTimer(nullptr, 0, 300, ReadErrorBox);
    }
    return CallNextHookEx(blocker->hook, code, wParam, lParam);
}

}  // namespace

TEST_F(ShowTest, BoxThatCannotBeCreatedGivesZeroAndASystemModalErrorBox)
{
    CreationBlocker block;
    blocker = &block;
    block.hook = SetWindowsHookExA(WH_CBT, BlockFirstDialog, nullptr, GetCurrentThreadId());
    ASSERT_NE(block.hook, nullptr);
    const int result = object.Show(nullptr, "never seen", "Blocked", MB_OK, 0, 0, 0, 0);
    UnhookWindowsHookEx(block.hook);
    blocker = nullptr;

    EXPECT_EQ(result, 0);
    ASSERT_NE(block.errorBox, nullptr) << "no error box was shown";
    EXPECT_EQ(block.errorCaption, "Error");
    EXPECT_TRUE(block.errorExStyle & WS_EX_TOPMOST);
    char expected[160] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_NOT_ENOUGH_MEMORY, 0, expected, sizeof expected, nullptr);
    bool found = false;
    for (const std::string& text : block.errorTexts)
        found = found || (!text.empty() && std::string(expected).find(text.substr(0, 10)) == 0);
    EXPECT_TRUE(found) << "the error box does not show the text for error 8: " << expected;
}

namespace {

// A box whose filter swallows the first OK command and counts its destruction.
class FilteringBox : public ExtMessageBox {
public:
    BOOL FilterMessage(HWND, UINT* message, WPARAM* wParam, LPARAM*) override
    {
        if (*message != WM_COMMAND || LOWORD(*wParam) != IDOK || okSwallowed)
            return TRUE;
        okSwallowed = true;
        return FALSE;
    }
    void OnCustomDestroy(HWND window) override { destroyedBox = window; }
    bool okSwallowed = false;
    HWND destroyedBox = nullptr;
};

}  // namespace

TEST(ShowVirtuals, FilterCanKeepTheBoxOpenAndPlainBoxesReportTheirDestruction)
{
    FilteringBox object;
    object.Init(nullptr);
    ShowArgs args;
    args.style = MB_OKCANCEL;
    HWND shown = nullptr;
    const int result = ShowAndProbe(object, args, [&](HWND box) {
        shown = box;
        PressButton(box, IDOK);
        PressButton(box, IDCANCEL);
    });
    EXPECT_TRUE(object.okSwallowed);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(object.destroyedBox, shown);
    object.Release();
}
