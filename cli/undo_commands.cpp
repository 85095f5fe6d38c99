// undo and history: the merges recorded beside a bank, listed and taken back.
#include "bank/paths.h"
#include "bank/undo_journal.h"
#include "cli/bank_messages.h"
#include "cli/commands.h"
#include "cli/console.h"

namespace {

const char ALL_OPTION[] = "--all";
const char NOTHING_TAKEN_BACK[] = "Nothing taken back";

// "2026-12-08 07:15:02" in local time.
struct DateText {
    char text[32];
};

DateText FormatDate(int64_t when)
{
    DateText date = {""};
    FILETIME utc = {static_cast<DWORD>(when & 0xFFFFFFFF), static_cast<DWORD>(static_cast<uint64_t>(when) >> 32)};
    FILETIME local;
    SYSTEMTIME time;
    if (FileTimeToLocalFileTime(&utc, &local) && FileTimeToSystemTime(&local, &time))
        std::snprintf(date.text, sizeof date.text, "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay,
                      time.wHour, time.wMinute, time.wSecond);
    return date;
}

const char NO_RECORDS[] = "%s has no recorded merges.";

// One undo; true when a merge was taken back.
bool UndoOne(const char* bankFile, const char* name)
{
    const UndoOutcome outcome = UndoNewestChange(bankFile);
    const char* package = outcome.change.package.c_str();
    switch (outcome.result) {
    case UndoResult::TAKEN_BACK:
        PrintMessage("Took back the merge of %s made %s.", package, FormatDate(outcome.change.when).text);
        return true;
    case UndoResult::NO_RECORD:
        PrintMessage(NO_RECORDS, name);
        return false;
    case UndoResult::CHANGED_SINCE:
        PrintMessage("%s has changed since its last recorded merge; nothing was taken back.", name);
        return false;
    case UndoResult::NOT_OPENED:
        PrintNotOpened(NOTHING_TAKEN_BACK, bankFile);
        return false;
    case UndoResult::NOT_WRITTEN:
        PrintMessage("%s: writing beside %s failed (is the disk full?); %s is unchanged.", NOTHING_TAKEN_BACK, name,
                     name);
        return false;
    case UndoResult::NOT_FINISHED:
        PrintMessage("Taking back the merge of %s failed while writing %s; the next opening of %s finishes it.",
                     package, name, name);
        return false;
    }
    return false;
}

}  // namespace

int RunHistory(const CommandLine& line)
{
    char bankFile[MAX_PATH];
    if (!FindBankPath(line.operands[0], bankFile))
        return EXIT_FAILED;
    const std::vector<ChangeSummary> changes = ListChanges(bankFile);
    if (changes.empty()) {
        PrintResult(NO_RECORDS, NameAfterFolder(bankFile));
        PrintResult("\n");
        return EXIT_DONE;
    }
    int number = 0;
    for (const ChangeSummary& change : changes)
        PrintResult("%3d  %s  %s  %d replaced, %d appended, %lld bytes kept\n", ++number, FormatDate(change.when).text,
                    change.package.c_str(), static_cast<int>(change.replaced), static_cast<int>(change.appended),
                    static_cast<long long>(change.recordBytes));
    return EXIT_DONE;
}

int RunUndo(const CommandLine& line)
{
    char bankFile[MAX_PATH];
    if (!FindBankPath(line.operands[0], bankFile))
        return EXIT_FAILED;
    const char* name = NameAfterFolder(bankFile);
    if (!UndoOne(bankFile, name))
        return EXIT_FAILED;
    if (!line.Has(ALL_OPTION))
        return EXIT_DONE;
    while (!ListChanges(bankFile).empty()) {
        if (!UndoOne(bankFile, name))
            return EXIT_FAILED;
    }
    return EXIT_DONE;
}
