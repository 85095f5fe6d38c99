// Compaction: refused for a damaged bank, written beside it, switched in by renaming.
#include "bank/compact_bank.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "bank/bank_reader.h"
#include "bank/bank_sharing.h"
#include "bank/chunk_copier.h"
#include "bank/compaction_files.h"
#include "bank/file_identity.h"
#include "bank/file_io.h"
#include "bank/verify_bank.h"

namespace {

const DWORD SWITCH_FLAGS = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

// The directory of the new bank: every entry where its bytes will be, back to back.
bool WriteHeaderAndDirectory(const BankReader& bank, HANDLE target)
{
    std::unique_ptr<RwvEntry[]> moved(new (std::nothrow) RwvEntry[bank.count]);
    if (!moved) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
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
    ChunkCopier copier(observer, bank.SoundBytes());
    if (!copier.HasBuffer()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    if (!WriteHeaderAndDirectory(bank, target))
        return false;
    for (int32_t i = 0; i < bank.count; ++i) {
        if (!copier.Copy(bank.File(), bank.entries[i].offset, bank.entries[i].size, target))
            return false;
    }
    return FlushFileBuffers(target) != FALSE;
}

// Makes, writes and flushes the new bank; on any failure it is gone again, and cause tells why.
bool WriteNewBank(const BankReader& bank, const char* newFile, WorkObserver& observer, FailureCause& cause)
{
    FileHandle target = CreateNewFile(newFile, GENERIC_WRITE);
    const bool written = target.IsOpen() && WriteCompactBank(bank, target.Get(), observer) && target.Close();
    if (written)
        return true;
    cause = CauseOf(GetLastError());
    target.Close();
    DeleteFileA(newFile);
    return false;
}

// Where links cannot be made (FAT32, exFAT), the backup is a copy, on disk before the
// switch relies on it. A file already under its name is left alone.
bool CopyBackup(const BankReader& bank, const char* newBackup, WorkObserver& observer, FailureCause& cause)
{
    FileHandle copy(CreateFileA(newBackup, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!copy.IsOpen()) {
        cause = CauseOf(GetLastError());
        return false;
    }
    ChunkCopier copier(observer, bank.fileSize);
    if (!copier.HasBuffer())
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    const bool made = copier.HasBuffer() && copier.Copy(bank.File(), 0, bank.fileSize, copy.Get()) &&
                      FlushFile(copy) && copy.Close();
    if (made)
        return true;
    cause = CauseOf(GetLastError());
    copy.Close();
    DeleteFileA(newBackup);
    return false;
}

// The backup takes its name after the switch: a folder, a read-only file or one that a
// program holds in its way is found before.
bool BackupCanBeReplaced(const char* backup)
{
    const DWORD attributes = GetFileAttributesA(backup);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    const FileHandle replaced(CreateFileA(backup, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return replaced.IsOpen() && !(attributes & FILE_ATTRIBUTE_READONLY);
}

// The backup under a name of its own until the switch: a link to the bank's file where the
// disk allows one, else a flushed copy.
bool MakeBackup(const BankReader& bank, const char* bankFile, const CompactionPaths& paths, WorkObserver& observer,
                FailureCause& cause)
{
    if (!BackupCanBeReplaced(paths.backup)) {
        cause = FailureCause::HELD;
        return false;
    }
    return CreateHardLinkA(paths.newBackup, bankFile, nullptr) || CopyBackup(bank, paths.newBackup, observer, cause);
}

// The merge records describe the old layout: they go with the backup, or are dropped.
bool SetRecordsAside(const CompactionPaths& paths, bool keepBackup)
{
    if (!PathExists(paths.undo))
        return true;
    if (!keepBackup)
        return DeleteFileA(paths.undo) != FALSE;
    return MoveFileExA(paths.undo, paths.newBackupUndo, MOVEFILE_WRITE_THROUGH) != FALSE;
}

// A rename onto a file that a program holds open is refused as access denied; the bank was
// opened for writing, so it is not read-only.
FailureCause SwitchFailure(DWORD error)
{
    return error == ERROR_ACCESS_DENIED ? FailureCause::HELD : CauseOf(error);
}

// The old bank is let go only once the new one is held, which it stays until the backup has
// its name: a writer that opens the old bank in between sees the compaction running (and
// its open handle stops the rename), one that comes later finds the new bank held.
CompactResult Switch(BankReader& bank, const char* bankFile, const CompactionPaths& paths, bool keepBackup,
                     WorkObserver& observer, FailureCause& cause)
{
    if (keepBackup && !MakeBackup(bank, bankFile, paths, observer, cause)) {
        DeleteFileA(paths.newBank);
        return CompactResult::BACKUP_NOT_MADE;
    }
    FileHandle newBank = OpenAsWriter(paths.newBank);
    const bool aside = newBank.IsOpen() && SetRecordsAside(paths, keepBackup);
    bank.Close();
    if (!aside || !MoveFileExA(paths.newBank, bankFile, SWITCH_FLAGS)) {
        cause = SwitchFailure(GetLastError());
        // Still holding the new bank, so that no writer starts before the records are back.
        AbandonCompaction(paths);
        return CompactResult::NOT_SWITCHED;
    }
    // Failing here leaves the bank compacted; the next opening finishes the renames.
    FinishBackup(paths);
    return CompactResult::COMPACTED;
}

}  // namespace

CompactOutcome CompactBank(const char* bankFile, bool keepBackup, WorkObserver& observer)
{
    CompactOutcome outcome = {CompactResult::COMPACTED, ReadResult::READ, 0, 0, false, FailureCause::NONE};
    CompactionPaths paths;
    if (!MakeCompactionPaths(bankFile, paths)) {
        outcome.result = CompactResult::PATH_TOO_LONG;
        return outcome;
    }
    // Held against other writers from here to the end; readers may go on.
    BankReader bank;
    outcome.read = bank.Open(bankFile, GENERIC_READ | GENERIC_WRITE, BANK_WRITER_SHARING);
    outcome.sizeBefore = bank.fileSize;
    if (outcome.read != ReadResult::READ && outcome.read != ReadResult::NOT_A_BANK) {
        outcome.result = CompactResult::BANK_NOT_READ;
        return outcome;
    }
    // Left by a compaction that was ended while writing it.
    DeleteFileA(paths.newBank);
    const std::vector<std::string> problems = FindBankProblems(bank);
    for (const std::string& line : problems)
        observer.Problem(line);
    if (outcome.read != ReadResult::READ || !problems.empty()) {
        outcome.result = outcome.read != ReadResult::READ ? CompactResult::BANK_NOT_READ : CompactResult::DAMAGED;
        return outcome;
    }
    outcome.sizeAfter = bank.DirectoryEnd() + bank.SoundBytes();
    outcome.hadRecords = PathExists(paths.undo);
    if (outcome.sizeAfter == outcome.sizeBefore) {
        outcome.result = CompactResult::NOTHING_TO_COMPACT;
        return outcome;
    }
    if (outcome.sizeAfter > RWV_FORMAT_LIMIT) {
        outcome.result = CompactResult::TOO_LARGE;
        return outcome;
    }
    if (!WriteNewBank(bank, paths.newBank, observer, outcome.cause)) {
        outcome.result = CompactResult::NOT_WRITTEN;
        return outcome;
    }
    outcome.result = Switch(bank, bankFile, paths, keepBackup, observer, outcome.cause);
    return outcome;
}
