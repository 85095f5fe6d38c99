// ExtMessageBox: creation, configuration before a Show, and teardown.
#include "msgbox/ext_message_box.h"

#include <new>

#include "msgbox/thunk.h"

namespace {

// Longest initial folder loaded from the string table, and longest browse title.
const int FOLDER_TEXT_MAX = MAX_PATH;
const int BROWSE_TITLE_MAX = 512;

void ResetSlot(ButtonSlot& slot)
{
    ReleaseImage(slot.image, slot.imageType);
    slot = ButtonSlot{};
    slot.imageType = IMAGE_BITMAP;
    slot.width = EMB_BUTTON_DEFAULT_WIDTH;
    slot.height = EMB_BUTTON_DEFAULT_HEIGHT;
}

// Even entries are widths, odd ones heights; each must lie strictly inside the work area.
void ApplySizes(ButtonSlot* buttons, const int* sizes, int sizeCount)
{
    RECT workArea = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    for (int i = 0; i < EMB_MAX_SIZES && i < sizeCount; ++i) {
        const int v = sizes[i];
        ButtonSlot& slot = buttons[i / 2];
        if (i % 2 == 0) {
            if (v > 0 && v < workArea.right)
                slot.width = v;
        } else if (v > 0 && v < workArea.bottom) {
            slot.height = v;
        }
    }
}

}  // namespace

ExtMessageBox::~ExtMessageBox()
{
    Release();
}

BOOL ExtMessageBox::LayoutCustomArea(HWND, int, int, int*, int*)
{
    return FALSE;
}

void ExtMessageBox::OnCustomDestroy(HWND)
{
}

BOOL ExtMessageBox::FilterMessage(HWND, UINT*, WPARAM*, LPARAM*)
{
    return TRUE;
}

void ExtMessageBox::Init(HMODULE givenModule)
{
    kind = EMB_KIND_NONE;
    commonControlsModule = nullptr;
    state = 0;
    text.Free();
    extension = nullptr;
    module = givenModule ? givenModule : GetModuleHandleA(nullptr);
    textWidth = 0;
    textHeight = 0;
    for (ButtonSlot& slot : buttons)
        slot.image = nullptr;
    SetButtons(1, nullptr, EMB_MAX_SIZES, nullptr, EMB_MAX_BUTTONS);
}

// Safe to call more than once: the destructor calls it again after the owner did.
void ExtMessageBox::Release()
{
    if (commonControlsModule) {
        FreeLibrary(commonControlsModule);
        commonControlsModule = nullptr;
    }
    AllocateExtension(false);
    text.Free();
    // A configuration that never reached a Show still holds its button images.
    SetButtons(1, nullptr, EMB_MAX_SIZES, nullptr, EMB_MAX_BUTTONS);
    FreeThunk(hookThunk);
}

void ExtMessageBox::SetButtons(const int& labelsMode, const int* sizes, const int& sizeCount,
                               const UINT_PTR* images, const int& imageCount)
{
    for (ButtonSlot& slot : buttons)
        ResetSlot(slot);
    if (sizes)
        ApplySizes(buttons, sizes, sizeCount);
    if (!images)
        return;
    for (int i = 0; i < EMB_MAX_BUTTONS && i < imageCount; ++i) {
        const UINT_PTR v = images[i];
        if (labelsMode) {
            buttons[i].label = reinterpret_cast<LPCSTR>(v);
        } else if (v != 0 && v <= MAX_RESOURCE_ID) {
            buttons[i].imageType = LoadImageResource(v, &buttons[i].image, 0);
        }
    }
}

void ExtMessageBox::SetFolderField(LPCSTR initialFolder, LPCSTR browseTitle, const UINT& browseImageId,
                                   const int& appendBackslash, const int& validateOnChange, const int& actionEnabled)
{
    kind = EMB_KIND_FOLDER;
    text.Load(reinterpret_cast<UINT_PTR>(initialFolder), FOLDER_TEXT_MAX, module);
    AllocateExtension(true);
    if (!extension) {
        // Without its record the field cannot exist: the next Show asks a plain question.
        kind = EMB_KIND_NONE;
        return;
    }
    extension->browseImageId = browseImageId;
    extension->browseImage = nullptr;
    extension->browseTitle.Load(reinterpret_cast<UINT_PTR>(browseTitle), BROWSE_TITLE_MAX, nullptr);
    extension->validateOnChange = validateOnChange;
    extension->actionEnabled = actionEnabled;
    extension->appendBackslash = appendBackslash;
}

void ExtMessageBox::AllocateExtension(bool allocate)
{
    if (extension) {
        ReleaseImage(extension->browseImage, extension->browseImageType);
        delete extension;  // frees browseTitle with it
        extension = nullptr;
    }
    if (allocate && kind == EMB_KIND_FOLDER)
        extension = new (std::nothrow) FolderExtension{};
}
