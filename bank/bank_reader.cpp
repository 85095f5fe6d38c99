// Opening a bank and reading its directory, allocating only the records the file can hold.
#include "bank/bank_reader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "bank/compaction_files.h"
#include "bank/undo_journal.h"

BankOpening OpenBankFile(const char* path, DWORD access, DWORD shareMode)
{
    BankOpening opening;
    ResolveLeftoverCompaction(path);
    const Recovery recovery = TakeBackInterruptedChange(path).result;
    if (recovery == Recovery::NOT_TAKEN_BACK) {
        opening.result = ReadResult::NOT_RECOVERED;
        return opening;
    }
    opening.recovered = recovery == Recovery::TAKEN_BACK;
    opening.file = OpenExistingFile(path, access, shareMode);
    if (!opening.file.IsOpen())
        return opening;
    // A compaction between its last hold of the old bank and its switch: a writer now would
    // change the file that is being replaced.
    if ((access & GENERIC_WRITE) && CompactionRunning(path)) {
        opening.file.Close();
        return opening;
    }
    opening.fileSize = SizeOfFile(opening.file);
    opening.headerRead = ReadExactly(opening.file, &opening.header, sizeof opening.header);
    opening.result = opening.headerRead && IsGoodBankHeader(opening.header) ? ReadResult::READ : ReadResult::NOT_A_BANK;
    return opening;
}

int64_t RecordsHeld(int32_t claimed, int64_t fileSize)
{
    const int64_t present = fileSize - static_cast<int64_t>(RWV_HEADER_SIZE);
    const int64_t reached = present <= 0 ? 0 : (present + RWV_ENTRY_SIZE - 1) / static_cast<int64_t>(RWV_ENTRY_SIZE);
    return std::max<int64_t>(0, std::min<int64_t>(claimed, reached));
}

bool ReadRecords(HANDLE file, RwvEntry* records, int64_t first, int64_t count, int64_t fileSize)
{
    const int64_t at = static_cast<int64_t>(RWV_HEADER_SIZE) + DirectoryBytes(first);
    const int64_t bytes = std::max<int64_t>(0, std::min(DirectoryBytes(count), fileSize - at));
    std::memset(reinterpret_cast<uint8_t*>(records) + bytes, 0, static_cast<size_t>(DirectoryBytes(count) - bytes));
    return bytes == 0 || (SeekTo(file, at) && ReadExactly(file, records, static_cast<DWORD>(bytes)));
}

ReadResult BankReader::Open(const char* path, DWORD access, DWORD shareMode, DirectoryLoad load)
{
    BankOpening opening = OpenBankFile(path, access, shareMode);
    file_ = std::move(opening.file);
    recovered_ = opening.recovered;
    header = opening.header;
    headerRead = opening.headerRead;
    fileSize = opening.fileSize;
    count = 0;
    entries.reset();
    if (opening.result != ReadResult::READ || load == DirectoryLoad::HEADER_ONLY)
        return opening.result;
    // A lying header must not cost memory: only the records present are read.
    const int64_t held = RecordsHeld(header.entryCount, fileSize);
    if (static_cast<int64_t>(RWV_HEADER_SIZE) + DirectoryBytes(held) > RWV_FORMAT_LIMIT)
        return ReadResult::NO_MEMORY;
    entries.reset(new (std::nothrow) RwvEntry[held > 0 ? held : 1]);
    if (!entries)
        return ReadResult::NO_MEMORY;
    count = static_cast<int32_t>(held);
    return ReadRecords(File(), entries.get(), 0, held, fileSize) ? ReadResult::READ : ReadResult::NOT_A_BANK;
}

int64_t BankReader::DirectoryEnd() const
{
    return static_cast<int64_t>(RWV_HEADER_SIZE) + DirectoryBytes(header.entryCount);
}

int64_t BankReader::SoundBytes() const
{
    int64_t bytes = 0;
    for (int32_t i = 0; i < count; ++i)
        bytes += entries[i].size;
    return bytes;
}

bool BankReader::RangeInsideFile(const RwvEntry& entry) const
{
    return entry.offset >= 0 && entry.size >= 0 &&
           static_cast<int64_t>(entry.offset) + entry.size <= fileSize;
}
