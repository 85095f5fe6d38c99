// Create Package's file work: the wave scan, the package in memory, "pack.log", "NewPack.rwv".
#include "bank/create_package.h"

#include <cstdio>
#include <cstring>

#include "bank/file_io.h"
#include "bank/growing_block.h"
#include "bank/paths.h"

namespace {

// A wave file's first bytes, as far as the scan looks at them.
const size_t WAVE_HEAD_SIZE = 36;
const size_t WAVE_FMT_LENGTH_AT = 16;
const size_t WAVE_FORMAT_AT = 20;
// The chunk after "fmt " starts at 20 + f; its 4-byte length field sits at 24 + f.
const int64_t WAVE_FMT_BODY_AT = 20;
const int32_t WAVE_FMT_MIN_LENGTH = 16;
const size_t TAG_SIZE = 4;
const size_t LOG_LINE_SIZE = MAX_PATH + 64;

// Four characters compared with A-Z folded, as the wave tags are.
bool TagMatches(const uint8_t* bytes, const char* tag)
{
    for (size_t i = 0; i < TAG_SIZE; ++i) {
        if (FoldAsciiLetter(static_cast<char>(bytes[i])) != FoldAsciiLetter(tag[i]))
            return false;
    }
    return true;
}

int32_t ReadLe32(const uint8_t* bytes)
{
    return static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
                                (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24));
}

