// The undo file: records appended newest last, each a fixed head and its pieces, summed so
// that a record the process did not finish writing is known and ignored.
#include "bank/undo_journal.h"

#include <cstring>
#include <new>

#include "bank/bank_sharing.h"
#include "bank/checksum.h"
#include "bank/format.h"
#include "bank/paths.h"

namespace {

// "RWVU", and the states as four letters, so that a state is never a stray byte pattern.
const uint32_t RECORD_MAGIC = 0x55565752u;
const uint32_t STATE_PENDING = 0x444E4550u;  // complete on disk, the bank maybe half changed
const uint32_t STATE_DONE = 0x454E4F44u;     // the bank holds the change whole
const uint32_t STATE_UNDOING = 0x4F444E55u;  // being taken back on request

#pragma pack(push, 1)
struct RecordHead {
    uint32_t magic;
    uint32_t state;     // rewritten in place; not in the checksum
    uint64_t checksum;  // of everything after this field, piece by piece
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
    uint32_t reserved;
};
#pragma pack(pop)

const size_t SUMMED_FROM = offsetof(RecordHead, recordBytes);
const int64_t STATE_AT = offsetof(RecordHead, state);
static_assert(sizeof(RecordHead) == 80, "a record head is 80 bytes on disk");
static_assert(sizeof(SavedRange) == 16, "a saved range is 16 bytes on disk");

struct Piece {
    const void* bytes;
    size_t length;
};

// A record's pieces after its head's first fields, in the order they are written and summed.
std::vector<Piece> PiecesOf(const BankChange& change, const RecordHead& head)
{
    return {{reinterpret_cast<const uint8_t*>(&head) + SUMMED_FROM, sizeof head - SUMMED_FROM},
            {change.package.data(), change.package.size()},
            {change.headBefore.data(), change.headBefore.size()},
            {change.ranges.data(), change.ranges.size() * sizeof(SavedRange)},
            {change.saved.get(), static_cast<size_t>(change.savedBytes)}};
}

uint64_t SumOf(const std::vector<Piece>& pieces)
{
    uint64_t sum = CHECKSUM_START;
    for (const Piece& piece : pieces)
        sum = Checksum(sum, piece.bytes, piece.length);
    return sum;
}

RecordHead HeadOf(const BankChange& change)
{
    RecordHead head = {};
    head.magic = RECORD_MAGIC;
    head.state = STATE_PENDING;
    head.recordBytes = sizeof head + change.package.size() + change.headBefore.size() +
                       change.ranges.size() * sizeof(SavedRange) + static_cast<uint64_t>(change.savedBytes);
    head.sizeBefore = change.sizeBefore;
    head.sizeAfter = change.sizeAfter;
    head.headAfterSum = change.headAfterSum;
    head.when = change.when;
    head.headBytes = static_cast<uint32_t>(change.headBefore.size());
    head.replaced = change.replaced;
    head.appended = change.appended;
    head.rangeCount = static_cast<uint32_t>(change.ranges.size());
    head.packageBytes = static_cast<uint32_t>(change.package.size());
    return head;
}

// The saved bytes the ranges claim: the record's bytes after its other pieces.
int64_t SavedBytesOf(const RecordHead& head)
{
    const uint64_t fixed = sizeof head + head.packageBytes + head.headBytes +
                           static_cast<uint64_t>(head.rangeCount) * sizeof(SavedRange);
    return fixed <= head.recordBytes ? static_cast<int64_t>(head.recordBytes - fixed) : -1;
}

// Where each record of an undo file starts, and its head; records end where a head does not
// fit, is not a record's, or promises more bytes than the file holds.
struct Place {
    int64_t at;
    RecordHead head;
};

// Reads the record at place into change; false unless every piece is there and the sum of
// them all is the head's (a record cut short).
bool ReadRecord(HANDLE undo, const Place& place, BankChange& change)
{
    const RecordHead& head = place.head;
    change.savedBytes = SavedBytesOf(head);
    if (change.savedBytes < 0 || change.savedBytes > RWV_FORMAT_LIMIT || head.rangeCount > RWV_FORMAT_LIMIT / sizeof(SavedRange))
        return false;
    change.package.assign(head.packageBytes, '\0');
    change.headBefore.resize(head.headBytes);
    change.ranges.resize(head.rangeCount);
    if (!AllocateSaved(change))
        return false;
    const std::vector<Piece> pieces = PiecesOf(change, head);
    if (!SeekTo(undo, place.at + static_cast<int64_t>(sizeof head)))
        return false;
    for (size_t i = 1; i < pieces.size(); ++i) {
        if (!ReadExactly(undo, const_cast<void*>(pieces[i].bytes), static_cast<DWORD>(pieces[i].length)))
            return false;
    }
    int64_t ranged = 0;
    for (const SavedRange& range : change.ranges)
        ranged += range.length >= 0 ? range.length : RWV_FORMAT_LIMIT + 1;
    change.sizeBefore = head.sizeBefore;
    change.sizeAfter = head.sizeAfter;
    change.headAfterSum = head.headAfterSum;
    change.replaced = head.replaced;
    change.appended = head.appended;
    change.when = head.when;
    return ranged == change.savedBytes && SumOf(pieces) == head.checksum;
}

std::vector<Place> WalkRecords(HANDLE undo)
{
    std::vector<Place> places;
    const int64_t size = SizeOfFile(undo);
    Place place = {0, {}};
    while (place.at + static_cast<int64_t>(sizeof place.head) <= size && SeekTo(undo, place.at) &&
           ReadExactly(undo, &place.head, sizeof place.head) && place.head.magic == RECORD_MAGIC &&
           place.head.recordBytes >= sizeof place.head &&
           place.head.recordBytes <= static_cast<uint64_t>(size - place.at)) {
        places.push_back(place);
        place.at += static_cast<int64_t>(place.head.recordBytes);
    }
    return places;
}

// The records that were written whole: a last one whose sum fails was cut short. One marked
// done was on disk whole before its mark, so only a last one not marked done is read back.
std::vector<Place> CompleteRecords(HANDLE undo)
{
    std::vector<Place> places = WalkRecords(undo);
    BankChange last;
    if (!places.empty() && places.back().head.state != STATE_DONE && !ReadRecord(undo, places.back(), last))
        places.pop_back();
    return places;
}

bool WriteState(HANDLE undo, int64_t recordAt, uint32_t state)
{
    return SeekTo(undo, recordAt + STATE_AT) && WriteExactly(undo, &state, sizeof state) && FlushFile(undo);
}

// Cuts the undo file back to the end of the records before `at`; an empty one is removed.
bool CutRecordsFrom(FileHandle& undo, const char* path, int64_t at)
{
    if (at > 0)
        return SetFileSize(undo.Get(), at) && FlushFile(undo);
    undo.Close();
    return DeleteFileA(path) != FALSE;
}

ChangeSummary SummaryOf(const Place& place, const std::string& package)
{
    return {place.head.when, package, place.head.replaced, place.head.appended,
            static_cast<int64_t>(place.head.recordBytes)};
}

// The history's view of a record: its head and the package's path, without its saved bytes.
bool ReadSummary(HANDLE undo, const Place& place, ChangeSummary& summary)
{
    if (SavedBytesOf(place.head) < 0)
        return false;
    std::string package(place.head.packageBytes, '\0');
    if (!SeekTo(undo, place.at + static_cast<int64_t>(sizeof place.head)) ||
        !ReadExactly(undo, &package[0], place.head.packageBytes))
        return false;
    summary = SummaryOf(place, package);
    return true;
}

// The bank's header and directory as they are now, summed; false when they cannot be read.
bool HeadSumOfFile(HANDLE bank, size_t headBytes, uint64_t& sum)
{
    std::vector<uint8_t> head(headBytes);
    if (!SeekTo(bank, 0) || !ReadExactly(bank, head.data(), static_cast<DWORD>(headBytes)))
        return false;
    sum = HeadSum(head.data(), head.size());
    return true;
}

// Takes back the last record of undo on bank, then drops it. Its state is set first (a
// crash from then on leaves a record that the next opening takes back).
UndoResult TakeBack(FileHandle& undo, const char* undoPath, HANDLE bank, const Place& place, const BankChange& change,
                    uint32_t state)
{
    if (!WriteState(undo.Get(), place.at, state))
        return UndoResult::NOT_WRITTEN;
    return RestoreBank(bank, change) && CutRecordsFrom(undo, undoPath, place.at) ? UndoResult::TAKEN_BACK
                                                                                : UndoResult::NOT_FINISHED;
}

}  // namespace

