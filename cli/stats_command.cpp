// stats: the bank's size and wasted space in words, or as one line of raw numbers.
#include <cstdio>

#include "bank/bank_reader.h"
#include "bank/directory_search.h"
#include "bank/paths.h"
#include "cli/bank_messages.h"
#include "cli/commands.h"
#include "cli/console.h"

namespace {

const char TSV_OPTION[] = "--tsv";
const char NO_STATISTICS[] = "No statistics";
const double BYTES_PER_MEGABYTE = 1048576.0;
const double PERCENT = 100.0;

struct Figures {
    int64_t fileBytes;
    int32_t entries;
    int64_t soundBytes;
    int64_t wastedBytes;  // the window's difference: negative when entries share bytes
    bool damaged;         // the directory claims bytes the file does not hold
};

Figures Measure(const BankReader& bank)
{
    Figures figures = {bank.fileSize, bank.header.entryCount, bank.SoundBytes(), 0, !bank.DirectoryComplete()};
    for (int32_t i = 0; i < bank.count; ++i)
        figures.damaged = figures.damaged || !bank.RangeInsideFile(bank.entries[i]);
    figures.wastedBytes = figures.fileBytes - (bank.DirectoryEnd() + figures.soundBytes);
    return figures;
}

double Megabytes(int64_t bytes)
{
    return static_cast<double>(bytes) / BYTES_PER_MEGABYTE;
}

// The name as the file system spells it, whatever case the user typed.
std::string RealName(const char* bankFile)
{
    DirectorySearch search(bankFile);
    return search.Found() ? search.Match().cFileName : NameAfterFolder(bankFile);
}

// operand: the bank as the user gave it, for the command that reclaims the waste.
void PrintReport(const Figures& figures, const std::string& name, const std::string& operand)
{
    PrintResult("%s: %.2f MB (%lld bytes), %d entries\n", name.c_str(), Megabytes(figures.fileBytes),
                static_cast<long long>(figures.fileBytes), static_cast<int>(figures.entries));
    PrintResult("Sound data: %.2f MB\n", Megabytes(figures.soundBytes));
    // Entries that share their bytes on purpose waste nothing, though the difference is negative.
    const int64_t wasted = figures.wastedBytes > 0 ? figures.wastedBytes : 0;
    const double percent = PERCENT * static_cast<double>(wasted) / static_cast<double>(figures.fileBytes);
    PrintResult("Wasted space: %.2f MB (%.2f%%)\n", Megabytes(wasted), percent);
    if (figures.wastedBytes > 0)
        PrintResult("To reclaim it: rwvtool compact \"%s\"\n", operand.c_str());
}

}  // namespace

int RunStats(const CommandLine& line)
{
    char bankFile[MAX_PATH];
    if (!FindBankPath(line.operands[0], bankFile))
        return EXIT_FAILED;
    BankReader bank;
    const ReadResult read = bank.Open(bankFile, GENERIC_READ, BANK_READER_SHARING);
    if (read != ReadResult::READ) {
        PrintReadFailure(NO_STATISTICS, read, bankFile);
        return EXIT_FAILED;
    }
    const Figures figures = Measure(bank);
    const std::string name = RealName(bankFile);
    if (line.Has(TSV_OPTION))
        PrintResult("file_bytes\tentries\tsound_bytes\twasted_bytes\n%lld\t%d\t%lld\t%lld\n",
                    static_cast<long long>(figures.fileBytes), static_cast<int>(figures.entries),
                    static_cast<long long>(figures.soundBytes), static_cast<long long>(figures.wastedBytes));
    else if (!figures.damaged)
        PrintReport(figures, name, line.operands[0]);
    if (!figures.damaged)
        return EXIT_DONE;
    PrintMessage("%s is damaged: its directory claims bytes beyond the file's %lld; rwvtool verify tells more.",
                 name.c_str(), static_cast<long long>(figures.fileBytes));
    return EXIT_FAILED;
}
