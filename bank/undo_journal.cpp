// The journal's protocol over the records of bank/undo_record: appending a change's record,
// marking it, taking it back after an interruption or on request, and listing them.
#include "bank/undo_journal.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "bank/bank_sharing.h"
#include "bank/checksum.h"
#include "bank/file_identity.h"
#include "bank/paths.h"
#include "bank/undo_record.h"

namespace {

// Names tried for a set-aside undo file, so that one set aside before is never replaced.
const int STALE_NAMES = 100;

bool WriteState(HANDLE undo, int64_t recordAt, uint32_t state)
{
    return SeekTo(undo, recordAt + static_cast<int64_t>(offsetof(RecordHead, state))) &&
           WriteExactly(undo, &state, sizeof state) && FlushFile(undo);
}

// Cuts the undo file back to the end of the records before `at`. One left empty is emptied
// on disk first, so that a crash before it is gone leaves no record behind; it is removed
// even where that fails (a full disk may refuse the flush), since removing it is the aim.
bool CutRecordsFrom(FileHandle& undo, const char* path, int64_t at)
{
    if (at > 0)
        return SetFileSize(undo.Get(), at) && FlushFile(undo);
    if (SetFileSize(undo.Get(), 0))
        FlushFile(undo);
    undo.Close();
    return DeleteFileA(path) != FALSE;
}

JournalFault FaultOf(RecordCheck check)
{
    return check == RecordCheck::UNREADABLE ? JournalFault::IO : JournalFault::DAMAGED;
}

// The last record a walk reached when it was not marked done and nothing unreadable
// follows it: an interrupted change, or one cut short while it was written.
const WalkedRecord* UnfinishedLast(const RecordWalk& walk)
{
    if (walk.records.empty() || walk.end == RecordCheck::DAMAGED || walk.end == RecordCheck::UNREADABLE)
        return nullptr;
    const WalkedRecord& last = walk.records.back();
    return last.head.state == STATE_DONE ? nullptr : &last;
}

// Bytes too few for a record after a record marked done: a record cut short as its head
// was written, unless that last record is itself damaged (its length then is not to be
// trusted, and writing over what follows it could take its last bytes).
JournalFault LastRecordWhole(HANDLE undo, const RecordWalk& walk, StreamBuffer& buffer)
{
    if (walk.records.empty())
        return JournalFault::NONE;
    const RecordCheck sum = CheckSum(undo, walk.records.back(), buffer);
    return sum == RecordCheck::GOOD ? JournalFault::NONE : FaultOf(sum);
}

// Where a new record goes: after every record, over a last one cut short. DAMAGED or IO
// when the walk did not reach the end, or a last record is unfinished yet whole.
JournalFault AppendPoint(HANDLE undo, const RecordWalk& walk, StreamBuffer& buffer, int64_t& at)
{
    if (walk.end == RecordCheck::DAMAGED || walk.end == RecordCheck::UNREADABLE)
        return FaultOf(walk.end);
    at = walk.endAt;
    const WalkedRecord* unfinished = UnfinishedLast(walk);
    if (unfinished == nullptr)
        return walk.end == RecordCheck::CUT_SHORT ? LastRecordWhole(undo, walk, buffer) : JournalFault::NONE;
    const RecordCheck sum = CheckSum(undo, *unfinished, buffer);
    if (sum != RecordCheck::DAMAGED || unfinished->head.state != STATE_PENDING)
        return sum == RecordCheck::UNREADABLE ? JournalFault::IO : JournalFault::DAMAGED;
    at = unfinished->at;
    return JournalFault::NONE;
}

// Puts the bank back from a record not marked done, then drops the record: a crash on the
// way leaves a record that the next opening takes back.
bool PutBack(FileHandle& undo, const char* undoPath, HANDLE bank, const LoadedRecord& record, StreamBuffer& buffer)
{
    return CopySavedBytesBack(undo.Get(), record, bank, buffer) && CutRecordsFrom(undo, undoPath, record.found.at);
}

enum class BankMatch { MATCHES, DIFFERS, UNREADABLE };

BankMatch HeadMatches(HANDLE bank, const LoadedRecord& record, bool afterOnly)
{
    std::vector<uint8_t> head;
    try {
        head.resize(record.headBefore.size());
    } catch (const std::bad_alloc&) {
        return BankMatch::UNREADABLE;
    }
    if (!SeekTo(bank, 0) || !ReadExactly(bank, head.data(), static_cast<DWORD>(head.size())))
        return BankMatch::DIFFERS;
    if (HeadSum(head.data(), head.size()) == record.found.head.headAfterSum)
        return BankMatch::MATCHES;
    return !afterOnly && head == record.headBefore ? BankMatch::MATCHES : BankMatch::DIFFERS;
}

// Each range holds the bytes the change left; with acceptOld, only the ranges inside the
// old size are looked at, and their old bytes will do too.
BankMatch RangesMatch(HANDLE bank, const LoadedRecord& record, bool acceptOld, StreamBuffer& buffer)
{
    for (const WrittenRange& range : record.ranges) {
        if (acceptOld && !InsideOldSize(record, range))
            continue;
        uint64_t sum = 0;
        if (!SumOfFileBytes(bank, range.at, range.length, buffer, sum))
            return BankMatch::UNREADABLE;
        if (sum != range.newSum && !(acceptOld && sum == range.oldSum))
            return BankMatch::DIFFERS;
    }
    return BankMatch::MATCHES;
}

// The bank is the file the interrupted change was made to, in a state the change (or its
// taking back) can have left: same identity, a size between, the header and directory of
// before or after, every range inside the old size holding its old bytes or its new ones.
// Past the old end nothing is checked: taking the change back cuts it off.
BankMatch LeftByInterruptedChange(HANDLE bank, const LoadedRecord& record, StreamBuffer& buffer)
{
    FileIdentity identity;
    if (record.hasIdentity && IdentityOf(bank, identity) && !(identity == record.identity))
        return BankMatch::DIFFERS;
    const int64_t size = SizeOfFile(bank);
    const RecordHead& head = record.found.head;
    if (size < head.sizeBefore || size > head.sizeAfter)
        return BankMatch::DIFFERS;
    const BankMatch headMatch = HeadMatches(bank, record, false);
    if (headMatch != BankMatch::MATCHES || head.layout != LAYOUT_SUMMED)
        return headMatch;
    return RangesMatch(bank, record, true, buffer);
}

// The bank exactly as the finished change left it, in every byte the change wrote.
BankMatch LeftByFinishedChange(HANDLE bank, const LoadedRecord& record, StreamBuffer& buffer)
{
    if (SizeOfFile(bank) != record.found.head.sizeAfter)
        return BankMatch::DIFFERS;
    const BankMatch headMatch = HeadMatches(bank, record, true);
    return headMatch == BankMatch::MATCHES ? RangesMatch(bank, record, false, buffer) : headMatch;
}

// The undo file renamed out of the way under the first free name; its records are kept.
bool SetAside(FileHandle& undo, const char* undoPath, std::string& setAsideAs)
{
    undo.Close();
    for (int attempt = 1; attempt <= STALE_NAMES; ++attempt) {
        char stalePath[MAX_PATH];
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, attempt == 1 ? "%s" : "%s%d", STALE_UNDO_SUFFIX, attempt);
        if (!JoinPath(stalePath, undoPath, suffix))
            return false;
        if (MoveFileExA(undoPath, stalePath, MOVEFILE_WRITE_THROUGH)) {
            setAsideAs = NameAfterFolder(stalePath);
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

ChangeSummary SummaryOf(const WalkedRecord& walked, const std::string& package, RecordStatus status)
{
    return {walked.head.when, package, walked.head.replaced, walked.head.appended,
            static_cast<int64_t>(walked.head.recordBytes), status};
}

// The history's view of one record, checked as undo would check it.
ChangeSummary SummaryOfRecord(HANDLE undo, const WalkedRecord& walked, StreamBuffer& buffer)
{
    LoadedRecord record;
    const bool whole = walked.head.state == STATE_DONE && CheckSum(undo, walked, buffer) == RecordCheck::GOOD &&
                       LoadRecord(undo, walked, record) == JournalFault::NONE;
    if (!whole)
        return SummaryOf(walked, "", RecordStatus::DAMAGED);
    return SummaryOf(walked, record.package,
                     walked.head.layout == LAYOUT_SUMMED ? RecordStatus::GOOD : RecordStatus::EARLIER_LAYOUT);
}

// The outcome of a recovery that leaves the bank alone: with nothing to do, or unable to.
RecoveryOutcome RecoveryLeft(RecoveryOutcome& outcome, bool nothingToDo)
{
    outcome.result = nothingToDo ? Recovery::NOTHING_TO_DO : Recovery::NOT_TAKEN_BACK;
    return outcome;
}

// The newest record that undo may take back, loaded; fault says why there is none.
JournalFault NewestRecord(HANDLE undo, StreamBuffer& buffer, LoadedRecord& record, bool& found)
{
    found = false;
    RecordWalk walk = WalkRecords(undo);
    if (walk.end == RecordCheck::DAMAGED || walk.end == RecordCheck::UNREADABLE)
        return FaultOf(walk.end);
    const WalkedRecord* unfinished = UnfinishedLast(walk);
    if (unfinished != nullptr) {
        // Left by a merge cut short while writing its record: never part of the bank.
        const RecordCheck sum = CheckSum(undo, *unfinished, buffer);
        if (sum != RecordCheck::DAMAGED || unfinished->head.state != STATE_PENDING)
            return FaultOf(sum == RecordCheck::UNREADABLE ? sum : RecordCheck::DAMAGED);
        walk.records.pop_back();
    }
    if (walk.records.empty())
        return JournalFault::NONE;
    found = true;
    const RecordCheck sum = CheckSum(undo, walk.records.back(), buffer);
    if (sum != RecordCheck::GOOD)
        return FaultOf(sum);
    return LoadRecord(undo, walk.records.back(), record);
}

// Which writes of plan leave the bank's bytes as they were: an empty one, or one that no
// later write overlaps and each of whose ranges lies in the old bank with the same bytes.
void MarkSameBytes(const ChangePlan& plan, const std::vector<PlannedRange>& ranges, std::vector<bool>& same)
{
    for (size_t w = 0; w < plan.writes.size(); ++w)
        same[w] = plan.writes[w].length == 0;
    for (const PlannedRange& planned : ranges) {
        if (planned.wholeWrite)
            same[planned.write] = true;
    }
    for (const PlannedRange& planned : ranges) {
        if (planned.range.at >= plan.sizeBefore || planned.range.oldSum != planned.range.newSum)
            same[planned.write] = false;
    }
}

}  // namespace

const char UNDO_SUFFIX[] = ".undo";
const char STALE_UNDO_SUFFIX[] = ".stale";

bool UndoPathOf(const char* bankFile, char (&path)[MAX_PATH])
{
    return JoinPath(path, bankFile, UNDO_SUFFIX);
}

uint64_t HeadSum(const void* head, size_t length)
{
    return Checksum(CHECKSUM_START, head, length);
}

JournalFault UndoJournal::Begin(const char* bankFile, HANDLE bank, const ChangePlan& plan)
{
    if (!UndoPathOf(bankFile, path_))
        return JournalFault::IO;
    file_ = OpenOrCreateFile(path_);
    if (!file_.IsOpen())
        return FaultOfLastError();
    StreamBuffer buffer;
    if (!buffer.IsHeld())
        return JournalFault::NO_MEMORY;
    int64_t at = 0;
    const JournalFault appendable = AppendPoint(file_.Get(), WalkRecords(file_.Get()), buffer, at);
    if (appendable != JournalFault::NONE)
        return appendable;
    std::vector<PlannedRange> ranges;
    try {
        ranges = RangesOf(plan);
        sameBytes_.assign(plan.writes.size(), false);
    } catch (const std::bad_alloc&) {
        return JournalFault::NO_MEMORY;
    }
    recordAt_ = at;
    if (!SetFileSize(file_.Get(), at))
        return FaultOfLastError();
    const JournalFault written = WriteRecord(file_.Get(), at, bank, plan, ranges, buffer);
    MarkSameBytes(plan, ranges, sameBytes_);
    return written;
}

bool UndoJournal::LeavesBytesAsTheyWere(size_t write) const
{
    return write < sameBytes_.size() && sameBytes_[write];
}

bool UndoJournal::Commit()
{
    return WriteState(file_.Get(), recordAt_, STATE_DONE);
}

bool UndoJournal::TakeBack(HANDLE bank)
{
    if (recordAt_ < 0)
        return false;
    // Marked not done first: were it left done, no opening would put the bank back. The
    // bank is put back even where the mark fails: a bank half written is worse.
    WriteState(file_.Get(), recordAt_, STATE_PENDING);
    StreamBuffer buffer;
    LoadedRecord record;
    WalkedRecord walked = {recordAt_, {}};
    if (!buffer.IsHeld() || !SeekTo(file_, recordAt_) || !ReadExactly(file_, &walked.head, sizeof walked.head) ||
        LoadRecord(file_.Get(), walked, record) != JournalFault::NONE ||
        !CopySavedBytesBack(file_.Get(), record, bank, buffer))
        return false;
    return Drop();
}

bool UndoJournal::Drop()
{
    if (recordAt_ < 0)
        return true;
    const bool cut = CutRecordsFrom(file_, path_, recordAt_);
    recordAt_ = -1;
    return cut;
}

RecoveryOutcome TakeBackInterruptedChange(const char* bankFile)
{
    RecoveryOutcome outcome;
    char undoPath[MAX_PATH];
    if (!UndoPathOf(bankFile, undoPath))
        return outcome;
    {
        // A quick without taking the file from readers: most openings find no undo file, or
        // a last record marked done.
        FileHandle quick = OpenExistingFile(undoPath, GENERIC_READ, FILE_SHARE_READ);
        if (!quick.IsOpen() || UnfinishedLast(WalkRecords(quick.Get())) == nullptr)
            return outcome;
    }
    outcome.result = Recovery::NOT_TAKEN_BACK;
    FileHandle bank = OpenAsWriter(bankFile);
    FileHandle undo = OpenExistingFile(undoPath, GENERIC_READ | GENERIC_WRITE);
    StreamBuffer buffer;
    if (!bank.IsOpen() || !undo.IsOpen() || !buffer.IsHeld())
        return outcome;
    const RecordWalk walk = WalkRecords(undo.Get());
    const WalkedRecord* last = UnfinishedLast(walk);
    if (last == nullptr)
        return RecoveryLeft(outcome, true);
    // A record that fails its sum was being written while the bank was untouched; one that
    // fails its checks is left for the merge, undo and history to report.
    const RecordCheck sum = CheckSum(undo.Get(), *last, buffer);
    if (sum != RecordCheck::GOOD)
        return RecoveryLeft(outcome, sum == RecordCheck::DAMAGED);
    LoadedRecord record;
    const JournalFault loaded = LoadRecord(undo.Get(), *last, record);
    if (loaded != JournalFault::NONE)
        return RecoveryLeft(outcome, loaded == JournalFault::DAMAGED);
    const BankMatch match = LeftByInterruptedChange(bank.Get(), record, buffer);
    if (match == BankMatch::UNREADABLE)
        return outcome;
    if (match == BankMatch::DIFFERS) {
        if (SetAside(undo, undoPath, outcome.setAsideAs))
            outcome.result = Recovery::SET_ASIDE;
        return outcome;
    }
    if (PutBack(undo, undoPath, bank.Get(), record, buffer))
        outcome.result = Recovery::TAKEN_BACK;
    return outcome;
}

ChangeList ListChanges(const char* bankFile)
{
    ChangeList list;
    char undoPath[MAX_PATH];
    if (!UndoPathOf(bankFile, undoPath))
        return list;
    FileHandle undo = OpenExistingFile(undoPath, GENERIC_READ, FILE_SHARE_READ);
    if (!undo.IsOpen()) {
        if (PathExists(undoPath))
            list.unreadableRest = FaultOfLastError();
        return list;
    }
    StreamBuffer buffer;
    if (!buffer.IsHeld()) {
        list.unreadableRest = JournalFault::NO_MEMORY;
        return list;
    }
    const RecordWalk walk = WalkRecords(undo.Get());
    if (walk.end == RecordCheck::DAMAGED || walk.end == RecordCheck::UNREADABLE)
        list.unreadableRest = FaultOf(walk.end);
    const WalkedRecord* unfinished = UnfinishedLast(walk);
    for (const WalkedRecord& walked : walk.records) {
        if (&walked != unfinished)
            list.changes.push_back(SummaryOfRecord(undo.Get(), walked, buffer));
    }
    return list;
}

UndoOutcome UndoNewestChange(const char* bankFile)
{
    UndoOutcome outcome = {UndoResult::NO_RECORD, {0, "", 0, 0, 0, RecordStatus::GOOD}, JournalFault::NONE};
    char undoPath[MAX_PATH];
    if (!UndoPathOf(bankFile, undoPath))
        return outcome;
    FileHandle bank = OpenAsWriter(bankFile);
    if (!bank.IsOpen()) {
        outcome.result = UndoResult::NOT_OPENED;
        return outcome;
    }
    FileHandle undo = OpenExistingFile(undoPath, GENERIC_READ | GENERIC_WRITE);
    if (!undo.IsOpen()) {
        outcome.fault = FaultOfLastError();
        if (PathExists(undoPath))
            outcome.result = UndoResult::NOT_WRITTEN;
        return outcome;
    }
    StreamBuffer buffer;
    LoadedRecord record;
    bool found = false;
    outcome.fault = buffer.IsHeld() ? NewestRecord(undo.Get(), buffer, record, found) : JournalFault::NO_MEMORY;
    if (outcome.fault != JournalFault::NONE) {
        outcome.result = outcome.fault == JournalFault::DAMAGED ? UndoResult::DAMAGED : UndoResult::NOT_WRITTEN;
        return outcome;
    }
    if (!found)
        return outcome;
    const bool summed = record.found.head.layout == LAYOUT_SUMMED;
    outcome.change = SummaryOf(record.found, record.package, summed ? RecordStatus::GOOD : RecordStatus::EARLIER_LAYOUT);
    if (!summed) {
        outcome.result = UndoResult::EARLIER_LAYOUT;
        return outcome;
    }
    const BankMatch match = LeftByFinishedChange(bank.Get(), record, buffer);
    if (match != BankMatch::MATCHES) {
        outcome.result = match == BankMatch::DIFFERS ? UndoResult::CHANGED_SINCE : UndoResult::NOT_WRITTEN;
        outcome.fault = match == BankMatch::DIFFERS ? JournalFault::NONE : JournalFault::IO;
        return outcome;
    }
    if (!WriteState(undo.Get(), record.found.at, STATE_UNDOING)) {
        outcome.result = UndoResult::NOT_WRITTEN;
        outcome.fault = FaultOfLastError();
        return outcome;
    }
    outcome.result = PutBack(undo, undoPath, bank.Get(), record, buffer) ? UndoResult::TAKEN_BACK
                                                                                        : UndoResult::NOT_FINISHED;
    return outcome;
}
