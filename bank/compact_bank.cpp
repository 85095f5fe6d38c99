// Compaction: refused for a damaged bank, written beside it, switched in by renaming.
#include "bank/compact_bank.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "bank/bank_reader.h"
#include "bank/chunk_copier.h"
#include "bank/file_io.h"
#include "bank/paths.h"
#include "bank/verify_bank.h"

namespace {

const char NEW_FILE_PREFIX[] = "rwv";
const char CURRENT_FOLDER[] = ".";
const DWORD SWITCH_FLAGS = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

int64_t CompactSize(const BankReader& bank)
{
    int64_t size = bank.DirectoryEnd();
    for (int32_t i = 0; i < bank.count; ++i)
        size += bank.entries[i].size;
    return size;
}

// The directory of the new bank: every entry where its bytes will be, back to back.
bool WriteHeaderAndDirectory(const BankReader& bank, HANDLE target)
{
    std::unique_ptr<RwvEntry[]> moved(new (std::nothrow) RwvEntry[bank.count]);
    if (!moved)
        return false;
    int64_t at = bank.DirectoryEnd();
    for (int32_t i = 0; i < bank.count; ++i) {
        moved[i] = bank.entries[i];
        moved[i].offset = static_cast<int32_t>(at);
        at += bank.entries[i].size;
    }
    return WriteExactly(target, &bank.header, sizeof bank.header) &&
           WriteExactly(target, moved.get(), static_cast<DWORD>(DirectoryBytes(bank.count)));
}

bool WriteCompactBank(const BankReader& bank, HANDLE target, WorkObserver& observer)
{
    ChunkCopier copier(observer, CompactSize(bank) - bank.DirectoryEnd());
    if (!copier.HasBuffer() || !WriteHeaderAndDirectory(bank, target))
        return false;
    for (int32_t i = 0; i < bank.count; ++i) {
        if (!copier.Copy(bank.File(), bank.entries[i].offset, bank.entries[i].size, target))
            return false;
    }
    return FlushFileBuffers(target) != FALSE;
}

// Makes, writes and flushes the new bank; on any failure it is gone again.
bool WriteNewBank(const BankReader& bank, const char* newFile, WorkObserver& observer)
{
    HANDLE target = CreateNewFile(newFile, GENERIC_WRITE);
    const bool written = target != INVALID_HANDLE_VALUE && WriteCompactBank(bank, target, observer);
    CloseFile(target);
    if (!written)
        DeleteFileA(newFile);
    return written;
}

CompactResult Switch(const char* bankFile, const char* newFile, const char* backup)
{
    if (backup != nullptr && !MoveFileExA(bankFile, backup, SWITCH_FLAGS)) {
        DeleteFileA(newFile);
        return CompactResult::BACKUP_NOT_MADE;
    }
    if (MoveFileExA(newFile, bankFile, SWITCH_FLAGS))
        return CompactResult::COMPACTED;
    DeleteFileA(newFile);
    if (backup != nullptr)
        MoveFileExA(backup, bankFile, SWITCH_FLAGS);
    return CompactResult::NOT_SWITCHED;
}

}  // namespace

const char BACKUP_SUFFIX[] = ".bak";

CompactOutcome CompactBank(const char* bankFile, bool keepBackup, WorkObserver& observer)
{
    CompactOutcome outcome = {CompactResult::COMPACTED, ReadResult::READ, 0, 0};
    char backup[MAX_PATH];
    if (!JoinPath(backup, bankFile, BACKUP_SUFFIX)) {
        outcome.result = CompactResult::PATH_TOO_LONG;
        return outcome;
    }
    BankReader bank;
    outcome.read = bank.Open(bankFile, 0);
    outcome.sizeBefore = bank.fileSize;
    if (outcome.read == ReadResult::NOT_OPENED || outcome.read == ReadResult::NO_MEMORY) {
        outcome.result = CompactResult::BANK_NOT_READ;
        return outcome;
    }
    const std::vector<std::string> problems = FindBankProblems(bank);
    for (const std::string& line : problems)
        observer.Problem(line);
    if (outcome.read != ReadResult::READ || !problems.empty()) {
        outcome.result = outcome.read != ReadResult::READ ? CompactResult::BANK_NOT_READ : CompactResult::DAMAGED;
        return outcome;
    }
    outcome.sizeAfter = CompactSize(bank);
    if (outcome.sizeAfter > RWV_FORMAT_LIMIT) {
        outcome.result = CompactResult::TOO_LARGE;
        return outcome;
    }
    // The new file is made in the bank's own folder, so that the switch is a rename on one disk.
    char folder[MAX_PATH];
    FolderOf(bankFile, folder);
    char newFile[MAX_PATH];
    if (!GetTempFileNameA(folder[0] != '\0' ? folder : CURRENT_FOLDER, NEW_FILE_PREFIX, 0, newFile) ||
        !WriteNewBank(bank, newFile, observer)) {
        outcome.result = CompactResult::NOT_WRITTEN;
        return outcome;
    }
    bank.Close();
    outcome.result = Switch(bankFile, newFile, keepBackup ? backup : nullptr);
    return outcome;
}
