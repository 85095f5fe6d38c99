// Insert Package's file work: the package read whole, the merge into the bank, "Unpack.log".
#include "bank/insert_package.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "bank/directory_search.h"
#include "bank/file_io.h"
#include "bank/global_block.h"
#include "bank/paths.h"
#include "bank/undo_journal.h"
#include "bank/workspace.h"

namespace {

const int64_t PACKAGE_COUNT_AT = 4;
const char* const ACTION_REPLACE = "REPLACE";
const char* const ACTION_APPEND = "APPEND";

// Reads the package's entry count and its whole body (everything after the header) into
// packageEntries, and creates the log; false when the count or the body could not be had.
bool ReadPackage(BankWorkspace& ws, const char* packageFolder)
{
    int32_t count = -1;
    if (SeekTo(ws.sourceFile, PACKAGE_COUNT_AT) && ReadExactly(ws.sourceFile, &count, sizeof count))
        ws.entryCount = count;
    const int64_t body = SizeOfFile(ws.sourceFile) - static_cast<int64_t>(RWV_HEADER_SIZE);
    // A package shorter than its header has an empty body; one past the format cannot be held.
    ws.packageDataSize = body > 0 && body <= RWV_FORMAT_LIMIT ? static_cast<int32_t>(body) : 0;
    char logPath[MAX_PATH];
    if (JoinPath(logPath, packageFolder, UNPACK_LOG_NAME))
        ws.logFile = CreateNewFile(logPath, GENERIC_WRITE);
    if (body <= RWV_FORMAT_LIMIT)
        ws.packageEntries = static_cast<RwvEntry*>(AllocLockedBlockForRead(static_cast<size_t>(ws.packageDataSize)));
    if (ws.packageEntries == nullptr) {
        ws.status = BANK_ERR_NO_MEMORY;
        return false;
    }
    // A package without a whole header, or with a negative count, has nothing to merge.
    return body >= 0 && count >= 0 && SeekTo(ws.sourceFile, static_cast<int64_t>(RWV_HEADER_SIZE)) &&
           ReadExactly(ws.sourceFile, ws.packageEntries, static_cast<DWORD>(ws.packageDataSize));
}

// Package entry i when its record lies inside the body, else null.
const RwvEntry* PackageEntryAt(const BankWorkspace& ws, int32_t i)
{
    if (DirectoryBytes(static_cast<int64_t>(i) + 1) > ws.packageDataSize)
        return nullptr;
    return &ws.packageEntries[i];
}

bool DataInsideBody(const BankWorkspace& ws, const RwvEntry& entry)
{
    return entry.offset >= 0 && entry.size >= 0 &&
           static_cast<int64_t>(entry.offset) + entry.size <= ws.packageDataSize;
}

// Sample data never land on the header or the directory, nor past the format's range. A
// REPLACE stays inside the file as it was when the merge began, past whose end lie the
// entries this merge appended, unless its old range is the one this merge appended for
// that same entry (a package that names an entry twice).
bool TargetAllowed(const BankDirectory& bank, const RwvEntry& before, bool append, bool appendedHere, int64_t target,
                   int32_t size)
{
    if (static_cast<int64_t>(target) + size > RWV_FORMAT_LIMIT)
        return false;
    if (append || appendedHere)
        return true;
    if (before.offset < 0 || before.size == 0)
        return before.offset >= 0;
    const int64_t directoryEnd = static_cast<int64_t>(RWV_HEADER_SIZE) + DirectoryBytes(bank.count);
    return before.offset >= directoryEnd && static_cast<int64_t>(before.offset) + before.size <= bank.fileSize;
}

void LogMerge(const FileHandle& log, const MergedEntry& entry)
{
    char line[LOG_LINE_SIZE];
    std::snprintf(line, sizeof line,
                  "%-19s|%-8s - Size/offset before:%6d/%10d,Size/offset after :%6d/%10d\r\n", entry.name.text,
                  entry.append ? ACTION_APPEND : ACTION_REPLACE, static_cast<int>(entry.oldSize),
                  static_cast<int>(entry.oldOffset), static_cast<int>(entry.newSize), static_cast<int>(entry.newOffset));
    WriteLogLine(log, line);
}

// One entry's data as the merge will write them into the bank.
struct PlannedWrite {
    int64_t at;
    const uint8_t* data;
    int32_t length;
    bool append;
};

// The merge decided in memory, entry by entry, before anything is written: the bank's
// directory as it will be, and each entry's write.
class MergePlan {
public:
    explicit MergePlan(BankWorkspace& ws)
        : ws_(ws), appendAt_(ws.bank.fileSize), appendedHere_(static_cast<size_t>(ws.bank.loaded), false) {}

