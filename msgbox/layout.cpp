// ExtMessageBox::LayoutBox: measures the box's buttons, has the geometry computed and applies it.
#include "msgbox/ext_message_box.h"

#include "msgbox/layout_math.h"

namespace {

const int EXTRA_CONTROL_BOTTOM_MARGIN = 6;

}  // namespace

BoxMetrics CurrentBoxMetrics()
{
    return {GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CXEDGE), GetSystemMetrics(SM_CYEDGE),
            GetSystemMetrics(SM_CXICON)};
}

void ExtMessageBox::LayoutBox()
{
    LONG style = GetWindowLongA(box, GWL_STYLE);
    LONG exStyle = GetWindowLongA(box, GWL_EXSTYLE);
    const BoxMetrics metrics = CurrentBoxMetrics();
    BoxSize size = {boxWidth, clientHeight};
    const ButtonArrangement arrangement = ChooseButtonArrangement(buttonCount, options);

    if (arrangement == ButtonArrangement::None) {
        // No extra control and no boxExStyle: a box without buttons is never topmost.
        SizeButtonlessBox(options, size, style, exStyle);
        boxWidth = size.width;
        clientHeight = size.clientHeight;
        int width = boxWidth;
        int extraHeight = 0;
        if (LayoutCustomArea(box, 0, clientHeight, &width, &extraHeight))
            clientHeight += extraHeight;
    } else {
        exStyle |= static_cast<LONG>(boxExStyle);
        const int count = buttonCount < EMB_MAX_BUTTONS ? buttonCount : EMB_MAX_BUTTONS;
        SIZE sizes[EMB_MAX_BUTTONS] = {};
        for (int i = 0; i < count; ++i)
            sizes[i] = {buttons[i].width, buttons[i].height};
        const ButtonExtent extent = MeasureButtons(sizes, count);

        const int gap = ReserveButtonSpace(arrangement, extent, metrics, size);
        boxWidth = size.width;
        clientHeight = size.clientHeight;
        CreateExtraControls(gap);
        CreateCommonControl(nullptr, gap, EXTRA_CONTROL_BOTTOM_MARGIN);

        size = {boxWidth, clientHeight};
        POINT positions[EMB_MAX_BUTTONS] = {};
        PlaceButtons(arrangement, options, kind != EMB_KIND_NONE, sizes, extent, metrics, size, positions,
                     frameRect);
        boxWidth = size.width;
        clientHeight = size.clientHeight;
        for (int i = 0; i < count; ++i) {
            buttons[i].x = positions[i].x;
            buttons[i].y = positions[i].y;
        }
    }

    SetWindowLongA(box, GWL_STYLE, style);
    SetWindowLongA(box, GWL_EXSTYLE, exStyle);
    // The system keeps the topmost state out of reach of the style word; only this call sets it.
    if (arrangement != ButtonArrangement::None && (boxExStyle & WS_EX_TOPMOST))
        SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
