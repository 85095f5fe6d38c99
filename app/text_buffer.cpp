// TextBuffer: every change frees the old text, so one buffer is held at most.
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

// s may be this buffer's own text: it is copied before the old text is freed.
void TextBuffer::Assign(const char* s)
{
    if (!s) {
        Free();
        return;
    }
    const size_t n = std::strlen(s) + 1;
    char* copy = static_cast<char*>(std::malloc(n));
    if (copy)
        std::memcpy(copy, s, n);
    Free();
    chars = copy;
}

void TextBuffer::Load(UINT_PTR source, int m, HMODULE module)
{
    if (source > MAX_RESOURCE_ID) {
        Assign(reinterpret_cast<const char*>(source));
        return;
    }
    Free();
    if (source == 0 || m <= 0 || !Allocate(static_cast<size_t>(m)))
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
