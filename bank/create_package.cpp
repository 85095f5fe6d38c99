// Create Package's file work: the wave scan, the package in memory, "pack.log", "NewPack.rwv".
#include "bank/create_package.h"

#include <cstdio>
#include <cstring>

#include "bank/directory_search.h"
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
// The smallest format record (one without bits per sample) is 14 bytes long.
const int32_t WAVE_FMT_MIN_LENGTH = 14;
const size_t TAG_SIZE = 4;

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

// What the folder's wave files could add at most, so that the package blocks can reserve it.
struct WaveFolderTotals {
    uint64_t files;
    uint64_t bytes;
};

WaveFolderTotals MeasureWaveFolder(const char* pattern)
{
    WaveFolderTotals totals = {0, 0};
    for (DirectorySearch search(pattern); search.Found(); search.Next()) {
        ++totals.files;
        totals.bytes += (static_cast<uint64_t>(search.Match().nFileSizeHigh) << 32) | search.Match().nFileSizeLow;
    }
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

bool TakeWave(BankWorkspace& ws, const char* waveFolder, const char* name)
{
    char path[MAX_PATH];
    if (!JoinPath(path, waveFolder, name)) {
        ws.status = BANK_ERR_OPEN;
        return false;
    }
    const bool taken = ws.CheckWaveFile(path) && ws.AppendEntry();
    CloseFile(ws.sourceFile);
    return taken;
}

void ScanWaveFolder(BankWorkspace& ws, const char* waveFolder, const char* pattern, CreateOutcome& outcome)
{
    char line[LOG_LINE_SIZE];
    for (DirectorySearch search(pattern); search.Found(); search.Next()) {
        const char* name = search.Match().cFileName;
        const bool ok = TakeWave(ws, waveFolder, name);
        ++(ok ? outcome.filesOk : outcome.filesNotOk);
        std::snprintf(line, sizeof line, ok ? "%s OK\r\n" : "%s NOT OK\r\n", name);
        WriteLogLine(ws.logFile, line);
    }
    std::snprintf(line, sizeof line, "%d files -> %d OK, %d NOTOK\r\n", outcome.filesOk + outcome.filesNotOk,
                  outcome.filesOk, outcome.filesNotOk);
    WriteLogLine(ws.logFile, line);
    CloseFile(ws.logFile);
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

bool WritePackage(BankWorkspace& ws, const char* waveFolder)
{
    char path[MAX_PATH];
    FileHandle file;
    if (JoinPath(path, waveFolder, NEW_PACKAGE_NAME))
        file = CreateNewFile(path, GENERIC_READ | GENERIC_WRITE);
    if (!file.IsOpen()) {
        ws.status = BANK_ERR_OPEN;
        return false;
    }
    SetPackageOffsets(ws);
    const RwvHeader header = MakePackageHeader(ws.entryCount);
    const bool complete =
        WriteExactly(file, &header, sizeof header) &&
        WriteExactly(file, ws.packageEntries, static_cast<DWORD>(DirectoryBytes(ws.entryCount))) &&
        WriteExactly(file, ws.packageData, static_cast<DWORD>(ws.packageDataSize)) && file.Close();
    CloseFile(file);
    if (!complete) {
        // A package cut short, even inside its header, must not be left for Insert Package.
        DeleteFileA(path);
        ws.status = BANK_ERR_WRITE;
        return false;
    }
    ws.status = BANK_OK;
    return true;
}

// The file work in its order; every early return leaves an existing "NewPack.rwv" alone.
CreateResult MakePackage(BankWorkspace& ws, const char* waveFolder, const char* bankFile, CreateOutcome& outcome)
{
    char pattern[MAX_PATH];
    if (!JoinPath(pattern, waveFolder, WAVE_PATTERN))
        pattern[0] = '\0';
    if (!CreatePackageBlocks(ws, pattern)) {
        ws.status = BANK_ERR_NO_MEMORY;
        return CreateResult::NO_MEMORY;
    }
    char logPath[MAX_PATH];
    if (JoinPath(logPath, waveFolder, PACK_LOG_NAME))
        ws.logFile = CreateNewFile(logPath, GENERIC_WRITE);
    if (!OpenBank(ws.bank, bankFile)) {
        ws.status = BANK_ERR_BAD_HEADER;
        if (ws.bank.opened == ReadResult::NOT_RECOVERED)
            return CreateResult::BANK_NOT_RECOVERED;
        return ws.bank.status == BANK_ERR_OPEN ? CreateResult::BANK_NOT_OPENED : CreateResult::NOT_A_BANK;
    }
    // A short directory still matches the records that arrived; only a missing block stops.
    if (!ws.bank.LoadBankTable() && ws.bank.entries == nullptr) {
        ws.status = BANK_ERR_NO_MEMORY;
        return CreateResult::NO_MEMORY;
    }
    ScanWaveFolder(ws, waveFolder, pattern, outcome);
    return WritePackage(ws, waveFolder) ? CreateResult::PACKAGE_WRITTEN : CreateResult::PACKAGE_NOT_WRITTEN;
}

}  // namespace

const char WAVE_PATTERN[] = "*.wav";
const char PACK_LOG_NAME[] = "pack.log";
const char NEW_PACKAGE_NAME[] = "NewPack.rwv";

int BankWorkspace::CheckWaveFile(const char* path)
{
    sourceFile = OpenExistingFile(path, GENERIC_READ);
    if (!sourceFile.IsOpen()) {
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
    // Always file bytes 20 to 35, as every reader of a package expects them: after a
    // 14-byte chunk the last two are the first bytes of the next chunk's id.
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

// Sets a package block to bytes; on failure the block stays as it was.
template <typename T>
static bool ResizePackageBlock(T*& block, int64_t bytes)
{
    void* resized = block;
    const bool done = ResizeGrowingBlock(resized, AtLeastOne(bytes));
    block = static_cast<T*>(resized);
    return done;
}

void BankWorkspace::ShrinkPackageTo(int64_t oldEntryBytes, int64_t oldDataBytes)
{
    ResizePackageBlock(packageEntries, oldEntryBytes);
    ResizePackageBlock(packageData, oldDataBytes);
}

int BankWorkspace::AppendEntry()
{
    if (packageEntries == nullptr || packageData == nullptr)
        return 0;
    const int64_t oldEntryBytes = DirectoryBytes(entryCount);
    const int64_t newEntryBytes = DirectoryBytes(static_cast<int64_t>(entryCount) + 1);
    const int64_t newDataBytes = static_cast<int64_t>(packageDataSize) + dataSize;
    // The package's offsets are signed 32-bit too: it cannot grow past the format.
    if (static_cast<int64_t>(RWV_HEADER_SIZE) + newEntryBytes + newDataBytes > RWV_FORMAT_LIMIT) {
        status = BANK_ERR_NO_MEMORY;
        return 0;
    }
    if (!ResizePackageBlock(packageEntries, newEntryBytes) || !ResizePackageBlock(packageData, newDataBytes)) {
        ShrinkPackageTo(oldEntryBytes, packageDataSize);
        status = BANK_ERR_NO_MEMORY;
        return 0;
    }
    // Only bytes that really came from the wave may enter the package.
    if (!SeekTo(sourceFile, dataOffset) ||
        !ReadExactly(sourceFile, packageData + packageDataSize, static_cast<DWORD>(dataSize))) {
        ShrinkPackageTo(oldEntryBytes, packageDataSize);
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

CreateOutcome BuildPackage(const char* waveFolder, const char* bankFile)
{
    BankWorkspace ws;
    CreateOutcome outcome = {CreateResult::PACKAGE_NOT_WRITTEN, BANK_UNSET, BANK_UNSET, 0, 0};
    outcome.result = MakePackage(ws, waveFolder, bankFile, outcome);
    outcome.status = ws.status;
    outcome.bankStatus = ws.bank.status;
    return outcome;
}
