// The file work of Insert Package: merging one package file into the bank.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bank/format.h"
#include "bank/undo_journal.h"

// What Insert Package looks for and writes in the package folder.
extern const char PACKAGE_PATTERN[];
extern const char UNPACK_LOG_NAME[];

// BANK_NOT_RECOVERED: the bank holds an interrupted change that could not be taken back;
// UNDO_NOT_WRITTEN: the undo record could not be written, so the bank was not touched;
// BANK_NOT_WRITTEN: a write or flush of the bank failed (see restored).
enum class InsertResult { ALL_MERGED, PACKAGE_UNREADABLE, BANK_NOT_OPENED, NOT_A_BANK, PARTLY_MERGED,
                          BANK_NOT_WRITTEN, BANK_NOT_RECOVERED, UNDO_NOT_WRITTEN };

// One package entry as the merge put it into the bank.
struct MergedEntry {
    BoundedName name;  // as the bank entry holds it
    bool append;
    bool unchanged;  // a REPLACE of the same size and the same bytes
    int32_t oldSize;
    int32_t oldOffset;
    int32_t newSize;
    int32_t newOffset;
    uint8_t oldFormat[RWV_FORMAT_SIZE];      // the bank entry's, before the merge
    uint8_t packageFormat[RWV_FORMAT_SIZE];  // the package entry's
};

struct InsertOutcome {
    InsertResult result = InsertResult::PACKAGE_UNREADABLE;
    int32_t status = -1;
    int32_t bankStatus = -1;
    int32_t merged = 0;                      // package entries merged
    int32_t total = 0;                       // the package's entry count
    char stoppedAt[RWV_NAME_SIZE + 1] = "";  // name of the entry where the merge stopped ("" if none)
    bool restored = false;                   // BANK_NOT_WRITTEN: the bank was put back at once
    JournalFault journalFault = JournalFault::NONE;  // UNDO_NOT_WRITTEN: why
    std::string bankName;                    // the bank's file name, for messages
    std::vector<MergedEntry> entries;        // in package order
};

// The one "*.rwv" of packageFolder (ending in a backslash, or "" for the current folder):
// true, with path = packageFolder + its name, only when the folder holds exactly one and
// that path fits.
bool FindOnlyPackage(const char* packageFolder, char (&path)[MAX_PATH]);

// Merges the package file at packagePath into the bank at bankFile; "Unpack.log" is
// written in the package file's folder. The merge's undo record is on disk before the bank
// changes, and marked done once the bank's new bytes are; a failed write takes it back.
InsertOutcome MergePackage(const char* packagePath, const char* bankFile);
