// bench_rwvtool.exe [folder]: rwvtool's file work timed beside the copy limit of the same bytes:
// verify of a large directory, extract and compact of a bank of real data.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bank/bank_reader.h"
#include "bank/chunk_copier.h"
#include "bank/compact_bank.h"
#include "bank/extract_entries.h"
#include "bank/verify_bank.h"
#include "bench/figures.h"
#include "tools/bank_files.h"

namespace {

const int64_t MB = 1024 * 1024;
const int RUNS = 5;

class Quiet : public WorkObserver {
public:
    void Problem(const std::string&) override {}
    void Progress(int64_t, int64_t) override {}
};

// count entries of entryBytes each, back to back, with a gap of the same size after each
// one so that compaction has waste to drop.
std::vector<RwvEntry> SpacedEntries(int count, int32_t entryBytes)
{
    std::vector<RwvEntry> entries;
    int64_t at = static_cast<int64_t>(RWV_HEADER_SIZE + RWV_ENTRY_SIZE * count);
    for (int i = 0; i < count; ++i, at += 2 * int64_t(entryBytes))
        entries.push_back(MakeEntry(WaveName(i), static_cast<int32_t>(at), entryBytes));
    return entries;
}

// verify of 100,000 entries: header, directory and the file's size only.
void BenchVerify(const std::string& root)
{
    const int count = 100000;
    const std::string bank = root + "verify.rwv";
    WriteBankFile(bank, SpacedEntries(count, 16), RWV_HEADER_SIZE + RWV_ENTRY_SIZE * count + 32 * int64_t(count));
    double best = 1e9;
    for (int run = 0; run < RUNS; ++run) {
        const double start = Now();
        BankReader reader;
        reader.Open(bank.c_str(), GENERIC_READ, FILE_SHARE_READ);
        const size_t problems = FindBankProblems(reader).size();
        const double seconds = Now() - start;
        best = seconds < best ? seconds : best;
        if (problems != 0)
            std::printf("  (unexpected: %u problems)\n", static_cast<unsigned>(problems));
    }
    std::printf("%-52s %8.3f s\n", "verify, 100,000 entries", best);
    DeleteFileA(bank.c_str());
}

// The copy limit of extract: each entry's bytes read in one call into a buffer committed
// beforehand and written after a 44-byte head into a new file.
double CopyLimitExtract(const std::string& bank, const std::vector<RwvEntry>& entries, const std::string& out)
{
    const double start = Now();
    std::vector<uint8_t> buffer(static_cast<size_t>(entries[0].size) + 44);
    HANDLE source = CreateFileA(bank.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    for (const RwvEntry& entry : entries) {
        DWORD got, written;
        SetFilePointer(source, entry.offset, nullptr, FILE_BEGIN);
        ReadFile(source, buffer.data() + 44, static_cast<DWORD>(entry.size), &got, nullptr);
        HANDLE wave = CreateFileA((out + entry.name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        WriteFile(wave, buffer.data(), got + 44, &written, nullptr);
        CloseHandle(wave);
    }
    CloseHandle(source);
    return Now() - start;
}

void BenchExtract(const std::string& root, int count, int32_t entryBytes)
{
    const std::string bank = root + "extract.rwv", out = root + "out\\", copy = root + "copy\\";
    const std::vector<RwvEntry> entries = SpacedEntries(count, entryBytes);
    WriteBankFile(bank, entries, RWV_HEADER_SIZE + RWV_ENTRY_SIZE * count + 2 * int64_t(entryBytes) * count);
    CreateDirectoryA(copy.c_str(), nullptr);
    double best = 1e9, limit = 1e9;
    for (int run = 0; run < RUNS; ++run) {
        Quiet quiet;
        const double start = Now();
        const ExtractOutcome outcome = ExtractEntries(bank.c_str(), out.c_str(), {}, true, quiet);
        const double seconds = Now() - start;
        if (outcome.result != ExtractResult::ALL_EXTRACTED || outcome.written != count)
            std::printf("  (unexpected: %d written)\n", outcome.written);
        best = seconds < best ? seconds : best;
        const double copied = CopyLimitExtract(bank, entries, copy);
        limit = copied < limit ? copied : limit;
    }
    char what[96];
    std::snprintf(what, sizeof what, "extract, %d entries of %d KB", count, static_cast<int>(entryBytes / 1024));
    Report(what, best, limit, static_cast<double>(count) * entryBytes / MB);
    RemoveFolder(out);
    RemoveFolder(copy);
    DeleteFileA(bank.c_str());
}

// The copy limit of compact: header and directory, then each entry's bytes, read and
// written in chunks of the same size, flushed, and renamed into place.
double CopyLimitCompact(const std::string& bank, const std::vector<RwvEntry>& entries, const std::string& target)
{
    const double start = Now();
    std::vector<uint8_t> buffer(COPY_CHUNK_SIZE);
    HANDLE source = CreateFileA(bank.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE out = CreateFileA((target + ".new").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD got, written;
    const DWORD head = static_cast<DWORD>(RWV_HEADER_SIZE + RWV_ENTRY_SIZE * entries.size());
    ReadFile(source, buffer.data(), head, &got, nullptr);
    WriteFile(out, buffer.data(), head, &written, nullptr);
    for (const RwvEntry& entry : entries) {
        SetFilePointer(source, entry.offset, nullptr, FILE_BEGIN);
        for (int32_t left = entry.size; left > 0; left -= static_cast<int32_t>(got)) {
            const DWORD chunk = left < static_cast<int32_t>(COPY_CHUNK_SIZE) ? static_cast<DWORD>(left) : COPY_CHUNK_SIZE;
            ReadFile(source, buffer.data(), chunk, &got, nullptr);
            WriteFile(out, buffer.data(), got, &written, nullptr);
        }
    }
    FlushFileBuffers(out);
    CloseHandle(out);
    CloseHandle(source);
    MoveFileExA((target + ".new").c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    return Now() - start;
}

void BenchCompact(const std::string& root, int count, int32_t entryBytes)
{
    const std::string bank = root + "soundz.rwv", copy = root + "copy.rwv";
    const std::vector<RwvEntry> entries = SpacedEntries(count, entryBytes);
    const uint64_t size = RWV_HEADER_SIZE + RWV_ENTRY_SIZE * count + 2 * int64_t(entryBytes) * count;
    double best = 1e9, limit = 1e9;
    for (int run = 0; run < RUNS; ++run) {
        WriteBankFile(bank, entries, size);
        Quiet quiet;
        const double start = Now();
        const CompactOutcome outcome = CompactBank(bank.c_str(), false, quiet);
        const double seconds = Now() - start;
        if (outcome.result != CompactResult::COMPACTED)
            std::printf("  (unexpected: result %d)\n", static_cast<int>(outcome.result));
        best = seconds < best ? seconds : best;
        WriteBankFile(bank, entries, size);
        const double copied = CopyLimitCompact(bank, entries, copy);
        limit = copied < limit ? copied : limit;
    }
    char what[96];
    std::snprintf(what, sizeof what, "compact, %d entries of %d KB (%d MB bank)", count,
                  static_cast<int>(entryBytes / 1024), static_cast<int>(size / MB));
    Report(what, best, limit, static_cast<double>(count) * entryBytes / MB);
    DeleteFileA(bank.c_str());
    DeleteFileA(copy.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    std::string root = argc > 1 ? argv[1] : MakeTempFolder("bench-rwvtool");
    if (root.empty() || (root.back() != '\\' && root.back() != '/'))
        root += '\\';
    BenchVerify(root);
    BenchExtract(root, 2000, 64 * 1024);
    BenchExtract(root, 100, 2 * 1024 * 1024);
    BenchCompact(root, 200, 1024 * 1024);
    if (argc <= 1)
        RemoveFolder(root);
    return 0;
}
