// ResourceImage: raw resource bytes of a module, and animated cursors made from them.
#pragma once

#include <windows.h>

class ResourceImage {
public:
    // A null module means this program's own module.
    explicit ResourceImage(HMODULE module);
    virtual ~ResourceImage() = default;
    ResourceImage(const ResourceImage&) = delete;
    ResourceImage& operator=(const ResourceImage&) = delete;

    // The resource's bytes stay the module's; nothing to free.
    bool LoadData(WORD id, LPCSTR type, const void** data, DWORD* size) const;
    // Writes the type-21 resource to "tmp.ani" in the temporary folder, loads it back as a
    // cursor and deletes the file. True once the file was written, even when the load
    // failed (the cursor is then null). The cursor belongs to the caller.
    bool ExtractCursor(WORD id, HCURSOR* cursor) const;

    HMODULE module;
};