    // Plans package entry i; false when the merge must stop there, with that entry's bank
    // record as it was and its name (if its record lies inside the body) in stoppedAt.
    bool Add(int32_t i, InsertOutcome& outcome);
    const std::vector<PlannedWrite>& Writes() const { return writes_; }
    int64_t EndOfAppends() const { return appendAt_; }

private:
    BankWorkspace& ws_;
    int64_t appendAt_;
    std::vector<bool> appendedHere_;  // per bank entry: its data now lie where this merge appended
    std::vector<PlannedWrite> writes_;
};

bool MergePlan::Add(int32_t i, InsertOutcome& outcome)
{
    const RwvEntry* incoming = PackageEntryAt(ws_, i);
    if (incoming != nullptr)
        std::memcpy(outcome.stoppedAt, NameOf(*incoming).text, sizeof outcome.stoppedAt);
    RwvEntry* target = incoming ? ws_.bank.FindEntry(NameOf(*incoming).text) : nullptr;
    if (target == nullptr || !DataInsideBody(ws_, *incoming)) {
        ws_.status = BANK_ERR_NOT_IN_BANK;
        return false;
    }
    ws_.matchedEntry = target;
    ws_.dataOffset = static_cast<uint32_t>(incoming->offset);
    ws_.dataSize = incoming->size;
    const RwvEntry before = *target;
    const size_t index = static_cast<size_t>(target - ws_.bank.entries);
    const bool append = before.size < ws_.dataSize;
    const int64_t at = append ? appendAt_ : before.offset;
    if (!TargetAllowed(ws_.bank, before, append, appendedHere_[index], at, ws_.dataSize)) {
        ws_.status = BANK_ERR_WRITE;
        return false;
    }
    const uint8_t* data = reinterpret_cast<const uint8_t*>(ws_.packageEntries) + ws_.dataOffset;
    writes_.push_back({at, data, ws_.dataSize, append});
    target->size = ws_.dataSize;
    if (append) {
        std::memcpy(target->format, incoming->format, RWV_FORMAT_TAG_AND_CHANNELS);
        target->offset = static_cast<int32_t>(appendAt_);
        appendAt_ += ws_.dataSize;
        appendedHere_[index] = true;
    }
    MergedEntry merged = {NameOf(*target), append, false, before.size, before.offset, target->size, target->offset,
                          {}, {}};
    std::memcpy(merged.oldFormat, before.format, sizeof merged.oldFormat);
    std::memcpy(merged.packageFormat, incoming->format, sizeof merged.packageFormat);
    outcome.entries.push_back(merged);
    outcome.stoppedAt[0] = '\0';
    return true;
}

// The bank's header followed by its directory: what a change's record keeps and sums.
bool ReadBankHead(const BankDirectory& bank, std::vector<uint8_t>& head)
{
    head.resize(RWV_HEADER_SIZE + static_cast<size_t>(DirectoryBytes(bank.count)));
    return SeekTo(bank.file, 0) && ReadExactly(bank.file, head.data(), static_cast<DWORD>(RWV_HEADER_SIZE));
}

// The record's plan of the merge: the bank as it is, and as the merge will leave it.
bool PlanChange(BankWorkspace& ws, const MergePlan& plan, const std::vector<uint8_t>& directoryBefore,
                const char* packagePath, ChangePlan& change)
{
    std::vector<uint8_t> head;
    if (!ReadBankHead(ws.bank, head))
        return false;
    const size_t directoryBytes = directoryBefore.size();
    std::memcpy(head.data() + RWV_HEADER_SIZE, ws.bank.entries, directoryBytes);
    change.headAfterSum = HeadSum(head.data(), head.size());
    std::memcpy(head.data() + RWV_HEADER_SIZE, directoryBefore.data(), directoryBytes);
    change.headBefore = std::move(head);
    change.sizeBefore = SizeOfFile(ws.bank.file);
    change.sizeAfter = std::max(change.sizeBefore, plan.EndOfAppends());
    char fullPath[MAX_PATH];
    const DWORD length = GetFullPathNameA(packagePath, MAX_PATH, fullPath, nullptr);
    change.package = length > 0 && length < MAX_PATH ? fullPath : packagePath;
    for (const PlannedWrite& write : plan.Writes()) {
        ++(write.append ? change.appended : change.replaced);
        change.writes.push_back({write.at, write.data, write.length});
    }
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    change.when = static_cast<int64_t>((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    return change.sizeBefore >= 0;
}

// The entries whose REPLACE leaves the bank's bytes as they were.
void MarkUnchanged(const UndoJournal& journal, InsertOutcome& outcome)
{
    for (size_t i = 0; i < outcome.entries.size(); ++i) {
        MergedEntry& entry = outcome.entries[i];
        entry.unchanged = !entry.append && entry.oldSize == entry.newSize && journal.LeavesBytesAsTheyWere(i);
    }
}

bool WritePlan(BankDirectory& bank, const std::vector<PlannedWrite>& writes)
{
    for (const PlannedWrite& write : writes) {
        if (!bank.WriteData(write.at, write.data, write.length))
            return false;
    }
    return bank.WriteDirectory() && FlushFile(bank.file);
}

// Writes the plan with its undo record first; on any failure the bank is put back.
InsertResult WriteWithRecord(BankWorkspace& ws, const MergePlan& plan, const std::vector<uint8_t>& directoryBefore,
                             const char* packagePath, const char* bankFile, InsertOutcome& outcome)
{
    ChangePlan change;
    UndoJournal journal;
    try {
        outcome.journalFault = PlanChange(ws, plan, directoryBefore, packagePath, change)
                                   ? journal.Begin(bankFile, ws.bank.file.Get(), change)
                                   : JournalFault::IO;
    } catch (const std::bad_alloc&) {
        outcome.journalFault = JournalFault::NO_MEMORY;
    }
    if (outcome.journalFault != JournalFault::NONE) {
        journal.Drop();
        ws.status = BANK_ERR_WRITE;
        return InsertResult::UNDO_NOT_WRITTEN;
    }
    MarkUnchanged(journal, outcome);
    if (WritePlan(ws.bank, plan.Writes()) && journal.Commit())
        return InsertResult::ALL_MERGED;
    ws.status = BANK_ERR_WRITE;
    // Left undone, the record takes the bank back at its next opening.
    outcome.restored = journal.TakeBack(ws.bank.file.Get());
    return InsertResult::BANK_NOT_WRITTEN;
}

InsertResult Merge(BankWorkspace& ws, const char* packagePath, const char* bankFile, InsertOutcome& outcome)
{
    const size_t directoryBytes = static_cast<size_t>(DirectoryBytes(ws.bank.count));
    const std::vector<uint8_t> directoryBefore(reinterpret_cast<const uint8_t*>(ws.bank.entries),
                                               reinterpret_cast<const uint8_t*>(ws.bank.entries) + directoryBytes);
    MergePlan plan(ws);
    while (outcome.merged < ws.entryCount && plan.Add(outcome.merged, outcome))
        ++outcome.merged;
    if (!plan.Writes().empty()) {
        const InsertResult written = WriteWithRecord(ws, plan, directoryBefore, packagePath, bankFile, outcome);
        if (written != InsertResult::ALL_MERGED) {
            outcome.entries.clear();
            outcome.merged = 0;
            return written;
        }
    }
    for (const MergedEntry& entry : outcome.entries)
        LogMerge(ws.logFile, entry);
    CloseFile(ws.logFile);
    return outcome.merged == ws.entryCount ? InsertResult::ALL_MERGED : InsertResult::PARTLY_MERGED;
}

InsertResult MergeInto(BankWorkspace& ws, const char* packagePath, const char* bankFile, InsertOutcome& outcome)
{
    char packageFolder[MAX_PATH];
    if (std::strlen(packagePath) >= MAX_PATH) {
        ws.status = BANK_ERR_OPEN;
        return InsertResult::PACKAGE_UNREADABLE;
    }
    FolderOf(packagePath, packageFolder);
    ws.sourceFile = OpenExistingFile(packagePath, GENERIC_READ);
    if (!ws.sourceFile.IsOpen()) {
        ws.status = BANK_ERR_OPEN;
        return InsertResult::PACKAGE_UNREADABLE;
    }
    const bool read = ReadPackage(ws, packageFolder);
    outcome.total = ws.entryCount;
    if (!read)
        return InsertResult::PACKAGE_UNREADABLE;
    if (!OpenBank(ws.bank, bankFile)) {
        ws.status = BANK_ERR_BAD_HEADER;
        if (ws.bank.opened == ReadResult::NOT_RECOVERED)
            return InsertResult::BANK_NOT_RECOVERED;
        return ws.bank.status == BANK_ERR_OPEN ? InsertResult::BANK_NOT_OPENED : InsertResult::NOT_A_BANK;
    }
    if (!ws.bank.LoadBankTable())
        return InsertResult::NOT_A_BANK;
    return Merge(ws, packagePath, bankFile, outcome);
}

}  // namespace

const char PACKAGE_PATTERN[] = "*.rwv";
const char UNPACK_LOG_NAME[] = "Unpack.log";

bool FindOnlyPackage(const char* packageFolder, char (&path)[MAX_PATH])
{
    char pattern[MAX_PATH];
    if (!JoinPath(pattern, packageFolder, PACKAGE_PATTERN))
        return false;
    DirectorySearch search(pattern);
    if (!search.Found() || !JoinPath(path, packageFolder, search.Match().cFileName))
        return false;
    if (!search.Next())
        return true;
    path[0] = '\0';
    return false;
}

InsertOutcome MergePackage(const char* packagePath, const char* bankFile)
{
    BankWorkspace ws;
    InsertOutcome outcome;
    outcome.bankName = NameAfterFolder(bankFile);
    outcome.result = MergeInto(ws, packagePath, bankFile, outcome);
    outcome.status = ws.status;
    outcome.bankStatus = ws.bank.status;
    return outcome;
}
