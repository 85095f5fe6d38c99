// A bank opened for reading: its header and the directory records the file holds, read in
// two calls, with the data left on disk for whoever copies it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "bank/format.h"

enum class ReadResult { READ, NOT_OPENED, NOT_A_BANK, NO_MEMORY };

class BankReader {
public:
    BankReader() = default;
    ~BankReader();
    BankReader(const BankReader&) = delete;
    BankReader& operator=(const BankReader&) = delete;

    // Opens path with the given sharing and reads its header, then as many of the directory
    // records as the header claims and the file holds. NOT_A_BANK when the header fails its
    // check (headerRead tells whether 16 bytes were there to check).
    ReadResult Open(const char* path, DWORD shareMode);
    void Close();

    HANDLE File() const { return file_; }
    // Header and directory bytes the header claims, whether or not the file holds them.
    int64_t DirectoryEnd() const;
    bool DirectoryComplete() const { return count == header.entryCount; }
    // true when [offset, offset + size) lies inside the file.
    bool RangeInsideFile(const RwvEntry& entry) const;

    RwvHeader header = {};
    bool headerRead = false;
    int64_t fileSize = 0;
    int32_t count = 0;  // records read, at most header.entryCount
    std::unique_ptr<RwvEntry[]> entries;

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};
