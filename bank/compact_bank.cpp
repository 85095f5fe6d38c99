// Compaction: refused for a damaged bank, written beside it, switched in by renaming.
#include "bank/compact_bank.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "bank/bank_reader.h"
#include "bank/chunk_copier.h"
#include "bank/file_identity.h"
#include "bank/file_io.h"
#include "bank/paths.h"
#include "bank/undo_journal.h"
#include "bank/verify_bank.h"

namespace {

// Fixed names beside the bank, so that what a killed compaction left is found by the next.
const char NEW_BANK_SUFFIX[] = ".new";
const char NEW_BACKUP_SUFFIX[] = ".bak.new";
const DWORD SWITCH_FLAGS = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

// Every name a compaction of one bank uses.
struct CompactPaths {
    char newBank[MAX_PATH];
    char backup[MAX_PATH];
    char newBackup[MAX_PATH];
    char undo[MAX_PATH];
    char backupUndo[MAX_PATH];
};

bool MakePaths(const char* bankFile, CompactPaths& paths)
{
    return JoinPath(paths.newBank, bankFile, NEW_BANK_SUFFIX) && JoinPath(paths.backup, bankFile, BACKUP_SUFFIX) &&
           JoinPath(paths.newBackup, bankFile, NEW_BACKUP_SUFFIX) && UndoPathOf(bankFile, paths.undo) &&
           UndoPathOf(paths.backup, paths.backupUndo);
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
    ChunkCopier copier(observer, bank.SoundBytes());
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
    FileHandle target = CreateNewFile(newFile, GENERIC_WRITE);
    const bool written = target.IsOpen() && WriteCompactBank(bank, target.Get(), observer) && target.Close();
    target.Close();
    if (!written)
        DeleteFileA(newFile);
    return written;
}

// The backup under its own name in one rename: a link to the bank's file where the disk
// allows one, else a copy; an earlier backup stays until then.
bool MakeBackup(const char* bankFile, const CompactPaths& paths)
{
    if (!CreateHardLinkA(paths.newBackup, bankFile, nullptr) && !CopyFileA(bankFile, paths.newBackup, FALSE))
        return false;
    const bool made = MoveFileExA(paths.newBackup, paths.backup, SWITCH_FLAGS) != FALSE;
    // Where the backup already is the bank's file (a compaction ended before its switch),
    // the rename has nothing to do and leaves its source behind.
    DeleteFileA(paths.newBackup);
    return made;
}

// The merge records describe the old layout: they go with the backup, or are dropped. A
// record file of an older backup would describe another bank.
bool MoveRecords(const CompactPaths& paths, bool keepBackup, bool backupWasBank)
{
    if (!keepBackup)
        return !PathExists(paths.undo) || DeleteFileA(paths.undo);
    if (PathExists(paths.undo))
        return MoveFileExA(paths.undo, paths.backupUndo, SWITCH_FLAGS) != FALSE;
    // A compaction ended between moving the records and its switch left the backup as the
    // bank's own file: its records are still the bank's, and go on with the backup.
    if (backupWasBank)
        return true;
    return !PathExists(paths.backupUndo) || DeleteFileA(paths.backupUndo);
}

CompactResult Switch(const char* bankFile, const CompactPaths& paths, bool keepBackup)
{
    const bool backupWasBank = IsSameFile(bankFile, paths.backup);
    if (keepBackup && !MakeBackup(bankFile, paths)) {
        DeleteFileA(paths.newBank);
        return CompactResult::BACKUP_NOT_MADE;
    }
    if (!MoveRecords(paths, keepBackup, backupWasBank) || !MoveFileExA(paths.newBank, bankFile, SWITCH_FLAGS)) {
        DeleteFileA(paths.newBank);
        return CompactResult::NOT_SWITCHED;
    }
    return CompactResult::COMPACTED;
}

}  // namespace

const char BACKUP_SUFFIX[] = ".bak";

CompactOutcome CompactBank(const char* bankFile, bool keepBackup, WorkObserver& observer)
{
    CompactOutcome outcome = {CompactResult::COMPACTED, ReadResult::READ, 0, 0, false};
    CompactPaths paths;
    if (!MakePaths(bankFile, paths)) {
        outcome.result = CompactResult::PATH_TOO_LONG;
        return outcome;
    }
    // Left by a compaction that was ended half way.
    DeleteFileA(paths.newBank);
    DeleteFileA(paths.newBackup);
    BankReader bank;
    outcome.read = bank.Open(bankFile, GENERIC_READ, 0);
    outcome.sizeBefore = bank.fileSize;
    if (outcome.read != ReadResult::READ && outcome.read != ReadResult::NOT_A_BANK) {
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
    if (!WriteNewBank(bank, paths.newBank, observer)) {
        outcome.result = CompactResult::NOT_WRITTEN;
        return outcome;
    }
    bank.Close();
    outcome.result = Switch(bankFile, paths, keepBackup);
    return outcome;
}
