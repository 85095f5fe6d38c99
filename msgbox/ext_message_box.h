// ExtMessageBox: the platform's message box, rebuilt while it is shown into a box with
// custom buttons, images, an etched line and an optional folder field.
#pragma once

#include <windows.h>

#include "app/text_buffer.h"

// Extension kinds (ExtMessageBox::kind).
const UINT EMB_KIND_NONE = 0;
const UINT EMB_KIND_FOLDER = 6;

// Option bits of ExtMessageBox::Show.
const UINT EMB_OPT_RIGHT_COLUMN = 0x1;       // buttons in a column at the right edge
const UINT EMB_OPT_FLAT = 0x2;               // BS_FLAT buttons
const UINT EMB_OPT_CLIENT_EDGE = 0x4;        // WS_EX_CLIENTEDGE buttons
const UINT EMB_OPT_STATIC_EDGE = 0x8;        // WS_EX_STATICEDGE buttons
const UINT EMB_OPT_MODAL_FRAME = 0x10;       // WS_EX_DLGMODALFRAME buttons
const UINT EMB_OPT_TIMEOUT_NO_BUTTONS = 0x20;
const UINT EMB_OPT_IGNORE_CANCEL = 0x40;     // also hides the buttons with a time-out
const UINT EMB_OPT_CONTEXT_HELP = 0x80;
const UINT EMB_OPT_BUTTON_TEXT_RIGHT = 0x100;
const UINT EMB_OPT_BUTTON_TEXT_LEFT = 0x200;
const UINT EMB_OPT_CENTRED_COLUMN = 0x400;
const UINT EMB_OPT_MULTILINE = 0x800;
const UINT EMB_OPT_SUNKEN_PANEL = 0x1000;
const UINT EMB_OPT_ETCHED_LINE = 0x2000;     // wins over the sunken panel
const UINT EMB_OPT_ICON_EDGE = 0x4000;
const UINT EMB_OPT_ANIMATION = 0x8000;       // icon replaced by the AVI resource `icon`
const UINT EMB_OPT_TEXT_BELOW_ICON = 0x10000;
const UINT EMB_OPT_ICON_HANDLE = 0x20000;    // `icon` is an HICON, not a resource id

// ExtMessageBox::state bits.
const UINT EMB_STATE_TIMER_ARMED = 0x10;

// Values of timeoutOrPhase while the hook enumerates the box's children.
const int EMB_PHASE_STATICS = 1;
const int EMB_PHASE_BUTTONS = 2;

// Stages of ExtMessageBox::AdjustChild.
const int EMB_ADJUST_ICON = 1;
const int EMB_ADJUST_TEXT = 2;
const int EMB_ADJUST_BUTTON = 3;

const UINT_PTR TIMER_TIMEOUT = 99;
const int ID_TIMEOUT = 64;
const int IDC_EXTRA = 101;   // the folder edit
const int IDC_BROWSE = 102;  // the folder field's browse button

// Posted by the hook to the rebuilt box: the button positions are applied once more
// after the platform has finished placing its own buttons.
const UINT EMB_MSG_REAPPLY_LAYOUT = WM_APP + 1;

const int EMB_MAX_BUTTONS = 4;
// The size every button slot is reset to.
const int EMB_BUTTON_DEFAULT_WIDTH = 98;
const int EMB_BUTTON_DEFAULT_HEIGHT = 24;
const int EMB_MAX_SIZES = 8;

// One box button, in the order in which the box's buttons are found.
struct ButtonSlot {
    HANDLE image;       // owned; released by the call that matches imageType
    UINT imageType;     // IMAGE_BITMAP, IMAGE_ICON or IMAGE_CURSOR
    int x, y;
    int width, height;
    LPCSTR label;       // text or string id used when there is no image; 0 = system caption
};

// The folder field's record (kind EMB_KIND_FOLDER).
struct FolderExtension {
    UINT browseImageId;     // 0 = a text button
    HANDLE browseImage;     // owned
    UINT browseImageType;   // how browseImage is released
    TextBuffer browseTitle;
    HWND editWindow;
    HWND browseButton;
    int validateOnChange;
    int actionEnabled;
    int appendBackslash;
};

