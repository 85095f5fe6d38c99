// ResourceImage: the platform loads animated cursors only from files, hence the
// round trip through a temporary file.
#include "app/resource_image.h"

#include "bank/file_io.h"
#include "res/resource.h"

#include <cstring>

static const char TEMP_CURSOR_NAME[] = "tmp.ani";

ResourceImage::ResourceImage(HMODULE owner) : module(owner ? owner : GetModuleHandleA(nullptr)) {}

bool ResourceImage::LoadData(WORD id, LPCSTR type, const void** data, DWORD* size) const
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!found)
        return false;
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded)
        return false;
    const void* bytes = LockResource(loaded);
    if (!bytes)
        return false;
    *data = bytes;
    *size = SizeofResource(module, found);
    return true;
}

// Fills path with the temporary folder + "tmp.ani"; false when it does not fit.
static bool TempCursorPath(char (&path)[MAX_PATH])
{
    const DWORD n = GetTempPathA(MAX_PATH, path);
    if (n == 0 || n + sizeof TEMP_CURSOR_NAME > MAX_PATH)
        return false;
    std::memcpy(path + n, TEMP_CURSOR_NAME, sizeof TEMP_CURSOR_NAME);
    return true;
}

bool ResourceImage::ExtractCursor(WORD id, HCURSOR* cursor) const
{
    *cursor = nullptr;
    const void* data = nullptr;
    DWORD size = 0;
    if (!LoadData(id, MAKEINTRESOURCEA(RESOURCE_TYPE_ANICURSOR), &data, &size))
        return false;

    char path[MAX_PATH];
    if (!TempCursorPath(path))
        return false;
    // CREATE_ALWAYS: an older, longer file of that name must not leave its tail behind.
    FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen())
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file.Get(), data, size, &written, nullptr) && written == size && file.Close();
    if (ok)
        *cursor = static_cast<HCURSOR>(LoadImageA(nullptr, path, IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE));
    DeleteFileA(path);
    return ok;
}
