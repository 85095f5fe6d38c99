// bench_file_work.exe [folder]: times the three file works beside the copy limit of the same bytes.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bank/create_package.h"
#include "bank/insert_package.h"
#include "bank/statistics.h"
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
// header, directory and data written in three writes, into a buffer committed beforehand.
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

// The copy limit of Insert Package: package body read in one read, header and directory
// read, every entry's data written where the merge wrote it, the directory written back.
double CopyLimitInsert(const std::string& package, const std::string& bank)
{
    const double start = Now();
    HANDLE source = CreateFileA(package.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD got, size = GetFileSize(source, nullptr);
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
    LONG appendAt = static_cast<LONG>(GetFileSize(file, nullptr));
    for (int32_t i = 0; i < count; ++i) {
        const RwvEntry& old = directory[static_cast<size_t>(std::atoi(entries[i].name + 1))];
        const bool append = old.size < entries[i].size;
        DWORD written;
        SetFilePointer(file, append ? appendAt : old.offset, nullptr, FILE_BEGIN);
        WriteFile(file, body.data() + entries[i].offset, static_cast<DWORD>(entries[i].size), &written, nullptr);
        if (append)
            appendAt += entries[i].size;
    }
    DWORD written;
    SetFilePointer(file, 16, nullptr, FILE_BEGIN);
    WriteFile(file, directory.data(), static_cast<DWORD>(directory.size() * 84), &written, nullptr);
    CloseHandle(file);
    CloseHandle(source);
    // Its buffers are released inside the time, as the merge's block is.
    std::vector<uint8_t>().swap(body);
    std::vector<RwvEntry>().swap(directory);
    return Now() - start;
}

// Puts the bank's header and directory back and cuts off what a merge appended.
void RestoreBank(const std::string& bank, const Bytes& original, int64_t size)
{
    HANDLE file = CreateFileA(bank.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD written;
    WriteFile(file, original.data(), static_cast<DWORD>(original.size()), &written, nullptr);
    LONG high = static_cast<LONG>(size >> 32);
    SetFilePointer(file, static_cast<LONG>(size & 0xFFFFFFFF), &high, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
}

// Insert Package of 200 entries (100 shorter, 100 longer than the bank's) into a bank of
// 1,000 entries whose data region is bankEntryBytes per entry.
void BenchInsert(const std::string& root, int32_t bankEntryBytes, const char* bankLabel)
{
    const int bankCount = 1000, packageCount = 200;
    const int32_t shorter = 64 * KB, longer = 3 * MB / 2;
    const std::string folder = root + "insert\\", packages = folder + "pkg\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA(packages.c_str(), nullptr);
    const std::string bank = folder + "soundz.rwv";
    const int64_t bankSize = RWV_HEADER_SIZE + RWV_ENTRY_SIZE * bankCount + int64_t(bankEntryBytes) * bankCount;
    // The bank's data are written for real: a merge must not profit from holes.
    std::vector<RwvEntry> entries;
    for (int i = 0; i < bankCount; ++i)
        entries.push_back(MakeEntry(WaveName(i), static_cast<int32_t>(RWV_HEADER_SIZE + RWV_ENTRY_SIZE * bankCount +
                                                                      int64_t(bankEntryBytes) * i), bankEntryBytes));
    WriteBankFile(bank, entries, static_cast<uint64_t>(bankSize));
    std::vector<PackageItem> items;
    for (int i = 0; i < packageCount; ++i) {
        const int32_t size = i % 2 == 0 ? shorter : longer;
        items.push_back({MakeEntry(WaveName(i * 5), 0, size), ToneData(static_cast<size_t>(size), i)});
    }
    WritePackageFile(packages + "new.rwv", items);
    double megabytes = 0;
    for (const PackageItem& item : items)
        megabytes += static_cast<double>(item.data.size()) / MB;
    const Bytes original = ReadFileRange(bank, 0, RWV_HEADER_SIZE + RWV_ENTRY_SIZE * bankCount);
    double seconds = 1e9, limit = 1e9;
    for (int run = 0; run < 3; ++run) {
        RestoreBank(bank, original, bankSize);
        const double start = Now();
        const InsertOutcome outcome = MergePackage((packages + "new.rwv").c_str(), bank.c_str());
        const double merge = Now() - start;
        if (outcome.result != InsertResult::ALL_MERGED ||
            FileSizeOf(bank) != bankSize + int64_t(longer) * packageCount / 2)
            std::printf("  (unexpected merge: status %d)\n", outcome.status);
        seconds = merge < seconds ? merge : seconds;
        RestoreBank(bank, original, bankSize);
        const double copy = CopyLimitInsert(packages + "new.rwv", bank);
        limit = copy < limit ? copy : limit;
    }
    char what[96];
    std::snprintf(what, sizeof what, "Insert Package, 200 entries into a bank of %s", bankLabel);
    Report(what, seconds, limit, megabytes);
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
    BenchInsert(root, 1 * MB, "1 GB");
    BenchInsert(root, 100 * KB, "100 MB");
    BenchStatistics(root);
    if (argc <= 1)
        RemoveFolder(root);
    return 0;
}
