// The working record's life cycle, the bank's directory and the folder test.
#include "bank/workspace.h"

#include <algorithm>
#include <cstring>

#include "bank/directory_search.h"
#include "bank/file_io.h"
#include "bank/global_block.h"
#include "bank/growing_block.h"

BankWorkspace::BankWorkspace()
    : status(BANK_UNSET),
      entryCount(0),
      sourceFile(INVALID_HANDLE_VALUE),
      logFile(INVALID_HANDLE_VALUE),
      matchedEntry(nullptr),
      dataOffset(0),
      dataSize(0),
      packageDataSize(0),
      packageEntries(nullptr),
      packageData(nullptr),
      waveFormat(),
      bank{BANK_UNSET, 0, 0, INVALID_HANDLE_VALUE, 0, 0, nullptr},
      growingPackage(false)
{
}

static void FreePackageBlock(void* block, bool growing)
{
    if (growing)
        FreeGrowingBlock(block);
    else
        FreeLockedBlock(block);
}

// Frees and closes in the order bank entries, bank file, source file, package entries,
// package data, log file.
BankWorkspace::~BankWorkspace()
{
    bank.FreeEntries();
    CloseFile(bank.file);
    CloseFile(sourceFile);
    FreePackageBlock(packageEntries, growingPackage);
    FreePackageBlock(packageData, growingPackage);
    CloseFile(logFile);
}

bool OpenBank(BankDirectory& bank, const char* path)
{
    bank.file = OpenExistingFile(path, GENERIC_READ | GENERIC_WRITE);
    if (bank.file == INVALID_HANDLE_VALUE) {
        bank.status = BANK_ERR_OPEN;
        return false;
    }
    RwvHeader header;
    std::memset(&header, 0, sizeof header);
    const bool complete = ReadExactly(bank.file, &header, sizeof header);
    bank.count = header.entryCount;
    if (!complete || !IsGoodBankHeader(header)) {
        bank.status = BANK_ERR_BAD_HEADER;
        return false;
    }
    return true;
}

// The records that the bytes after the header can hold, a last partial one included.
static int64_t RecordsPresent(int64_t fileBytes)
{
    const int64_t present = fileBytes - static_cast<int64_t>(RWV_HEADER_SIZE);
    return present <= 0 ? 0 : (present + RWV_ENTRY_SIZE - 1) / static_cast<int64_t>(RWV_ENTRY_SIZE);
}

bool BankDirectory::LoadBankTable()
{
    const int64_t size = SizeOfFile(file);
    fileSize = size < 0 ? 0 : (size > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<uint32_t>(size));
    const int64_t held = std::min<int64_t>(count, RecordsPresent(size));
    // A directory that cannot lie within the format cannot be held either. A block of at
    // least one record tells a short directory apart from one that got no block.
    const int64_t blockBytes = DirectoryBytes(std::max<int64_t>(held, 1));
    if (count > 0 && static_cast<int64_t>(RWV_HEADER_SIZE) + DirectoryBytes(held) <= RWV_FORMAT_LIMIT)
        entries = static_cast<RwvEntry*>(AllocLockedBlock(static_cast<size_t>(blockBytes)));
    if (entries == nullptr) {
        CloseFile(file);
        status = BANK_ERR_NO_MEMORY;
        return false;
    }
    loaded = static_cast<int32_t>(held);
    // On a short read the bytes that did not arrive stay zero: empty names match nothing.
    const int64_t bytes = std::min(DirectoryBytes(held), size - static_cast<int64_t>(RWV_HEADER_SIZE));
    const bool read = bytes <= 0 || (SeekTo(file, static_cast<int64_t>(RWV_HEADER_SIZE)) &&
                                     ReadExactly(file, entries, static_cast<DWORD>(bytes)));
    if (!read || bytes < DirectoryBytes(count)) {
        status = BANK_ERR_NO_MEMORY;
        return false;
    }
    return true;
}

RwvEntry* BankDirectory::FindEntry(const char* name) const
{
    if (entries == nullptr)
        return nullptr;
    for (int32_t i = 0; i < loaded; ++i) {
        if (NameMatches(entries[i].name, name))
            return &entries[i];
    }
    return nullptr;
}

bool BankDirectory::WriteData(int64_t position, const void* bytes, int32_t length)
{
    return length >= 0 && SeekTo(file, position) &&
           WriteExactly(file, bytes, static_cast<DWORD>(length));
}

bool BankDirectory::WriteDirectory()
{
    if (entries == nullptr || count <= 0 || loaded != count)
        return false;
    return SeekTo(file, static_cast<int64_t>(RWV_HEADER_SIZE)) &&
           WriteExactly(file, entries, static_cast<DWORD>(DirectoryBytes(count)));
}

void BankDirectory::FreeEntries()
{
    FreeLockedBlock(entries);
    entries = nullptr;
    loaded = 0;
}

bool FileExists(const char* pattern, bool exactlyOne)
{
    DirectorySearch search(pattern);
    return search.Found() && (!exactlyOne || !search.Next());
}
