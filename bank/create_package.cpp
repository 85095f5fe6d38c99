// Create Package's file work: the wave scan, the package in memory, "pack.log", "NewPack.rwv".
#include "bank/create_package.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "bank/directory_search.h"
#include "bank/file_io.h"
#include "bank/growing_block.h"
#include "bank/paths.h"
#include "bank/wave.h"
#include "bank/wave_conversion.h"

namespace {

// The window converts every wave to its entry's format, so that the game plays it right.
const PackRules WINDOW_RULES = {true};

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

// How a wave that passed CheckWaveFile goes in: as it is, converted, or not at all.
struct WavePlan {
    WaveRefusal refusal;
    bool convert;
    SoundFormat from;
    SoundFormat to;
    std::string detail;
};

WavePlan PlanWave(const BankWorkspace& ws, const PackRules& rules)
{
    WavePlan plan = {WaveRefusal::NONE, false, {}, {}, ""};
    if (!rules.convert ||
        PlaysAlike(DecodeWaveFormat(ws.waveFormat), DecodeWaveFormat(ws.matchedEntry->format)))
        return plan;
    const SoundFormatReading wave = ReadSoundFormat(ws.waveFormatRecord, ws.waveFormatRecordLength);
    const SoundFormatReading entry = ReadTargetFormat(ws.matchedEntry->format);
    plan.detail = DescribeFormatProblem(wave);
    if (wave.problem == FormatProblem::COMPRESSED)
        plan.refusal = WaveRefusal::COMPRESSED;
    else if (entry.problem != FormatProblem::NONE)
        plan.refusal = WaveRefusal::OTHER_FORMAT;
    else if (wave.problem != FormatProblem::NONE)
        plan.refusal = WaveRefusal::NOT_CONVERTIBLE;
    plan.convert = plan.refusal == WaveRefusal::NONE;
    plan.from = wave.format;
    plan.to = entry.format;
    return plan;
}

// The reason CheckWaveFile gave for its refusal, read from the status it left.
WaveRefusal CheckRefusal(const BankWorkspace& ws, bool emptyFile)
{
    switch (ws.status) {
    case BANK_ERR_OPEN:
        return WaveRefusal::NOT_OPENED;
    case BANK_ERR_NOT_IN_BANK:
        return WaveRefusal::NOT_IN_BANK;
    default:
        return emptyFile ? WaveRefusal::EMPTY : WaveRefusal::NOT_A_WAVE;
    }
}

// The package has no room when memory or the format's 2 GB ran out; otherwise the sound
// could not be read.
WaveRefusal AppendRefusal(const BankWorkspace& ws)
{
    return ws.status == BANK_ERR_NO_MEMORY ? WaveRefusal::NO_ROOM : WaveRefusal::NOT_READ;
}

WaveRefusal AddWave(BankWorkspace& ws, const char* path, bool emptyFile, const PackRules& rules, WavePlan& plan,
                    uint64_t& clipped)
{
    if (!ws.CheckWaveFile(path))
        return CheckRefusal(ws, emptyFile);
    plan = PlanWave(ws, rules);
    if (plan.refusal != WaveRefusal::NONE)
        return plan.refusal;
    const int added = plan.convert ? ws.AppendConvertedEntry(plan.from, plan.to, clipped) : ws.AppendEntry();
    return added ? WaveRefusal::NONE : AppendRefusal(ws);
}

// Adds the wave to the package, or tells the observer why it stays out.
bool TakeWave(BankWorkspace& ws, const char* waveFolder, const WIN32_FIND_DATAA& match, const PackRules& rules,
              PackObserver* observer)
{
    const char* name = match.cFileName;
    const bool emptyFile = match.nFileSizeLow == 0 && match.nFileSizeHigh == 0;
    char path[MAX_PATH];
    WaveRefusal why = WaveRefusal::NOT_OPENED;
    WavePlan plan = {WaveRefusal::NONE, false, {}, {}, ""};
    uint64_t clipped = 0;
    if (JoinPath(path, waveFolder, name))
        why = AddWave(ws, path, emptyFile, rules, plan, clipped);
    else
        ws.status = BANK_ERR_OPEN;
    if (observer != nullptr && why != WaveRefusal::NONE)
        observer->LeftOut({name, why, ws.waveFormat, ws.matchedEntry, ws.bank.entries, ws.bank.loaded,
                           plan.detail.c_str()});
    if (observer != nullptr && why == WaveRefusal::NONE && plan.convert)
        observer->Converted({name, plan.from, plan.to, clipped});
    CloseFile(ws.sourceFile);
    return why == WaveRefusal::NONE;
}

void ScanWaveFolder(BankWorkspace& ws, const char* waveFolder, const char* pattern, const PackRules& rules,
                    PackObserver* observer, CreateOutcome& outcome)
{
    char line[LOG_LINE_SIZE];
    for (DirectorySearch search(pattern); search.Found(); search.Next()) {
        const char* name = search.Match().cFileName;
        const bool ok = TakeWave(ws, waveFolder, search.Match(), rules, observer);
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

bool WritePackageFile(BankWorkspace& ws, const FileHandle& file)
{
    SetPackageOffsets(ws);
    const RwvHeader header = MakePackageHeader(ws.entryCount);
    return WriteExactly(file, &header, sizeof header) &&
           WriteExactly(file, ws.packageEntries, static_cast<DWORD>(DirectoryBytes(ws.entryCount))) &&
           WriteExactly(file, ws.packageData, static_cast<DWORD>(ws.packageDataSize)) && FlushFile(file);
}

// The package is written whole under a name no package search finds, flushed, and only
// then renamed over "NewPack.rwv": a crash leaves the previous package or the new one.
bool WritePackage(BankWorkspace& ws, const char* waveFolder)
{
    char path[MAX_PATH];
    char partial[MAX_PATH];
    FileHandle file;
    if (JoinPath(path, waveFolder, NEW_PACKAGE_NAME) && JoinPath(partial, waveFolder, PARTIAL_PACKAGE_NAME))
        file = CreateNewFile(partial, GENERIC_READ | GENERIC_WRITE);
    if (!file.IsOpen()) {
        ws.status = BANK_ERR_OPEN;
        return false;
    }
    const bool complete = WritePackageFile(ws, file) && file.Close() &&
                          MoveFileExA(partial, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    CloseFile(file);
    if (!complete) {
        // After a failure it reports, the folder holds no package, as a package cut short
        // would have been removed.
        DeleteFileA(partial);
        DeleteFileA(path);
        ws.status = BANK_ERR_WRITE;
        return false;
    }
    ws.status = BANK_OK;
    return true;
}

// Left by a Create Package that was ended while writing.
void RemovePartialPackage(const char* waveFolder)
{
    char partial[MAX_PATH];
    if (JoinPath(partial, waveFolder, PARTIAL_PACKAGE_NAME))
        DeleteFileA(partial);
}

// The file work in its order; every early return leaves an existing "NewPack.rwv" alone.
CreateResult MakePackage(BankWorkspace& ws, const char* waveFolder, const char* bankFile, const PackRules& rules,
                         PackObserver* observer, CreateOutcome& outcome)
{
    RemovePartialPackage(waveFolder);
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
    ScanWaveFolder(ws, waveFolder, pattern, rules, observer, outcome);
    return WritePackage(ws, waveFolder) ? CreateResult::PACKAGE_WRITTEN : CreateResult::PACKAGE_NOT_WRITTEN;
}

}  // namespace

const char WAVE_PATTERN[] = "*.wav";
const char PACK_LOG_NAME[] = "pack.log";
const char NEW_PACKAGE_NAME[] = "NewPack.rwv";
const char PARTIAL_PACKAGE_NAME[] = "NewPack.tmp";

int BankWorkspace::CheckWaveFile(const char* path)
{
    sourceFile = OpenExistingFile(path, GENERIC_READ);
    if (!sourceFile.IsOpen()) {
        status = BANK_ERR_OPEN;
        return 0;
    }
    const WaveByteReader read = [this](int64_t at, uint8_t* bytes, size_t count) {
        return SeekTo(sourceFile, at) && ReadExactly(sourceFile, bytes, static_cast<DWORD>(count));
    };
    const WaveLayout layout = FindWaveChunks(read, SizeOfFile(sourceFile));
    if (!layout.isWave) {
        status = BANK_ERR_NOT_WAVE;
        CloseFile(sourceFile);
        return 0;
    }
    std::memcpy(waveFormat, layout.format, sizeof waveFormat);
    std::memcpy(waveFormatRecord, layout.record, sizeof waveFormatRecord);
    waveFormatRecordLength = layout.recordLength;
    dataSize = static_cast<int32_t>(layout.soundSize);
    dataOffset = static_cast<uint32_t>(layout.soundAt);
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
    return AppendSound(nullptr, waveFormat);
}

// The wave's sound read in blocks and converted: BANK_ERR_NOT_WAVE when it cannot be read
// whole, BANK_ERR_NO_MEMORY when its samples, a thread of the resampler or the format's 2 GB
// do not allow it. A long sound in floating point takes several times its bytes; a 32-bit
// process runs out long before the disk does, and that must leave the wave out, not end the
// program.
static int32_t ReadAndConvert(const FileHandle& wave, uint32_t soundAt, int32_t soundBytes, const SoundFormat& from,
                              const SoundFormat& to, ConvertedSound& converted)
{
    bool readable = SeekTo(wave, soundAt);
    const SoundReader read = [&](uint8_t* bytes, size_t count) {
        readable = readable && ReadExactly(wave, bytes, static_cast<DWORD>(count));
        return readable;
    };
    bool done = false;
    try {
        done = readable && ConvertSound(read, static_cast<size_t>(soundBytes), from, to, converted);
    } catch (const std::exception&) {
        done = false;
    }
    if (!readable)
        return BANK_ERR_NOT_WAVE;
    if (!done || converted.bytes.size() > static_cast<size_t>(RWV_FORMAT_LIMIT))
        return BANK_ERR_NO_MEMORY;
    return BANK_OK;
}

int BankWorkspace::AppendConvertedEntry(const SoundFormat& from, const SoundFormat& to, uint64_t& clipped)
{
    if (packageEntries == nullptr || packageData == nullptr)
        return 0;
    ConvertedSound converted;
    const int32_t refusal = ReadAndConvert(sourceFile, dataOffset, dataSize, from, to, converted);
    if (refusal != BANK_OK) {
        status = refusal;
        return 0;
    }
    clipped = converted.clipped;
    dataSize = static_cast<int32_t>(converted.bytes.size());
    return AppendSound(converted.bytes.data(), matchedEntry->format);
}

int BankWorkspace::AppendSound(const uint8_t* sound, const uint8_t (&format)[RWV_FORMAT_SIZE])
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
    uint8_t* at = packageData + packageDataSize;
    if (sound != nullptr) {
        std::memcpy(at, sound, static_cast<size_t>(dataSize));
    } else if (!SeekTo(sourceFile, dataOffset) || !ReadExactly(sourceFile, at, static_cast<DWORD>(dataSize))) {
        // Only bytes that really came from the wave may enter the package.
        ShrinkPackageTo(oldEntryBytes, packageDataSize);
        status = BANK_ERR_NOT_WAVE;
        return 0;
    }
    RwvEntry& added = packageEntries[entryCount];
    added = *matchedEntry;
    added.size = dataSize;
    std::memcpy(added.format, format, sizeof added.format);
    packageDataSize += dataSize;
    ++entryCount;
    return 1;
}

CreateOutcome BuildPackage(const char* waveFolder, const char* bankFile, const PackRules& rules,
                           PackObserver* observer)
{
    BankWorkspace ws;
    CreateOutcome outcome = {CreateResult::PACKAGE_NOT_WRITTEN, BANK_UNSET, BANK_UNSET, 0, 0};
    outcome.result = MakePackage(ws, waveFolder, bankFile, rules, observer, outcome);
    outcome.status = ws.status;
    outcome.bankStatus = ws.bank.status;
    return outcome;
}

CreateOutcome BuildPackage(const char* waveFolder, const char* bankFile)
{
    return BuildPackage(waveFolder, bankFile, WINDOW_RULES, nullptr);
}
