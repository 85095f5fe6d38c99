// The working record's life cycle, the bank's directory and the folder test.
#include "bank/workspace.h"

#include <cstring>

#include "bank/file_io.h"
#include "bank/global_block.h"
#include "bank/growing_block.h"

void BankWorkspace::Reset()
{
    status = BANK_UNSET;
    entryCount = 0;
    sourceFile = INVALID_HANDLE_VALUE;
    logFile = INVALID_HANDLE_VALUE;
    matchedEntry = nullptr;
    dataOffset = 0;
    dataSize = 0;
    packageDataSize = 0;
    packageEntries = nullptr;
    packageData = nullptr;
    std::memset(waveFormat, 0, sizeof waveFormat);
    bank.status = BANK_UNSET;
    bank.fileSize = 0;
    bank.usedSize = 0;
    bank.file = INVALID_HANDLE_VALUE;
    bank.count = 0;
    bank.entries = nullptr;
    growingPackage = false;
}

static void FreePackageBlock(void* block, bool growing)
{
    if (growing)
        FreeGrowingBlock(block);
    else
        FreeLockedBlock(block);
}

void BankWorkspace::TearDown()
{
    bank.FreeEntries();
    CloseFile(bank.file);
    CloseFile(sourceFile);
    FreePackageBlock(packageEntries, growingPackage);
    packageEntries = nullptr;
    FreePackageBlock(packageData, growingPackage);
    packageData = nullptr;
    matchedEntry = nullptr;
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

bool BankDirectory::LoadBankTable()
{
    const int64_t size = SizeOfFile(file);
    fileSize = size < 0 ? 0 : (size > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<uint32_t>(size));
    const int64_t bytes = DirectoryBytes(count);
    // A directory that cannot lie within the format cannot be held either.
    if (count > 0 && static_cast<int64_t>(RWV_HEADER_SIZE) + bytes <= RWV_FORMAT_LIMIT)
        entries = static_cast<RwvEntry*>(AllocLockedBlock(static_cast<size_t>(bytes)));
    if (entries == nullptr) {
        CloseFile(file);
        status = BANK_ERR_NO_MEMORY;
        return false;
    }
    // On a short read the records that did not arrive stay zero: empty names match nothing.
    if (!SeekTo(file, static_cast<int64_t>(RWV_HEADER_SIZE)) ||
        !ReadExactly(file, entries, static_cast<DWORD>(bytes))) {
        status = BANK_ERR_NO_MEMORY;
        return false;
    }
    return true;
}

RwvEntry* BankDirectory::FindEntry(const char* name) const
{
    if (entries == nullptr)
        return nullptr;
    for (int32_t i = 0; i < count; ++i) {
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
    if (entries == nullptr || count <= 0)
        return false;
    return SeekTo(file, static_cast<int64_t>(RWV_HEADER_SIZE)) &&
           WriteExactly(file, entries, static_cast<DWORD>(DirectoryBytes(count)));
}

void BankDirectory::FreeEntries()
{
    FreeLockedBlock(entries);
    entries = nullptr;
}

bool FileExists(const char* pattern, bool exactlyOne)
{
    if (std::strlen(pattern) >= MAX_PATH)
        return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    const bool result = !exactlyOne || !FindNextFileA(search, &found);
    FindClose(search);
    return result;
}
