// The one way both programs open a bank: an interrupted change taken back first, then the
// header read and checked, then, where asked, the directory records the file holds.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "bank/bank_sharing.h"
#include "bank/file_io.h"
#include "bank/format.h"

// NOT_RECOVERED: the bank holds an interrupted change that could not be taken back; it was
// left alone.
enum class ReadResult { READ, NOT_OPENED, NOT_A_BANK, NO_MEMORY, NOT_RECOVERED };
// HEADER_ONLY leaves the records on disk for a reader that streams them.
enum class DirectoryLoad { RECORDS, HEADER_ONLY };

// What opening a bank found.
struct BankOpening {
    ReadResult result = ReadResult::NOT_OPENED;  // READ, NOT_OPENED, NOT_A_BANK or NOT_RECOVERED
    FileHandle file;                             // open unless NOT_OPENED or NOT_RECOVERED
    RwvHeader header = {};
    bool headerRead = false;  // 16 bytes were there to check
    int64_t fileSize = 0;
    bool recovered = false;  // an interrupted change was taken back before the bank opened
};
BankOpening OpenBankFile(const char* path, DWORD access, DWORD shareMode);

// The records a header claiming `claimed` entries has in a file of fileSize bytes: every
// record the bytes after the header reach, a last one held only in part included.
int64_t RecordsHeld(int32_t claimed, int64_t fileSize);
// Reads count records from record index first on into records; the bytes of a last record
// that the file holds only in part read as zero. false when a read failed.
bool ReadRecords(HANDLE file, RwvEntry* records, int64_t first, int64_t count, int64_t fileSize);

class BankReader {
public:
    // Opens path with the given access and sharing and reads its header, then (RECORDS) as
    // many of the directory records as the header claims and the file holds. NOT_A_BANK
    // when the header fails its check (headerRead tells whether 16 bytes were there).
    ReadResult Open(const char* path, DWORD access, DWORD shareMode, DirectoryLoad load = DirectoryLoad::RECORDS);
    void Close() { file_.Close(); }

    HANDLE File() const { return file_.Get(); }
    // Header and directory bytes the header claims, whether or not the file holds them.
    int64_t DirectoryEnd() const;
    bool DirectoryComplete() const { return DirectoryEnd() <= fileSize; }
    // The sizes of the records held, added up: the bank's sound data.
    int64_t SoundBytes() const;
    // true when [offset, offset + size) lies inside the file.
    bool RangeInsideFile(const RwvEntry& entry) const;
    bool Recovered() const { return recovered_; }

    RwvHeader header = {};
    bool headerRead = false;
    int64_t fileSize = 0;
    int32_t count = 0;  // records held, at most header.entryCount
    std::unique_ptr<RwvEntry[]> entries;

private:
    FileHandle file_;
    bool recovered_ = false;
};
