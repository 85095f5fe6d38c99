// Images of the box are released by the call that matches how they were loaded.
#include "msgbox/ext_message_box.h"

void ReleaseImage(HANDLE image, UINT imageType)
{
    if (!image)
        return;
    switch (imageType) {
    case IMAGE_ICON:
        DestroyIcon(static_cast<HICON>(image));
        break;
    case IMAGE_CURSOR:
        DestroyCursor(static_cast<HCURSOR>(image));
        break;
    default:
        DeleteObject(static_cast<HGDIOBJ>(image));
        break;
    }
}
