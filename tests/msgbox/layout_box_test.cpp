// The rebuilt box for real: the three button layouts and the box without buttons, the
// icon and text stages, the button stage and the image loader.
#include "msgbox/ext_message_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/msgbox/box_session.h"

namespace {

// What a probe saw of the open box.
struct Seen {
    RECT window = {};
    RECT client = {};
    RECT text = {};
    std::vector<RECT> buttons;
    RECT frameRect = {};
    int imageRect[4] = {};
    LONG style = 0;
};

class LayoutBoxTest : public ::testing::Test {
protected:
    void SetUp() override { object.Init(nullptr); }
    void TearDown() override { object.Release(); }

    // Shows the box, records it and answers it with the first visible push button (or lets
    // a box without buttons end by its time-out).
    Seen ShowAndRecord(const ShowArgs& args)
    {
        Seen seen;
        ShowAndProbe(object, args, [&](HWND box) {
            GetWindowRect(box, &seen.window);
            GetClientRect(box, &seen.client);
            seen.text = ClientRectOfChild(box, object.textWindow);
            HWND found[8];
            const int n = VisiblePushButtons(box, found, 8);
            for (int i = 0; i < n; ++i)
                seen.buttons.push_back(ClientRectOfChild(box, found[i]));
            seen.frameRect = object.frameRect;
            std::copy(object.imageRect, object.imageRect + 4, seen.imageRect);
            seen.style = GetWindowLongA(box, GWL_STYLE);
            if (n > 0)
                PressButton(box, GetDlgCtrlID(found[0]));
        });
        return seen;
    }

    ExtMessageBox object;
};

int WidthOf(const RECT& r)
{
    return r.right - r.left;
}

int HeightOf(const RECT& r)
{
    return r.bottom - r.top;
}

ShowArgs Args(UINT style, UINT options, UINT_PTR icon = 0)
{
    ShowArgs args;
    args.message = "Layout under test";
    args.style = style;
    args.options = options;
    args.icon = icon;
    return args;
}

}  // namespace

TEST_F(LayoutBoxTest, RowIsCentredTwoPixelsApartAndSixAboveTheBottom)
{
    const Seen seen = ShowAndRecord(Args(MB_YESNOCANCEL, 0));
    ASSERT_EQ(seen.buttons.size(), 3u);
    const int left = seen.buttons.front().left;
    const int right = seen.client.right - seen.buttons.back().right;
    EXPECT_LE(std::abs(left - right), 1) << "row not centred";
    for (size_t i = 1; i < seen.buttons.size(); ++i)
        EXPECT_EQ(seen.buttons[i].left, seen.buttons[i - 1].right + 2);
    for (const RECT& b : seen.buttons) {
        EXPECT_EQ(b.bottom, seen.client.bottom - 6);
        EXPECT_EQ(WidthOf(b), 98);
        EXPECT_EQ(HeightOf(b), 24);
    }
    EXPECT_EQ(WidthOf(seen.window) % 2, 0);
}

TEST_F(LayoutBoxTest, CentredColumnStandsBelowTheTextTwoPixelsApart)
{
    const int sizes[] = {98, 24, 150, 30, 60, 24};
    object.SetButtons(1, sizes, 6, nullptr, 0);
    const Seen seen = ShowAndRecord(Args(MB_YESNOCANCEL, EMB_OPT_CENTRED_COLUMN));
    ASSERT_EQ(seen.buttons.size(), 3u);
    const int boxWidth = WidthOf(seen.window);
    EXPECT_EQ(boxWidth % 2, 0);
    EXPECT_EQ(seen.buttons[0].top, 11 + HeightOf(seen.text) + 16);
    for (size_t i = 0; i < seen.buttons.size(); ++i) {
        const RECT& b = seen.buttons[i];
        EXPECT_EQ(b.left, (boxWidth - WidthOf(b) - 6) / 2) << i;
        if (i > 0) {
            EXPECT_EQ(b.top, seen.buttons[i - 1].bottom + 2) << i;
        }
    }
    EXPECT_EQ(seen.client.bottom, seen.buttons.back().bottom + 2 + 4);
}

