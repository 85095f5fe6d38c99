// BoxSession: a thread timer armed before Show reaches into the box's modal loop.
#include "tests/msgbox/box_session.h"

#include "res/resource.h"

namespace {

// Long enough for the box to be rebuilt and for the posted relayout to have run.
const UINT PROBE_DELAY_MS = 300;
// A box that nobody answers is ended after this, so a faulty test fails instead of hanging.
const UINT WATCHDOG_DELAY_MS = 20000;
const char OWNER_CLASS[] = "VorlanTestOwner";

// One probe at a time: tests run on one thread and every Show is modal.
struct Probe {
    ExtMessageBox* object;
    const std::function<void(HWND)>* whileOpen;
    HWND box;
    UINT_PTR probeTimer;
    UINT_PTR watchdog;  // killed when Show returns, so it never ends a later test's box
};
Probe* activeProbe = nullptr;

HWND ProbedBox(const ExtMessageBox& object)
{
    if (object.box && IsWindow(object.box))
        return object.box;
    return GetActiveWindow();
}

BOOL CALLBACK CancelOwnedDialog(HWND window, LPARAM box)
{
    if (GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(box))
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

void CALLBACK WatchdogFired(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (!activeProbe || !activeProbe->box || !IsWindow(activeProbe->box))
        return;
    // A folder browser left open runs its own loop: end it too, or the box never closes.
    EnumThreadWindows(GetCurrentThreadId(), CancelOwnedDialog, reinterpret_cast<LPARAM>(activeProbe->box));
    EndDialog(activeProbe->box, PROBE_UNANSWERED);
}

void CALLBACK ProbeFired(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (!activeProbe)
        return;
    HWND box = ProbedBox(*activeProbe->object);
    if (!box) {
        activeProbe->probeTimer = SetTimer(nullptr, 0, PROBE_DELAY_MS, ProbeFired);
        return;
    }
    activeProbe->box = box;
    if (*activeProbe->whileOpen)
        (*activeProbe->whileOpen)(box);
    if (activeProbe)
        activeProbe->watchdog = SetTimer(nullptr, 0, WATCHDOG_DELAY_MS, WatchdogFired);
}

struct ButtonSearch {
    HWND* found;
    int capacity;
    int count;
};

BOOL CALLBACK CollectPushButton(HWND child, LPARAM context)
{
    ButtonSearch& search = *reinterpret_cast<ButtonSearch*>(context);
    const LRESULT code = SendMessageA(child, WM_GETDLGCODE, 0, 0);
    const bool pushButton = (code & DLGC_BUTTON) && (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
    if (!pushButton || GetDlgCtrlID(child) == IDC_BROWSE || !IsWindowVisible(child))
        return TRUE;
    if (search.count < search.capacity)
        search.found[search.count++] = child;
    return TRUE;
}

}  // namespace

void ConfigureFolderPrompt(ExtMessageBox& object, const char* initialFolder)
{
    object.SetFolderField(initialFolder, "Choose the folder", IDI_BROWSE, 1, 1, 1);
    object.textWidth = 320;
    object.textHeight = 0;
    const int sizes[] = {200, 40, 200, 40};
    const UINT_PTR images[] = {IDI_BUTTON_OK, IDI_BUTTON_CANCEL};
    object.SetButtons(0, sizes, 4, images, 2);
}

ShowArgs FolderPromptArgs(HWND owner)
{
    ShowArgs args;
    args.owner = owner;
    args.message = "Select the folder that holds the wave files.";
    args.caption = "Create Package";
    args.style = MB_OKCANCEL;
    args.options = EMB_OPT_ETCHED_LINE | EMB_OPT_CLIENT_EDGE;
    args.icon = IDI_PROMPT;
    return args;
}

int ShowAndProbe(ExtMessageBox& object, const ShowArgs& args, const std::function<void(HWND box)>& whileOpen)
{
    Probe probe = {&object, &whileOpen, nullptr, 0, 0};
    activeProbe = &probe;
    probe.probeTimer = SetTimer(nullptr, 0, PROBE_DELAY_MS, ProbeFired);
    const int result = object.Show(args.owner, args.message, args.caption, args.style, args.options, args.icon,
                                   args.timeout, args.helpId);
    KillTimer(nullptr, probe.probeTimer);
    if (probe.watchdog)
        KillTimer(nullptr, probe.watchdog);
    activeProbe = nullptr;
    return result;
}

void PressButton(HWND box, int id)
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

void TypeIntoFolderField(HWND box, const char* text)
{
    SetWindowTextA(GetDlgItem(box, IDC_EXTRA), text);
}

void PumpPendingMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

RECT ClientRectOfChild(HWND box, HWND child)
{
    RECT r = {};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int VisiblePushButtons(HWND box, HWND* found, int capacity)
{
    ButtonSearch search = {found, capacity, 0};
    EnumChildWindows(box, CollectPushButton, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

std::string WindowTextOf(HWND window)
{
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

OwnerWindow::OwnerWindow(int x, int y, int width, int height)
{
    WNDCLASSA cls = {};
    cls.lpfnWndProc = DefWindowProcA;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = OWNER_CLASS;
    RegisterClassA(&cls);  // fails harmlessly once the class exists
    window = CreateWindowExA(0, OWNER_CLASS, "Owner of the box", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width,
                             height, nullptr, nullptr, cls.hInstance, nullptr);
}

OwnerWindow::~OwnerWindow()
{
    if (window)
        DestroyWindow(window);
}
