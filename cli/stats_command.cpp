// stats: the statistics box's text on standard output.
#include <cstdio>

#include "bank/final_messages.h"
#include "bank/statistics.h"
#include "cli/commands.h"
#include "cli/console.h"

namespace {

// Room for the report with the widest figures a 32-bit file size allows.
const size_t REPORT_SIZE = 256;

}  // namespace

int RunStats(const CommandLine& line)
{
    char bankFile[MAX_PATH];
    if (!FindBankPath(line.operands[0], bankFile))
        return EXIT_FAILED;
    const BankStatistics statistics = MeasureBank(bankFile);
    if (!statistics.computed) {
        PrintMessage("%s", NO_STATISTICS_TEXT);
        return EXIT_FAILED;
    }
    char report[REPORT_SIZE];
    FormatStatisticsReport(statistics, report, sizeof report);
    PrintResult("%s\n", report);
    return EXIT_DONE;
}
