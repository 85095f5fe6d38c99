// The rollback journal of a bank: "NAME.undo" beside the bank NAME holds, for each change
// made in place (a merge), what puts the bank back as it was before it. A change's record
// is complete and on disk before the bank's first byte changes, and is marked done only
// once the bank's new bytes are on disk; a record that is complete but not marked done
// belongs to a change that was interrupted, and the next opening of the bank takes it back.
//
// The undo file
// -------------
// Records follow one another from offset 0, oldest first, each where the one before it
// ends. All integers are little-endian. A record is an 80-byte head and its pieces:
//
//   offset  bytes  field
//        0      4  tag "RWVU"
//        4      4  state: "BEGN" being written; "PEND" complete, the bank perhaps half
//                  changed; "DONE" the bank holds the change whole; "UNDO" being taken back
//        8      8  checksum of every byte from offset 16 to the record's end, chained piece
//                  by piece: sum = Checksum(sum, piece), starting from CHECKSUM_START
//       16      8  record bytes, head included
//       24      8  bank size before the change          32  8  bank size after it
//       40      8  Checksum of the header and directory the change leaves
//       48      8  FILETIME (UTC) of the change
//       56      4  header-and-directory bytes           60  4  entries replaced
//       64      4  entries appended                     68  4  range count
//       72      4  package path bytes                   76  4  layout (0 or 1)
//
// Layout 1, written now; its pieces in order:
//   16 bytes   the bank's identity: volume serial, file index high, file index low, 0
//              (all 0 where the file system tells none)
//   the package's path, without a terminating zero
//   the bank's header and whole directory before the change
//   the saved bytes: the old bytes of each range that lies inside the old size, in range order
//   the ranges, 32 bytes each: position, length, Checksum of the old bytes (0 for a range
//              past the old end), Checksum of the bytes the change leaves there. They are
//              every stretch the change writes, none over another, by position; none is
//              longer than 1 MiB or spans the old end, so that a range is put back in one
//              write and holds, after a crash, its old bytes or its new ones.
// Layout 0, written by the first version: the package's path, the header and directory,
// the ranges as 16 bytes (position, length) with no sums, then the saved bytes. Such a
// record can be taken back after an interruption, but not on request: nothing tells
// whether the bytes the change wrote are still the ones it wrote.
//
// What the safety rests on, each checked before anything is allocated or written:
//   - The state is one of the four above; any other value is damage. It is rewritten in
//     place, so it is not summed: the four letters are chosen so that a stray or torn value
//     is none of them.
//   - 16 <= header-and-directory bytes <= size before <= size after < 2 GiB; the header
//     and directory are 16 + 84 x the count their own header holds; the package path is
//     under MAX_PATH bytes.
//   - A range lies after the old directory and inside the old size, or (layout 1) between
//     the old and the new size; the saved bytes are exactly the ranges inside the old size.
//   - Every piece fits inside the record, and the record inside the file.
//
// A record's three outcomes:
//   - Cut short: a last record "BEGN", or a last "PEND" whose bytes run past the file's end
//     or fail their checksum, or a tail too short for a head or of zeros. It was being
//     written while the bank was untouched: ignored, and the next record is written over it.
//   - Damaged or unreadable (any other failed check, a read error, no memory): reported by
//     history, refused by undo, never written over. A record damaged only inside its
//     pieces keeps a length the walk can trust, and records go on after it; past a head
//     that cannot be trusted, a merge appends nothing, so no record after it is dropped.
//   - Good: used.
//
// A record is written as "BEGN" with its sum unset, then its pieces (the saved bytes read
// from the bank as they go), then its head again as "PEND" with its sum, and flushed.
//
// "Nothing begun": a journal that has not written a record's first byte owns no part of
// the file, and dropping it leaves the file alone.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bank/file_io.h"

extern const char UNDO_SUFFIX[];        // after the bank's own file name
extern const char STALE_UNDO_SUFFIX[];  // after the undo file's name, when it was set aside

// bankFile + UNDO_SUFFIX; false when it does not fit.
bool UndoPathOf(const char* bankFile, char (&path)[MAX_PATH]);

