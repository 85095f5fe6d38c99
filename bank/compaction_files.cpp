// A compaction's files beside the bank: their names, and finishing or undoing what a
// compaction ended half way left.
#include "bank/compaction_files.h"

#include "bank/bank_sharing.h"
#include "bank/file_identity.h"
#include "bank/file_io.h"
#include "bank/paths.h"
#include "bank/undo_journal.h"

namespace {

// Fixed names, so that what a killed compaction left is found by the next opening.
const char NEW_BANK_SUFFIX[] = ".new";
const char NEW_BACKUP_SUFFIX[] = ".bak.new";
const DWORD RENAME_FLAGS = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

bool RemoveIfThere(const char* path)
{
    return !PathExists(path) || DeleteFileA(path) != FALSE;
}

// The switch consumes the new bank, and leaves a backup that is another file than the bank.
bool Switched(const char* bankFile, const CompactionPaths& paths)
{
    return !PathExists(paths.newBank) && !IsSameFile(bankFile, paths.newBackup);
}

}  // namespace

const char BACKUP_SUFFIX[] = ".bak";

bool MakeCompactionPaths(const char* bankFile, CompactionPaths& paths)
{
    return JoinPath(paths.newBank, bankFile, NEW_BANK_SUFFIX) &&
           JoinPath(paths.newBackup, bankFile, NEW_BACKUP_SUFFIX) &&
           UndoPathOf(paths.newBackup, paths.newBackupUndo) && JoinPath(paths.backup, bankFile, BACKUP_SUFFIX) &&
           UndoPathOf(paths.backup, paths.backupUndo) && UndoPathOf(bankFile, paths.undo);
}

bool CompactionRunning(const CompactionPaths& paths)
{
    if (!PathExists(paths.newBank))
        return false;
    const FileHandle probe = OpenAsWriter(paths.newBank);
    return !probe.IsOpen() && GetLastError() == ERROR_SHARING_VIOLATION;
}

bool CompactionRunning(const char* bankFile)
{
    CompactionPaths paths;
    return MakeCompactionPaths(bankFile, paths) && CompactionRunning(paths);
}

bool FinishBackup(const CompactionPaths& paths)
{
    const bool hasRecords = PathExists(paths.newBackupUndo);
    if (PathExists(paths.newBackup)) {
        // Records of the previous backup would be taken for the new one's.
        if (!hasRecords && !RemoveIfThere(paths.backupUndo))
            return false;
        if (!MoveFileExA(paths.newBackup, paths.backup, RENAME_FLAGS))
            return false;
    }
    return !hasRecords || MoveFileExA(paths.newBackupUndo, paths.backupUndo, RENAME_FLAGS);
}

bool AbandonCompaction(const CompactionPaths& paths)
{
    // Never over records the bank gained since: a second file of them would be lost.
    if (PathExists(paths.newBackupUndo) && !MoveFileExA(paths.newBackupUndo, paths.undo, MOVEFILE_WRITE_THROUGH))
        return false;
    return RemoveIfThere(paths.newBackup) && RemoveIfThere(paths.newBank);
}

void ResolveLeftoverCompaction(const char* bankFile)
{
    CompactionPaths paths;
    if (!MakeCompactionPaths(bankFile, paths) || (!PathExists(paths.newBackup) && !PathExists(paths.newBackupUndo)))
        return;
    const FileHandle held = OpenAsWriter(bankFile);
    if (!held.IsOpen() || CompactionRunning(paths))
        return;
    if (Switched(bankFile, paths))
        FinishBackup(paths);
    else
        AbandonCompaction(paths);
}
