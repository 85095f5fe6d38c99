// The file work of Insert Package: merging the one package of a folder into the bank.
#pragma once

#include "bank/workspace.h"

// Merges the first "*.rwv" of packageFolder (ending in a backslash, or empty for the
// current directory) into the bank at bankFile, writing "Unpack.log" beside the package.
// Leaves ws torn down; ws.status and ws.bank.status tell how far it got.
void MergePackage(BankWorkspace& ws, const char* packageFolder, const char* bankFile);
