// The file work of Insert Package: merging the one package of a folder into the bank.
#pragma once

#include <windows.h>

#include "bank/workspace.h"

// What Insert Package looks for and writes in the package folder.
extern const char PACKAGE_PATTERN[];
extern const char UNPACK_LOG_NAME[];

// path = packageFolder + the name of its first "*.rwv"; false when there is none or the
// result does not fit.
bool FindPackage(const char* packageFolder, char (&path)[MAX_PATH]);

// Merges the first "*.rwv" of packageFolder (ending in a backslash, or empty for the
// current directory) into the bank at bankFile, writing "Unpack.log" beside the package.
// Leaves ws torn down; ws.status and ws.bank.status tell how far it got.
void MergePackage(BankWorkspace& ws, const char* packageFolder, const char* bankFile);