TEST_F(LayoutBoxTest, RightColumnStandsTwelveFromTheRightEdge)
{
    const int sizes[] = {98, 24, 120, 30};
    object.SetButtons(1, sizes, 4, nullptr, 0);
    const Seen seen = ShowAndRecord(Args(MB_OKCANCEL, EMB_OPT_RIGHT_COLUMN));
    ASSERT_EQ(seen.buttons.size(), 2u);
    const int boxWidth = WidthOf(seen.window);
    EXPECT_EQ(boxWidth, 11 + seen.text.right + 120 + 22);
    EXPECT_EQ(seen.buttons[0].left, boxWidth - 98 - 12);
    EXPECT_EQ(seen.buttons[1].left, boxWidth - 120 - 12);
    EXPECT_EQ(seen.buttons[0].top, 6);
    EXPECT_EQ(seen.buttons[1].top, 6 + 24 + 2);
}

TEST_F(LayoutBoxTest, BoxWithoutButtonsLosesItsMenuAndGrowsByEleven)
{
    for (UINT options : {EMB_OPT_TIMEOUT_NO_BUTTONS, EMB_OPT_TIMEOUT_NO_BUTTONS | EMB_OPT_CLIENT_EDGE}) {
        ShowArgs args = Args(MB_OK, options);
        args.timeout = 500;
        const Seen seen = ShowAndRecord(args);
        EXPECT_TRUE(seen.buttons.empty()) << options;
        EXPECT_EQ(seen.style & WS_SYSMENU, 0) << options;
        const int growth = (options & EMB_OPT_CLIENT_EDGE) ? 11 + 22 : 11;
        EXPECT_EQ(WidthOf(seen.window), 11 + seen.text.right + growth) << options;
        EXPECT_EQ(seen.client.bottom, 11 + HeightOf(seen.text) + growth) << options;
        EXPECT_EQ(object.kind, EMB_KIND_NONE);
    }
}

TEST_F(LayoutBoxTest, BoxWithoutButtonsGetsNoFolderField)
{
    object.SetFolderField("C:\\", "title", IDI_BROWSE, 1, 1, 1);
    ShowArgs args = Args(MB_OK, EMB_OPT_TIMEOUT_NO_BUTTONS);
    args.timeout = 500;
    HWND edit = reinterpret_cast<HWND>(1);
    ShowAndProbe(object, args, [&](HWND box) { edit = GetDlgItem(box, IDC_EXTRA); });
    EXPECT_EQ(edit, nullptr);
}

TEST_F(LayoutBoxTest, PanelHoldsTouchingButtonsAndTheEtchedLineWinsOverIt)
{
    const Seen panel = ShowAndRecord(Args(MB_OKCANCEL, EMB_OPT_SUNKEN_PANEL));
    ASSERT_EQ(panel.buttons.size(), 2u);
    const int cx = GetSystemMetrics(SM_CXEDGE);
    const int cy = GetSystemMetrics(SM_CYEDGE);
    EXPECT_EQ(panel.frameRect.left, 1);
    EXPECT_EQ(panel.buttons[1].left, panel.buttons[0].right);
    EXPECT_EQ(panel.buttons[1].right, panel.frameRect.right - cx);
    EXPECT_EQ(panel.buttons[0].top, panel.frameRect.top + 1 + 1);
    EXPECT_EQ(panel.frameRect.bottom - panel.frameRect.top, 24 + 2 * cx);
    EXPECT_EQ(panel.client.bottom, panel.buttons[0].bottom - 1 + cy + 2);

    const Seen both = ShowAndRecord(Args(MB_OKCANCEL, EMB_OPT_SUNKEN_PANEL | EMB_OPT_ETCHED_LINE));
    ASSERT_EQ(both.buttons.size(), 2u);
    EXPECT_EQ(both.frameRect.left, 6);
    EXPECT_EQ(both.frameRect.bottom - both.frameRect.top, 2);
    EXPECT_EQ(both.buttons[0].top, both.frameRect.top + 11);
    EXPECT_EQ(both.buttons[1].left, both.buttons[0].right + 2);
    EXPECT_EQ(both.buttons[1].right, WidthOf(both.window) - 12);
}

