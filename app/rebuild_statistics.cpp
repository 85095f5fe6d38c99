// Compress statistics: the bank folder question and the box with the bank's wasted space.
#include "app/operations.h"

#include <cstring>

#include "app/bank_recovery.h"
#include "app/folder_prompt.h"
#include "bank/final_messages.h"
#include "bank/paths.h"
#include "bank/statistics.h"
#include "msgbox/ext_message_box.h"

static const FolderQuestion BANK_QUESTION = {
    "Please select the folder with the file soundz.rwv to rebuild.",
    BANK_FOLDER_COMPLAINT,
    "Total Rebuild - <phase 1>",
    BANK_FOLDER_BROWSE_TITLE,
    TakeBankFolder,
};

static const char OPERATION_CAPTION[] = "Total Rebuild";
static const char STATISTICS_CAPTION[] = "Total Rebuild - statistics";

// Room for the report with the widest figures a 32-bit file size allows.
static const size_t REPORT_SIZE = 256;

int RebuildStatistics()
{
    ExtMessageBox box;
    box.Init(nullptr);
    FillWorkFolderWithCurrentDirectory();
    if (!AskFolderQuestion(box, BANK_QUESTION)) {
        box.Release();
        return 0;
    }
    if (!TakeBackBeforeOperation(OPERATION_CAPTION)) {
        box.Release();
        return 0;
    }
    SetOperationButtons(box);
    const BankStatistics statistics = MeasureBank(bankPath);
    char report[REPORT_SIZE];
    if (statistics.computed)
        FormatStatisticsReport(statistics, report, sizeof report);
    else
        std::strcpy(report, NO_STATISTICS_TEXT);
    const int result = ShowOperationBox(box, report, STATISTICS_CAPTION);
    box.Release();
    return result == IDCANCEL ? 0 : 1;
}
