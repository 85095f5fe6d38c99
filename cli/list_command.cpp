// list: the directory as a table for people or as tab-separated values for scripts.
#include <cstdio>
#include <string>

#include "bank/bank_reader.h"
#include "bank/paths.h"
#include "bank/safe_file_name.h"
#include "bank/wave.h"
#include "cli/bank_messages.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/sound_figures.h"

namespace {

const char NOTHING_LISTED[] = "Nothing listed";
const char TSV_OPTION[] = "--tsv";
const int MIN_NAME_WIDTH = 4;

void PrintTable(const BankReader& bank)
{
    int width = MIN_NAME_WIDTH;
    for (int32_t i = 0; i < bank.count; ++i) {
        const int columns = ColumnsOf(PrintableNameOf(bank.entries[i]));
        width = columns > width ? columns : width;
    }
    PrintResult("%6s  %-*s  %10s  %9s  %s\n", "index", width, "name", "size", "duration", "format");
    int64_t totalBytes = 0;
    double totalSeconds = 0;
    for (int32_t i = 0; i < bank.count; ++i) {
        const RwvEntry& entry = bank.entries[i];
        const std::string name = PrintableNameOf(entry);
        const WaveFormat format = DecodeWaveFormat(entry.format);
        const double seconds = PlayingSeconds(format, entry.size);
        PrintResult("%6d  %s%*s  %7.1f KB  %9s  %s\n", static_cast<int>(i), name.c_str(), width - ColumnsOf(name), "",
                    Kilobytes(entry.size), Duration(seconds).c_str(), DescribeFormat(format).c_str());
        totalBytes += entry.size;
        totalSeconds += seconds > 0 ? seconds : 0;
    }
    PrintResult("%d entries, %.1f KB, %s of sound\n", static_cast<int>(bank.count), Kilobytes(totalBytes),
                Duration(totalSeconds).c_str());
}

void PrintTabSeparated(const BankReader& bank)
{
    PrintResult("index\tname\tsize\toffset\tformat_tag\tchannels\tsamples_per_second\tbits_per_sample\n");
    for (int32_t i = 0; i < bank.count; ++i) {
        const RwvEntry& entry = bank.entries[i];
        const WaveFormat format = DecodeWaveFormat(entry.format);
        PrintResult("%d\t%s\t%d\t%d\t%u\t%u\t%lu\t%u\n", static_cast<int>(i), PrintableNameOf(entry).c_str(),
                    static_cast<int>(entry.size), static_cast<int>(entry.offset), format.formatTag, format.channels,
                    format.samplesPerSecond, format.bitsPerSample);
    }
}

}  // namespace

int RunList(const CommandLine& line)
{
    char bankFile[MAX_PATH];
    if (!FindBankPath(line.operands[0], bankFile))
        return EXIT_FAILED;
    BankReader bank;
    const ReadResult read = bank.Open(bankFile, GENERIC_READ, BANK_READER_SHARING);
    if (read != ReadResult::READ) {
        PrintReadFailure(NOTHING_LISTED, read, bankFile);
        return EXIT_FAILED;
    }
    if (line.Has(TSV_OPTION))
        PrintTabSeparated(bank);
    else
        PrintTable(bank);
    if (bank.DirectoryComplete())
        return EXIT_DONE;
    std::fflush(stdout);
    PrintMessage("Listed %d of %d entries: the directory of %s is cut short; rwvtool verify tells more.",
                 static_cast<int>(bank.count), static_cast<int>(bank.header.entryCount), NameAfterFolder(bankFile));
    return EXIT_FAILED;
}
