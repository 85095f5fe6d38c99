// TextBuffer: every change frees the old text first, so one buffer is held at most.
#include "app/text_buffer.h"

#include <cstdlib>
#include <cstring>

void TextBuffer::Free()
{
    if (!chars)
        return;
    std::free(chars);
    chars = nullptr;
}

char* TextBuffer::Allocate(size_t n)
{
    Free();
    chars = static_cast<char*>(std::malloc(n));
    return chars;
}

void TextBuffer::Assign(const char* s)
{
    Free();
    if (!s)
        return;
    const size_t n = std::strlen(s) + 1;
    if (Allocate(n))
        std::memcpy(chars, s, n);
}

void TextBuffer::Load(UINT_PTR source, int m, HMODULE module)
{
    Free();
    if (source == 0)
        return;
    if (source > MAX_RESOURCE_ID) {
        Assign(reinterpret_cast<const char*>(source));
        return;
    }
    if (m <= 0 || !Allocate(static_cast<size_t>(m)))
        return;
    chars[0] = '\0';
    if (!module)
        module = GetModuleHandleA(nullptr);
    LoadStringA(module, static_cast<UINT>(source & MAX_RESOURCE_ID), chars, m);
}

int TextBuffer::ReadWindowText(HWND window)
{
    Free();
    const int n = GetWindowTextLengthA(window);
    if (n <= 0)
        return n < 0 ? 0 : n;
    if (!Allocate(static_cast<size_t>(n) + 1))
        return 0;
    chars[0] = '\0';
    GetWindowTextA(window, chars, n + 1);
    return n + 1;
}
