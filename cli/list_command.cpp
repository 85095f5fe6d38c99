// list: the directory as a table for people or as tab-separated values for scripts.
#include <cstdio>
#include <cstring>

#include "bank/bank_reader.h"
#include "bank/paths.h"
#include "bank/safe_file_name.h"
#include "cli/bank_messages.h"
#include "cli/commands.h"
#include "cli/console.h"

namespace {

const char NOTHING_LISTED[] = "Nothing listed";
const char TSV_OPTION[] = "--tsv";
// Where the wave format's fields lie within the entry's 16 format bytes.
const size_t FORMAT_TAG_AT = 0;
const size_t CHANNELS_AT = 2;
const size_t SAMPLES_PER_SECOND_AT = 4;
const size_t BITS_PER_SAMPLE_AT = 14;
const int MIN_NAME_WIDTH = 4;

struct Row {
    BoundedName name;
    unsigned formatTag;
    unsigned channels;
    unsigned long samplesPerSecond;
    unsigned bitsPerSample;
};

unsigned Le16(const uint8_t* at)
{
    return static_cast<unsigned>(at[0] | (at[1] << 8));
}

unsigned long Le32(const uint8_t* at)
{
    return static_cast<unsigned long>(at[0]) | (static_cast<unsigned long>(at[1]) << 8) |
           (static_cast<unsigned long>(at[2]) << 16) | (static_cast<unsigned long>(at[3]) << 24);
}

Row RowOf(const RwvEntry& entry)
{
    return {PrintableNameOf(entry), Le16(entry.format + FORMAT_TAG_AT), Le16(entry.format + CHANNELS_AT),
            Le32(entry.format + SAMPLES_PER_SECOND_AT), Le16(entry.format + BITS_PER_SAMPLE_AT)};
}

void PrintTable(const BankReader& bank)
{
    int width = MIN_NAME_WIDTH;
    for (int32_t i = 0; i < bank.count; ++i) {
        const int length = static_cast<int>(std::strlen(PrintableNameOf(bank.entries[i]).text));
        width = length > width ? length : width;
    }
    PrintResult("%6s  %-*s  %10s  %10s  %6s  %8s  %6s  %4s\n", "index", width, "name", "size", "offset", "format",
                "channels", "rate", "bits");
    for (int32_t i = 0; i < bank.count; ++i) {
        const Row row = RowOf(bank.entries[i]);
        PrintResult("%6d  %-*s  %10d  %10d  %6u  %8u  %6lu  %4u\n", static_cast<int>(i), width, row.name.text,
                    static_cast<int>(bank.entries[i].size), static_cast<int>(bank.entries[i].offset), row.formatTag,
                    row.channels, row.samplesPerSecond, row.bitsPerSample);
    }
}

void PrintTabSeparated(const BankReader& bank)
{
    PrintResult("index\tname\tsize\toffset\tformat_tag\tchannels\tsamples_per_second\tbits_per_sample\n");
    for (int32_t i = 0; i < bank.count; ++i) {
        const Row row = RowOf(bank.entries[i]);
        PrintResult("%d\t%s\t%d\t%d\t%u\t%u\t%lu\t%u\n", static_cast<int>(i), row.name.text,
                    static_cast<int>(bank.entries[i].size), static_cast<int>(bank.entries[i].offset), row.formatTag,
                    row.channels, row.samplesPerSecond, row.bitsPerSample);
    }
}

}  // namespace

int RunList(const CommandLine& line)
{
    char bankFile[MAX_PATH];
    if (!FindBankPath(line.operands[0], bankFile))
        return EXIT_FAILED;
    BankReader bank;
    const ReadResult read = bank.Open(bankFile, GENERIC_READ, FILE_SHARE_READ);
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
