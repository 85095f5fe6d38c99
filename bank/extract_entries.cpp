// Extracting entries: each checked for a safe name and a range inside the file, then its
// wave header written and its bytes streamed through one bounded buffer.
#include "bank/extract_entries.h"

#include <cstring>

#include "bank/bank_reader.h"
#include "bank/chunk_copier.h"
#include "bank/duplicate_names.h"
#include "bank/file_io.h"
#include "bank/paths.h"
#include "bank/safe_file_name.h"
#include "bank/verify_bank.h"

namespace {

// "RIFF" size "WAVE" "fmt " 16 <format> "data" size: 44 bytes before the samples.
const size_t WAVE_HEADER_SIZE = 44;
const uint32_t RIFF_HEAD_AFTER_SIZE = 36;  // "WAVE", the whole "fmt " chunk, "data" and its size
const uint32_t CHUNK_ALIGNMENT = 2;

void PutTag(uint8_t* at, const char* tag)
{
    std::memcpy(at, tag, 4);
}

void PutLe32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Chunks hold an even number of bytes: an odd data chunk is followed by one pad byte.
uint32_t PadOf(const RwvEntry& entry)
{
    return static_cast<uint32_t>(entry.size) % CHUNK_ALIGNMENT;
}

void MakeWaveHeader(const RwvEntry& entry, uint8_t (&header)[WAVE_HEADER_SIZE])
{
    const uint32_t size = static_cast<uint32_t>(entry.size);
    PutTag(header, "RIFF");
    PutLe32(header + 4, RIFF_HEAD_AFTER_SIZE + size + PadOf(entry));
    PutTag(header + 8, "WAVE");
    PutTag(header + 12, "fmt ");
    PutLe32(header + 16, static_cast<uint32_t>(RWV_FORMAT_SIZE));
    std::memcpy(header + 20, entry.format, RWV_FORMAT_SIZE);
    PutTag(header + 36, "data");
    PutLe32(header + 40, size);
}

class Extraction {
public:
    Extraction(BankReader& bank, const char* outFolder, bool overwrite, WorkObserver& observer, int64_t total)
        : bank_(bank), outFolder_(outFolder), overwrite_(overwrite), observer_(observer), copier_(observer, total)
    {
    }
    bool HasBuffer() const { return copier_.HasBuffer(); }
    void Report(const std::string& line)
    {
        observer_.Problem(line);
        ++outcome.passedOver;
    }
    void PassOver(int32_t i, const std::string& why)
    {
        Report(DescribeEntry(i, bank_.entries[i]) + ": not extracted, " + why);
    }
    void Extract(int32_t i);

    ExtractOutcome outcome = {ExtractResult::ALL_EXTRACTED, ReadResult::READ, 0, 0, 0};

private:
    bool WriteWave(const RwvEntry& entry, HANDLE wave)
    {
        uint8_t header[WAVE_HEADER_SIZE];
        MakeWaveHeader(entry, header);
        const uint8_t pad = 0;
        return copier_.Copy(bank_.File(), entry.offset, entry.size, wave, header, sizeof header) &&
               WriteExactly(wave, &pad, PadOf(entry));
    }

    BankReader& bank_;
    const char* outFolder_;
    bool overwrite_;
    WorkObserver& observer_;
    ChunkCopier copier_;
};

void Extraction::Extract(int32_t i)
{
    const RwvEntry& entry = bank_.entries[i];
    const NameProblem problem = CheckFileName(entry.name);
    if (problem != NameProblem::NONE)
        return PassOver(i, std::string("its name ") + DescribeNameProblem(problem));
    if (!bank_.RangeInsideFile(entry))
        return PassOver(i, "its bytes lie outside the file");
    char path[MAX_PATH];
    if (!JoinPath(path, outFolder_, entry.name))
        return PassOver(i, "the path would be too long");
    FileHandle wave(CreateFileA(path, GENERIC_WRITE, 0, nullptr, overwrite_ ? CREATE_ALWAYS : CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!wave.IsOpen()) {
        const bool exists = GetLastError() == ERROR_FILE_EXISTS;
        outcome.existing += exists ? 1 : 0;
        return PassOver(i, exists ? "the file is there already" : "the file could not be created");
    }
    const bool written = WriteWave(entry, wave.Get()) && wave.Close();
    if (!written) {
        DeleteFileA(path);
        return PassOver(i, "writing the file failed (is the disk full?)");
    }
    ++outcome.written;
}

// The entries to extract: every first of its name, or the first match of each name asked
// for; shadowed entries and names without an entry go into refused, each with its reason.
struct Choice {
    std::vector<int32_t> chosen;
    std::vector<std::string> refused;
};

Choice ChooseAll(const BankReader& bank)
{
    Choice choice;
    const std::vector<int32_t> first = FirstEntriesByName(bank.entries.get(), bank.count);
    for (int32_t i = 0; i < bank.count; ++i) {
        if (first[i] == i)
            choice.chosen.push_back(i);
        else
            choice.refused.push_back(DescribeEntry(i, bank.entries[i]) + ": not extracted, its name is that of " +
                                     DescribeEntry(first[i], bank.entries[first[i]]) + ", which is extracted instead");
    }
    return choice;
}

Choice ChooseNamed(const BankReader& bank, const std::vector<std::string>& names)
{
    Choice choice;
    for (const std::string& name : names) {
        int32_t found = -1;
        for (int32_t i = 0; i < bank.count && found < 0; ++i) {
            if (NameMatches(bank.entries[i].name, name.c_str()))
                found = i;
        }
        if (found >= 0)
            choice.chosen.push_back(found);
        else
            choice.refused.push_back("\"" + name + "\": not extracted, no entry has this name");
    }
    return choice;
}

// The bytes the chosen entries that pass both checks will copy, for the progress figures.
int64_t BytesOf(const BankReader& bank, const std::vector<int32_t>& chosen)
{
    int64_t total = 0;
    for (const int32_t i : chosen) {
        const RwvEntry& entry = bank.entries[i];
        if (bank.RangeInsideFile(entry) && CheckFileName(entry.name) == NameProblem::NONE)
            total += entry.size;
    }
    return total;
}

}  // namespace

ExtractOutcome ExtractEntries(const char* bankFile, const char* outFolder, const std::vector<std::string>& names,
                              bool overwrite, WorkObserver& observer)
{
    BankReader bank;
    const ReadResult read = bank.Open(bankFile, GENERIC_READ, FILE_SHARE_READ);
    if (read != ReadResult::READ)
        return {ExtractResult::BANK_NOT_READ, read, 0, 0, 0};
    if (!CreateDirectoryA(outFolder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return {ExtractResult::FOLDER_NOT_MADE, read, 0, 0, 0};
    const Choice choice = names.empty() ? ChooseAll(bank) : ChooseNamed(bank, names);
    Extraction extraction(bank, outFolder, overwrite, observer, BytesOf(bank, choice.chosen));
    if (!extraction.HasBuffer())
        return {ExtractResult::NO_MEMORY, read, 0, 0, 0};
    if (!bank.DirectoryComplete())
        extraction.Report("the directory is cut short: only the entries the file holds can be extracted");
    for (const std::string& line : choice.refused)
        extraction.Report(line);
    for (const int32_t i : choice.chosen)
        extraction.Extract(i);
    if (extraction.outcome.passedOver > 0)
        extraction.outcome.result = ExtractResult::PARTLY_EXTRACTED;
    return extraction.outcome;
}
