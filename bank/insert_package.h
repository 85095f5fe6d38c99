// The file work of Insert Package: merging one package file into the bank.
#pragma once

#include <windows.h>

#include <cstdint>

#include "bank/format.h"

// What Insert Package looks for and writes in the package folder.
extern const char PACKAGE_PATTERN[];
extern const char UNPACK_LOG_NAME[];

enum class InsertResult { ALL_MERGED, PACKAGE_UNREADABLE, BANK_NOT_OPENED, NOT_A_BANK, PARTLY_MERGED,
                          DIRECTORY_NOT_WRITTEN };

struct InsertOutcome {
    InsertResult result;
    int32_t status;
    int32_t bankStatus;
    int32_t merged;                     // package entries merged
    int32_t total;                      // the package's entry count
    char stoppedAt[RWV_NAME_SIZE + 1];  // name of the entry where the merge stopped ("" if none)
};

// The one "*.rwv" of packageFolder (ending in a backslash, or "" for the current folder):
// true, with path = packageFolder + its name, only when the folder holds exactly one and
// that path fits.
bool FindOnlyPackage(const char* packageFolder, char (&path)[MAX_PATH]);

// Merges the package file at packagePath into the bank at bankFile; "Unpack.log" is
// written in the package file's folder.
InsertOutcome MergePackage(const char* packagePath, const char* bankFile);
