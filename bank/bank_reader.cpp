// Reading a bank's header and directory, allocating only the records the file can hold.
#include "bank/bank_reader.h"

#include <new>

#include "bank/file_io.h"

BankReader::~BankReader()
{
    Close();
}

void BankReader::Close()
{
    CloseFile(file_);
}

ReadResult BankReader::Open(const char* path, DWORD shareMode)
{
    Close();
    file_ = CreateFileA(path, GENERIC_READ, shareMode, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE)
        return ReadResult::NOT_OPENED;
    fileSize = SizeOfFile(file_);
    headerRead = ReadExactly(file_, &header, sizeof header);
    if (!headerRead || !IsGoodBankHeader(header))
        return ReadResult::NOT_A_BANK;
    // A lying header must not cost memory: only the records present are read.
    const int64_t afterHeader = fileSize - static_cast<int64_t>(RWV_HEADER_SIZE);
    const int64_t held = afterHeader > 0 ? afterHeader / static_cast<int64_t>(RWV_ENTRY_SIZE) : 0;
    count = static_cast<int32_t>(held < header.entryCount ? held : header.entryCount);
    entries.reset(new (std::nothrow) RwvEntry[count > 0 ? count : 1]);
    if (!entries)
        return ReadResult::NO_MEMORY;
    if (!ReadExactly(file_, entries.get(), static_cast<DWORD>(DirectoryBytes(count))))
        return ReadResult::NOT_A_BANK;
    return ReadResult::READ;
}

int64_t BankReader::DirectoryEnd() const
{
    return static_cast<int64_t>(RWV_HEADER_SIZE) + DirectoryBytes(header.entryCount);
}

bool BankReader::RangeInsideFile(const RwvEntry& entry) const
{
    return entry.offset >= 0 && entry.size >= 0 &&
           static_cast<int64_t>(entry.offset) + entry.size <= fileSize;
}
