// What a path names: a folder or not, and which file, whatever name, letter case or short
// alias reaches it.
#pragma once

#include <windows.h>

struct FileIdentity {
    DWORD volume;
    DWORD indexHigh;
    DWORD indexLow;

    bool operator<(const FileIdentity& other) const;
    bool operator==(const FileIdentity& other) const;
};

// The identity of an open file; false when the file system does not tell it.
bool IdentityOf(HANDLE file, FileIdentity& identity);
// The identity of the file at path; false when it cannot be opened or does not tell it.
bool IdentityOfPath(const char* path, FileIdentity& identity);
// true when both paths open the one same file; false also when either cannot be opened.
bool IsSameFile(const char* a, const char* b);
// true when path names an existing file or folder.
bool PathExists(const char* path);
// true when path names an existing folder.
bool IsFolder(const char* path);
