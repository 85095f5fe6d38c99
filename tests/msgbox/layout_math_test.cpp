// Box geometry without windows: the arithmetic of the three layouts, the text and the folder field.
#include "msgbox/layout_math.h"

#include <gtest/gtest.h>

#include "msgbox/ext_message_box.h"

namespace {

// Edges of 2, a dialog frame of 3 and 32-pixel icons, as on a classic desktop.
const BoxMetrics CLASSIC = {3, 2, 2, 32};
const SIZE PROMPT_BUTTONS[] = {{200, 40}, {200, 40}};
const SIZE PLAIN_BUTTONS[] = {{98, 24}, {98, 24}, {98, 24}};

struct Laid {
    BoxSize size;
    POINT positions[EMB_MAX_BUTTONS];
    RECT frame;
    int gap;
};

// Both halves of a layout with buttons; extraHeight stands for what the extra control added.
Laid LayOut(UINT options, bool hasExtraControl, const SIZE* sizes, int count, BoxSize size, int extraHeight,
            const BoxMetrics& metrics = CLASSIC)
{
    Laid laid = {};
    const ButtonArrangement arrangement = ChooseButtonArrangement(count, options);
    const ButtonExtent extent = MeasureButtons(sizes, count);
    laid.size = size;
    laid.gap = ReserveButtonSpace(arrangement, extent, metrics, laid.size);
    laid.size.clientHeight += laid.gap + extraHeight;
    PlaceButtons(arrangement, options, hasExtraControl, sizes, extent, metrics, laid.size, laid.positions, laid.frame);
    return laid;
}

}  // namespace

TEST(ButtonExtent, RowAndColumnCountTwoPixelsPerButtonAndTenMore)
{
    const ButtonExtent e = MeasureButtons(PROMPT_BUTTONS, 2);
    EXPECT_EQ(e.rowWidth, 414);
    EXPECT_EQ(e.columnHeight, 2 * 2 + 10 + 80);
    EXPECT_EQ(e.maxWidth, 200);
    EXPECT_EQ(e.maxHeight, 40);
    EXPECT_EQ(e.totalWidth, 400);
}

// The program's own question: text area 391 x 43, a folder field of 20 plus its margin of 6.
TEST(RowLayout, FolderPromptEndsTwelveFromTheRightElevenBelowTheEtchedLine)
{
    const Laid laid = LayOut(0x2004, true, PROMPT_BUTTONS, 2, {391, 43}, 20 + 6);
    EXPECT_EQ(laid.gap, 0);
    EXPECT_EQ(laid.size.width, 420);  // narrower than the row: the row plus both frames
    const int lineTop = 43 + 16 + 20 + 6 + 3;
    EXPECT_EQ(laid.frame.left, 6);
    EXPECT_EQ(laid.frame.top, lineTop);
    EXPECT_EQ(laid.frame.right, 6 + 420 - 18);
    EXPECT_EQ(laid.frame.bottom, lineTop + 2);
    EXPECT_EQ(laid.positions[0].x, 420 - 414);
    EXPECT_EQ(laid.positions[0].y, lineTop + 11);
    EXPECT_EQ(laid.positions[1].x, 420 - 414 + 202);
    EXPECT_EQ(laid.positions[1].x + 200, 420 - 12);
    EXPECT_EQ(laid.positions[1].y, lineTop + 11);
    EXPECT_EQ(laid.size.clientHeight, lineTop + 11 + 40 + 6);
}

TEST(RowLayout, EtchedLineOfAPlainBoxSitsSixteenBelowTheText)
{
    const Laid laid = LayOut(EMB_OPT_ETCHED_LINE, false, PLAIN_BUTTONS, 2, {500, 50}, 0);
    EXPECT_EQ(laid.size.width, 510);  // wider than the row: 11 more, made even
    EXPECT_EQ(laid.frame.top, 50 + 16 + 16);
    EXPECT_EQ(laid.positions[0].y, 50 + 16 + 16 + 11 + 24 - 24);
}

TEST(RowLayout, PanelHoldsTouchingButtonsRightAlignedOnePixelLower)
{
    const SIZE mixed[] = {{98, 24}, {80, 30}};
    const Laid laid = LayOut(EMB_OPT_SUNKEN_PANEL, false, mixed, 2, {300, 40}, 0);
    // 300 >= rowW 200: 311, made even.
    EXPECT_EQ(laid.size.width, 310);
    const int top = 40 + 16 + 2;  // the text area, the space above the buttons, SM_CYEDGE
    EXPECT_EQ(laid.frame.left, 1);
    EXPECT_EQ(laid.frame.top, top - 1);
    EXPECT_EQ(laid.frame.right, 1 + 310 - 8);
    EXPECT_EQ(laid.frame.bottom, top - 1 + 30 + 4);
    EXPECT_EQ(laid.positions[0].x, laid.frame.right - 178 - 2);
    EXPECT_EQ(laid.positions[1].x, laid.positions[0].x + 98);  // no gap
    EXPECT_EQ(laid.positions[0].y, top + 30 - 24 + 1);          // bottom-aligned, one lower
    EXPECT_EQ(laid.positions[1].y, top + 30 - 30 + 1);
    EXPECT_EQ(laid.size.clientHeight, top + 30 + 2 + 2);
}

