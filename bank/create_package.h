// The file work of Create Package: from the two chosen folders to "NewPack.rwv" and "pack.log".
#pragma once

#include "bank/workspace.h"

// What Create Package looks for and writes in the wave folder.
extern const char WAVE_PATTERN[];
extern const char PACK_LOG_NAME[];
extern const char NEW_PACKAGE_NAME[];

// BANK_NOT_RECOVERED: the bank holds an interrupted change that could not be taken back.
enum class CreateResult { PACKAGE_WRITTEN, BANK_NOT_OPENED, NOT_A_BANK, NO_MEMORY, PACKAGE_NOT_WRITTEN,
                          BANK_NOT_RECOVERED };

struct CreateOutcome {
    CreateResult result;
    int32_t status;      // the working record's final status code
    int32_t bankStatus;  // bank.status at the end
    int32_t filesOk;     // pack.log's counts
    int32_t filesNotOk;
};

// Scans waveFolder (ending in a backslash, or "" for the current directory) for "*.wav",
// takes every RIFF WAVE file named like an entry of the bank at bankFile, and writes
// "pack.log" and "NewPack.rwv" there. When the bank cannot be opened or checked, or a
// memory block cannot be had, no "NewPack.rwv" is written and an existing one stays.
CreateOutcome BuildPackage(const char* waveFolder, const char* bankFile);
