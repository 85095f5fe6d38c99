// BoxDriver: a thread timer that fires inside each box's modal loop finds the box that
// is open on the thread and answers it.
#include "tests/operations/box_driver.h"

#include <cstring>
#include <utility>

namespace {

const UINT TICK_MS = 50;
// An answered box still open after this is ended, so a faulty run fails instead of hanging.
const DWORD STUCK_BOX_MS = 15000;
const int IDC_FOLDER_EDIT = 101;
const int IDC_BROWSE_BUTTON = 102;
const char DIALOG_CLASS[] = "#32770";

// One driver at a time: every box is modal on the test's one thread.
BoxDriver* activeDriver = nullptr;

std::string TextOf(HWND window)
{
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The box being built still carries its numeric caption; only a finished box is answered.
bool IsFinishedBox(HWND window)
{
    char cls[16] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (std::strcmp(cls, DIALOG_CLASS) != 0 || !IsWindowVisible(window) || !IsWindowEnabled(window))
        return false;
    const std::string caption = TextOf(window);
    return !caption.empty() && caption.find_first_not_of("-0123456789") != std::string::npos;
}

BOOL CALLBACK FindOpenBox(HWND window, LPARAM found)
{
    if (!IsFinishedBox(window))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

HWND OpenBoxOfThisThread()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindOpenBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool IsStatic(HWND child, UINT type)
{
    char cls[16] = "";
    GetClassNameA(child, cls, sizeof cls);
    return _stricmp(cls, "Static") == 0 && (static_cast<UINT>(GetWindowLongA(child, GWL_STYLE)) & SS_TYPEMASK) == type;
}

// The message text is the one static that shows text; the folder field's frame shows none.
BOOL CALLBACK ReadStatic(HWND child, LPARAM seenBox)
{
    SeenBox& seen = *reinterpret_cast<SeenBox*>(seenBox);
    const HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    if (IsStatic(child, SS_ICON) && IsWindowVisible(child) && icon != nullptr) {
        seen.hasIcon = true;
        seen.icon = icon;
    }
    if (!IsStatic(child, SS_LEFT) || TextOf(child).empty())
        return TRUE;
    seen.text = TextOf(child);
    RECT r = {};
    GetClientRect(child, &r);
    seen.textWidth = r.right - r.left;
    return TRUE;
}

// Push buttons of the box itself; the folder field's browse button is none of them.
BOOL CALLBACK CountPushButton(HWND child, LPARAM count)
{
    const LRESULT code = SendMessageA(child, WM_GETDLGCODE, 0, 0);
    const bool pushButton = (code & DLGC_BUTTON) && (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
    if (pushButton && IsWindowVisible(child) && GetDlgCtrlID(child) != IDC_BROWSE_BUTTON)
        ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM texts)
{
    char cls[16] = "";
    GetClassNameA(child, cls, sizeof cls);
    const std::string text = TextOf(child);
    if (_stricmp(cls, "Static") == 0 && !text.empty())
        reinterpret_cast<std::vector<std::string>*>(texts)->push_back(text);
    return TRUE;
}

bool HasImage(HWND button)
{
    return SendMessageA(button, BM_GETIMAGE, IMAGE_ICON, 0) != 0 || SendMessageA(button, BM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
}

}  // namespace

SeenBox ReadBox(HWND box)
{
    SeenBox seen;
    seen.caption = TextOf(box);
    EnumChildWindows(box, ReadStatic, reinterpret_cast<LPARAM>(&seen));
    HWND edit = GetDlgItem(box, IDC_FOLDER_EDIT);
    seen.hasFolderField = edit != nullptr;
    if (edit)
        seen.startFolder = TextOf(edit);
    seen.owner = GetWindow(box, GW_OWNER);
    EnumChildWindows(box, CountPushButton, reinterpret_cast<LPARAM>(&seen.buttonCount));
    HWND ok = GetDlgItem(box, IDOK);
    RECT r = {};
    if (ok && GetWindowRect(ok, &r)) {
        seen.okSize = {r.right - r.left, r.bottom - r.top};
        seen.okHasImage = HasImage(ok);
    }
    return seen;
}

BoxAnswer Type(const std::string& folder, int button)
{
    const bool withBackslash = !folder.empty() && folder.back() == '\\';
    return {true, withBackslash ? folder.substr(0, folder.size() - 1) : folder, button};
}

BoxAnswer Press(int button)
{
    return {false, std::string(), button};
}

void TypeFolder(HWND box, const char* folder)
{
    HWND edit = GetDlgItem(box, IDC_FOLDER_EDIT);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_CHAR, '\b', 0);
    for (const char* c = folder; *c; ++c)
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(*c), 0);
}

BoxDriver::BoxDriver(std::vector<BoxAnswer> given) : answers(std::move(given))
{
}

int BoxDriver::Run(const std::function<int()>& operation)
{
    activeDriver = this;
    const UINT_PTR timer = SetTimer(nullptr, 0, TICK_MS, Tick);
    const int result = operation();
    KillTimer(nullptr, timer);
    activeDriver = nullptr;
    return result;
}

void CALLBACK BoxDriver::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (activeDriver)
        activeDriver->OnTick();
}

void BoxDriver::OnTick()
{
    if (answeredBox && IsWindow(answeredBox)) {
        if (GetTickCount() - answeredAt > STUCK_BOX_MS)
            EndDialog(answeredBox, IDCANCEL);
        return;
    }
    answeredBox = nullptr;
    HWND box = OpenBoxOfThisThread();
    if (!box)
        return;
    if (browsingBox) {
        OnBrowsing(box);
        return;
    }
    seen.push_back(ReadBox(box));
    if (!openBrowser || !seen.back().hasFolderField) {
        Answer(box);
        return;
    }
    browsingBox = box;
    browserClosed = false;
    answeredAt = GetTickCount();
    PostMessageA(GetDlgItem(box, IDC_BROWSE_BUTTON), BM_CLICK, 0, 0);
}

// While the browser is open it is the thread's one enabled box; the prompt comes back
// once it has been cancelled.
void BoxDriver::OnBrowsing(HWND box)
{
    if (box != browsingBox) {
        EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&seen.back().browserTexts));
        browserClosed = true;
        Press(box, IDCANCEL);
        return;
    }
    if (!browserClosed && GetTickCount() - answeredAt < STUCK_BOX_MS)
        return;
    browsingBox = nullptr;
    Answer(box);
}

void BoxDriver::Answer(HWND box)
{
    SeenBox& record = seen.back();
    HWND ok = GetDlgItem(box, IDOK);
    int button = IDCANCEL;
    if (nextAnswer < answers.size()) {
        const BoxAnswer& answer = answers[nextAnswer++];
        if (answer.typeFolder)
            TypeFolder(box, answer.folder.c_str());
        record.okEnabled = ok && IsWindowEnabled(ok);
        record.answered = answer.button != IDOK || record.okEnabled;
        if (record.answered)
            button = answer.button;
    }
    Press(box, button);
}

void BoxDriver::Press(HWND box, int button)
{
    HWND pressed = GetDlgItem(box, button);
    if (pressed)
        PostMessageA(pressed, BM_CLICK, 0, 0);
    else
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    answeredBox = box;
    answeredAt = GetTickCount();
}
