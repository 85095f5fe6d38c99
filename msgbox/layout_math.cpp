// Geometry of the rebuilt message box; every number here is a pixel in the box's client area.
#include "msgbox/layout_math.h"

#include <algorithm>

#include "msgbox/ext_message_box.h"

namespace {

const int MARGIN = 11;               // around the icon and the text, and the growth of a plain box
const int TEXT_BELOW_ICON_GAP = 27;  // from the icon's top to the text placed under it
const int BUTTON_GAP = 2;
const int BUTTON_GROUP_PADDING = 10;
const int SPACE_ABOVE_BUTTONS = 16;
const int RIGHT_COLUMN_GAP = 16;     // above the extra control when the buttons stand at the right
const int RIGHT_COLUMN_MARGIN = 12;  // from the buttons to the box's right edge
const int RIGHT_COLUMN_TOP = 6;
const int CENTRED_COLUMN_PADDING = 12;
const int CENTRED_COLUMN_INSET = 6;
const int CENTRED_COLUMN_BOTTOM = 4;
const int ROW_BOTTOM = 6;
const int ETCHED_GAP_PLAIN = 16;     // above the line when no extra control sits there
const int ETCHED_GAP_EXTRA = 3;      // above the line below an extra control and its margin
const int ETCHED_LEFT = 6;
const int ETCHED_INSET = 12;
const int ETCHED_THICKNESS = 2;
const int BUTTONS_BELOW_ETCHED = 11;
const int PANEL_LEFT = 1;
const int PANEL_INSET = 2;
const int PANEL_BOTTOM_PADDING = 2;
const int BUTTONLESS_EDGE_GROWTH = 22;
const int BUTTONLESS_STATIC_EDGE_GROWTH = 44;
const int EXTRA_CONTROL_INSET = 14;
const int BROWSE_WIDTH = 26;
const int BROWSE_OFFSET = 20;        // from the field's inner right edge to the browse button's left
const int EDIT_HEIGHT_BASE = 19;     // the edit starts one pixel below the frame's inner top edge

enum class ButtonFrame { None, EtchedLine, SunkenPanel };

ButtonFrame ChooseButtonFrame(UINT options)
{
    if (options & EMB_OPT_ETCHED_LINE)
        return ButtonFrame::EtchedLine;
    if (options & EMB_OPT_SUNKEN_PANEL)
        return ButtonFrame::SunkenPanel;
    return ButtonFrame::None;
}

int MadeEven(int width)
{
    return width % 2 != 0 ? width - 1 : width;
}

void PlaceRightColumn(const SIZE* sizes, const ButtonExtent& extent, const BoxSize& size, POINT* positions)
{
    int y = RIGHT_COLUMN_TOP;
    for (int i = 0; i < extent.count; ++i) {
        positions[i] = {size.width - sizes[i].cx - RIGHT_COLUMN_MARGIN, y};
        y += sizes[i].cy + BUTTON_GAP;
    }
}

void PlaceCentredColumn(const SIZE* sizes, const ButtonExtent& extent, BoxSize& size, POINT* positions)
{
    for (int i = 0; i < extent.count; ++i) {
        positions[i] = {(size.width - sizes[i].cx - CENTRED_COLUMN_INSET) / 2, size.clientHeight};
        size.clientHeight += sizes[i].cy + BUTTON_GAP;
    }
    size.clientHeight += CENTRED_COLUMN_BOTTOM;
}

void PlaceRow(UINT options, bool hasExtraControl, const SIZE* sizes, const ButtonExtent& extent,
              const BoxMetrics& metrics, BoxSize& size, POINT* positions, RECT& frame)
{
    const ButtonFrame frameKind = ChooseButtonFrame(options);
    int x = 0;
    switch (frameKind) {
    case ButtonFrame::EtchedLine:
        size.clientHeight += hasExtraControl ? ETCHED_GAP_EXTRA : ETCHED_GAP_PLAIN;
        frame = {ETCHED_LEFT, size.clientHeight,
                 ETCHED_LEFT + size.width - (2 * metrics.dlgFrameX + ETCHED_INSET),
                 size.clientHeight + ETCHED_THICKNESS};
        size.clientHeight += BUTTONS_BELOW_ETCHED;
        x = size.width - extent.rowWidth;  // the row ends RIGHT_COLUMN_MARGIN from the right edge
        break;
    case ButtonFrame::SunkenPanel:
        size.clientHeight += metrics.edgeY;
        frame = {PANEL_LEFT, size.clientHeight - 1, PANEL_LEFT + size.width - (2 * metrics.dlgFrameX + PANEL_INSET),
                 size.clientHeight - 1 + extent.maxHeight + 2 * metrics.edgeX};
        x = frame.right - extent.totalWidth - metrics.edgeX;
        break;
    case ButtonFrame::None:
        x = (size.width + 2 * metrics.dlgFrameX - extent.rowWidth) / 2;
        break;
    }
    // Inside the panel the buttons touch each other and sit one pixel lower.
    const bool panel = frameKind == ButtonFrame::SunkenPanel;
    size.clientHeight += extent.maxHeight;
    for (int i = 0; i < extent.count; ++i) {
        positions[i] = {x, size.clientHeight - sizes[i].cy + (panel ? 1 : 0)};
        x += sizes[i].cx + (panel ? 0 : BUTTON_GAP);
    }
    size.clientHeight += panel ? metrics.edgeY + PANEL_BOTTOM_PADDING : ROW_BOTTOM;
}

}  // namespace

