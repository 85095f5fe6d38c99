// Geometry of the rebuilt message box: sizes in, positions and rectangles out, no windows.
#pragma once

#include <windows.h>

// System metrics that the geometry depends on, read by the caller at the moment of use.
struct BoxMetrics {
    int dlgFrameX;  // SM_CXDLGFRAME
    int edgeX;      // SM_CXEDGE
    int edgeY;      // SM_CYEDGE
    int iconX;      // SM_CXICON
};

// The live values; defined with the layout, the one place that reads the system.
BoxMetrics CurrentBoxMetrics();

// The running size of the box: its outer width and the height of its client area.
struct BoxSize {
    int width;
    int clientHeight;
};

// A child window's place: position and size, as CreateWindowEx and MoveWindow take them.
struct ControlRect {
    int x, y;
    int width, height;
};

// ---- Message text beside or below the icon ------------------------------------------

// The icon or animation as the icon stage measured it; a width of 0 means no icon.
struct ImageExtent {
    int width, height;
};

struct TextPlacement {
    bool move;        // false: the text stays where the system put it
    POINT position;   // client coordinates, when move is set
    BoxSize size;
};

// textLeft is the text's current left edge; textSize its size after any forced size.
TextPlacement PlaceMessageText(ImageExtent image, int textLeft, SIZE textSize, bool textBelowIcon,
                               const BoxMetrics& metrics);

// ---- Buttons ----------------------------------------------------------------------

enum class ButtonArrangement {
    None,           // a box without buttons
    RightColumn,    // a column at the right edge
    CentredColumn,  // a centred column below the text
    Row,            // a row below the text
};

ButtonArrangement ChooseButtonArrangement(int buttonCount, UINT options);

// What the arrangement needs to know about the buttons as a group.
struct ButtonExtent {
    int count;
    int totalWidth;
    int maxWidth;
    int maxHeight;
    int rowWidth;      // 2 per button + 10 + the widths
    int columnHeight;  // 2 per button + 10 + the heights
};

ButtonExtent MeasureButtons(const SIZE* sizes, int count);

// First half of a layout with buttons: grows the box for its buttons and returns the gap
// above the extra control, which is created between the two halves.
int ReserveButtonSpace(ButtonArrangement arrangement, const ButtonExtent& extent, const BoxMetrics& metrics,
                       BoxSize& size);

// Second half: the buttons' positions (one per size) and the frame above or around them,
// with the box grown below them. hasExtraControl: an extra control sits above the buttons.
void PlaceButtons(ButtonArrangement arrangement, UINT options, bool hasExtraControl, const SIZE* sizes,
                  const ButtonExtent& extent, const BoxMetrics& metrics, BoxSize& size, POINT* positions,
                  RECT& frame);

// A box without buttons: its growth and the styles it loses or gains.
void SizeButtonlessBox(UINT options, BoxSize& size, LONG& style, LONG& exStyle);

// ---- Extra control below the text ----------------------------------------------------

// Left edge of an extra control, or of the area a derived box lays out there.
const int EXTRA_CONTROL_LEFT = 6;

// Width left for an extra control across the box.
int ExtraControlWidth(int boxWidth, const BoxMetrics& metrics);

// The folder field: a framed strip whose inside the edit and the browse button fill.
struct FolderFieldRects {
    ControlRect frame;
    ControlRect edit;
    ControlRect browse;
};

const int FOLDER_FIELD_HEIGHT = 20;

FolderFieldRects FolderFieldGeometry(int boxWidth, int top, const BoxMetrics& metrics);
