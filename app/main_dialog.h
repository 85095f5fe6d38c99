// The program's one window: the main dialog with its three operation buttons.
#pragma once

#include <windows.h>

// The program's module; the emblem and every box image are read from it.
extern HINSTANCE appInstance;
// The main dialog: owner of every box an operation shows.
extern HWND mainWindow;

// The program's WinMain: runs the main dialog, with COM initialised on this thread for the
// shell's folder browser, until it is closed; always returns 0.
int RunMainDialog(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
// Sets the icon and the emblem at start, runs the buttons' operations, and ends the dialog
// on WM_CLOSE only.
INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

using Operation = int (*)();
// The operation a WM_COMMAND from this control window runs, or null. The source is the
// control's window, never the command id: Esc arrives as IDCANCEL with no control and so
// maps to nothing.
Operation OperationForSource(HWND source);