TextPlacement PlaceMessageText(ImageExtent image, int textLeft, SIZE textSize, bool textBelowIcon,
                               const BoxMetrics& metrics)
{
    const int w = textSize.cx;
    const int h = textSize.cy;
    if (textBelowIcon) {
        const int top = image.height + TEXT_BELOW_ICON_GAP;
        return {true, {MARGIN, top}, {std::max(image.width, w) + 2 * MARGIN, top + h}};
    }
    if (image.width != 0) {
        // The system left room for an icon of the standard width; the real one may differ.
        const int x = textLeft - metrics.iconX + image.width;
        return {true, {x, MARGIN}, {MARGIN + x + w, MARGIN + std::max(image.height, h)}};
    }
    return {false, {0, 0}, {MARGIN + textLeft + w, MARGIN + h}};
}

ButtonArrangement ChooseButtonArrangement(int buttonCount, UINT options)
{
    if (buttonCount <= 0)
        return ButtonArrangement::None;
    if (options & EMB_OPT_RIGHT_COLUMN)
        return ButtonArrangement::RightColumn;
    if (options & EMB_OPT_CENTRED_COLUMN)
        return ButtonArrangement::CentredColumn;
    return ButtonArrangement::Row;
}

ButtonExtent MeasureButtons(const SIZE* sizes, int count)
{
    ButtonExtent extent = {count, 0, 0, 0, 0, 0};
    int totalHeight = 0;
    for (int i = 0; i < count; ++i) {
        extent.totalWidth += sizes[i].cx;
        totalHeight += sizes[i].cy;
        extent.maxWidth = std::max<int>(extent.maxWidth, sizes[i].cx);
        extent.maxHeight = std::max<int>(extent.maxHeight, sizes[i].cy);
    }
    extent.rowWidth = BUTTON_GAP * count + BUTTON_GROUP_PADDING + extent.totalWidth;
    extent.columnHeight = BUTTON_GAP * count + BUTTON_GROUP_PADDING + totalHeight;
    return extent;
}

int ReserveButtonSpace(ButtonArrangement arrangement, const ButtonExtent& extent, const BoxMetrics& metrics,
                       BoxSize& size)
{
    switch (arrangement) {
    case ButtonArrangement::RightColumn:
        size.clientHeight =
            size.clientHeight < extent.columnHeight ? extent.columnHeight : size.clientHeight + MARGIN;
        size.width += extent.maxWidth + 2 * MARGIN;
        return RIGHT_COLUMN_GAP;
    case ButtonArrangement::CentredColumn:
        size.clientHeight += SPACE_ABOVE_BUTTONS;
        size.width = std::max(size.width, extent.maxWidth + 2 * metrics.dlgFrameX + CENTRED_COLUMN_PADDING);
        size.width = MadeEven(size.width);
        return 0;
    case ButtonArrangement::Row:
        size.width = size.width < extent.rowWidth ? extent.rowWidth + 2 * metrics.dlgFrameX : size.width + MARGIN;
        size.width = MadeEven(size.width);
        size.clientHeight += SPACE_ABOVE_BUTTONS;
        return 0;
    case ButtonArrangement::None:
        break;
    }
    return 0;
}

void PlaceButtons(ButtonArrangement arrangement, UINT options, bool hasExtraControl, const SIZE* sizes,
                  const ButtonExtent& extent, const BoxMetrics& metrics, BoxSize& size, POINT* positions,
                  RECT& frame)
{
    switch (arrangement) {
    case ButtonArrangement::RightColumn:
        PlaceRightColumn(sizes, extent, size, positions);
        break;
    case ButtonArrangement::CentredColumn:
        PlaceCentredColumn(sizes, extent, size, positions);
        break;
    case ButtonArrangement::Row:
        PlaceRow(options, hasExtraControl, sizes, extent, metrics, size, positions, frame);
        break;
    case ButtonArrangement::None:
        break;
    }
}

void SizeButtonlessBox(UINT options, BoxSize& size, LONG& style, LONG& exStyle)
{
    style &= ~WS_SYSMENU;
    size.width += MARGIN;
    size.clientHeight += MARGIN;
    if (options & EMB_OPT_RIGHT_COLUMN) {
        exStyle = 0;
    } else if (options & EMB_OPT_FLAT) {
        exStyle = 0;
        style |= WS_BORDER;
    } else if (options & EMB_OPT_CLIENT_EDGE) {
        size.width += BUTTONLESS_EDGE_GROWTH;
        size.clientHeight += BUTTONLESS_EDGE_GROWTH;
    } else if (options & EMB_OPT_STATIC_EDGE) {
        size.width += BUTTONLESS_STATIC_EDGE_GROWTH;
        size.clientHeight += BUTTONLESS_STATIC_EDGE_GROWTH;
    }
}

int ExtraControlWidth(int boxWidth, const BoxMetrics& metrics)
{
    return boxWidth - 2 * metrics.edgeX - EXTRA_CONTROL_INSET;
}

FolderFieldRects FolderFieldGeometry(int boxWidth, int top, const BoxMetrics& metrics)
{
    const int cx = metrics.edgeX;
    const int cy = metrics.edgeY;
    const int w = ExtraControlWidth(boxWidth, metrics);
    FolderFieldRects rects;
    rects.frame = {EXTRA_CONTROL_LEFT, top, w, FOLDER_FIELD_HEIGHT};
    rects.edit = {EXTRA_CONTROL_LEFT + cx, top + cy + 1, w - 2 * cx - BROWSE_WIDTH, EDIT_HEIGHT_BASE - 2 * cy};
    rects.browse = {w - cx - BROWSE_OFFSET, top + cy, BROWSE_WIDTH, FOLDER_FIELD_HEIGHT - 2 * cy};
    return rects;
}
