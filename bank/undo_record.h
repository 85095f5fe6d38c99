// One record of an undo file (its layout is described in bank/undo_journal.h): the head's
// fields checked, the record summed and its small parts loaded through a bounded buffer,
// the saved bytes copied back, and a new record written with its old bytes streamed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bank/file_identity.h"
#include "bank/undo_journal.h"

const uint32_t RECORD_TAG = 0x55565752u;     // "RWVU"
const uint32_t STATE_BEGUN = 0x4E474542u;    // "BEGN"
const uint32_t STATE_PENDING = 0x444E4550u;  // "PEND"
const uint32_t STATE_DONE = 0x454E4F44u;     // "DONE"
const uint32_t STATE_UNDOING = 0x4F444E55u;  // "UNDO"
const uint32_t LAYOUT_FIRST = 0;
const uint32_t LAYOUT_SUMMED = 1;

#pragma pack(push, 1)
struct RecordHead {
    uint32_t tag;
    uint32_t state;
    uint64_t checksum;
    uint64_t recordBytes;
    int64_t sizeBefore;
    int64_t sizeAfter;
    uint64_t headAfterSum;
    int64_t when;
    uint32_t headBytes;
    int32_t replaced;
    int32_t appended;
    uint32_t rangeCount;
    uint32_t packageBytes;
    uint32_t layout;
};
struct RecordedIdentity {
    uint32_t volume;
    uint32_t indexHigh;
    uint32_t indexLow;
    uint32_t unused;
};
struct FirstLayoutRange {
    int64_t at;
    int64_t length;
};
// A stretch of the bank the change writes; no other range of the record overlaps it.
struct WrittenRange {
    int64_t at;
    int64_t length;
    uint64_t oldSum;  // 0 past the old end, and in records of the first layout
    uint64_t newSum;
};
#pragma pack(pop)

static_assert(sizeof(RecordHead) == 80, "a record head is 80 bytes on disk");
static_assert(sizeof(RecordedIdentity) == 16, "a recorded identity is 16 bytes on disk");
static_assert(sizeof(FirstLayoutRange) == 16, "a first-layout range is 16 bytes on disk");
static_assert(sizeof(WrittenRange) == 32, "a written range is 32 bytes on disk");

// A record the walk found: its position in the undo file and its head.
struct WalkedRecord {
    int64_t at;
    RecordHead head;
};

enum class RecordCheck { GOOD, CUT_SHORT, DAMAGED, UNREADABLE };

// The records of an undo file in order, as far as their heads can be trusted.
struct RecordWalk {
    std::vector<WalkedRecord> records;  // heads whose fields passed their checks
    RecordCheck end = RecordCheck::GOOD;  // GOOD: the file ends after them; else what follows
    int64_t endAt = 0;                    // where they end
};
RecordWalk WalkRecords(HANDLE undo);

// The one buffer through which records and banks are streamed.
class StreamBuffer {
public:
    StreamBuffer();
    bool IsHeld() const { return bytes_ != nullptr; }
    uint8_t* Bytes() const { return bytes_.get(); }
    static DWORD Size();

private:
    std::unique_ptr<uint8_t[]> bytes_;
};

// The record walked summed part by part as it lies on disk: GOOD when the sum is its
// head's, DAMAGED when not (a last record not yet done is then one cut short), UNREADABLE
// when a read failed.
RecordCheck CheckSum(HANDLE undo, const WalkedRecord& walked, StreamBuffer& buffer);

// A record's parts other than its saved bytes, loaded and checked.
struct LoadedRecord {
    WalkedRecord found = {};
    bool hasIdentity = false;
    FileIdentity identity = {};
    std::string package;
    std::vector<uint8_t> headBefore;
    std::vector<WrittenRange> ranges;
    int64_t savedAt = 0;  // where the saved bytes lie in the undo file
};
// Loads the parts of walked and checks their contents; DAMAGED, UNREADABLE (a read failed) or
// NO_MEMORY as JournalFault, NONE when loaded.
JournalFault LoadRecord(HANDLE undo, const WalkedRecord& walked, LoadedRecord& record);
// true for a range inside the bank as it was before the change: one with saved bytes.
bool InsideOldSize(const LoadedRecord& record, const WrittenRange& range);

// The Checksum of length bytes of file at position at; false when they could not be read.
bool SumOfFileBytes(HANDLE file, int64_t at, int64_t length, StreamBuffer& buffer, uint64_t& sum);
// Writes the saved ranges and the header and directory back, cuts the bank to its old size
// and flushes it. Doing it twice does no harm.
bool CopySavedBytesBack(HANDLE undo, const LoadedRecord& record, HANDLE bank, StreamBuffer& buffer);

// The stretches plan writes, none over another, each with the Checksum of what it leaves.
struct PlannedRange {
    WrittenRange range;
    size_t write;     // the plan's write whose bytes it takes
    bool wholeWrite;  // no later write overlaps that write
};
std::vector<PlannedRange> RangesOf(const ChangePlan& plan);
// Writes plan's record at the undo file's current end (position at) as "PEND": old bytes
// streamed from bank, flushed. Fills ranges' old sums.
JournalFault WriteRecord(HANDLE undo, int64_t at, HANDLE bank, const ChangePlan& plan,
                         std::vector<PlannedRange>& ranges, StreamBuffer& buffer);
// The fault a failed file call leaves in GetLastError.
JournalFault FaultOfLastError();
