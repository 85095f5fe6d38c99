// Extracting entries: each checked for a safe name and a range inside the file, then its
// wave header written and its bytes streamed through one bounded buffer.
#include "bank/extract_entries.h"

#include <map>
#include <set>

#include "bank/bank_reader.h"
#include "bank/chunk_copier.h"
#include "bank/duplicate_names.h"
#include "bank/failure_cause.h"
#include "bank/file_identity.h"
#include "bank/file_io.h"
#include "bank/paths.h"
#include "bank/safe_file_name.h"
#include "bank/verify_bank.h"
#include "bank/wave.h"

namespace {

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
    // Entry i, which an earlier entry's name hides, passed over with the fate of that entry.
    void PassOverShadowed(int32_t i, int32_t first)
    {
        const bool firstWritten = writtenBy_.count(first) > 0;
        PassOver(i, "its name is that of " + DescribeEntry(first, bank_.entries[first]) +
                        (firstWritten ? ", which is extracted instead" : ", which is found instead"));
    }

    ExtractOutcome outcome = {ExtractResult::ALL_EXTRACTED, ReadResult::READ, 0, 0, 0};

private:
    bool WriteWave(const RwvEntry& entry, HANDLE wave)
    {
        const uint32_t size = static_cast<uint32_t>(entry.size);
        uint8_t head[WRITTEN_WAVE_HEAD_SIZE];
        MakeWaveHead(entry.format, size, head);
        const uint8_t pad = 0;
        return copier_.Copy(bank_.File(), entry.offset, entry.size, wave, head, sizeof head) &&
               WriteExactly(wave, &pad, WavePadOf(size));
    }
    // The file for entry i opened for writing and emptied, or not open with the entry passed
    // over. A file this run wrote is never written again, by any of its names.
    FileHandle OpenWaveFile(int32_t i, const char* path);
    // Every file written so far by its identity. An identity costs a call that is slow on
    // some systems, so none is asked for until a file is met that was there already: a run
    // into an empty folder pays nothing, and from then on each file's is kept as it is written.
    const std::map<FileIdentity, int32_t>& WrittenFiles();
    // Entry i written to path, still open in wave.
    void Remember(int32_t i, const char* path, HANDLE wave);

    BankReader& bank_;
    const char* outFolder_;
    bool overwrite_;
    WorkObserver& observer_;
    ChunkCopier copier_;
    std::map<FileIdentity, int32_t> written_;                    // each file written, with its entry
    std::vector<std::pair<std::string, int32_t>> unidentified_;  // written before tracking began
    bool tracking_ = false;                                      // identities kept as files are written
    FileIdentity identity_ = {};                                 // of the file OpenWaveFile opened
    bool identified_ = false;
    std::set<int32_t> writtenBy_;                                // the entries written
};

