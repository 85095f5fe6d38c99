// Whole-or-nothing file calls of the bank operations.
#include "bank/file_io.h"

#include <cstring>

FileHandle OpenExistingFile(const char* path, DWORD access, DWORD shareMode)
{
    return FileHandle(CreateFileA(path, access, shareMode, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle CreateNewFile(const char* path, DWORD access)
{
    return FileHandle(CreateFileA(path, access, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle OpenOrCreateFile(const char* path)
{
    return FileHandle(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
}

bool FlushFile(HANDLE file)
{
    return FlushFileBuffers(file) != FALSE;
}

bool SetFileSize(HANDLE file, int64_t size)
{
    return SeekTo(file, size) && SetEndOfFile(file) != FALSE;
}

bool SeekTo(HANDLE file, int64_t position)
{
    if (position < 0)
        return false;
    LONG high = static_cast<LONG>(position >> 32);
    SetLastError(NO_ERROR);
    const DWORD low = SetFilePointer(file, static_cast<LONG>(position & 0xFFFFFFFF), &high, FILE_BEGIN);
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

bool ReadExactly(HANDLE file, void* bytes, DWORD length)
{
    if (length == 0)
        return true;
    DWORD got = 0;
    return ReadFile(file, bytes, length, &got, nullptr) && got == length;
}

bool WriteExactly(HANDLE file, const void* bytes, DWORD length)
{
    if (length == 0)
        return true;
    DWORD written = 0;
    return WriteFile(file, bytes, length, &written, nullptr) && written == length;
}

int64_t SizeOfFile(HANDLE file)
{
    DWORD high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return -1;
    return (static_cast<int64_t>(high) << 32) | low;
}

void WriteLogLine(HANDLE log, const char* line)
{
    if (log == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(log, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
}
