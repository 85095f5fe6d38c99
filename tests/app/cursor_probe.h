// Looks into cursors from the outside: size of a frame, and whether its steps differ.
#pragma once

#include <windows.h>

#include <vector>

struct CursorSize {
    int width = 0;
    int height = 0;
};

// The size of the cursor's (first) frame; 0 x 0 when the handle is no cursor.
inline CursorSize SizeOfCursor(HCURSOR cursor)
{
    CursorSize size;
    ICONINFO info = {};
    if (!cursor || !GetIconInfo(cursor, &info))
        return size;
    BITMAP bits = {};
    if (info.hbmColor && GetObjectA(info.hbmColor, sizeof bits, &bits)) {
        size.width = bits.bmWidth;
        size.height = bits.bmHeight;
    } else if (info.hbmMask && GetObjectA(info.hbmMask, sizeof bits, &bits)) {
        size.width = bits.bmWidth;
        size.height = bits.bmHeight / 2;  // a monochrome mask holds AND and XOR halves
    }
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    return size;
}

// The pixels of one animation step drawn on white; empty when drawing failed.
inline std::vector<DWORD> DrawCursorStep(HCURSOR cursor, int width, int height, UINT step)
{
    std::vector<DWORD> pixels;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) {
        DeleteDC(dc);
        return pixels;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, width, height, WHITENESS);
    if (DrawIconEx(dc, 0, 0, cursor, width, height, step, nullptr, DI_NORMAL)) {
        GdiFlush();
        const DWORD* p = static_cast<const DWORD*>(bits);
        pixels.assign(p, p + width * height);
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}