const char* NameAfterFolder(const char* path)
{
    const char* slash = std::strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

// What the folder's wave files could add at most, so that the package blocks can reserve it.
struct WaveFolderTotals {
    uint64_t files;
    uint64_t bytes;
};

WaveFolderTotals MeasureWaveFolder(const char* pattern)
{
    WaveFolderTotals totals = {0, 0};
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return totals;
    do {
        ++totals.files;
        totals.bytes += (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return totals;
}

size_t ReserveFor(uint64_t bytes)
{
    return bytes > SIZE_MAX ? SIZE_MAX : static_cast<size_t>(bytes);
}

// Both package blocks start at 1 byte, with room reserved for every wave of the folder.
bool CreatePackageBlocks(BankWorkspace& ws, const char* pattern)
{
    const WaveFolderTotals totals = MeasureWaveFolder(pattern);
    ws.growingPackage = true;
    ws.packageEntries = static_cast<RwvEntry*>(CreateGrowingBlock(ReserveFor(totals.files * RWV_ENTRY_SIZE)));
    ws.packageData = static_cast<uint8_t*>(CreateGrowingBlock(ReserveFor(totals.bytes)));
    return ws.packageEntries != nullptr && ws.packageData != nullptr;
}

void ScanWaveFolder(BankWorkspace& ws, const char* waveFolder, const char* pattern)
{
    int32_t accepted = 0;
    int32_t rejected = 0;
    char line[LOG_LINE_SIZE];
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            char path[MAX_PATH];
            bool ok = false;
            if (!JoinPath(path, waveFolder, found.cFileName))
                ws.status = BANK_ERR_OPEN;
            else
                ok = ws.CheckWaveFile(path) && ws.AppendEntry();
            CloseFile(ws.sourceFile);
            if (ok)
                ++accepted;
            else
                ++rejected;
            std::snprintf(line, sizeof line, ok ? "%s OK\r\n" : "%s NOT OK\r\n", found.cFileName);
            WriteLogLine(ws.logFile, line);
        } while (FindNextFileA(search, &found));
    }
    std::snprintf(line, sizeof line, "%d files -> %d OK, %d NOTOK\r\n", accepted + rejected, accepted, rejected);
    WriteLogLine(ws.logFile, line);
    CloseFile(ws.logFile);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

// Package offsets count from the end of the header: the data follow the directory.
void SetPackageOffsets(BankWorkspace& ws)
{
    int64_t running = DirectoryBytes(ws.entryCount);
    for (int32_t i = 0; i < ws.entryCount; ++i) {
        ws.packageEntries[i].offset = static_cast<int32_t>(running);
        running += ws.packageEntries[i].size;
    }
}

void WritePackage(BankWorkspace& ws, const char* waveFolder)
{
    char path[MAX_PATH];
    if (!JoinPath(path, waveFolder, NEW_PACKAGE_NAME)) {
        ws.status = BANK_ERR_OPEN;
        return;
    }
    HANDLE file = CreateNewFile(path, GENERIC_READ | GENERIC_WRITE);
    if (file == INVALID_HANDLE_VALUE) {
        ws.status = BANK_ERR_OPEN;
        return;
    }
    const RwvHeader header = MakePackageHeader(ws.entryCount);
    if (!WriteExactly(file, &header, sizeof header)) {
        ws.status = BANK_ERR_WRITE;
        CloseFile(file);
        return;
    }
    SetPackageOffsets(ws);
    const bool complete =
        WriteExactly(file, ws.packageEntries, static_cast<DWORD>(DirectoryBytes(ws.entryCount))) &&
        WriteExactly(file, ws.packageData, static_cast<DWORD>(ws.packageDataSize));
    CloseFile(file);
    if (!complete) {
        // A package cut short would still look valid to Insert Package.
        DeleteFileA(path);
        ws.status = BANK_ERR_WRITE;
        return;
    }
    ws.status = BANK_OK;
}

}  // namespace

const char WAVE_PATTERN[] = "*.wav";
const char PACK_LOG_NAME[] = "pack.log";
const char NEW_PACKAGE_NAME[] = "NewPack.rwv";

int BankWorkspace::CheckWaveFile(const char* path)
{
    sourceFile = OpenExistingFile(path, GENERIC_READ);
    if (sourceFile == INVALID_HANDLE_VALUE) {
        status = BANK_ERR_OPEN;
        return 0;
    }
    uint8_t head[WAVE_HEAD_SIZE];
    const int64_t fileBytes = SizeOfFile(sourceFile);
    bool wave = ReadExactly(sourceFile, head, sizeof head) && TagMatches(head, "RIFF") &&
                TagMatches(head + 8, "WAVE") && TagMatches(head + 12, "fmt ");
    const int32_t fmtLength = wave ? ReadLe32(head + WAVE_FMT_LENGTH_AT) : 0;
    // The length field and the data it announces must both lie inside the file.
    const int64_t lengthAt = WAVE_FMT_BODY_AT + 4 + static_cast<int64_t>(fmtLength);
    uint8_t length[4];
    wave = wave && fmtLength >= WAVE_FMT_MIN_LENGTH && lengthAt + 4 <= fileBytes &&
           SeekTo(sourceFile, lengthAt) && ReadExactly(sourceFile, length, sizeof length);
    const int32_t declared = wave ? ReadLe32(length) : -1;
    wave = wave && declared >= 0 && lengthAt + 4 + declared <= fileBytes;
    if (!wave) {
        status = BANK_ERR_NOT_WAVE;
        CloseFile(sourceFile);
        return 0;
    }
    std::memcpy(waveFormat, head + WAVE_FORMAT_AT, sizeof waveFormat);
    dataSize = declared;
    dataOffset = static_cast<uint32_t>(lengthAt + 4);
    matchedEntry = bank.FindEntry(NameAfterFolder(path));
    if (matchedEntry == nullptr) {
        status = BANK_ERR_NOT_IN_BANK;
        CloseFile(sourceFile);
        return 0;
    }
    return 1;
}

static size_t AtLeastOne(int64_t size)
{
    return size > 0 ? static_cast<size_t>(size) : 1;
}

int BankWorkspace::AppendEntry()
{
    if (packageEntries == nullptr || packageData == nullptr)
        return 0;
    const int64_t oldEntriesBytes = DirectoryBytes(entryCount);
    const int64_t newEntriesBytes = DirectoryBytes(static_cast<int64_t>(entryCount) + 1);
    const int64_t newDataBytes = static_cast<int64_t>(packageDataSize) + dataSize;
    // The package's offsets are signed 32-bit too: it cannot grow past the format.
    if (static_cast<int64_t>(RWV_HEADER_SIZE) + newEntriesBytes + newDataBytes > RWV_FORMAT_LIMIT) {
        status = BANK_ERR_NO_MEMORY;
        return 0;
    }
    void* grownEntries = packageEntries;
    void* grownData = packageData;
    if (!ResizeGrowingBlock(grownEntries, AtLeastOne(newEntriesBytes))) {
        status = BANK_ERR_NO_MEMORY;
        return 0;
    }
    packageEntries = static_cast<RwvEntry*>(grownEntries);
    if (!ResizeGrowingBlock(grownData, AtLeastOne(newDataBytes))) {
        ResizeGrowingBlock(grownEntries, AtLeastOne(oldEntriesBytes));
        packageEntries = static_cast<RwvEntry*>(grownEntries);
        status = BANK_ERR_NO_MEMORY;
        return 0;
    }
    packageData = static_cast<uint8_t*>(grownData);
    // Only bytes that really came from the wave may enter the package.
    if (!SeekTo(sourceFile, dataOffset) ||
        !ReadExactly(sourceFile, packageData + packageDataSize, static_cast<DWORD>(dataSize))) {
        ResizeGrowingBlock(grownEntries, AtLeastOne(oldEntriesBytes));
        ResizeGrowingBlock(grownData, AtLeastOne(packageDataSize));
        packageEntries = static_cast<RwvEntry*>(grownEntries);
        packageData = static_cast<uint8_t*>(grownData);
        status = BANK_ERR_NOT_WAVE;
        return 0;
    }
    RwvEntry& added = packageEntries[entryCount];
    added = *matchedEntry;
    added.size = dataSize;
    std::memcpy(added.format, waveFormat, sizeof added.format);
    packageDataSize += dataSize;
    ++entryCount;
    return 1;
}

void BuildPackage(BankWorkspace& ws, const char* waveFolder, const char* bankFile)
{
    ws.Reset();
    char pattern[MAX_PATH];
    if (!JoinPath(pattern, waveFolder, WAVE_PATTERN))
        pattern[0] = '\0';
    if (!CreatePackageBlocks(ws, pattern)) {
        ws.status = BANK_ERR_NO_MEMORY;
    } else {
        char logPath[MAX_PATH];
        if (JoinPath(logPath, waveFolder, PACK_LOG_NAME))
            ws.logFile = CreateNewFile(logPath, GENERIC_WRITE);
        if (!OpenBank(ws.bank, bankFile)) {
            ws.status = BANK_ERR_BAD_HEADER;
            CloseFile(ws.logFile);
        } else {
            ws.bank.LoadBankTable();
            ScanWaveFolder(ws, waveFolder, pattern);
        }
    }
    WritePackage(ws, waveFolder);
    ws.TearDown();
}
