// The main dialog started for real: its window, its controls, the emblem, Esc and close;
// and the program itself started as a process of its own.
#include "app/main_dialog.h"
#include "app/operations.h"
#include "res/resource.h"
#include "tests/app/cursor_probe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

static const char MAIN_TITLE[] = "Vorlan - Veltrino v1.0";
static const char DIALOG_CLASS[] = "#32770";

// Where a control should sit, in dialog units, and what it is.
struct ControlPlace {
    int id;
    const char* className;
    const char* text;
    RECT units;  // x, y, width, height
};

static const ControlPlace MAIN_CONTROLS[] = {
    {IDC_CREATE_PACKAGE, "Button", "Create Package", {19, 15, 80, 20}},
    {IDC_INSERT_PACKAGE, "Button", "Insert Package", {19, 40, 80, 20}},
    {IDC_COMPRESS_SOUNDZ, "Button", "Compress Soundz File", {19, 65, 80, 20}},
    {-1, "Static", "(c) Vorlan", {98, 101, 54, 12}},
};

// What the dialog showed while it ran, looked at from inside its own modal loop.
struct DialogSeen {
    std::string title;
    int controlsInPlace = 0;
    std::vector<std::string> misplaced;
    RECT emblemPlace = {};
    RECT emblemPlaceWanted = {};
    LONG emblemStyle = 0;
    CursorSize emblemSize;
    bool emblemAnimates = false;
    bool smallIcon = false;
    bool bigIcon = false;
    Operation forButton[3] = {};
    Operation forEsc = nullptr;
    Operation forDialog = nullptr;
    Operation forStatic = nullptr;
    int cancelCommands = 0;
    bool aliveAfterEsc = false;
};

static DialogSeen seen;
static HWND dialog = nullptr;
static WNDPROC dialogProcedure = nullptr;
static int tick = 0;

// The dialog manager converts a control's corner and its size each on its own, so the far
// edges can differ by a pixel from converting the edges themselves.
static RECT DialogUnitsToPixels(HWND window, RECT units)
{
    MapDialogRect(window, &units);
    return RECT{units.left, units.top, units.left + units.right, units.top + units.bottom};
}

static RECT PlaceInClient(HWND control)
{
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

static void LookAtControls()
{
    char text[64];
    GetWindowTextA(dialog, text, sizeof text);
    seen.title = text;
    for (const ControlPlace& want : MAIN_CONTROLS) {
        HWND control = GetDlgItem(dialog, want.id);
        const RECT expected = DialogUnitsToPixels(dialog, want.units);
        char className[32] = "", caption[64] = "";
        GetClassNameA(control, className, sizeof className);
        GetWindowTextA(control, caption, sizeof caption);
        const RECT place = PlaceInClient(control);
        if (control && lstrcmpiA(className, want.className) == 0 && lstrcmpA(caption, want.text) == 0 &&
            EqualRect(&place, &expected))
            ++seen.controlsInPlace;
        else
            seen.misplaced.push_back(std::string(want.text) + " (" + className + " \"" + caption + "\" at " +
                                     std::to_string(place.left) + "," + std::to_string(place.top) + "-" +
                                     std::to_string(place.right) + "," + std::to_string(place.bottom) + ", want " +
                                     std::to_string(expected.left) + "," + std::to_string(expected.top) + "-" +
                                     std::to_string(expected.right) + "," + std::to_string(expected.bottom) + ")");
    }
    HWND emblem = GetDlgItem(dialog, IDC_EMBLEM);
    seen.emblemPlace = PlaceInClient(emblem);
    seen.emblemPlaceWanted = DialogUnitsToPixels(dialog, RECT{158, 30, 20, 20});
    seen.emblemStyle = GetWindowLongA(emblem, GWL_STYLE);
    HCURSOR cursor = reinterpret_cast<HCURSOR>(SendMessageA(emblem, STM_GETIMAGE, IMAGE_CURSOR, 0));
    seen.emblemSize = SizeOfCursor(cursor);
    const std::vector<DWORD> first = DrawCursorStep(cursor, 60, 60, 0);
    const std::vector<DWORD> later = DrawCursorStep(cursor, 60, 60, 7);
    seen.emblemAnimates = !first.empty() && !later.empty() && first != later;
    seen.smallIcon = SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0) != 0;
    seen.bigIcon = SendMessageA(dialog, WM_GETICON, ICON_BIG, 0) != 0;
}

static void LookAtDispatch()
{
    const int buttons[3] = {IDC_CREATE_PACKAGE, IDC_INSERT_PACKAGE, IDC_COMPRESS_SOUNDZ};
    for (int i = 0; i < 3; ++i)
        seen.forButton[i] = OperationForSource(GetDlgItem(dialog, buttons[i]));
    seen.forEsc = OperationForSource(GetDlgItem(dialog, IDCANCEL));
    seen.forDialog = OperationForSource(dialog);
    seen.forStatic = OperationForSource(GetDlgItem(dialog, IDC_EMBLEM));
}

// Counts the IDCANCEL commands the dialog manager sends for Esc, then hands on.
static LRESULT CALLBACK CountingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
        ++seen.cancelCommands;
    return CallWindowProcA(dialogProcedure, window, message, wParam, lParam);
}

