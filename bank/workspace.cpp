// The working record's life cycle, the bank's directory and the folder test.
#include "bank/workspace.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "bank/bank_sharing.h"
#include "bank/directory_search.h"
#include "bank/file_io.h"
#include "bank/global_block.h"
#include "bank/growing_block.h"

BankWorkspace::BankWorkspace()
    : status(BANK_UNSET),
      entryCount(0),
      sourceFile(),
      logFile(),
      matchedEntry(nullptr),
      dataOffset(0),
      dataSize(0),
      packageDataSize(0),
      packageEntries(nullptr),
      packageData(nullptr),
      waveFormat(),
      waveFormatRecord(),
      waveFormatRecordLength(0),
      bank{BANK_UNSET, 0, 0, FileHandle(), 0, 0, nullptr, ReadResult::NOT_OPENED},
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
    BankOpening opening = OpenBankFile(path, GENERIC_READ | GENERIC_WRITE, BANK_WRITER_SHARING);
    bank.opened = opening.result;
    bank.file = std::move(opening.file);
    bank.count = opening.header.entryCount;
    if (opening.result == ReadResult::READ)
        return true;
    bank.status = opening.result == ReadResult::NOT_A_BANK ? BANK_ERR_BAD_HEADER : BANK_ERR_OPEN;
    return false;
}

bool BankDirectory::LoadBankTable()
{
    const int64_t size = SizeOfFile(file);
    fileSize = size < 0 ? 0 : (size > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<uint32_t>(size));
    const int64_t held = RecordsHeld(count, size);
    // A directory that cannot lie within the format cannot be held either. A block of at
    // least one record tells a short directory apart from one that got no block.
    if (count > 0 && static_cast<int64_t>(RWV_HEADER_SIZE) + DirectoryBytes(held) <= RWV_FORMAT_LIMIT)
        entries = static_cast<RwvEntry*>(AllocLockedBlock(static_cast<size_t>(DirectoryBytes(std::max<int64_t>(held, 1)))));
    if (entries == nullptr) {
        CloseFile(file);
        status = BANK_ERR_NO_MEMORY;
        return false;
    }
    loaded = static_cast<int32_t>(held);
    if (!ReadRecords(file.Get(), entries, 0, held, size) ||
        static_cast<int64_t>(RWV_HEADER_SIZE) + DirectoryBytes(count) > size) {
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
