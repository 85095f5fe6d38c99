// Insert Package's file work: the package read whole, the merge into the bank, "Unpack.log".
#include "bank/insert_package.h"

#include <cstdio>
#include <cstring>

#include "bank/directory_search.h"
#include "bank/file_io.h"
#include "bank/global_block.h"
#include "bank/paths.h"
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
// REPLACE stays inside the file as it was when the merge began: past its end lie the
// entries this merge appended.
bool TargetAllowed(const BankDirectory& bank, const RwvEntry& before, bool append, int64_t target, int32_t size)
{
    if (static_cast<int64_t>(target) + size > RWV_FORMAT_LIMIT)
        return false;
    if (append)
        return true;
    if (before.offset < 0 || before.size == 0)
        return before.offset >= 0;
    const int64_t directoryEnd = static_cast<int64_t>(RWV_HEADER_SIZE) + DirectoryBytes(bank.count);
    return before.offset >= directoryEnd && static_cast<int64_t>(before.offset) + before.size <= bank.fileSize;
}

void LogMerge(HANDLE log, const RwvEntry& entry, const char* action, const RwvEntry& before)
{
    char line[LOG_LINE_SIZE];
    std::snprintf(line, sizeof line,
                  "%-19s|%-8s - Size/offset before:%6d/%10d,Size/offset after :%6d/%10d\r\n",
                  NameOf(entry).text, action, static_cast<int>(before.size), static_cast<int>(before.offset),
                  static_cast<int>(entry.size), static_cast<int>(entry.offset));
    WriteLogLine(log, line);
}

// Merges package entry i; false when the merge must stop there, with that entry's bank
// record as it was and its name (if its record lies inside the body) in stoppedAt.
bool MergeEntry(BankWorkspace& ws, int32_t i, int64_t& appendAt, InsertOutcome& outcome)
{
    const RwvEntry* incoming = PackageEntryAt(ws, i);
    if (incoming != nullptr)
        std::memcpy(outcome.stoppedAt, NameOf(*incoming).text, sizeof outcome.stoppedAt);
    RwvEntry* target = incoming ? ws.bank.FindEntry(NameOf(*incoming).text) : nullptr;
    if (target == nullptr || !DataInsideBody(ws, *incoming)) {
        ws.status = BANK_ERR_NOT_IN_BANK;
        return false;
    }
    ws.matchedEntry = target;
    ws.dataOffset = static_cast<uint32_t>(incoming->offset);
    ws.dataSize = incoming->size;
    const RwvEntry before = *target;
    const bool append = before.size < ws.dataSize;
    const int64_t at = append ? appendAt : before.offset;
    if (!TargetAllowed(ws.bank, before, append, at, ws.dataSize)) {
        ws.status = BANK_ERR_WRITE;
        return false;
    }
    const uint8_t* data = reinterpret_cast<const uint8_t*>(ws.packageEntries) + ws.dataOffset;
    if (!ws.bank.WriteData(at, data, ws.dataSize)) {
        ws.status = BANK_ERR_WRITE;
        return false;
    }
    target->size = ws.dataSize;
    if (append) {
        std::memcpy(target->format, incoming->format, RWV_FORMAT_TAG_AND_CHANNELS);
        target->offset = static_cast<int32_t>(appendAt);
        appendAt += ws.dataSize;
    }
    LogMerge(ws.logFile, *target, append ? ACTION_APPEND : ACTION_REPLACE, before);
    outcome.stoppedAt[0] = '\0';
    return true;
}

InsertResult Merge(BankWorkspace& ws, InsertOutcome& outcome)
{
    int64_t appendAt = ws.bank.fileSize;
    while (outcome.merged < ws.entryCount && MergeEntry(ws, outcome.merged, appendAt, outcome))
        ++outcome.merged;
    CloseFile(ws.logFile);
    if (!ws.bank.WriteDirectory()) {
        ws.status = BANK_ERR_WRITE;
        return InsertResult::DIRECTORY_NOT_WRITTEN;
    }
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
    if (ws.sourceFile == INVALID_HANDLE_VALUE) {
        ws.status = BANK_ERR_OPEN;
        return InsertResult::PACKAGE_UNREADABLE;
    }
    const bool read = ReadPackage(ws, packageFolder);
    outcome.total = ws.entryCount;
    if (!read)
        return InsertResult::PACKAGE_UNREADABLE;
    if (!OpenBank(ws.bank, bankFile)) {
        ws.status = BANK_ERR_BAD_HEADER;
        return ws.bank.status == BANK_ERR_OPEN ? InsertResult::BANK_NOT_OPENED : InsertResult::NOT_A_BANK;
    }
    if (!ws.bank.LoadBankTable())
        return InsertResult::NOT_A_BANK;
    return Merge(ws, outcome);
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
    InsertOutcome outcome = {InsertResult::PACKAGE_UNREADABLE, BANK_UNSET, BANK_UNSET, 0, 0, ""};
    outcome.result = MergeInto(ws, packagePath, bankFile, outcome);
    outcome.status = ws.status;
    outcome.bankStatus = ws.bank.status;
    return outcome;
}
