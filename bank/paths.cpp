// The program-wide path buffers.
#include "bank/paths.h"

#include <cstring>

char workFolder[MAX_PATH];
char bankPath[MAX_PATH];
const char BANK_FILE_NAME[] = "soundz.rwv";

// A current directory longer than this (C:\) gets a backslash appended.
static const size_t DRIVE_ROOT_LENGTH = 3;

void FillWorkFolderWithCurrentDirectory()
{
    char current[MAX_PATH];
    const DWORD n = GetCurrentDirectoryA(MAX_PATH, current);
    if (n == 0 || n >= MAX_PATH) {
        workFolder[0] = '\0';
        return;
    }
    if (n > DRIVE_ROOT_LENGTH && current[n - 1] != '\\')
        JoinPath(workFolder, current, "\\");
    else
        std::memcpy(workFolder, current, n + 1);
}

const char* NameAfterFolder(const char* path)
{
    const char* name = path;
    for (const char* c = path; *c != '\0'; ++c) {
        if (*c == '\\' || *c == '/')
            name = c + 1;
    }
    return name;
}

void FolderOf(const char* path, char (&folder)[MAX_PATH])
{
    const size_t length = static_cast<size_t>(NameAfterFolder(path) - path);
    std::memcpy(folder, path, length);
    folder[length] = '\0';
}

bool JoinPath(char (&out)[MAX_PATH], const char* folder, const char* name)
{
    const size_t a = std::strlen(folder);
    const size_t b = std::strlen(name);
    if (a + b >= MAX_PATH) {
        out[0] = '\0';
        return false;
    }
    std::memmove(out, folder, a);
    std::memcpy(out + a, name, b + 1);
    return true;
}
