// The main dialog: three buttons, one per operation, and the animated emblem.
#include "app/main_dialog.h"

#include <objbase.h>

#include "app/operations.h"
#include "app/resource_image.h"
#include "res/resource.h"

HINSTANCE appInstance = nullptr;
HWND mainWindow = nullptr;

int RunMainDialog(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    appInstance = instance;
    // The shell's folder browser needs COM on this thread, apartment-threaded.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // The dialog's own result, -1 included, does not change the program's exit code.
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc,
                    reinterpret_cast<LPARAM>(instance));
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

// Without its cursor the emblem control keeps its template style and shows nothing; a
// cursor file that would not load still switches it, to a null image.
static void ShowEmblem()
{
    HCURSOR emblem = nullptr;
    if (!ResourceImage(appInstance).ExtractCursor(IDR_EMBLEM, &emblem))
        return;
    HWND control = GetDlgItem(mainWindow, IDC_EMBLEM);
    // An SS_ICON static sizes itself to the image and animates an animated cursor.
    SetWindowLongA(control, GWL_STYLE, WS_CHILD | WS_VISIBLE | SS_ICON);
    SendMessageA(control, STM_SETIMAGE, IMAGE_CURSOR, reinterpret_cast<LPARAM>(emblem));
}

static void OnInitDialog(HWND window, HINSTANCE module)
{
    mainWindow = window;
    HANDLE icon = LoadImageA(module, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR);
    SendMessageA(mainWindow, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    ShowEmblem();
}

Operation OperationForSource(HWND source)
{
    if (!source)
        return nullptr;
    if (source == GetDlgItem(mainWindow, IDC_CREATE_PACKAGE))
        return CreatePackage;
    if (source == GetDlgItem(mainWindow, IDC_INSERT_PACKAGE))
        return InsertPackage;
    if (source == GetDlgItem(mainWindow, IDC_COMPRESS_SOUNDZ))
        return RebuildStatistics;
    return nullptr;
}

// The operation runs to its end here, inside the dialog's own message handling; what it
// returns changes nothing in the dialog. No exception may unwind through user32.
static void OnCommand(HWND source)
{
    Operation operation = OperationForSource(source);
    if (!operation)
        return;
    try {
        operation();
    } catch (...) {
    }
}

// Nothing of the dialog's own to draw: the controls paint themselves.
static void OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
}

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(window, reinterpret_cast<HINSTANCE>(lParam));
        return FALSE;
    case WM_COMMAND:
        OnCommand(reinterpret_cast<HWND>(lParam));
        return FALSE;
    case WM_PAINT:
        OnPaint(window);
        return FALSE;
    case WM_CLOSE:
        EndDialog(window, 0);
        return TRUE;
    }
    return FALSE;
}
