// How programs share a bank: one writer at a time and readers beside it, held with the
// file system's own sharing modes, which end with the process that holds them; and what
// holds a bank that could not be opened for writing.
#pragma once

#include <windows.h>

#include "bank/file_io.h"

// A writer (merge, undo, recovery, compaction) lets others read the bank but never write
// it. Sharing deletion lets it remove a link of its own file (a compaction's backup).
const DWORD BANK_WRITER_SHARING = FILE_SHARE_READ | FILE_SHARE_DELETE;
// Opens path for reading and writing as a writer of the bank does; not open while another
// writer holds it.
FileHandle OpenAsWriter(const char* path);
// A reader lets a writer go on.
const DWORD BANK_READER_SHARING = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// BEING_CHANGED: another writer holds it, or a compaction is switching it; IN_USE: a
// program holds it without letting it be written; NONE: nothing we can name.
enum class BankHold { NONE, BEING_CHANGED, IN_USE, READ_ONLY };
// Why bankFile cannot be opened for writing just now, asked once an opening failed.
BankHold WhoHoldsBank(const char* bankFile);