FileHandle Extraction::OpenWaveFile(int32_t i, const char* path)
{
    // Opened without emptying, so that a file that must be kept is kept whole.
    FileHandle wave(CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    if (!wave.IsOpen()) {
        PassOver(i, "the file could not be created");
        return FileHandle();
    }
    identified_ = false;
    // A file made just now cannot be one this run wrote, nor need emptying.
    if (!existed)
        return wave;
    const std::map<FileIdentity, int32_t>& written = WrittenFiles();
    identified_ = IdentityOf(wave.Get(), identity_);
    const auto earlier = identified_ ? written.find(identity_) : written.end();
    if (earlier != written.end()) {
        Report(DescribeEntry(i, bank_.entries[i]) + ": not extracted: its file would be the one written for " +
               DescribeEntry(earlier->second, bank_.entries[earlier->second]));
        return FileHandle();
    }
    if (!overwrite_) {
        ++outcome.existing;
        PassOver(i, "the file is there already");
        return FileHandle();
    }
    if (!SetEndOfFile(wave.Get())) {
        PassOver(i, "the file could not be emptied");
        return FileHandle();
    }
    return wave;
}

const std::map<FileIdentity, int32_t>& Extraction::WrittenFiles()
{
    for (const auto& file : unidentified_) {
        FileIdentity identity;
        if (IdentityOfPath(file.first.c_str(), identity))
            written_[identity] = file.second;
    }
    unidentified_.clear();
    tracking_ = true;
    return written_;
}

void Extraction::Remember(int32_t i, const char* path, HANDLE wave)
{
    writtenBy_.insert(i);
    if (!tracking_) {
        unidentified_.emplace_back(path, i);
        return;
    }
    if (identified_ || IdentityOf(wave, identity_))
        written_[identity_] = i;
}

void Extraction::Extract(int32_t i)
{
    const RwvEntry& entry = bank_.entries[i];
    const NameProblem problem = CheckFileName(entry.name);
    if (problem != NameProblem::NONE)
        return PassOver(i, std::string("its name ") + DescribeNameProblem(problem));
    if (!bank_.RangeInsideFile(entry))
        return PassOver(i, "its bytes lie outside the file");
    char path[MAX_PATH];
    if (!JoinPath(path, outFolder_, FileNameOf(entry.name).c_str()))
        return PassOver(i, "the path would be too long");
    FileHandle wave = OpenWaveFile(i, path);
    if (!wave.IsOpen())
        return;
    const bool written = WriteWave(entry, wave.Get());
    if (written)
        Remember(i, path, wave.Get());
    if (!written || !wave.Close()) {
        // Named before the clean-up's own calls overwrite the error.
        const FailureCause cause = CauseOf(GetLastError());
        DeleteFileA(path);
        writtenBy_.erase(i);
        return PassOver(i, std::string("writing the file failed") + CauseWords(cause));
    }
    ++outcome.written;
}

// The entries to extract, each with the entry whose name it has (itself unless an earlier
// entry shadows it), and the names asked for that no entry has.
struct Choice {
    std::vector<int32_t> chosen;
    std::vector<int32_t> firstOfName;
    std::vector<std::string> refused;
};

Choice ChooseAll(const BankReader& bank)
{
    Choice choice;
    choice.firstOfName = FirstEntriesByName(bank.entries.get(), bank.count);
    for (int32_t i = 0; i < bank.count; ++i)
        choice.chosen.push_back(i);
    return choice;
}

int32_t FindNamed(const BankReader& bank, const std::string& name)
{
    for (int32_t i = 0; i < bank.count; ++i) {
        if (NameMatches(bank.entries[i].name, name.c_str()))
            return i;
    }
    return -1;
}

// Each entry once, however often its name is given.
Choice ChooseNamed(const BankReader& bank, const std::vector<std::string>& names)
{
    Choice choice;
    choice.firstOfName.resize(static_cast<size_t>(bank.count));
    for (int32_t i = 0; i < bank.count; ++i)
        choice.firstOfName[i] = i;
    std::set<int32_t> taken;
    for (const std::string& name : names) {
        const int32_t found = FindNamed(bank, name);
        if (found < 0)
            choice.refused.push_back("\"" + PrintableText(name) + "\": not extracted, no entry has this name");
        else if (taken.insert(found).second)
            choice.chosen.push_back(found);
    }
    return choice;
}

// The bytes the chosen entries that pass both checks will copy, for the progress figures.
int64_t BytesOf(const BankReader& bank, const Choice& choice)
{
    int64_t total = 0;
    for (const int32_t i : choice.chosen) {
        const RwvEntry& entry = bank.entries[i];
        if (choice.firstOfName[i] == i && bank.RangeInsideFile(entry) && CheckFileName(entry.name) == NameProblem::NONE)
            total += entry.size;
    }
    return total;
}

}  // namespace

ExtractOutcome ExtractEntries(const char* bankFile, const char* outFolder, const std::vector<std::string>& names,
                              bool overwrite, WorkObserver& observer)
{
    BankReader bank;
    const ReadResult read = bank.Open(bankFile, GENERIC_READ, BANK_READER_SHARING);
    if (read != ReadResult::READ)
        return {ExtractResult::BANK_NOT_READ, read, 0, 0, 0};
    // A file of that name is there already also when it is no folder.
    if ((!CreateDirectoryA(outFolder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) || !IsFolder(outFolder))
        return {ExtractResult::FOLDER_NOT_MADE, read, 0, 0, 0};
    const Choice choice = names.empty() ? ChooseAll(bank) : ChooseNamed(bank, names);
    Extraction extraction(bank, outFolder, overwrite, observer, BytesOf(bank, choice));
    if (!extraction.HasBuffer())
        return {ExtractResult::NO_MEMORY, read, 0, 0, 0};
    if (!bank.DirectoryComplete())
        extraction.Report("the directory is cut short: only the entries the file holds can be extracted");
    for (const std::string& line : choice.refused)
        extraction.Report(line);
    for (const int32_t i : choice.chosen) {
        if (choice.firstOfName[i] == i)
            extraction.Extract(i);
        else
            extraction.PassOverShadowed(i, choice.firstOfName[i]);
    }
    if (extraction.outcome.passedOver > 0)
        extraction.outcome.result = ExtractResult::PARTLY_EXTRACTED;
    return extraction.outcome;
}
