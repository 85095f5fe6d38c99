// ExtMessageBox::Show and its hook: the platform's message box, found and rebuilt.
#include "msgbox/ext_message_box.h"

#include <cstdio>
#include <cstdlib>

#include "msgbox/thunk.h"

namespace {

const UINT MB_TYPE_BITS = 0x7;
const UINT MB_TYPE_THREE_BUTTONS = 0x2;  // abort/retry/ignore, yes/no/cancel, cancel/try/continue
const UINT MB_TYPE_TWO_BUTTONS = 0x1 | 0x4;
const UINT FRAMED_BUTTON_OPTIONS = EMB_OPT_FLAT | EMB_OPT_CLIENT_EDGE | EMB_OPT_STATIC_EDGE | EMB_OPT_MODAL_FRAME;
const LONG SS_ICON_BITS = 0x3;  // SS_ICON: both low style bits
const int FRAMED_BUTTON_HEIGHT = 26;
const DWORD ERROR_SHOWN_WHEN_BOX_FAILS = ERROR_NOT_ENOUGH_MEMORY;
const DWORD ERROR_TEXT_SIZE = 160;
const int CAPTION_TEXT_MAX = 512;
// Room for a signed 64-bit decimal and its terminator.
const size_t OBJECT_CAPTION_SIZE = 24;

void FormatObjectCaption(const void* object, char* out)
{
    std::snprintf(out, OBJECT_CAPTION_SIZE, "%lld", static_cast<long long>(reinterpret_cast<INT_PTR>(object)));
}

// Leading digits of a signed decimal, 0 without any; the full pointer width.
INT_PTR ParseObjectCaption(const char* caption)
{
    return static_cast<INT_PTR>(std::strtoll(caption, nullptr, 10));
}

UINT ButtonExStyleFor(UINT options)
{
    UINT exStyle = 0;
    if (options & EMB_OPT_CLIENT_EDGE)
        exStyle |= WS_EX_CLIENTEDGE;
    if (options & EMB_OPT_STATIC_EDGE)
        exStyle |= WS_EX_STATICEDGE;
    if (options & EMB_OPT_MODAL_FRAME)
        exStyle |= WS_EX_DLGMODALFRAME;
    return exStyle;
}

UINT ButtonStyleFor(UINT options)
{
    UINT style = 0;
    if (options & EMB_OPT_BUTTON_TEXT_RIGHT)
        style |= BS_RIGHT;
    if (options & EMB_OPT_BUTTON_TEXT_LEFT)
        style |= BS_LEFT;
    if (options & EMB_OPT_FLAT)
        style |= BS_FLAT;
    if (options & EMB_OPT_MULTILINE)
        style |= BS_MULTILINE;
    return style;
}

int ButtonCountFor(UINT style)
{
    int count = 1;
    if (style & MB_TYPE_THREE_BUTTONS)
        count = 3;
    else if (style & MB_TYPE_TWO_BUTTONS)
        count = 2;
    if ((style & MB_HELP) && !(style & MB_SYSTEMMODAL))
        ++count;
    return count;
}

void ShowCreationFailure(HWND owner)
{
    char message[ERROR_TEXT_SIZE] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_SHOWN_WHEN_BOX_FAILS, 0, message, ERROR_TEXT_SIZE,
                   nullptr);
    MessageBoxA(owner, message, nullptr, MB_SYSTEMMODAL | MB_ICONERROR);
}

// Buttons with a frame option are two pixels taller, unless the caller sized them.
void MatchButtonHeights(ButtonSlot* buttons, int count, UINT options)
{
    const bool framed = (options & FRAMED_BUTTON_OPTIONS) != 0;
    for (int i = 0; i < count && i < EMB_MAX_BUTTONS; ++i) {
        int& height = buttons[i].height;
        if (framed && height == EMB_BUTTON_DEFAULT_HEIGHT)
            height = FRAMED_BUTTON_HEIGHT;
        else if (!framed && height == FRAMED_BUTTON_HEIGHT)
            height = EMB_BUTTON_DEFAULT_HEIGHT;
    }
}

