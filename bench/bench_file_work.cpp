// bench_file_work.exe [folder]: times the three file works beside the copy limit of the same bytes.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bank/create_package.h"
#include "bank/insert_package.h"
#include "bank/statistics.h"
#include "bank/undo_journal.h"
#include "bench/figures.h"
#include "tools/bank_files.h"

namespace {

const int32_t KB = 1024;
const int32_t MB = 1024 * 1024;

// A bank of count entries named like the waves, data sizes given, stretched to fileSize
// without writing the stretch (only header and directory are read by these operations).
bool WriteSparseBank(const std::string& path, int count, int32_t entrySize, int64_t fileSize)
{
    std::vector<RwvEntry> entries;
    int64_t at = static_cast<int64_t>(RWV_HEADER_SIZE + RWV_ENTRY_SIZE * count);
    for (int i = 0; i < count; ++i, at += entrySize)
        entries.push_back(MakeEntry(WaveName(i), static_cast<int32_t>(at), entrySize));
    if (!WriteBankFile(path, entries, static_cast<uint64_t>(RWV_HEADER_SIZE + RWV_ENTRY_SIZE * count)))
        return false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    LONG high = static_cast<LONG>(fileSize >> 32);
    SetFilePointer(file, static_cast<LONG>(fileSize & 0xFFFFFFFF), &high, FILE_BEGIN);
    const bool ok = SetEndOfFile(file) != FALSE;
    CloseHandle(file);
    return ok;
}

// The copy limit of Create Package: every wave opened and read with the same calls, then
// header, directory and data written in three writes, into a buffer committed beforehand,
// and flushed, as a package must be before it takes its name.
double CopyLimitCreate(const std::string& waves, int count, int32_t waveBytes)
{
    const size_t directoryBytes = RWV_ENTRY_SIZE * count, dataBytes = static_cast<size_t>(count) * waveBytes;
    const double start = Now();
    // Fresh pages, as any block that receives the data would be.
    uint8_t* directory = static_cast<uint8_t*>(VirtualAlloc(nullptr, directoryBytes, MEM_COMMIT, PAGE_READWRITE));
    uint8_t* data = static_cast<uint8_t*>(VirtualAlloc(nullptr, dataBytes, MEM_COMMIT, PAGE_READWRITE));
    HANDLE search;
    WIN32_FIND_DATAA found;
    search = FindFirstFileA((waves + "*.wav").c_str(), &found);
    size_t at = 0;
    do {
        HANDLE file = CreateFileA((waves + found.cFileName).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        uint8_t head[36], length[4];
        DWORD got;
        ReadFile(file, head, sizeof head, &got, nullptr);
        SetFilePointer(file, 40, nullptr, FILE_BEGIN);
        ReadFile(file, length, sizeof length, &got, nullptr);
        SetFilePointer(file, 44, nullptr, FILE_BEGIN);
        ReadFile(file, data + at, static_cast<DWORD>(waveBytes), &got, nullptr);
        at += got;
        CloseHandle(file);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    HANDLE out = CreateFileA((waves + "copy.out").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written;
    const RwvHeader header = MakePackageHeader(count);
    WriteFile(out, &header, sizeof header, &written, nullptr);
    WriteFile(out, directory, static_cast<DWORD>(directoryBytes), &written, nullptr);
    WriteFile(out, data, static_cast<DWORD>(at), &written, nullptr);
    FlushFileBuffers(out);
    CloseHandle(out);
    VirtualFree(directory, 0, MEM_RELEASE);
    VirtualFree(data, 0, MEM_RELEASE);
    const double seconds = Now() - start;
    DeleteFileA((waves + "copy.out").c_str());
    return seconds;
}

// Create Package's best of three runs on count waves of waveBytes data bytes each.
void BenchCreate(const std::string& root, int count, int32_t waveBytes)
{
    const std::string folder = root + "create\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteSparseBank(folder + "soundz.rwv", count, 100, RWV_HEADER_SIZE + RWV_ENTRY_SIZE * count + 100 * count);
    const Bytes tone = ToneData(static_cast<size_t>(waveBytes), 1);
    for (int i = 0; i < count; ++i)
        WriteWaveFile(folder + WaveName(i), 16, tone);
    double best = 1e9, limit = 1e9;
    for (int run = 0; run < 5; ++run) {
        DeleteFileA((folder + "NewPack.rwv").c_str());
        const double start = Now();
        const CreateOutcome outcome = BuildPackage(folder.c_str(), (folder + "soundz.rwv").c_str());
        const double seconds = Now() - start;
        if (outcome.status != BANK_OK || FileSizeOf(folder + "NewPack.rwv") != 16 + (84 + int64_t(waveBytes)) * count)
            std::printf("  (unexpected package: status %d)\n", outcome.status);
        best = seconds < best ? seconds : best;
        const double copy = CopyLimitCreate(folder, count, waveBytes);
        limit = copy < limit ? copy : limit;
    }
    char what[96];
    std::snprintf(what, sizeof what, "Create Package, %d waves of %d KB", count, waveBytes / KB);
    Report(what, best, limit, static_cast<double>(count) * waveBytes / MB);
    RemoveFolder(folder);
}

// The bank the Insert Package rows merge into: 1,000 entries of entryBytes each, written for
// real (a merge must not profit from holes) and flushed, so that no timed flush writes it.
struct InsertBank {
    std::string path;
    int64_t size;
    Bytes head;  // header and directory
};

const int INSERT_BANK_COUNT = 1000;

bool FlushPath(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool ok = FlushFileBuffers(file) != FALSE;
    CloseHandle(file);
    return ok;
}

int64_t InsertBankOffset(int index, int32_t entryBytes)
{
    return RWV_HEADER_SIZE + RWV_ENTRY_SIZE * INSERT_BANK_COUNT + int64_t(entryBytes) * index;
}

InsertBank MakeInsertBank(const std::string& folder, int32_t entryBytes)
{
    InsertBank bank = {folder + "soundz.rwv", InsertBankOffset(INSERT_BANK_COUNT, entryBytes), {}};
    std::vector<RwvEntry> entries;
    for (int i = 0; i < INSERT_BANK_COUNT; ++i)
        entries.push_back(MakeEntry(WaveName(i), static_cast<int32_t>(InsertBankOffset(i, entryBytes)), entryBytes));
    WriteBankFile(bank.path, entries, static_cast<uint64_t>(bank.size));
    FlushPath(bank.path);
    bank.head = ReadFileRange(bank.path, 0, RWV_HEADER_SIZE + RWV_ENTRY_SIZE * INSERT_BANK_COUNT);
    return bank;
}

// A package of count sounds of size bytes for the bank entries 0, step, 2 * step, ...,
// written as it is made: a 32-bit benchmark cannot hold a large package twice.
bool WriteInsertPackage(const std::string& path, int count, int step, int32_t size)
{
    Bytes head = GoodHeaderBytes(count);
    for (int i = 0; i < count; ++i) {
        const Bytes entry = EntryBytes(MakeEntry(WaveName(i * step), RWV_ENTRY_SIZE * count + size * i, size));
        head.insert(head.end(), entry.begin(), entry.end());
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written;
    bool ok = WriteFile(file, head.data(), static_cast<DWORD>(head.size()), &written, nullptr) != FALSE;
    for (int i = 0; ok && i < count; ++i) {
        const Bytes data = ToneData(static_cast<size_t>(size), i);
        ok = WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) != FALSE;
    }
    return CloseHandle(file) && ok;
}

// The copy limit of Insert Package with its undo record: package body read in one read,
// header and directory read, the old bytes of every range replaced in place read, header,
// directory and those bytes written to a side file and flushed, then every entry's data
// written where the merge writes it, the directory written back and the bank flushed.
double CopyLimitInsert(const std::string& package, const std::string& bank, const std::string& side)
{
    const double start = Now();
    HANDLE source = CreateFileA(package.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD got, written, size = GetFileSize(source, nullptr);
    int32_t count;
    SetFilePointer(source, 4, nullptr, FILE_BEGIN);
    ReadFile(source, &count, 4, &got, nullptr);
    std::vector<uint8_t> body(size - 16);
    SetFilePointer(source, 16, nullptr, FILE_BEGIN);
    ReadFile(source, body.data(), size - 16, &got, nullptr);
    HANDLE file = CreateFileA(bank.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    RwvHeader header;
    ReadFile(file, &header, sizeof header, &got, nullptr);
    std::vector<RwvEntry> directory(static_cast<size_t>(header.entryCount));
    SetFilePointer(file, 16, nullptr, FILE_BEGIN);
    ReadFile(file, directory.data(), static_cast<DWORD>(directory.size() * 84), &got, nullptr);
    const RwvEntry* entries = reinterpret_cast<const RwvEntry*>(body.data());
    std::vector<LONG> at(static_cast<size_t>(count));
    const LONG bankSize = static_cast<LONG>(GetFileSize(file, nullptr));
    LONG appendAt = bankSize;
    size_t savedBytes = 0;
    for (int32_t i = 0; i < count; ++i) {
        const RwvEntry& old = directory[static_cast<size_t>(std::atoi(entries[i].name + 1))];
        const bool append = old.size < entries[i].size;
        at[i] = append ? appendAt : old.offset;
        if (append)
            appendAt += entries[i].size;
        else
            savedBytes += static_cast<size_t>(entries[i].size);
    }
    std::unique_ptr<uint8_t[]> saved(new uint8_t[savedBytes + 1]);
    uint8_t* into = saved.get();
    for (int32_t i = 0; i < count; ++i) {
        if (at[i] >= bankSize)
            continue;
        SetFilePointer(file, at[i], nullptr, FILE_BEGIN);
        ReadFile(file, into, static_cast<DWORD>(entries[i].size), &got, nullptr);
        into += entries[i].size;
    }
    HANDLE record = CreateFileA(side.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    WriteFile(record, &header, sizeof header, &written, nullptr);
    WriteFile(record, directory.data(), static_cast<DWORD>(directory.size() * 84), &written, nullptr);
    WriteFile(record, saved.get(), static_cast<DWORD>(savedBytes), &written, nullptr);
    FlushFileBuffers(record);
    CloseHandle(record);
    for (int32_t i = 0; i < count; ++i) {
        SetFilePointer(file, at[i], nullptr, FILE_BEGIN);
        WriteFile(file, body.data() + entries[i].offset, static_cast<DWORD>(entries[i].size), &written, nullptr);
    }
    SetFilePointer(file, 16, nullptr, FILE_BEGIN);
    WriteFile(file, directory.data(), static_cast<DWORD>(directory.size() * 84), &written, nullptr);
    FlushFileBuffers(file);
    CloseHandle(file);
    CloseHandle(source);
    // Its buffers are released inside the time, as the merge's blocks are.
    saved.reset();
    std::vector<uint8_t>().swap(body);
    std::vector<RwvEntry>().swap(directory);
    return Now() - start;
}

// Bytes of the bank at a position, as they were before a merge.
struct OldBytes {
    int64_t at;
    Bytes bytes;
};

// Puts back the bank after the copy limit: the ranges it overwrote, the header and
// directory, the size; flushed, so that the next timed flush does not write it.
void RestoreBank(const InsertBank& bank, const std::vector<OldBytes>& ranges)
{
    HANDLE file = CreateFileA(bank.path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD written;
    for (const OldBytes& range : ranges) {
        LONG high = static_cast<LONG>(range.at >> 32);
        SetFilePointer(file, static_cast<LONG>(range.at & 0xFFFFFFFF), &high, FILE_BEGIN);
        WriteFile(file, range.bytes.data(), static_cast<DWORD>(range.bytes.size()), &written, nullptr);
    }
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    WriteFile(file, bank.head.data(), static_cast<DWORD>(bank.head.size()), &written, nullptr);
    LONG high = static_cast<LONG>(bank.size >> 32);
    SetFilePointer(file, static_cast<LONG>(bank.size & 0xFFFFFFFF), &high, FILE_BEGIN);
    SetEndOfFile(file);
    FlushFileBuffers(file);
    CloseHandle(file);
}

// Takes the newest merge back through its record, which goes with it: every run starts
// from the same bank and no record piles up.
void TakeBack(const InsertBank& bank)
{
    const UndoOutcome undo = UndoNewestChange(bank.path.c_str());
    if (undo.result != UndoResult::TAKEN_BACK || PathExists(bank.path + UNDO_SUFFIX) ||
        FileSizeOf(bank.path) != bank.size || ReadFileRange(bank.path, 0, bank.head.size()) != bank.head)
        std::printf("  (the merge was not taken back: result %d)\n", static_cast<int>(undo.result));
}

InsertOutcome TimedMerge(const std::string& package, const InsertBank& bank, int64_t sizeAfter, double& seconds)
{
    const double start = Now();
    const InsertOutcome outcome = MergePackage(package.c_str(), bank.path.c_str());
    seconds = Now() - start;
    if (outcome.result != InsertResult::ALL_MERGED || FileSizeOf(bank.path) != sizeAfter)
        std::printf("  (unexpected merge: status %d)\n", outcome.status);
    return outcome;
}

// Insert Package of 200 entries of packageBytes each, every fifth entry of the bank: all
// REPLACE when no longer than the bank's entries, else all APPEND.
void BenchInsert(const std::string& folder, const InsertBank& bank, int32_t bankEntryBytes, int32_t packageBytes,
                 const char* bankLabel)
{
    const int count = 200, step = 5;
    const bool append = packageBytes > bankEntryBytes;
    const std::string package = folder + "pkg\\new.rwv", side = folder + "side.out";
    WriteInsertPackage(package, count, step, packageBytes);
    std::vector<OldBytes> old;
    for (int i = 0; i < count && !append; ++i) {
        const int64_t at = InsertBankOffset(i * step, bankEntryBytes);
        old.push_back({at, ReadFileRange(bank.path, at, static_cast<size_t>(packageBytes))});
    }
    const int64_t sizeAfter = bank.size + (append ? int64_t(packageBytes) * count : 0);
    double seconds = 1e9, limit = 1e9;
    // Best of seven: a short merge is at the mercy of every other flush on the disk.
    for (int run = 0; run < 7; ++run) {
        double merge;
        TimedMerge(package, bank, sizeAfter, merge);
        TakeBack(bank);
        seconds = merge < seconds ? merge : seconds;
        const double copy = CopyLimitInsert(package, bank.path, side);
        DeleteFileA(side.c_str());
        RestoreBank(bank, old);
        limit = copy < limit ? copy : limit;
    }
    char what[96];
    std::snprintf(what, sizeof what, "Insert Package, 200 %s into a bank of %s", append ? "APPEND" : "REPLACE",
                  bankLabel);
    Report(what, seconds, limit, static_cast<double>(packageBytes) * count / MB);
    DeleteFileA(package.c_str());
}

// A typical mod, 20 sounds of 1 MB replacing sounds of the same size in the 1 GB bank, merged
// with its undo record, against the careful user's way: the bank copied to a backup and the
// backup flushed, then the same merge.
void BenchAgainstBackup(const std::string& folder, const InsertBank& bank)
{
    const std::string package = folder + "pkg\\mod.rwv", backup = folder + "soundz.rwv.copy";
    WriteInsertPackage(package, 20, 50, 1 * MB);
    double merge = 1e9, careful = 1e9;
    for (int run = 0; run < 3; ++run) {
        double seconds;
        TimedMerge(package, bank, bank.size, seconds);
        TakeBack(bank);
        merge = seconds < merge ? seconds : merge;
        const double start = Now();
        if (!CopyFileA(bank.path.c_str(), backup.c_str(), FALSE) || !FlushPath(backup) ||
            FileSizeOf(backup) != bank.size)
            std::printf("  (the bank was not copied)\n");
        TimedMerge(package, bank, bank.size, seconds);
        seconds = Now() - start;
        TakeBack(bank);
        DeleteFileA(backup.c_str());
        careful = seconds < careful ? seconds : careful;
    }
    std::printf("Insert Package against copying the bank first (20 sounds of 1 MB, bank of 1 GB): %.3f s against "
                "%.3f s, speed-up %.1f\n", merge, careful, careful / merge);
    std::fflush(stdout);
    DeleteFileA(package.c_str());
}

// The Insert Package rows on a bank of 1,000 entries of bankEntryBytes each: the same
// packages, so that the bank's size alone differs between the banks.
void BenchInsertRows(const std::string& root, int32_t bankEntryBytes, const char* bankLabel, bool againstBackup)
{
    const std::string folder = root + "insert\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "pkg\\").c_str(), nullptr);
    const InsertBank bank = MakeInsertBank(folder, bankEntryBytes);
    BenchInsert(folder, bank, bankEntryBytes, 64 * KB, bankLabel);
    BenchInsert(folder, bank, bankEntryBytes, 3 * MB / 2, bankLabel);
    if (againstBackup)
        BenchAgainstBackup(folder, bank);
    RemoveFolder(folder);
}

double CopyLimitStatistics(const std::string& bank)
{
    const double start = Now();
    HANDLE file = CreateFileA(bank.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    RwvHeader header;
    DWORD got;
    ReadFile(file, &header, sizeof header, &got, nullptr);
    GetFileSize(file, nullptr);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(header.entryCount) * 84);
    void* entries = GlobalLock(block);
    SetFilePointer(file, 16, nullptr, FILE_BEGIN);
    ReadFile(file, entries, static_cast<DWORD>(header.entryCount) * 84, &got, nullptr);
    GlobalUnlock(block);
    GlobalFree(block);
    CloseHandle(file);
    return Now() - start;
}

void BenchStatistics(const std::string& root)
{
    const int count = 100000;
    const std::string folder = root + "stats\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string bank = folder + "soundz.rwv";
    WriteSparseBank(bank, count, 20000, RWV_HEADER_SIZE + RWV_ENTRY_SIZE * count + int64_t(20000) * count + 12345);
    double best = 1e9, limit = 1e9;
    BankStatistics stats = {};
    for (int run = 0; run < 5; ++run) {
        const double start = Now();
        stats = MeasureBank(bank.c_str());
        const double seconds = Now() - start;
        best = seconds < best ? seconds : best;
        const double copy = CopyLimitStatistics(bank);
        limit = copy < limit ? copy : limit;
    }
    Report("Statistics, bank of 100,000 entries (2 GB, sparse)", best, limit, 8.4);
    char text[256];
    FormatStatisticsReport(stats, text, sizeof text);
    std::printf("  reads header and directory only: %u bytes of a %llu-byte file; wasted %.3f MB\n",
                static_cast<unsigned>(RWV_HEADER_SIZE + RWV_ENTRY_SIZE * count),
                static_cast<unsigned long long>(stats.fileSize), static_cast<double>(stats.wastedMegabytes));
    RemoveFolder(folder);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string root = argc > 1 ? std::string(argv[1]) + "\\" : MakeTempFolder("bench");
    CreateDirectoryA(root.c_str(), nullptr);
    std::printf("Benchmark of the file work (%d-bit), folder %s\n", static_cast<int>(sizeof(void*) * 8), root.c_str());
    BenchCreate(root, 100, 1 * MB);
    BenchCreate(root, 200, 1 * MB);
    BenchCreate(root, 500, 200 * KB);
    BenchCreate(root, 1000, 200 * KB);
    BenchInsertRows(root, 1 * MB, "1 GB", true);
    BenchInsertRows(root, 100 * KB, "100 MB", false);
    BenchStatistics(root);
    if (argc <= 1)
        RemoveFolder(root);
    return 0;
}
