// The file work of Create Package: from the two chosen folders to "NewPack.rwv" and "pack.log".
#pragma once

#include "bank/workspace.h"

// What Create Package looks for and writes in the wave folder.
extern const char WAVE_PATTERN[];
extern const char PACK_LOG_NAME[];
extern const char NEW_PACKAGE_NAME[];
// The package while it is written: a name that fits 8.3 itself, so that it has no short
// alias, and whose extension no package search ("*.rwv") matches.
extern const char PARTIAL_PACKAGE_NAME[];

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

// Why a wave file of the folder stays out of the package.
// EMPTY: a file without a single byte, the commonest file that is no wave.
enum class WaveRefusal { NONE, NOT_OPENED, NOT_A_WAVE, EMPTY, NOT_IN_BANK, OTHER_FORMAT, NO_ROOM, NOT_READ };

// One wave left out, valid during the call that reports it. waveFormat and bankEntry (the
// entry of the wave's name) tell OTHER_FORMAT; bankEntries are the names NOT_IN_BANK
// missed.
struct LeftOutWave {
    const char* file;  // the file's name without its folder
    WaveRefusal why;
    const uint8_t* waveFormat;
    const RwvEntry* bankEntry;
    const RwvEntry* bankEntries;
    int32_t bankCount;
};

class PackObserver {
public:
    virtual ~PackObserver() = default;
    virtual void LeftOut(const LeftOutWave& wave) = 0;
};

// Checks beyond the window's: a wave must play in its entry's format (tag, channels, rate,
// bits).
struct PackRules {
    bool sameFormat;
};

// Scans waveFolder (ending in a backslash, or "" for the current directory) for "*.wav",
// takes every RIFF WAVE file named like an entry of the bank at bankFile, and writes
// "pack.log" and "NewPack.rwv" there. When the bank cannot be opened or checked, or a
// memory block cannot be had, no "NewPack.rwv" is written and an existing one stays.
CreateOutcome BuildPackage(const char* waveFolder, const char* bankFile);
// The same with rules on top of the window's checks, each wave left out told to observer
// (which may be null).
CreateOutcome BuildPackage(const char* waveFolder, const char* bankFile, const PackRules& rules,
                           PackObserver* observer);
