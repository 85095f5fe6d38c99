// Why a file call failed, in the terms a message names: a full disk, memory, another
// program, a read-only file.
#pragma once

#include <windows.h>

enum class FailureCause { NONE, DISK_FULL, NO_MEMORY, HELD, READ_ONLY, OTHER };

// The cause behind a Win32 error code (GetLastError after the failed call).
FailureCause CauseOf(DWORD error);
// The cause as a message puts it after the file a call failed on: " (is the disk full?)";
// "" where nothing can be named.
const char* CauseWords(FailureCause cause);
