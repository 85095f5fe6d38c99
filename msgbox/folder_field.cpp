// The folder field of the extended message box: its controls, the check of what the user
// types, the shell's folder browser, and the folder read back when the box closes.
#include "msgbox/ext_message_box.h"

#include <shlobj.h>

#include "msgbox/layout_math.h"

namespace {

const DWORD FRAME_STYLE = WS_CHILD | WS_VISIBLE | WS_TABSTOP | SS_WHITERECT;
const DWORD EDIT_STYLE = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;
const DWORD BROWSE_STYLE = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
const int EDIT_MARGIN = 2;
// Three middle dots in the Windows ANSI code page: the browse button without its image.
const char BROWSE_TEXT[] = "\xB7\xB7\xB7";
// The folder read at close: at most MAX_PATH - 1 characters, then room for a backslash
// and the terminator.
const int RESULT_READ_SIZE = MAX_PATH;
const size_t RESULT_BUFFER_SIZE = MAX_PATH + 1;

HWND CreateChild(const ExtMessageBox& self, DWORD exStyle, LPCSTR className, LPCSTR text, DWORD style,
                 const ControlRect& place, int id)
{
    return CreateWindowExA(exStyle, className, text, style, place.x, place.y, place.width, place.height, self.box,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), self.module, nullptr);
}

DWORD BrowseButtonStyle(HANDLE image, UINT imageType)
{
    if (image && imageType == IMAGE_ICON)
        return BROWSE_STYLE | BS_ICON;
    if (image && imageType == IMAGE_BITMAP)
        return BROWSE_STYLE | BS_BITMAP;
    return BROWSE_STYLE;
}

// True when the path names an existing file or folder, or a drive. A null path is the
// empty field: the drive test then looks at the current drive.
bool NamesSomething(const char* path)
{
    if (path) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(path, &found);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            return true;
        }
    }
    return GetDriveTypeA(path) > DRIVE_NO_ROOT_DIR;
}

}  // namespace

void ExtMessageBox::CreateExtraControls(int gap)
{
    if (kind != EMB_KIND_FOLDER || !extension)
        return;
    FolderExtension& field = *extension;
    clientHeight += gap;
    const FolderFieldRects rects = FolderFieldGeometry(boxWidth, clientHeight, CurrentBoxMetrics());

    CreateChild(*this, WS_EX_CLIENTEDGE, "STATIC", nullptr, FRAME_STYLE, rects.frame, 0);

    field.editWindow = CreateChild(*this, 0, "EDIT", text.chars, EDIT_STYLE, rects.edit, IDC_EXTRA);
    SendMessageA(field.editWindow, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_VAR_FONT)), TRUE);
    SendMessageA(field.editWindow, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(EDIT_MARGIN, EDIT_MARGIN));

    if (field.browseImageId)
        field.browseImageType = LoadImageResource(field.browseImageId, &field.browseImage, 0);
    const HANDLE image = field.browseImage;
    field.browseButton = CreateChild(*this, 0, "BUTTON", image ? nullptr : BROWSE_TEXT,
                                     BrowseButtonStyle(image, field.browseImageType), rects.browse, IDC_BROWSE);
    if (image)
        SendMessageA(field.browseButton, BM_SETIMAGE, field.browseImageType, reinterpret_cast<LPARAM>(image));

    clientHeight += FOLDER_FIELD_HEIGHT;
}

void ExtMessageBox::ValidateFolder()
{
    if (!extension || !extension->validateOnChange || !actionButton)
        return;
    text.ReadWindowText(extension->editWindow);
    EnableWindow(actionButton, NamesSomething(text.chars));
}

void ExtMessageBox::BrowseForFolder()
{
    if (!extension)
        return;
    char* chosen = text.Allocate(MAX_PATH);
    if (!chosen)
        return;
    chosen[0] = '\0';
    BROWSEINFOA info = {};
    info.hwndOwner = box;
    info.pszDisplayName = chosen;
    info.lpszTitle = extension->browseTitle.chars;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE list = SHBrowseForFolderA(&info);
    // Setting the edit's text raises EN_CHANGE, which checks the chosen folder and so reads
    // the field into text, freeing chosen while the edit may still hold it: it gets a copy.
    if (list && SHGetPathFromIDListA(list, chosen)) {
        char path[MAX_PATH];
        lstrcpynA(path, chosen, MAX_PATH);
        SetWindowTextA(extension->editWindow, path);
    }
    CoTaskMemFree(list);
    PostMessageA(box, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(extension->editWindow), TRUE);
}

void ExtMessageBox::ReadFolderResult()
{
    if (!extension)
        return;
    char* folder = text.Allocate(RESULT_BUFFER_SIZE);
    if (!folder)
        return;
    folder[0] = '\0';
    const int n = GetWindowTextA(extension->editWindow, folder, RESULT_READ_SIZE);
    if (extension->appendBackslash && n > 0 && folder[n - 1] != '\\') {
        folder[n] = '\\';
        folder[n + 1] = '\0';
    }
    if (extension->editWindow)
        DestroyWindow(extension->editWindow);
    extension->editWindow = nullptr;
}