// Every Show uses its configuration up: the next question configures the object afresh.
void ConsumeConfiguration(ExtMessageBox& object)
{
    object.textWidth = object.textHeight = 0;
    object.SetButtons(1, nullptr, EMB_MAX_SIZES, nullptr, EMB_MAX_BUTTONS);
    object.AllocateExtension(false);
    object.kind = EMB_KIND_NONE;
    object.hook = nullptr;
    object.state = 0;
    FreeThunk(object.hookThunk);
}

bool IsPushButton(HWND child, LRESULT dialogCode)
{
    return (dialogCode & DLGC_BUTTON) && (dialogCode & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) &&
           GetDlgCtrlID(child) != IDC_BROWSE;
}

struct ButtonWalk {
    ExtMessageBox* object;
    int next;
};

// The buttons again, in the order of the buttons pass: each to its slot, the rest hidden.
BOOL CALLBACK ReapplyButton(HWND child, LPARAM context)
{
    ButtonWalk& walk = *reinterpret_cast<ButtonWalk*>(context);
    if (!IsPushButton(child, SendMessageA(child, WM_GETDLGCODE, 0, 0)))
        return TRUE;
    const ExtMessageBox& object = *walk.object;
    if (!object.HasButtonSlot(walk.next)) {
        HideBoxButton(child);
        return TRUE;
    }
    const ButtonSlot& slot = object.buttons[walk.next++];
    SetWindowPos(child, nullptr, slot.x, slot.y, slot.width, slot.height, SWP_NOACTIVATE | SWP_NOZORDER);
    return TRUE;
}

}  // namespace

int ExtMessageBox::Show(const HWND& ownerWindow, LPCSTR message, LPCSTR boxCaption, const UINT& style,
                        const UINT& optionBits, const UINT_PTR& iconId, const int& timeout,
                        const DWORD& contextHelpId)
{
    nextButton = 0;
    box = nullptr;
    hook = nullptr;
    timeoutOrPhase = timeout;
    owner = ownerWindow ? ownerWindow : GetDesktopWindow();
    helpId = contextHelpId;
    options = optionBits;
    caption = boxCaption;
    icon = iconId;
    boxExStyle = 0;
    buttonCount = 0;
    animationWindow = textWindow = actionButton = nullptr;
    iconImage = nullptr;
    oldWndProc = nullptr;
    for (int& v : imageRect)
        v = 0;
    // Only the row layout places a line or panel; no other may paint the previous one.
    frameRect = {};
    UINT boxStyle = style;

    buttonExStyle = ButtonExStyleFor(options);
    buttonStyle = ButtonStyleFor(options);

    if (timeout > 0 && (options & (EMB_OPT_TIMEOUT_NO_BUTTONS | EMB_OPT_IGNORE_CANCEL))) {
        // The platform makes a single OK button, which the buttons pass hides.
        boxStyle &= ~(MB_TYPE_BITS | MB_HELP);
    } else {
        buttonCount = ButtonCountFor(boxStyle);
        MatchButtonHeights(buttons, buttonCount, options);
    }

    if (icon)
        boxStyle |= MB_USERICON;
    if (boxStyle & MB_TOPMOST) {
        boxStyle &= ~MB_TOPMOST;
        boxExStyle = WS_EX_TOPMOST;
    }
    if (options & EMB_OPT_CONTEXT_HELP)
        boxExStyle |= WS_EX_CONTEXTHELP;

    char objectCaption[OBJECT_CAPTION_SIZE];
    FormatObjectCaption(this, objectCaption);
    MSGBOXPARAMSA params = {};
    params.cbSize = sizeof params;
    params.hwndOwner = owner;
    params.hInstance = module;
    params.lpszText = message;
    params.lpszCaption = objectCaption;
    params.dwStyle = boxStyle;
    params.lpszIcon = MAKEINTRESOURCEA(LOWORD(icon));
    params.dwContextHelpId = helpId;

    if (!hookThunk)
        hookThunk = AllocateThunk();
    if (hookThunk) {
        AimThunk(hookThunk, this, ThunkTarget::HookProc);
        hook = SetWindowsHookExA(WH_CBT, reinterpret_cast<HOOKPROC>(hookThunk), nullptr, GetCurrentThreadId());
    }

    const int result = MessageBoxIndirectA(&params);

    if (hook)
        UnhookWindowsHookEx(hook);
    // Windows reports a box it could not create with 0, Wine's with -1.
    const bool created = result > 0;
    if (!created)
        ShowCreationFailure(owner);

    ConsumeConfiguration(*this);
    if (!created)
        return 0;
    return timeoutOrPhase == ID_TIMEOUT ? ID_TIMEOUT : result;
}

