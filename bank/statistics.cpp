// Compress statistics' file work: the bank's size and the space no entry covers.
#include "bank/statistics.h"

#include <cstdio>

#include "bank/file_io.h"

namespace {

const float BYTES_PER_MEGABYTE = 1048576.0f;
const uint64_t WHOLE_MEGABYTE = 1048576;
const float PERCENT = 100.0f;

// Header, directory and every entry's data, summed in 64 bits so no bank overflows it.
int64_t UsedBytes(const BankDirectory& bank)
{
    int64_t used = static_cast<int64_t>(RWV_HEADER_SIZE) + DirectoryBytes(bank.count);
    for (int32_t i = 0; i < bank.count; ++i)
        used += bank.entries[i].size;
    return used;
}

void Compute(BankDirectory& bank, BankStatistics& stats)
{
    const int64_t size = SizeOfFile(bank.file);
    if (size <= 0)
        return;
    stats.fileSize = static_cast<uint64_t>(size);
    stats.usedSize = UsedBytes(bank);
    bank.usedSize = stats.usedSize;
    const float wasted = static_cast<float>(size - stats.usedSize);
    stats.wholeMegabytes = static_cast<int32_t>(stats.fileSize / WHOLE_MEGABYTE);
    stats.wastedMegabytes = wasted / BYTES_PER_MEGABYTE;
    stats.wastedPercent = wasted / static_cast<float>(size) * PERCENT;
    stats.computed = true;
}

}  // namespace

BankStatistics MeasureBank(const char* bankFile)
{
    BankStatistics stats = {false, 0, 0, 0, 0.0f, 0.0f, BANK_UNSET};
    BankWorkspace ws;
    if (OpenBank(ws.bank, bankFile) && ws.bank.LoadBankTable())
        Compute(ws.bank, stats);
    stats.bankStatus = ws.bank.status;
    return stats;
}

void FormatStatisticsReport(const BankStatistics& stats, char* out, size_t outSize)
{
    if (outSize == 0)
        return;
    out[0] = '\0';
    if (!stats.computed)
        return;
    std::snprintf(out, outSize,
                  "Size of soundz.rwv file: %d MB\n\nWasted space: %3.3f MB (%3.2f%%)\n\n"
                  "Would you like to compress the file? (disabled)",
                  static_cast<int>(stats.wholeMegabytes), static_cast<double>(stats.wastedMegabytes),
                  static_cast<double>(stats.wastedPercent));
}
