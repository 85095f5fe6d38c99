// BoxSession: shows an ExtMessageBox for real and inspects it while it is open.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "msgbox/ext_message_box.h"

// The arguments of ExtMessageBox::Show, with the values most tests want.
struct ShowArgs {
    HWND owner = nullptr;
    LPCSTR message = "Is this the question?";
    LPCSTR caption = "Box under test";
    UINT style = MB_OK;
    UINT options = 0;
    UINT_PTR icon = 0;
    int timeout = 0;
    DWORD helpId = 0;
};

// The program's folder prompt: folder field (initial folder, browse image IDI_BROWSE, all
// three flags set), text 320 pixels wide, two 200 x 40 buttons with IDI_BUTTON_OK and
// IDI_BUTTON_CANCEL; shown with MB_OKCANCEL, options 0x2004 and icon IDI_PROMPT.
void ConfigureFolderPrompt(ExtMessageBox& object, const char* initialFolder);
ShowArgs FolderPromptArgs(HWND owner);

// Calls ExtMessageBox::Show and, once the rebuilt box has settled inside the modal loop,
// calls whileOpen(box) on the same thread. The callback answers the box (PressButton),
// or leaves it to end by itself (a time-out). A box still open 20 seconds after the
// probe is ended with PROBE_UNANSWERED (any dialog it opened is cancelled first), so a
// test that forgets to answer fails instead of hanging. whileOpen receives the box that the hook recognised, or the thread's
// active window when the hook found none. It may be empty: the box then closes itself.
const int PROBE_UNANSWERED = 0x7E57;
int ShowAndProbe(ExtMessageBox& object, const ShowArgs& args, const std::function<void(HWND box)>& whileOpen);

// Answers the box as a click on the button with this id would.
void PressButton(HWND box, int id);
// Types into the folder edit: its EN_CHANGE reaches the box before this returns.
void TypeIntoFolderField(HWND box, const char* text);
// Runs the messages that wait in the thread's queue (posted relayouts, repaints).
void PumpPendingMessages();

// A child's rectangle in the box's client coordinates.
RECT ClientRectOfChild(HWND box, HWND child);
// The visible push buttons of the box in child order (at most 8).
int VisiblePushButtons(HWND box, HWND* found, int capacity);
// The text of a window, at most 511 characters.
std::string WindowTextOf(HWND window);

// A plain top-level window to serve as the owner of a box; destroyed with the object.
class OwnerWindow {
public:
    OwnerWindow(int x, int y, int width, int height);
    ~OwnerWindow();
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND window = nullptr;
};