const char UNDO_SUFFIX[] = ".undo";

bool UndoPathOf(const char* bankFile, char (&path)[MAX_PATH])
{
    return JoinPath(path, bankFile, UNDO_SUFFIX);
}

uint64_t HeadSum(const void* head, size_t length)
{
    return Checksum(CHECKSUM_START, head, length);
}

bool UndoJournal::Open(const char* bankFile)
{
    if (!UndoPathOf(bankFile, path_))
        return false;
    file_ = OpenOrCreateFile(path_);
    return file_.IsOpen();
}

bool UndoJournal::Begin(const BankChange& change)
{
    const std::vector<Place> places = CompleteRecords(file_.Get());
    recordAt_ = places.empty() ? 0 : places.back().at + static_cast<int64_t>(places.back().head.recordBytes);
    RecordHead head = HeadOf(change);
    const std::vector<Piece> pieces = PiecesOf(change, head);
    head.checksum = SumOf(pieces);
    if (!SetFileSize(file_.Get(), recordAt_) || !WriteExactly(file_, &head, SUMMED_FROM))
        return false;
    for (const Piece& piece : pieces) {
        if (!WriteExactly(file_, piece.bytes, static_cast<DWORD>(piece.length)))
            return false;
    }
    return FlushFile(file_);
}

