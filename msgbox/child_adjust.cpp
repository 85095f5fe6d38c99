// ExtMessageBox child adjustment: the box's icon, text and buttons, the image loader they
// share, and the controls that come from the common-controls library.
#include "msgbox/ext_message_box.h"

#include <commctrl.h>

#include "app/resource_image.h"
#include "msgbox/layout_math.h"

namespace {

const LONG ICON_STATIC_STYLE = WS_CHILD | WS_VISIBLE | SS_ICON;
const LONG BITMAP_STATIC_STYLE = WS_CHILD | WS_VISIBLE | SS_BITMAP;
const DWORD ANIMATION_STYLE = WS_CHILD | WS_VISIBLE | ACS_AUTOPLAY | ACS_TRANSPARENT;
const int ANIMATION_LEFT = 11;
const int ANIMATION_TOP = 11;
const int ANIMATION_SIZE = 20;
const int IMAGE_LEFT = 11;
const int IMAGE_TOP = 11;
const int LABEL_TEXT_MAX = 256;
const char COMMON_CONTROLS_LIBRARY[] = "COMCTL32.DLL";
// Looked up only as a version test: a library without it is too old for our controls.
const char COMMON_CONTROLS_PROBE[] = "InitCommonControlsEx";

RECT ClientRectOf(HWND parent, HWND child)
{
    RECT r = {};
    if (!child)
        return r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Loads the common-controls library unless the process holds it already; false when the
// library is missing or too old, and then nothing of it is kept.
bool CommonControlsReady(ExtMessageBox& self)
{
    if (self.commonControlsModule || GetModuleHandleA(COMMON_CONTROLS_LIBRARY))
        return true;
    self.commonControlsModule = LoadLibraryA(COMMON_CONTROLS_LIBRARY);
    if (self.commonControlsModule && GetProcAddress(self.commonControlsModule, COMMON_CONTROLS_PROBE))
        return true;
    if (self.commonControlsModule)
        FreeLibrary(self.commonControlsModule);
    self.commonControlsModule = nullptr;
    return false;
}

void CreateAnimation(ExtMessageBox& self, LPCSTR className)
{
    self.animationWindow = CreateWindowExA(0, className, nullptr, ANIMATION_STYLE, ANIMATION_LEFT, ANIMATION_TOP,
                                           ANIMATION_SIZE, ANIMATION_SIZE, self.box, nullptr, self.module, nullptr);
    // wParam 0: the clip is a resource of the module the control was created with.
    SendMessageA(self.animationWindow, ACM_OPENA, 0,
                 reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(LOWORD(self.icon))));
}

// One attempt at the icon: the static shows the handle given to Show, or an image loaded
// with these flags. A later attempt that loads nothing keeps what the first one showed.
void ShowIcon(ExtMessageBox& self, HWND iconStatic, UINT loadFlags)
{
    if (self.options & EMB_OPT_ICON_HANDLE) {
        SendMessageA(iconStatic, STM_SETICON, static_cast<WPARAM>(self.icon), 0);
        return;
    }
    HANDLE image = nullptr;
    const UINT type = self.LoadImageResource(self.icon, &image, loadFlags);
    if (!image && self.iconImage)
        return;
    SetWindowLongA(iconStatic, GWL_STYLE, type == IMAGE_BITMAP ? BITMAP_STATIC_STYLE : ICON_STATIC_STYLE);
    SendMessageA(iconStatic, STM_SETIMAGE, type, reinterpret_cast<LPARAM>(image));
    ReleaseImage(self.iconImage, self.iconImageType);
    self.iconImage = image;
    self.iconImageType = type;
}

void AdjustIcon(ExtMessageBox& self, HWND iconStatic)
{
    if (self.options & EMB_OPT_ICON_EDGE)
        SetWindowLongA(iconStatic, GWL_EXSTYLE, GetWindowLongA(iconStatic, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);

    HWND measured = iconStatic;
    if (self.options & EMB_OPT_ANIMATION) {
        DestroyWindow(iconStatic);
        self.CreateCommonControl(ANIMATE_CLASSA, 0, 0);
        measured = self.animationWindow;
    } else if (self.icon) {
        ShowIcon(self, iconStatic, 0);
        const RECT first = ClientRectOf(self.box, iconStatic);
        if (first.right - first.left < GetSystemMetrics(SM_CXICON))
            ShowIcon(self, iconStatic, LR_DEFAULTSIZE);
    } else if (!SendMessageA(iconStatic, STM_GETICON, 0, 0)) {
        // Some platforms keep an empty icon static in a box without an icon: that box has
        // no icon, and its text keeps its place.
        return;
    }
    const RECT r = ClientRectOf(self.box, measured);
    self.imageRect[0] = IMAGE_LEFT;
    self.imageRect[1] = IMAGE_TOP;
    self.imageRect[2] = r.right - r.left;
    self.imageRect[3] = r.bottom - r.top;
}

void AdjustText(ExtMessageBox& self, HWND textStatic)
{
    self.textWindow = textStatic;
    const RECT r = ClientRectOf(self.box, textStatic);
    SIZE size = {r.right - r.left, r.bottom - r.top};
    if (self.textWidth > 0 || self.textHeight > 0) {
        if (self.textWidth > 0)
            size.cx = self.textWidth;
        if (self.textHeight > 0)
            size.cy = self.textHeight;
        SetWindowPos(textStatic, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const ImageExtent image = {self.imageRect[2], self.imageRect[3]};
    const bool below = (self.options & EMB_OPT_TEXT_BELOW_ICON) != 0;
    const TextPlacement placement = PlaceMessageText(image, r.left, size, below, CurrentBoxMetrics());
    if (placement.move)
        SetWindowPos(textStatic, nullptr, placement.position.x, placement.position.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    self.boxWidth = placement.size.width;
    self.clientHeight = placement.size.clientHeight;
}

bool EndsWithoutAction(int id)
{
    return id == IDCANCEL || id == IDABORT || id == IDNO;
}

void AdjustButton(ExtMessageBox& self, HWND button)
{
    if (!self.HasButtonSlot(self.nextButton)) {
        HideBoxButton(button);
        return;
    }
    const ButtonSlot& slot = self.buttons[self.nextButton];
    LONG style = GetWindowLongA(button, GWL_STYLE) | static_cast<LONG>(self.buttonStyle) | WS_TABSTOP;
    if (slot.image)
        style |= slot.imageType == IMAGE_BITMAP ? BS_BITMAP : BS_ICON;
    SetWindowLongA(button, GWL_STYLE, style);
    SetWindowLongA(button, GWL_EXSTYLE, static_cast<LONG>(self.buttonExStyle));
    MoveWindow(button, slot.x, slot.y, slot.width, slot.height, TRUE);

    if (!slot.image && slot.label) {
        TextBuffer label;
        label.Load(reinterpret_cast<UINT_PTR>(slot.label), LABEL_TEXT_MAX, self.module);
        SetWindowTextA(button, label.Text());
    } else {
        SendMessageA(button, BM_SETIMAGE, slot.imageType, reinterpret_cast<LPARAM>(slot.image));
    }

    if (!self.actionButton && !EndsWithoutAction(GetDlgCtrlID(button))) {
        self.actionButton = button;
        if (self.kind == EMB_KIND_FOLDER && self.extension && !self.extension->actionEnabled)
            EnableWindow(button, FALSE);
    }
    ++self.nextButton;
}

}  // namespace

bool ExtMessageBox::HasButtonSlot(int index) const
{
    return buttonCount > 0 && index < EMB_MAX_BUTTONS;
}

void HideBoxButton(HWND button)
{
    SetWindowPos(button, nullptr, 0, 0, 1, 1, SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER);
}

void ExtMessageBox::AdjustChild(int stage, HWND child)
{
    switch (stage) {
    case EMB_ADJUST_ICON:
        AdjustIcon(*this, child);
        break;
    case EMB_ADJUST_TEXT:
        AdjustText(*this, child);
        break;
    case EMB_ADJUST_BUTTON:
        AdjustButton(*this, child);
        break;
    default:
        break;
    }
}

UINT ExtMessageBox::LoadImageResource(UINT_PTR id, HANDLE* image, UINT loadFlags)
{
    *image = nullptr;
    if (id == 0)
        return IMAGE_BITMAP;
    const WORD resource = LOWORD(id);
    *image = LoadImageA(module, MAKEINTRESOURCEA(resource), IMAGE_ICON, 0, 0, loadFlags);
    if (*image)
        return IMAGE_ICON;
    *image = LoadImageA(module, MAKEINTRESOURCEA(resource), IMAGE_BITMAP, 0, 0, loadFlags);
    if (*image)
        return IMAGE_BITMAP;
    HCURSOR cursor = nullptr;
    if (!ResourceImage(module).ExtractCursor(resource, &cursor))
        return IMAGE_BITMAP;
    *image = cursor;
    return IMAGE_CURSOR;
}

void ExtMessageBox::CreateCommonControl(LPCSTR className, int gap, int bottomMargin)
{
    if (!CommonControlsReady(*this))
        return;
    if (className) {
        if (options & EMB_OPT_ANIMATION)
            CreateAnimation(*this, className);
        return;
    }
    int width = ExtraControlWidth(boxWidth, CurrentBoxMetrics());
    int extraHeight = 0;
    if (LayoutCustomArea(box, EXTRA_CONTROL_LEFT, clientHeight + gap, &width, &extraHeight))
        clientHeight += gap + bottomMargin + extraHeight;
    else if (kind != EMB_KIND_NONE)
        clientHeight += bottomMargin;
}