class ExtMessageBox {
public:
    ExtMessageBox() = default;
    ExtMessageBox(const ExtMessageBox&) = delete;
    ExtMessageBox& operator=(const ExtMessageBox&) = delete;

    // Virtual operations, in slot order; nothing in the program overrides them.
    virtual ~ExtMessageBox();
    virtual BOOL LayoutCustomArea(HWND window, int left, int top, int* width, int* extraHeight);
    virtual void OnCustomDestroy(HWND window);
    virtual BOOL FilterMessage(HWND window, UINT* message, WPARAM* wParam, LPARAM* lParam);

    // Configuration (object.cpp). Numbers come by reference, lists as nullable pointers.
    void Init(HMODULE givenModule);
    void Release();
    void SetButtons(const int& labelsMode, const int* sizes, const int& sizeCount,
                    const UINT_PTR* images, const int& imageCount);
    void SetFolderField(LPCSTR initialFolder, LPCSTR browseTitle, const UINT& browseImageId,
                        const int& appendBackslash, const int& validateOnChange, const int& actionEnabled);
    void AllocateExtension(bool allocate);

    // Display and hook (display.cpp). Returns the button id, ID_TIMEOUT, or 0 when the
    // platform could not create the box.
    int Show(const HWND& ownerWindow, LPCSTR message, LPCSTR boxCaption, const UINT& style,
             const UINT& optionBits, const UINT_PTR& iconId, const int& timeout, const DWORD& contextHelpId);
    LRESULT HookProc(int code, WPARAM wParam, LPARAM lParam);
    static BOOL CALLBACK ClassifyChild(HWND child, LPARAM object);
    void RebuildBox(HWND window);
    void PlaceOverOwner();
    void ReapplyLayout();

    // Window procedure of the shown box (window_proc.cpp).
    LRESULT BoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(WPARAM wParam);
    void Paint();
    void OnTimeout();
    void OnDestroy();

    // Child adjustment (child_adjust.cpp).
    void AdjustChild(int stage, HWND child);
    // Whether the index-th push button found has a slot; those without are hidden.
    bool HasButtonSlot(int index) const;
    UINT LoadImageResource(UINT_PTR id, HANDLE* image, UINT loadFlags);
    void CreateCommonControl(LPCSTR className, int gap, int bottomMargin);

    // Layout (layout.cpp).
    void LayoutBox();

    // Folder field (folder_field.cpp).
    void CreateExtraControls(int gap);
    void ValidateFolder();
    void BrowseForFolder();
    void ReadFolderResult();

    // Fields, in the order of the design.
    BYTE* hookThunk = nullptr;  // the stub, in an executable block the object owns
    UINT kind = EMB_KIND_NONE;
    HHOOK hook = nullptr;
    HMODULE module = nullptr;
    HMODULE commonControlsModule = nullptr;
    HWND box = nullptr;
    HWND owner = nullptr;
    HWND animationWindow = nullptr;
    HWND textWindow = nullptr;
    HWND actionButton = nullptr;
    UINT buttonExStyle = 0;
    UINT buttonStyle = 0;
    UINT options = 0;
    UINT boxExStyle = 0;
    DWORD helpId = 0;
    UINT state = 0;
    int imageRect[4] = {};  // left, top, width, height
    RECT frameRect = {};
    int boxWidth = 0;
    int clientHeight = 0;
    int textWidth = 0;
    int textHeight = 0;
    HANDLE iconImage = nullptr;
    UINT iconImageType = IMAGE_BITMAP;
    LPCSTR caption = nullptr;
    TextBuffer text;
    UINT_PTR icon = 0;
    int buttonCount = 0;
    int nextButton = 0;
    int timeoutOrPhase = 0;
    WNDPROC oldWndProc = nullptr;
    FolderExtension* extension = nullptr;
    ButtonSlot buttons[EMB_MAX_BUTTONS] = {};
};

// Hides a box button that has no slot: moved out of the way as a 1 x 1 window.
void HideBoxButton(HWND button);
// Releases a bitmap, icon or cursor with the call that matches its type.
void ReleaseImage(HANDLE image, UINT imageType);