TEST_F(LayoutBoxTest, ColumnShownAfterARowPaintsNoEtchedLine)
{
    const Seen row = ShowAndRecord(Args(MB_OKCANCEL, EMB_OPT_ETCHED_LINE));
    ASSERT_FALSE(IsRectEmpty(&row.frameRect));
    const Seen column = ShowAndRecord(Args(MB_OKCANCEL, EMB_OPT_ETCHED_LINE | EMB_OPT_RIGHT_COLUMN));
    EXPECT_TRUE(IsRectEmpty(&column.frameRect));
}

TEST_F(LayoutBoxTest, OddWidthsAreMadeEven)
{
    for (int textWidth : {400, 401}) {
        object.textWidth = textWidth;
        const Seen seen = ShowAndRecord(Args(MB_OK, 0));
        const int expected = 11 + seen.text.right + 11;
        EXPECT_EQ(WidthOf(seen.window), expected - expected % 2) << textWidth;
    }
}

TEST_F(LayoutBoxTest, NarrowIconIsLoadedAgainAtTheDefaultSize)
{
    // The browse image is a 16 x 16 icon; the prompt icon is already 32 wide.
    for (UINT_PTR icon : {static_cast<UINT_PTR>(IDI_BROWSE), static_cast<UINT_PTR>(IDI_PROMPT)}) {
        object.textWidth = 200;
        const Seen seen = ShowAndRecord(Args(MB_OK, EMB_OPT_RIGHT_COLUMN, icon));
        const int standard = GetSystemMetrics(SM_CXICON);
        EXPECT_EQ(seen.imageRect[0], 11) << icon;
        EXPECT_EQ(seen.imageRect[1], 11) << icon;
        EXPECT_EQ(seen.imageRect[2], standard) << icon;
        EXPECT_EQ(seen.imageRect[3], GetSystemMetrics(SM_CYICON)) << icon;
        EXPECT_EQ(seen.text.top, 11) << icon;
        EXPECT_EQ(WidthOf(seen.text), 200) << icon;
        EXPECT_EQ(WidthOf(seen.window), 11 + seen.text.right + 98 + 22) << icon;
    }
}

