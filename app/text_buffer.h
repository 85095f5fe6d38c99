// TextBuffer: an owned, nullable heap string of 8-bit characters.
#pragma once

#include <windows.h>

#include <cstddef>

// A text or image argument at or below this is a resource id of a module, not a pointer.
const UINT_PTR MAX_RESOURCE_ID = 0xFFFF;

class TextBuffer {
public:
    TextBuffer() = default;
    ~TextBuffer() { Free(); }
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // Releases the text; the buffer then holds none (null reads as "").
    void Free();
    // Replaces the text by an uninitialised buffer of n bytes and returns it.
    char* Allocate(size_t n);
    // Copies s with its terminator, also from its own text; a null s leaves no text at all.
    void Assign(const char* s);
    // source above 0xFFFF is a string pointer; at most 0xFFFF a string-table id of
    // module (null: this program), loaded into a buffer of exactly m bytes.
    void Load(UINT_PTR source, int m, HMODULE module);
    // Takes the window's text; returns length + 1, or 0 (no text, chars stays null).
    int ReadWindowText(HWND window);

    // The text, or "" when there is none: for readers that do not care.
    const char* Text() const { return chars ? chars : ""; }

    char* chars = nullptr;
};