// Runs inside the dialog's modal loop: look, press Esc, check the dialog outlived it, close.
static void CALLBACK DriveDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    dialog = FindWindowA(DIALOG_CLASS, MAIN_TITLE);
    if (!dialog)
        return;
    switch (tick++) {
    case 0:
        LookAtControls();
        LookAtDispatch();
        dialogProcedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProcedure)));
        PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(dialog, WM_KEYUP, VK_ESCAPE, 0);
        break;
    default:
        KillTimer(nullptr, timer);
        seen.aliveAfterEsc = IsWindow(dialog) != FALSE;
        SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(dialogProcedure));
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        break;
    }
}

// Looks at the controls only, then closes.
static void CALLBACK LookAndClose(HWND, UINT, UINT_PTR timer, DWORD)
{
    dialog = FindWindowA(DIALOG_CLASS, MAIN_TITLE);
    if (!dialog)
        return;
    KillTimer(nullptr, timer);
    LookAtControls();
    PostMessageA(dialog, WM_CLOSE, 0, 0);
}

// Runs the main dialog as the program does, with the driver called from its modal loop.
static INT_PTR RunMainDialogDriven(TIMERPROC driver)
{
    HINSTANCE module = GetModuleHandleA(nullptr);
    appInstance = module;
    seen = DialogSeen();
    dialog = nullptr;
    tick = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, driver);
    if (!timer)
        return -2;
    const INT_PTR result = DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc,
                                           reinterpret_cast<LPARAM>(module));
    KillTimer(nullptr, timer);
    return result;
}

TEST(MainDialog, ShowsItsWindowIgnoresEscAndEndsWithZeroOnClose)
{
    ASSERT_EQ(FindWindowA(DIALOG_CLASS, MAIN_TITLE), nullptr) << "a main dialog is already open";

    EXPECT_EQ(RunMainDialogDriven(DriveDialog), 0);

    EXPECT_EQ(mainWindow, dialog);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(seen.title, MAIN_TITLE);
    EXPECT_EQ(seen.controlsInPlace, 4);
    for (const std::string& wrong : seen.misplaced)
        ADD_FAILURE() << "misplaced: " << wrong;
    // The emblem keeps its corner and takes the cursor's own size.
    EXPECT_EQ(seen.emblemPlace.left, seen.emblemPlaceWanted.left);
    EXPECT_EQ(seen.emblemPlace.top, seen.emblemPlaceWanted.top);
    EXPECT_EQ(seen.emblemPlace.right - seen.emblemPlace.left, 60);
    EXPECT_EQ(seen.emblemPlace.bottom - seen.emblemPlace.top, 60);
    EXPECT_EQ(seen.emblemStyle & SS_TYPEMASK, SS_ICON);
    EXPECT_EQ(seen.emblemSize.width, 60);
    EXPECT_EQ(seen.emblemSize.height, 60);
    EXPECT_TRUE(seen.emblemAnimates);
    EXPECT_TRUE(seen.smallIcon);
    EXPECT_FALSE(seen.bigIcon);
    EXPECT_EQ(seen.forButton[0], &CreatePackage);
    EXPECT_EQ(seen.forButton[1], &InsertPackage);
    EXPECT_EQ(seen.forButton[2], &RebuildStatistics);
    EXPECT_EQ(seen.forEsc, nullptr);
    EXPECT_EQ(seen.forDialog, nullptr);
    EXPECT_EQ(seen.forStatic, nullptr);
    EXPECT_EQ(seen.cancelCommands, 1) << "Esc should have reached the dialog as IDCANCEL";
    EXPECT_TRUE(seen.aliveAfterEsc);
}

// "tmp.ani" held open elsewhere stands for a temporary folder that cannot be written.
TEST(MainDialog, OpensWithoutEmblemWhenTheCursorCannotBeWritten)
{
    char folder[MAX_PATH];
    const std::string tmpAni = std::string(folder, GetTempPathA(MAX_PATH, folder)) + "tmp.ani";
    HANDLE held = CreateFileA(tmpAni.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    const INT_PTR result = RunMainDialogDriven(LookAndClose);
    CloseHandle(held);
    DeleteFileA(tmpAni.c_str());

    EXPECT_EQ(result, 0);
    EXPECT_EQ(seen.title, MAIN_TITLE);
    EXPECT_EQ(seen.controlsInPlace, 4);
    EXPECT_EQ(seen.emblemStyle, 0x50000A0E);
    EXPECT_EQ(seen.emblemSize.width, 0);
}

TEST(MainDialog, NoSourceWindowRunsNothing)
{
    EXPECT_EQ(OperationForSource(nullptr), nullptr);
}

// The real program, beside this test's folder: build/<arch>/Veltrino.exe.
static std::string ProgramPath()
{
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    for (int up = 0; up < 3; ++up)
        folder.erase(folder.find_last_of('\\'));
    return folder + "\\Veltrino.exe";
}

// Waits for the process's main dialog; null if it never shows (or the process ended).
static HWND WaitForMainWindow(const PROCESS_INFORMATION& process)
{
    for (int attempt = 0; attempt < 600; ++attempt) {
        HWND window = FindWindowA(DIALOG_CLASS, MAIN_TITLE);
        DWORD owner = 0;
        if (window && GetWindowThreadProcessId(window, &owner) && owner == process.dwProcessId)
            return window;
        if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0)
            return nullptr;
    }
    return nullptr;
}

TEST(Program, StartsWithItsMainWindowAndExitsWithZeroOnClose)
{
    std::string command = "\"" + ProgramPath() + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        << command;

    HWND window = WaitForMainWindow(process);
    EXPECT_NE(window, nullptr);
    if (window)
        PostMessageA(window, WM_CLOSE, 0, 0);
    else
        TerminateProcess(process.hProcess, 99);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}
