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
// COMPRESSED: its sound is compressed; OTHER_FORMAT: it differs from an entry whose format
// cannot be converted to; NOT_CONVERTIBLE: its own format cannot be converted from.
enum class WaveRefusal { NONE, NOT_OPENED, NOT_A_WAVE, EMPTY, NOT_IN_BANK, OTHER_FORMAT, COMPRESSED,
                         NOT_CONVERTIBLE, NO_ROOM, NOT_READ };

// One wave left out, valid during the call that reports it. waveFormat and bankEntry (the
// entry of the wave's name) tell OTHER_FORMAT; detail tells COMPRESSED (the format's name)
// and NOT_CONVERTIBLE (what cannot be converted); bankEntries are the names NOT_IN_BANK
// missed.
struct LeftOutWave {
    const char* file;  // the file's name without its folder
    WaveRefusal why;
    const uint8_t* waveFormat;
    const RwvEntry* bankEntry;
    const RwvEntry* bankEntries;
    int32_t bankCount;
    const char* detail;
};

// One wave whose sound was converted to its entry's format.
struct ConvertedWave {
    const char* file;
    SoundFormat from;
    SoundFormat to;
    uint64_t clipped;
};

class PackObserver {
public:
    virtual ~PackObserver() = default;
    virtual void LeftOut(const LeftOutWave& wave) = 0;
    virtual void Converted(const ConvertedWave& wave) = 0;
};

// convert: a wave whose format differs from its entry's is converted to it (or left out
// when it cannot be); otherwise it goes in with its own format and bytes.
struct PackRules {
    bool convert;
};

// Scans waveFolder (ending in a backslash, or "" for the current directory) for "*.wav",
// takes every RIFF WAVE file named like an entry of the bank at bankFile, and writes
// "pack.log" and "NewPack.rwv" there. When the bank cannot be opened or checked, or a
// memory block cannot be had, no "NewPack.rwv" is written and an existing one stays.
CreateOutcome BuildPackage(const char* waveFolder, const char* bankFile);
// The same with rules of its own, each wave left out or converted told to observer (which
// may be null).
CreateOutcome BuildPackage(const char* waveFolder, const char* bankFile, const PackRules& rules,
                           PackObserver* observer);
