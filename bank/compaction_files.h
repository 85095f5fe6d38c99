// The files a compaction makes beside its bank, in the order that keeps a backup apart from
// the live bank at every moment, and what the next opening does with those that a
// compaction ended half way left behind.
//
// 1. soundz.rwv.new: the compacted bank, written and flushed.
// 2. soundz.rwv.bak.new: the backup, a link to the bank's file or a flushed copy.
// 3. soundz.rwv.bak.new.undo: the bank's records, which describe the old layout.
// 4. soundz.rwv.new renamed over soundz.rwv: the switch.
// 5. soundz.rwv.bak.new and its records renamed to soundz.rwv.bak and soundz.rwv.bak.undo.
// The previous backup stays until step 5 replaces it. Before the switch the new bank
// exists (or the backup is the bank's own file); after it, neither holds.
#pragma once

#include <windows.h>

extern const char BACKUP_SUFFIX[];  // ".bak", after the bank's own name

// Every name a compaction of one bank uses beside it.
struct CompactionPaths {
    char newBank[MAX_PATH];
    char newBackup[MAX_PATH];
    char newBackupUndo[MAX_PATH];
    char backup[MAX_PATH];
    char backupUndo[MAX_PATH];
    char undo[MAX_PATH];
};
// false when a name does not fit.
bool MakeCompactionPaths(const char* bankFile, CompactionPaths& paths);

// A compaction holds its new bank from before it lets go of the old one until its end;
// true while one does.
bool CompactionRunning(const CompactionPaths& paths);
bool CompactionRunning(const char* bankFile);

// After the switch: the backup and its records take their own names. A previous backup's
// records go before it when the new backup has none. false when a step failed.
bool FinishBackup(const CompactionPaths& paths);
// Without the switch: the records go back beside the bank, the backup and the new bank
// are removed. false when a step failed.
bool AbandonCompaction(const CompactionPaths& paths);

// Run by every opening before anything else reads the bank: what a compaction ended half
// way left is finished or undone, with the bank held against writers. Nothing is done
// while a compaction runs or another writer holds the bank.
void ResolveLeftoverCompaction(const char* bankFile);