// Why a step of the journal did not happen.
enum class JournalFault { NONE, DISK_FULL, NO_MEMORY, HELD, DAMAGED, IO };

// One write the change makes to the bank; where writes overlap, the later one wins.
struct BankWrite {
    int64_t at;
    const uint8_t* data;
    int32_t length;
};

// A change of a bank as planned before its first byte is written.
struct ChangePlan {
    int64_t sizeBefore = 0;
    int64_t sizeAfter = 0;
    std::vector<uint8_t> headBefore;  // header and whole directory before the change
    uint64_t headAfterSum = 0;        // HeadSum of the same bytes after it
    std::vector<BankWrite> writes;
    std::string package;  // what was merged, for the history
    int32_t replaced = 0;
    int32_t appended = 0;
    int64_t when = 0;  // FILETIME (UTC) of the change
};

// Checksum of a bank's header and directory as they are on disk or in memory.
uint64_t HeadSum(const void* head, size_t length);

// The undo file of one bank, held without sharing while a change is made.
class UndoJournal {
public:
    // Records plan: the undo file opened (made when missing), the old bytes it overwrites
    // streamed from bank into a record not yet done, flushed. NONE when it is on disk.
    JournalFault Begin(const char* bankFile, HANDLE bank, const ChangePlan& plan);
    // true when write i of the plan leaves the bank's bytes as they were (known after Begin).
    bool LeavesBytesAsTheyWere(size_t write) const;
    // The record of Begin marked done, on disk.
    bool Commit();
    // A change that failed after Begin: its record marked not done (flushed), the bank put
    // back from it, the record dropped. false when the bank is left for its next opening.
    bool TakeBack(HANDLE bank);
    // The record of Begin removed again; nothing happens when none was begun.
    bool Drop();

private:
    char path_[MAX_PATH] = "";
    FileHandle file_;
    int64_t recordAt_ = -1;
    std::vector<bool> sameBytes_;
};

enum class Recovery { NOTHING_TO_DO, TAKEN_BACK, NOT_TAKEN_BACK, SET_ASIDE };
struct RecoveryOutcome {
    Recovery result = Recovery::NOTHING_TO_DO;
    std::string setAsideAs;  // SET_ASIDE: the undo file's new name, without its folder
};
// Run by every opening of a bank: an interrupted change is taken back (the bank put back,
// flushed, the record dropped) when the file is the bank the record describes, in a state
// the change can have left; otherwise the undo file is set aside whole and the bank left
// alone (SET_ASIDE). NOT_TAKEN_BACK when the bank or its undo file could not be had.
RecoveryOutcome TakeBackInterruptedChange(const char* bankFile);

// A recorded change as the history lists it.
enum class RecordStatus { GOOD, EARLIER_LAYOUT, DAMAGED };
struct ChangeSummary {
    int64_t when;
    std::string package;
    int32_t replaced;
    int32_t appended;
    int64_t recordBytes;
    RecordStatus status;
};
struct ChangeList {
    std::vector<ChangeSummary> changes;  // oldest first
    JournalFault unreadableRest = JournalFault::NONE;  // why the records after them cannot be read
};
// The records of bankFile's undo file, as undo finds them.
ChangeList ListChanges(const char* bankFile);

// NOT_WRITTEN: nothing was changed (fault says why); NOT_FINISHED: the bank was being put
// back when a write failed, and its next opening finishes the work; DAMAGED: the newest
// record, or the way to it, cannot be read; EARLIER_LAYOUT: the newest record cannot be
// checked against the bank.
enum class UndoResult { TAKEN_BACK, NO_RECORD, CHANGED_SINCE, NOT_OPENED, NOT_WRITTEN, NOT_FINISHED, DAMAGED,
                        EARLIER_LAYOUT };
struct UndoOutcome {
    UndoResult result;
    ChangeSummary change;  // the change taken back (or refused)
    JournalFault fault;    // NOT_WRITTEN, DAMAGED: why
};
// Takes back the newest recorded change, only when every byte it wrote, the directory and
// the size are as it left them; bytes it never wrote may differ and are kept.
UndoOutcome UndoNewestChange(const char* bankFile);