bool UndoJournal::Commit()
{
    return WriteState(file_.Get(), recordAt_, STATE_DONE);
}

bool UndoJournal::Drop()
{
    return CutRecordsFrom(file_, path_, recordAt_);
}

bool AllocateSaved(BankChange& change)
{
    change.saved.reset(new (std::nothrow) uint8_t[change.savedBytes > 0 ? static_cast<size_t>(change.savedBytes) : 1]);
    return change.saved != nullptr;
}

bool RestoreBank(HANDLE bank, const BankChange& change)
{
    const uint8_t* bytes = change.saved.get();
    for (const SavedRange& range : change.ranges) {
        if (!SeekTo(bank, range.at) || !WriteExactly(bank, bytes, static_cast<DWORD>(range.length)))
            return false;
        bytes += range.length;
    }
    return SeekTo(bank, 0) &&
           WriteExactly(bank, change.headBefore.data(), static_cast<DWORD>(change.headBefore.size())) &&
           SetFileSize(bank, change.sizeBefore) && FlushFile(bank);
}

Recovery TakeBackInterruptedChange(const char* bankFile)
{
    char undoPath[MAX_PATH];
    if (!UndoPathOf(bankFile, undoPath))
        return Recovery::NOTHING_TO_DO;
    {
        // A look without taking the file from readers: most openings find no undo file, or a
        // last record marked done.
        FileHandle look = OpenExistingFile(undoPath, GENERIC_READ, FILE_SHARE_READ);
        const std::vector<Place> places = look.IsOpen() ? WalkRecords(look.Get()) : std::vector<Place>();
        if (places.empty() || places.back().head.state == STATE_DONE)
            return Recovery::NOTHING_TO_DO;
    }
    FileHandle bank = OpenExistingFile(bankFile, GENERIC_READ | GENERIC_WRITE, BANK_WRITER_SHARING);
    FileHandle undo = OpenExistingFile(undoPath, GENERIC_READ | GENERIC_WRITE);
    if (!bank.IsOpen() || !undo.IsOpen())
        return Recovery::NOT_TAKEN_BACK;
    const std::vector<Place> places = WalkRecords(undo.Get());
    BankChange change;
    // A record cut short was being written while the bank was still untouched.
    if (places.empty() || places.back().head.state == STATE_DONE || !ReadRecord(undo.Get(), places.back(), change))
        return Recovery::NOTHING_TO_DO;
    const Place& last = places.back();
    return TakeBack(undo, undoPath, bank.Get(), last, change, last.head.state) == UndoResult::TAKEN_BACK
               ? Recovery::TAKEN_BACK
               : Recovery::NOT_TAKEN_BACK;
}

std::vector<ChangeSummary> ListChanges(const char* bankFile)
{
    std::vector<ChangeSummary> changes;
    char undoPath[MAX_PATH];
    if (!UndoPathOf(bankFile, undoPath))
        return changes;
    FileHandle undo = OpenExistingFile(undoPath, GENERIC_READ, FILE_SHARE_READ);
    if (!undo.IsOpen())
        return changes;
    for (const Place& place : CompleteRecords(undo.Get())) {
        ChangeSummary summary;
        if (place.head.state == STATE_DONE && ReadSummary(undo.Get(), place, summary))
            changes.push_back(summary);
    }
    return changes;
}

UndoOutcome UndoNewestChange(const char* bankFile)
{
    UndoOutcome outcome = {UndoResult::NO_RECORD, {0, "", 0, 0, 0}};
    char undoPath[MAX_PATH];
    if (!UndoPathOf(bankFile, undoPath))
        return outcome;
    FileHandle bank = OpenExistingFile(bankFile, GENERIC_READ | GENERIC_WRITE, BANK_WRITER_SHARING);
    FileHandle undo = OpenExistingFile(undoPath, GENERIC_READ | GENERIC_WRITE);
    if (!bank.IsOpen()) {
        outcome.result = UndoResult::NOT_OPENED;
        return outcome;
    }
    const std::vector<Place> places = undo.IsOpen() ? CompleteRecords(undo.Get()) : std::vector<Place>();
    BankChange change;
    if (places.empty() || places.back().head.state != STATE_DONE || !ReadRecord(undo.Get(), places.back(), change))
        return outcome;
    const Place& last = places.back();
    outcome.change = SummaryOf(last, change.package);
    uint64_t sum = 0;
    if (SizeOfFile(bank) != change.sizeAfter || !HeadSumOfFile(bank.Get(), change.headBefore.size(), sum) ||
        sum != change.headAfterSum) {
        outcome.result = UndoResult::CHANGED_SINCE;
        return outcome;
    }
    outcome.result = TakeBack(undo, undoPath, bank.Get(), last, change, STATE_UNDOING);
    return outcome;
}