TEST_F(LayoutBoxTest, IconStaticShowsTheLoadedImageWithItsEdge)
{
    HWND iconStatic = nullptr;
    HANDLE shown = nullptr;
    LONG exStyle = 0;
    ShowAndProbe(object, Args(MB_OK, EMB_OPT_ICON_EDGE, IDI_PROMPT), [&](HWND box) {
        iconStatic = GetWindow(box, GW_CHILD);
        while (iconStatic && (GetWindowLongA(iconStatic, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
            iconStatic = GetWindow(iconStatic, GW_HWNDNEXT);
        shown = reinterpret_cast<HANDLE>(SendMessageA(iconStatic, STM_GETIMAGE, IMAGE_ICON, 0));
        exStyle = GetWindowLongA(iconStatic, GWL_EXSTYLE);
        EXPECT_EQ(object.iconImageType, static_cast<UINT>(IMAGE_ICON));
        EXPECT_EQ(shown, object.iconImage);
        PressButton(box, IDOK);
    });
    ASSERT_NE(iconStatic, nullptr);
    EXPECT_NE(shown, nullptr);
    EXPECT_TRUE(exStyle & WS_EX_CLIENTEDGE);
}

TEST_F(LayoutBoxTest, WithoutAnIconTheTextKeepsItsPlace)
{
    object.textWidth = 200;
    const Seen seen = ShowAndRecord(Args(MB_OK, EMB_OPT_RIGHT_COLUMN));
    for (int v : seen.imageRect)
        EXPECT_EQ(v, 0);
    EXPECT_EQ(WidthOf(seen.window), 11 + seen.text.right + 98 + 22);
    // As high as the button column, or the text area and 11 more when that is not lower.
    const int textArea = 11 + HeightOf(seen.text);
    const int columnHeight = 2 + 10 + 24;
    EXPECT_EQ(seen.client.bottom, textArea < columnHeight ? columnHeight : textArea + 11);
}

TEST_F(LayoutBoxTest, TextBelowTheIconStartsTwentySevenBelowTheIconsTop)
{
    object.textWidth = 200;
    const Seen seen = ShowAndRecord(Args(MB_OK, EMB_OPT_TEXT_BELOW_ICON | EMB_OPT_RIGHT_COLUMN, IDI_PROMPT));
    const int icon = seen.imageRect[3];
    EXPECT_EQ(seen.text.left, 11);
    EXPECT_EQ(seen.text.top, icon + 27);
    EXPECT_EQ(WidthOf(seen.window), std::max(seen.imageRect[2], 200) + 22 + 98 + 22);
}

TEST_F(LayoutBoxTest, AnimationReplacesTheIcon)
{
    HWND animation = nullptr;
    char cls[32] = "";
    RECT place = {};
    int imageRect[4] = {};
    int iconStatics = 0;
    ShowAndProbe(object, Args(MB_OK, EMB_OPT_ANIMATION, IDI_PROMPT), [&](HWND box) {
        animation = object.animationWindow;
        GetClassNameA(animation, cls, sizeof cls);
        place = ClientRectOfChild(box, animation);
        std::copy(object.imageRect, object.imageRect + 4, imageRect);
        for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            iconStatics += (GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && c != animation;
        PressButton(box, IDOK);
    });
    ASSERT_NE(animation, nullptr);
    EXPECT_STREQ(cls, "SysAnimate32");
    EXPECT_EQ(place.left, 11);
    EXPECT_EQ(place.top, 11);
    EXPECT_EQ(imageRect[2], WidthOf(place));
    EXPECT_EQ(imageRect[3], HeightOf(place));
    EXPECT_EQ(iconStatics, 0);
    EXPECT_FALSE(IsWindow(animation)) << "destroyed with the box";
}

TEST_F(LayoutBoxTest, ButtonsTakeStylesImagesAndLabelsFromTheirSlots)
{
    const UINT_PTR images[] = {IDI_BUTTON_OK, IDI_BUTTON_CANCEL};
    object.SetButtons(0, nullptr, 0, images, 2);
    LONG okStyle = 0, okExStyle = 0;
    HANDLE okImage = nullptr;
    ShowAndProbe(object, Args(MB_OKCANCEL, EMB_OPT_CLIENT_EDGE | EMB_OPT_FLAT), [&](HWND box) {
        HWND ok = GetDlgItem(box, IDOK);
        okStyle = GetWindowLongA(ok, GWL_STYLE);
        okExStyle = GetWindowLongA(ok, GWL_EXSTYLE);
        okImage = reinterpret_cast<HANDLE>(SendMessageA(ok, BM_GETIMAGE, IMAGE_ICON, 0));
        EXPECT_EQ(okImage, object.buttons[0].image);
        PressButton(box, IDOK);
    });
    EXPECT_NE(okImage, nullptr);
    EXPECT_TRUE(okStyle & BS_ICON);
    EXPECT_TRUE(okStyle & BS_FLAT);
    EXPECT_TRUE(okStyle & WS_TABSTOP);
    EXPECT_EQ(okExStyle, WS_EX_CLIENTEDGE);

    const UINT_PTR labels[] = {reinterpret_cast<UINT_PTR>("First"), reinterpret_cast<UINT_PTR>("Second")};
    object.SetButtons(1, nullptr, 0, labels, 2);
    std::string first, second;
    ShowAndProbe(object, Args(MB_YESNO, 0), [&](HWND box) {
        first = WindowTextOf(GetDlgItem(box, IDYES));
        second = WindowTextOf(GetDlgItem(box, IDNO));
        PressButton(box, IDYES);
    });
    EXPECT_EQ(first, "First");
    EXPECT_EQ(second, "Second");
}

TEST_F(LayoutBoxTest, ActionButtonIsTheFirstThatDoesNotStepBack)
{
    HWND action = nullptr, expected = nullptr;
    ShowAndProbe(object, Args(MB_ABORTRETRYIGNORE, 0), [&](HWND box) {
        action = object.actionButton;
        expected = GetDlgItem(box, IDRETRY);
        PressButton(box, IDIGNORE);
    });
    EXPECT_EQ(action, expected);
}

namespace {

// A box that adds its own area below the text, recording how it was asked.
class CustomAreaBox : public ExtMessageBox {
public:
    BOOL LayoutCustomArea(HWND, int left, int top, int* width, int* extraHeight) override
    {
        ++calls;
        askedLeft = left;
        askedTop = top;
        askedWidth = *width;
        *extraHeight = 30;
        return TRUE;
    }
    int calls = 0;
    int askedLeft = -1, askedTop = -1, askedWidth = -1;
};

}  // namespace

TEST(CustomArea, AddsItsHeightWithTheGapAndTheBottomMargin)
{
    CustomAreaBox object;
    object.Init(nullptr);
    RECT window = {}, client = {}, button = {};
    ShowAndProbe(object, Args(MB_OK, 0), [&](HWND box) {
        GetWindowRect(box, &window);
        GetClientRect(box, &client);
        button = ClientRectOfChild(box, GetDlgItem(box, IDOK));
        PressButton(box, IDOK);
    });
    EXPECT_EQ(object.calls, 1);
    EXPECT_EQ(object.askedLeft, 6);
    EXPECT_EQ(object.askedWidth, WidthOf(window) - 2 * GetSystemMetrics(SM_CXEDGE) - 14);
    // Row layout, no frame: the button row starts below the area and its 6-pixel margin.
    EXPECT_EQ(button.bottom, object.askedTop + 30 + 6 + 24);
    EXPECT_EQ(client.bottom, button.bottom + 6);

    ShowArgs args = Args(MB_OK, EMB_OPT_TIMEOUT_NO_BUTTONS);
    args.timeout = 500;
    ShowAndProbe(object, args, [&](HWND box) {
        GetWindowRect(box, &window);
        GetClientRect(box, &client);
    });
    EXPECT_EQ(object.calls, 2);
    EXPECT_EQ(object.askedLeft, 0);
    EXPECT_EQ(object.askedWidth, WidthOf(window));
    EXPECT_EQ(client.bottom, object.askedTop + 30);
    object.Release();
}

TEST(LoadImageResource, TriesIconThenBitmapThenAnimatedCursor)
{
    ExtMessageBox object;
    object.Init(nullptr);
    HANDLE image = reinterpret_cast<HANDLE>(1);
    EXPECT_EQ(object.LoadImageResource(0, &image, 0), static_cast<UINT>(IMAGE_BITMAP));
    EXPECT_EQ(image, nullptr);

    EXPECT_EQ(object.LoadImageResource(IDI_PROMPT, &image, 0), static_cast<UINT>(IMAGE_ICON));
    ASSERT_NE(image, nullptr);
    ReleaseImage(image, IMAGE_ICON);

    // Only the low 16 bits name the resource.
    EXPECT_EQ(object.LoadImageResource(0x10000 | IDI_BROWSE, &image, 0), static_cast<UINT>(IMAGE_ICON));
    ASSERT_NE(image, nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(static_cast<HICON>(image), &info));
    BITMAP bits = {};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bits, &bits);
    EXPECT_EQ(bits.bmWidth, 16) << "loaded at its own size without LR_DEFAULTSIZE";
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    ReleaseImage(image, IMAGE_ICON);

    EXPECT_EQ(object.LoadImageResource(IDR_EMBLEM, &image, 0), static_cast<UINT>(IMAGE_CURSOR));
    EXPECT_NE(image, nullptr);
    ReleaseImage(image, IMAGE_CURSOR);

    EXPECT_EQ(object.LoadImageResource(999, &image, 0), static_cast<UINT>(IMAGE_BITMAP));
    EXPECT_EQ(image, nullptr);
    object.Release();
}