LRESULT ExtMessageBox::HookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        UnhookWindowsHookEx(hook);
        hook = nullptr;
        HWND activated = reinterpret_cast<HWND>(wParam);
        TextBuffer title;
        title.ReadWindowText(activated);
        if (ParseObjectCaption(title.Text()) == reinterpret_cast<INT_PTR>(this))
            RebuildBox(activated);
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

void ExtMessageBox::RebuildBox(HWND window)
{
    box = window;
    AimThunk(hookThunk, this, ThunkTarget::BoxProc);
    oldWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hookThunk)));
    if (timeoutOrPhase > 0) {
        state |= EMB_STATE_TIMER_ARMED;
        SetTimer(box, TIMER_TIMEOUT, static_cast<UINT>(timeoutOrPhase), nullptr);
    }
    TextBuffer title;
    if (caption)
        title.Load(reinterpret_cast<UINT_PTR>(caption), CAPTION_TEXT_MAX, module);
    else
        title.ReadWindowText(owner);
    SetWindowTextA(box, title.Text());

    timeoutOrPhase = EMB_PHASE_STATICS;
    EnumChildWindows(box, ClassifyChild, reinterpret_cast<LPARAM>(this));
    LayoutBox();
    timeoutOrPhase = EMB_PHASE_BUTTONS;
    EnumChildWindows(box, ClassifyChild, reinterpret_cast<LPARAM>(this));
    if (helpId)
        SetWindowContextHelpId(box, helpId);
    PlaceOverOwner();
    // Wine activates the box while still placing its own buttons and moves them back
    // afterwards; the posted message puts them in place once it is done (harmless where
    // the platform has finished before the activation).
    PostMessageA(box, EMB_MSG_REAPPLY_LAYOUT, 0, 0);
}

void ExtMessageBox::PlaceOverOwner()
{
    RECT r = {};
    GetWindowRect(owner, &r);
    const int captionHeight = GetSystemMetrics(SM_CYCAPTION);
    const int frameHeight = GetSystemMetrics(SM_CYDLGFRAME);
    const int x = r.left + (r.right - r.left - boxWidth) / 2;
    const int y = r.top + (r.bottom - r.top - clientHeight) / 2 - (captionHeight + 2 * frameHeight) / 2;
    MoveWindow(box, x, y, boxWidth, clientHeight + captionHeight + 2 * frameHeight, TRUE);
}

void ExtMessageBox::ReapplyLayout()
{
    ButtonWalk walk = {this, 0};
    EnumChildWindows(box, ReapplyButton, reinterpret_cast<LPARAM>(&walk));
}

BOOL CALLBACK ExtMessageBox::ClassifyChild(HWND child, LPARAM object)
{
    ExtMessageBox& self = *reinterpret_cast<ExtMessageBox*>(object);
    const LRESULT dialogCode = SendMessageA(child, WM_GETDLGCODE, 0, 0);
    if (self.timeoutOrPhase == EMB_PHASE_STATICS && (dialogCode & DLGC_STATIC)) {
        const bool iconStatic = (GetWindowLongA(child, GWL_STYLE) & SS_ICON_BITS) == SS_ICON_BITS;
        self.AdjustChild(iconStatic ? EMB_ADJUST_ICON : EMB_ADJUST_TEXT, child);
    } else if (self.timeoutOrPhase == EMB_PHASE_BUTTONS && IsPushButton(child, dialogCode)) {
        self.AdjustChild(EMB_ADJUST_BUTTON, child);
    }
    return TRUE;
}
