// The file work of Compress statistics: measuring a bank's wasted space, never writing it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bank/workspace.h"

struct BankStatistics {
    bool computed;  // false when the bank could not be opened, checked or its directory read
    uint64_t fileSize;
    int64_t usedSize;
    int32_t wholeMegabytes;  // fileSize / 1048576, remainder dropped
    float wastedMegabytes;
    float wastedPercent;
    int32_t bankStatus;  // bank.status at the end: why nothing was computed
};

// Opens, checks and loads the bank at bankFile and computes its figures.
BankStatistics MeasureBank(const char* bankFile);
// The report text of the statistics box (LF LF between its three parts); empty when
// stats.computed is false, since no report may come from a directory that was not read.
void FormatStatisticsReport(const BankStatistics& stats, char* out, size_t outSize);
