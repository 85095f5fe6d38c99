// The working record of one bank operation: status codes, the opened bank, the package.
#pragma once

#include <windows.h>

#include <cstdint>

#include "bank/bank_reader.h"
#include "bank/file_io.h"
#include "bank/format.h"
#include "bank/sound_format.h"
#include "bank/wave.h"

// Assigned, never combined: each records how far an operation got.
const int32_t BANK_UNSET = -1;
const int32_t BANK_OK = 0;
const int32_t BANK_ERR_OPEN = 256;
const int32_t BANK_ERR_NOT_WAVE = 512;
const int32_t BANK_ERR_WRITE = 1024;
const int32_t BANK_ERR_NOT_IN_BANK = 2048;
const int32_t BANK_ERR_BAD_HEADER = 4096;
const int32_t BANK_ERR_NO_MEMORY = 8192;

// The opened "soundz.rwv".
struct BankDirectory {
    int32_t status;
    uint32_t fileSize;  // saturates at 0xFFFFFFFF for files of 4 GiB or more
    int64_t usedSize;   // header + directory + all entry data; 64-bit so that it cannot overflow
    FileHandle file;
    int32_t count;      // as the header claims it
    int32_t loaded;     // records held in entries: count, or fewer when the file is shorter
    RwvEntry* entries;  // loaded records in a locked global block, or null
    ReadResult opened;  // how OpenBank ended: NOT_RECOVERED tells an interrupted change apart

    // Sets fileSize, reads the directory into entries, allocating only the records that the
    // file can hold (a header may claim far more). false when no block could be had (file
    // then closed, entries null, status BANK_ERR_NO_MEMORY) or the directory arrived short
    // (status BANK_ERR_NO_MEMORY, entries kept, bytes that did not arrive left zero).
    bool LoadBankTable();
    // First entry named name (whole names, ASCII case folded), or null.
    RwvEntry* FindEntry(const char* name) const;
    // Writes length bytes at the absolute position; false unless all of them were written.
    bool WriteData(int64_t position, const void* bytes, int32_t length);
    // Writes the whole directory back at offset 16; false unless all of it was loaded and
    // written.
    bool WriteDirectory();
    void FreeEntries();
};

// Made in its starting state (nothing open, nothing allocated, both statuses BANK_UNSET);
// whatever it obtained is freed and closed when it goes, so it cannot be copied.
struct BankWorkspace {
    BankWorkspace();
    ~BankWorkspace();
    BankWorkspace(const BankWorkspace&) = delete;
    BankWorkspace& operator=(const BankWorkspace&) = delete;

    int32_t status;
    int32_t entryCount;
    FileHandle sourceFile;
    FileHandle logFile;
    RwvEntry* matchedEntry;
    uint32_t dataOffset;
    int32_t dataSize;
    int32_t packageDataSize;
    RwvEntry* packageEntries;
    uint8_t* packageData;
    uint8_t waveFormat[RWV_FORMAT_SIZE];
    // The wave's whole format record, as far as conversion reads it.
    uint8_t waveFormatRecord[WAVE_FORMAT_RECORD_MAX];
    size_t waveFormatRecordLength;
    BankDirectory bank;
    // True while packageEntries and packageData are growing blocks (Create Package) rather
    // than plain global blocks; tells the tear-down how to free them.
    bool growingPackage;

    // Create Package: examines one wave file; 1 when accepted (then open in sourceFile).
    int CheckWaveFile(const char* path);
    // Create Package: adds the accepted file to the package in memory; 1 when it did,
    // 0 with the package unchanged when it could not.
    int AppendEntry();
    // Create Package: adds the accepted file's sound converted from one format to the other,
    // with the bank entry's format record; clipped counts the samples cut to full scale.
    // 1 when it did, 0 with the package unchanged when it could not.
    int AppendConvertedEntry(const SoundFormat& from, const SoundFormat& to, uint64_t& clipped);

private:
    // Adds the entry with sound (or, when null, the dataSize bytes at dataOffset of
    // sourceFile) and the format record given.
    int AppendSound(const uint8_t* sound, const uint8_t (&format)[RWV_FORMAT_SIZE]);
    // Gives the package blocks back to oldEntryBytes / oldDataBytes after a failed growth.
    void ShrinkPackageTo(int64_t oldEntryBytes, int64_t oldDataBytes);
};

// true when pattern (wildcards allowed in its last part) names a file or folder; with
// exactlyOne, only when it names exactly one. Patterns that do not fit MAX_PATH are false.
bool FileExists(const char* pattern, bool exactlyOne);

// Opens the bank at path (read/write, held against other writers, existing only) through the one bank
// opening, and checks its header, taking its entryCount into bank.count before the check.
// On failure sets bank.status BANK_ERR_OPEN (bank.opened tells why) or BANK_ERR_BAD_HEADER
// and returns false; a file whose header failed stays open in bank.file for the tear-down.
bool OpenBank(BankDirectory& bank, const char* path);
