// stats: the statistics box's text on standard output.
#include <cstdio>

#include "bank/statistics.h"
#include "cli/commands.h"
#include "cli/console.h"

namespace {

const char NO_STATISTICS_TEXT[] = "The file soundz.rwv cannot be read or is not a sound bank.";
// Room for the report with the widest figures a 32-bit file size allows.
const size_t REPORT_SIZE = 256;

}  // namespace

int RunStats(const CommandLine& line)
{
    char bankFile[MAX_PATH];
    if (!FindBankPath(line.operands[0], bankFile))
        return EXIT_FAILED;
    BankWorkspace workspace;
    const BankStatistics statistics = MeasureBank(workspace, bankFile);
    if (!statistics.computed) {
        PrintMessage("%s", NO_STATISTICS_TEXT);
        return EXIT_FAILED;
    }
    char report[REPORT_SIZE];
    FormatStatisticsReport(statistics, report, sizeof report);
    std::printf("%s\n", report);
    return EXIT_DONE;
}
