// ExtMessageBox::BoxProc: the shown box's messages, before the platform's own procedure.
#include "msgbox/ext_message_box.h"

namespace {

const UINT ETCHED_LINE_EDGES = BF_RIGHT | BF_BOTTOM;
const UINT ANIMATION_STOP = 0x466;  // ACM_STOP

}  // namespace

LRESULT ExtMessageBox::BoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        // Cancel, Esc and the close box all arrive as IDCANCEL.
        if (LOWORD(wParam) == IDCANCEL && (options & EMB_OPT_IGNORE_CANCEL))
            return 0;
        OnCommand(wParam);
        break;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_TIMER:
        if (wParam == TIMER_TIMEOUT)
            OnTimeout();
        break;
    case EMB_MSG_REAPPLY_LAYOUT:
        ReapplyLayout();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return CallWindowProcA(oldWndProc, window, message, wParam, lParam);
    default:
        break;
    }
    if (!FilterMessage(window, &message, &wParam, &lParam))
        return 0;
    return CallWindowProcA(oldWndProc, window, message, wParam, lParam);
}

void ExtMessageBox::OnCommand(WPARAM wParam)
{
    if (kind != EMB_KIND_FOLDER)
        return;
    const WORD notification = HIWORD(wParam);
    if (notification == EN_CHANGE)
        ValidateFolder();
    else if (notification == BN_CLICKED && LOWORD(wParam) == IDC_BROWSE)
        BrowseForFolder();
}

void ExtMessageBox::Paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(box, &ps);
    if (!dc)
        return;
    if (options & EMB_OPT_ETCHED_LINE)
        DrawEdge(dc, &frameRect, EDGE_ETCHED, ETCHED_LINE_EDGES);
    else if (options & EMB_OPT_SUNKEN_PANEL)
        DrawEdge(dc, &frameRect, EDGE_SUNKEN, BF_RECT);
    EndPaint(box, &ps);
}

void ExtMessageBox::OnTimeout()
{
    timeoutOrPhase = ID_TIMEOUT;
    EndDialog(box, ID_TIMEOUT);
}

void ExtMessageBox::OnDestroy()
{
    if (state & EMB_STATE_TIMER_ARMED)
        KillTimer(box, TIMER_TIMEOUT);
    if (oldWndProc)
        SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldWndProc));
    if (kind == EMB_KIND_FOLDER) {
        ReadFolderResult();
    } else {
        OnCustomDestroy(box);
        text.Free();
    }
    if (animationWindow) {
        SendMessageA(animationWindow, ANIMATION_STOP, 0, 0);
        DestroyWindow(animationWindow);
        animationWindow = nullptr;
    }
    ReleaseImage(iconImage, iconImageType);
    iconImage = nullptr;
}
