// The rollback journal of a bank: "NAME.undo" beside the bank NAME holds, for each change
// made in place (a merge), what puts the bank back as it was before it. A change's record
// is complete and on disk before the bank's first byte changes, and is marked done only
// once the bank's new bytes are on disk; a record that is complete but not marked done
// belongs to a change that was interrupted, and the next opening of the bank takes it back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bank/file_io.h"

extern const char UNDO_SUFFIX[];  // after the bank's own file name

// bankFile + UNDO_SUFFIX; false when it does not fit.
bool UndoPathOf(const char* bankFile, char (&path)[MAX_PATH]);

// Bytes of the bank as they were before the change, at their absolute position; they lie
// in BankChange::saved after those of the ranges before it.
struct SavedRange {
    int64_t at;
    int64_t length;
};

// One change of a bank: enough to put it back and to recognise it as the change left it.
struct BankChange {
    int64_t sizeBefore = 0;
    int64_t sizeAfter = 0;
    std::vector<uint8_t> headBefore;  // header and whole directory before the change
    uint64_t headAfterSum = 0;        // Checksum of the same bytes after it
    std::vector<SavedRange> ranges;   // what the change overwrites inside the old file
    std::unique_ptr<uint8_t[]> saved;  // their bytes, back to back (one block, as large as
    int64_t savedBytes = 0;            // what the package replaces)
    std::string package;              // what was merged, for the history
    int32_t replaced = 0;
    int32_t appended = 0;
    int64_t when = 0;  // FILETIME (UTC) of the change
};

// Checksum of a bank's header and directory as they are on disk or in memory.
uint64_t HeadSum(const void* head, size_t length);
// Makes change.saved room for savedBytes; false when the memory cannot be had.
bool AllocateSaved(BankChange& change);

// The undo file of one bank, held without sharing while a change is made.
class UndoJournal {
public:
    // Opens bankFile's undo file, making it when missing; false when it cannot be had.
    bool Open(const char* bankFile);
    // Appends change as a record not yet done (after any record cut short), on disk when
    // it returns true.
    bool Begin(const BankChange& change);
    // The record of Begin marked done, on disk.
    bool Commit();
    // The record of Begin removed again: its change was taken back.
    bool Drop();

private:
    char path_[MAX_PATH] = "";
    FileHandle file_;
    int64_t recordAt_ = -1;
};

// Writes the saved ranges and the header and directory back, cuts the file to its old size
// and flushes it; bank is open for writing. Taking a change back twice does no harm.
bool RestoreBank(HANDLE bank, const BankChange& change);

enum class Recovery { NOTHING_TO_DO, TAKEN_BACK, NOT_TAKEN_BACK };
// Run by every opening of a bank: an interrupted change is taken back (the bank put back,
// flushed, the record dropped). NOT_TAKEN_BACK when one is there but the bank could not be
// opened for writing.
Recovery TakeBackInterruptedChange(const char* bankFile);

// A recorded change as the history lists it.
struct ChangeSummary {
    int64_t when;
    std::string package;
    int32_t replaced;
    int32_t appended;
    int64_t recordBytes;
};
// The completed changes of bankFile's undo file, oldest first.
std::vector<ChangeSummary> ListChanges(const char* bankFile);

// NOT_WRITTEN: nothing was changed; NOT_FINISHED: the bank was being put back when a write
// failed, and its next opening finishes the work.
enum class UndoResult { TAKEN_BACK, NO_RECORD, CHANGED_SINCE, NOT_OPENED, NOT_WRITTEN, NOT_FINISHED };
struct UndoOutcome {
    UndoResult result;
    ChangeSummary change;  // the change taken back (or refused)
};
// Takes back the newest recorded change, only when the bank is exactly as it left it.
UndoOutcome UndoNewestChange(const char* bankFile);