TEST(RowLayout, WithoutFrameTheRowIsCentredAndBottomAligned)
{
    const SIZE mixed[] = {{98, 24}, {60, 40}};
    const Laid laid = LayOut(0, false, mixed, 2, {300, 40}, 0);
    const int rowW = 2 * 2 + 10 + 158;
    EXPECT_EQ(laid.positions[0].x, (310 + 6 - rowW) / 2);
    // Centred in the client area, which is the box less both frames.
    const int clientWidth = 310 - 6;
    const int rowRight = laid.positions[1].x + 60;
    EXPECT_EQ(laid.positions[0].x, clientWidth - rowRight);
    EXPECT_EQ(laid.positions[0].y + 24, laid.positions[1].y + 40);
    EXPECT_EQ(laid.size.clientHeight, 40 + 16 + 40 + 6);
}

TEST(RowLayout, OddWidthsAreMadeEven)
{
    const SIZE one[] = {{99, 24}};
    // Narrower than the row: rowW 111 + 6 = 117, made 116.
    EXPECT_EQ(LayOut(0, false, one, 1, {50, 20}, 0).size.width, 116);
    // Wider: 200 + 11 = 211, made 210; an even result stays.
    EXPECT_EQ(LayOut(0, false, one, 1, {200, 20}, 0).size.width, 210);
    EXPECT_EQ(LayOut(0, false, one, 1, {201, 20}, 0).size.width, 212);
}

TEST(CentredColumn, ButtonsStandCentredTwoApartBelowTheText)
{
    const SIZE mixed[] = {{98, 24}, {150, 30}};
    const Laid laid = LayOut(EMB_OPT_CENTRED_COLUMN, false, mixed, 2, {101, 40}, 0);
    // 150 + 6 + 12 = 168 is wider than the text area.
    EXPECT_EQ(laid.size.width, 168);
    EXPECT_EQ(laid.positions[0].x, (168 - 98 - 6) / 2);
    EXPECT_EQ(laid.positions[1].x, (168 - 150 - 6) / 2);
    EXPECT_EQ(laid.positions[0].y, 56);
    EXPECT_EQ(laid.positions[1].y, 56 + 24 + 2);
    EXPECT_EQ(laid.size.clientHeight, 56 + 26 + 32 + 4);
}

TEST(CentredColumn, OddWidthIsMadeEvenAndAWiderTextIsKept)
{
    const SIZE one[] = {{98, 24}};
    EXPECT_EQ(LayOut(EMB_OPT_CENTRED_COLUMN, false, one, 1, {301, 40}, 0).size.width, 300);
    EXPECT_EQ(LayOut(EMB_OPT_CENTRED_COLUMN, false, one, 1, {302, 40}, 0).size.width, 302);
    const SIZE wide[] = {{99, 24}};
    EXPECT_EQ(LayOut(EMB_OPT_CENTRED_COLUMN, false, wide, 1, {10, 40}, 0).size.width, 116);
}

TEST(RightColumn, ButtonsStandTwelveFromTheRightEdgeFromSixDown)
{
    const SIZE mixed[] = {{98, 24}, {120, 30}};
    const Laid laid = LayOut(EMB_OPT_RIGHT_COLUMN, true, mixed, 2, {301, 40}, 0);
    EXPECT_EQ(laid.gap, 16);
    EXPECT_EQ(laid.size.width, 301 + 120 + 22);  // never made even
    EXPECT_EQ(laid.positions[0].x, 443 - 98 - 12);
    EXPECT_EQ(laid.positions[1].x, 443 - 120 - 12);
    EXPECT_EQ(laid.positions[0].y, 6);
    EXPECT_EQ(laid.positions[1].y, 6 + 24 + 2);
}

TEST(RightColumn, BoxIsAtLeastAsHighAsTheColumn)
{
    const SIZE mixed[] = {{98, 24}, {120, 30}};
    BoxSize low = {100, 20};
    ReserveButtonSpace(ButtonArrangement::RightColumn, MeasureButtons(mixed, 2), CLASSIC, low);
    EXPECT_EQ(low.clientHeight, 2 * 2 + 10 + 54);
    BoxSize high = {100, 200};
    ReserveButtonSpace(ButtonArrangement::RightColumn, MeasureButtons(mixed, 2), CLASSIC, high);
    EXPECT_EQ(high.clientHeight, 211);
}

