// The file work of compact: a bank rewritten without wasted bytes, switched in only once
// the new file is complete and on disk.
#pragma once

#include <cstdint>

#include "bank/bank_reader.h"
#include "bank/compaction_files.h"
#include "bank/failure_cause.h"
#include "bank/work_observer.h"

enum class CompactResult {
    COMPACTED,
    NOTHING_TO_COMPACT,  // no wasted byte: bank and backup left as they are
    BANK_NOT_READ,    // the bank could not be opened or read as a bank: read tells why
    DAMAGED,          // verify reports problems (each passed to the observer); bank untouched
    TOO_LARGE,        // one copy per entry would pass the format's 2 GiB
    PATH_TOO_LONG,    // the backup's name does not fit
    NOT_WRITTEN,      // the new bank could not be written in full; it is removed
    BACKUP_NOT_MADE,  // the backup could not be made; bank untouched
    NOT_SWITCHED,     // the new bank could not take the old one's place; the old one restored
};

struct CompactOutcome {
    CompactResult result;
    ReadResult read;
    int64_t sizeBefore;
    int64_t sizeAfter;
    bool hadRecords;  // the bank had recorded merges: kept with the backup, or dropped
    FailureCause cause;  // NOT_WRITTEN, BACKUP_NOT_MADE, NOT_SWITCHED: why
};

// Holds the bank against other writers for its whole run. Writes header, directory and each
// entry's data in directory order into a new file in the bank's folder and flushes it, then
// makes the backup bankFile + BACKUP_SUFFIX and moves the bank's records with it (unless
// keepBackup is false: then the records are dropped) in the order compaction_files.h sets
// out, so that at every moment the bank is there, old or new, and apart from its backup.
CompactOutcome CompactBank(const char* bankFile, bool keepBackup, WorkObserver& observer);
