// The file work of Create Package: from the two chosen folders to "NewPack.rwv" and "pack.log".
#pragma once

#include "bank/workspace.h"

// What Create Package looks for and writes in the wave folder.
extern const char WAVE_PATTERN[];
extern const char PACK_LOG_NAME[];
extern const char NEW_PACKAGE_NAME[];

// Scans waveFolder (ending in a backslash, or empty for the current directory) for "*.wav",
// takes every RIFF WAVE file named like an entry of the bank at bankFile, and writes
// "pack.log" and "NewPack.rwv" there. Leaves ws torn down; ws.status and ws.bank.status
// tell how far it got (BANK_OK once the package was written completely).
void BuildPackage(BankWorkspace& ws, const char* waveFolder, const char* bankFile);