TEST(ButtonlessBox, LosesItsSystemMenuAndGrowsByTheFirstMatchingOption)
{
    struct Case {
        UINT options;
        int growth;
        LONG exStyle;
        bool border;
    };
    const LONG ex = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
    const Case cases[] = {
        {0, 11, ex, false},
        {EMB_OPT_RIGHT_COLUMN | EMB_OPT_CLIENT_EDGE, 11, 0, false},
        {EMB_OPT_FLAT | EMB_OPT_STATIC_EDGE, 11, 0, true},
        {EMB_OPT_CLIENT_EDGE | EMB_OPT_STATIC_EDGE, 33, ex, false},
        {EMB_OPT_STATIC_EDGE, 55, ex, false},
    };
    for (const Case& c : cases) {
        BoxSize size = {200, 100};
        LONG style = WS_POPUP | WS_DLGFRAME | WS_SYSMENU;
        LONG exStyle = ex;
        SizeButtonlessBox(c.options, size, style, exStyle);
        EXPECT_EQ(size.width, 200 + c.growth) << c.options;
        EXPECT_EQ(size.clientHeight, 100 + c.growth) << c.options;
        EXPECT_EQ(exStyle, c.exStyle) << c.options;
        EXPECT_EQ((style & WS_BORDER) == WS_BORDER, c.border) << c.options;
        EXPECT_EQ(style & WS_SYSMENU, 0) << c.options;
    }
}

TEST(MessageText, BesideTheIconItShiftsByTheIconsDifferenceFromTheStandardWidth)
{
    const TextPlacement p = PlaceMessageText({48, 48}, 60, {320, 13}, false, CLASSIC);
    ASSERT_TRUE(p.move);
    EXPECT_EQ(p.position.x, 60 - 32 + 48);
    EXPECT_EQ(p.position.y, 11);
    EXPECT_EQ(p.size.width, 11 + 76 + 320);
    EXPECT_EQ(p.size.clientHeight, 11 + 48);  // the icon is the taller
}

TEST(MessageText, WithoutAnIconItStaysAndTheBoxFollowsIt)
{
    const TextPlacement p = PlaceMessageText({0, 0}, 14, {255, 26}, false, CLASSIC);
    EXPECT_FALSE(p.move);
    EXPECT_EQ(p.size.width, 11 + 14 + 255);
    EXPECT_EQ(p.size.clientHeight, 11 + 26);
}

TEST(MessageText, BelowTheIconANarrowTextStillGivesTheIconsWidth)
{
    const TextPlacement narrow = PlaceMessageText({32, 32}, 60, {10, 13}, true, CLASSIC);
    ASSERT_TRUE(narrow.move);
    EXPECT_EQ(narrow.position.x, 11);
    EXPECT_EQ(narrow.position.y, 32 + 27);
    EXPECT_EQ(narrow.size.width, 32 + 22);
    EXPECT_EQ(narrow.size.clientHeight, 32 + 27 + 13);
    EXPECT_EQ(PlaceMessageText({32, 32}, 60, {200, 13}, true, CLASSIC).size.width, 222);
}

TEST(FolderField, EditAndBrowseButtonFillTheInsideOfTheFrame)
{
    const BoxMetrics metricSets[] = {CLASSIC, {3, 1, 1, 32}, {4, 3, 2, 48}};
    for (const BoxMetrics& m : metricSets) {
        const FolderFieldRects r = FolderFieldGeometry(420, 59, m);
        const int innerLeft = r.frame.x + m.edgeX;
        const int innerRight = r.frame.x + r.frame.width - m.edgeX;
        const int innerTop = r.frame.y + m.edgeY;
        const int innerBottom = r.frame.y + r.frame.height - m.edgeY;
        EXPECT_EQ(r.frame.width, 420 - 2 * m.edgeX - 14);
        EXPECT_EQ(r.edit.x, innerLeft);
        EXPECT_EQ(r.edit.x + r.edit.width, r.browse.x);
        EXPECT_EQ(r.browse.x + r.browse.width, innerRight);
        EXPECT_EQ(r.edit.y, innerTop + 1);
        EXPECT_EQ(r.browse.y, innerTop);
        EXPECT_EQ(r.edit.y + r.edit.height, innerBottom);
        EXPECT_EQ(r.browse.y + r.browse.height, innerBottom);
    }
}

TEST(FolderField, TwoPixelEdgesGiveTheDocumentedPlaces)
{
    const FolderFieldRects r = FolderFieldGeometry(420, 59, CLASSIC);
    const int w = 420 - 18;
    EXPECT_EQ(r.frame.x, 6);
    EXPECT_EQ(r.frame.y, 59);
    EXPECT_EQ(r.frame.height, 20);
    EXPECT_EQ(r.edit.x, 8);
    EXPECT_EQ(r.edit.y, 62);
    EXPECT_EQ(r.edit.width, w - 30);
    EXPECT_EQ(r.edit.height, 15);
    EXPECT_EQ(r.browse.x, w - 22);
    EXPECT_EQ(r.browse.y, 61);
    EXPECT_EQ(r.browse.width, 26);
    EXPECT_EQ(r.browse.height, 16);
}
