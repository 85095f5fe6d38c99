// The two program-wide path buffers that the operations share, one operation at a time.
#pragma once

#include <windows.h>

// The folder an operation works in; starting folder of every folder question.
extern char workFolder[MAX_PATH];
// Full path of the bank file: the chosen bank folder + BANK_FILE_NAME.
extern char bankPath[MAX_PATH];
extern const char BANK_FILE_NAME[];

// workFolder = the current directory, with a backslash appended unless it is a drive root.
void FillWorkFolderWithCurrentDirectory();
// out = folder + name; false (out left empty) when the result does not fit MAX_PATH.
bool JoinPath(char (&out)[MAX_PATH], const char* folder, const char* name);
// The file's own name: what follows the last backslash or slash of path (Windows takes both).
const char* NameAfterFolder(const char* path);
// folder = path up to and including its last backslash or slash ("" when it has none);
// path must fit MAX_PATH.
void FolderOf(const char* path, char (&folder)[MAX_PATH]);
