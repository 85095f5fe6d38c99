// Writes and reads the files the bank tests, the demo and the benchmark work on: banks,
// packages and wave files in real folders, through the Win32 file calls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bank/format.h"

using Bytes = std::vector<uint8_t>;

// Folders ------------------------------------------------------------------------------
// A new, empty folder under the user's temporary folder; its path ends in a backslash.
// tag goes into the folder's name to tell the owner. Empty string on failure.
std::string MakeTempFolder(const char* tag);
// Deletes folder (with or without its trailing backslash) and everything in it.
void RemoveFolder(const std::string& folder);

// Files --------------------------------------------------------------------------------
Bytes ReadWholeFile(const std::string& path);  // empty when missing
bool WriteWholeFile(const std::string& path, const Bytes& bytes);
bool PathExists(const std::string& path);
int64_t FileSizeOf(const std::string& path);  // -1 when missing
// The file's bytes [from, from + length), clipped to the file.
Bytes ReadFileRange(const std::string& path, int64_t from, size_t length);
// The names a directory search for pattern finds, in the order it delivers them: the
// order of Create Package's log lines and package entries.
std::vector<std::string> NamesInSearchOrder(const std::string& pattern);

// Keeps a file open with no sharing for as long as it lives, as another program might.
class HeldFile {
public:
    explicit HeldFile(const std::string& path);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

// Records ------------------------------------------------------------------------------
// A directory record named name (at most 52 bytes are copied, no NUL added past them),
// with offset and size; opaque1 and opaque2 hold bytes derived from the name, format is
// WaveFormatBytes(), and the name field's bytes after the NUL hold 0xEE, so that tests can see
// them carried.
RwvEntry MakeEntry(const std::string& name, int32_t offset, int32_t size);
Bytes EntryBytes(const RwvEntry& entry);
Bytes HeaderBytes(uint32_t magic, int32_t entryCount, uint32_t fixed1, uint32_t fixed2);
Bytes GoodHeaderBytes(int32_t entryCount);

// Banks --------------------------------------------------------------------------------
// The byte every bank written here holds at file position p after its directory.
uint8_t PatternByte(uint64_t position);
// Header, entries, then PatternByte filler up to fileSize (the entries' offsets are taken
// as given). Written in pieces, so banks of any size can be made.
bool WriteBankFile(const std::string& path, const std::vector<RwvEntry>& entries, uint64_t fileSize);
Bytes BankBytes(const std::vector<RwvEntry>& entries, uint64_t fileSize);
// Entries named names[i] with sizes[i], data laid back to back right after the directory.
std::vector<RwvEntry> PackedBankEntries(const std::vector<std::string>& names,
                                        const std::vector<int32_t>& sizes);

// Packages -----------------------------------------------------------------------------
struct PackageItem {
    RwvEntry entry;  // offset is set from the layout; everything else written as given
    Bytes data;
};
// A package laid out as Create Package writes it: header, directory, data back to back.
Bytes PackageBytes(const std::vector<PackageItem>& items);
bool WritePackageFile(const std::string& path, const std::vector<PackageItem>& items);

// Wave files ---------------------------------------------------------------------------
// The 16 format bytes the waves written here carry: PCM, mono, 22050 Hz, 16-bit.
Bytes WaveFormatBytes();
// "RIFF" size "WAVE", a "fmt " chunk of fmtLength bytes (at least 16: the format bytes,
// then zeros), an optional "LIST" chunk holding listBody, then a "data" chunk with data.
Bytes WaveBytes(uint32_t fmtLength, const Bytes& data, const Bytes* listBody = nullptr);
bool WriteWaveFile(const std::string& path, uint32_t fmtLength, const Bytes& data,
                   const Bytes* listBody = nullptr);
// length bytes of 16-bit mono samples of a tone (length even), different for each seed.
Bytes ToneData(size_t length, int seed);
