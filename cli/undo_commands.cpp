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

// Why nothing was taken back, by its real cause.
void PrintNotWritten(JournalFault fault, const char* name)
{
    switch (fault) {
    case JournalFault::DISK_FULL:
        PrintMessage("%s: writing beside %s failed (is the disk full?); %s is unchanged.", NOTHING_TAKEN_BACK, name,
                     name);
        return;
    case JournalFault::NO_MEMORY:
        PrintMessage("%s: there was not enough memory; %s is unchanged.", NOTHING_TAKEN_BACK, name);
        return;
    case JournalFault::HELD:
        PrintMessage("%s: %s%s is in use by another program; %s is unchanged.", NOTHING_TAKEN_BACK, name, UNDO_SUFFIX,
                     name);
        return;
    case JournalFault::NONE:
    case JournalFault::DAMAGED:
    case JournalFault::IO:
        break;
    }
    PrintMessage("%s: %s%s or %s could not be read or written; %s is unchanged.", NOTHING_TAKEN_BACK, name, UNDO_SUFFIX,
                 name, name);
}

// One undo, its outcome told.
UndoResult UndoOne(const char* bankFile, const char* name)
{
    const UndoOutcome outcome = UndoNewestChange(bankFile);
    const char* package = outcome.change.package.c_str();
    switch (outcome.result) {
    case UndoResult::TAKEN_BACK:
        PrintMessage("Took back the merge of %s made %s.", package, FormatDate(outcome.change.when).text);
        break;
    case UndoResult::NO_RECORD:
        PrintMessage(NO_RECORDS, name);
        break;
    case UndoResult::CHANGED_SINCE:
        PrintMessage("%s has changed since its last recorded merge; nothing was taken back.", name);
        break;
    case UndoResult::NOT_OPENED:
        PrintNotOpened(NOTHING_TAKEN_BACK, bankFile);
        break;
    case UndoResult::NOT_WRITTEN:
        PrintNotWritten(outcome.fault, name);
        break;
    case UndoResult::NOT_FINISHED:
        PrintMessage("Taking back the merge of %s failed while writing %s; the next opening of %s finishes it.",
                     package, name, name);
        break;
    case UndoResult::DAMAGED:
        PrintMessage("%s: the newest record of %s%s is damaged; %s is unchanged.", NOTHING_TAKEN_BACK, name,
                     UNDO_SUFFIX, name);
        break;
    case UndoResult::EARLIER_LAYOUT:
        PrintMessage("%s: the merge of %s made %s was recorded by an earlier version, which kept no sums of the bytes "
                     "it wrote, so whether %s still holds them cannot be told; %s is unchanged.",
                     NOTHING_TAKEN_BACK, package, FormatDate(outcome.change.when).text, name, name);
        break;
    }
    return outcome.result;
}

const char* StatusText(RecordStatus status)
{
    switch (status) {
    case RecordStatus::EARLIER_LAYOUT:
        return "  (recorded by an earlier version: cannot be taken back)";
    case RecordStatus::DAMAGED:
        return "  (damaged: cannot be taken back)";
    case RecordStatus::GOOD:
        break;
    }
    return "";
}

}  // namespace

int RunHistory(const CommandLine& line)
{
    char bankFile[MAX_PATH];
    if (!FindBankPath(line.operands[0], bankFile))
        return EXIT_FAILED;
    const char* name = NameAfterFolder(bankFile);
    const ChangeList list = ListChanges(bankFile);
    if (list.changes.empty() && list.unreadableRest == JournalFault::NONE) {
        PrintResult(NO_RECORDS, name);
        PrintResult("\n");
        return EXIT_DONE;
    }
    int number = 0;
    for (const ChangeSummary& change : list.changes) {
        if (change.status == RecordStatus::DAMAGED)
            PrintResult("%3d  damaged record of %lld bytes\n", ++number, static_cast<long long>(change.recordBytes));
        else
            PrintResult("%3d  %s  %s  %d replaced, %d appended, %lld bytes kept%s\n", ++number,
                        FormatDate(change.when).text, change.package.c_str(), static_cast<int>(change.replaced),
                        static_cast<int>(change.appended), static_cast<long long>(change.recordBytes),
                        StatusText(change.status));
    }
    if (list.unreadableRest == JournalFault::NONE)
        return EXIT_DONE;
    const char* cause = list.unreadableRest == JournalFault::DAMAGED ? "it is damaged" : "a read failed";
    if (number == 0)
        PrintMessage("%s%s cannot be read (%s); its records are kept.", name, UNDO_SUFFIX, cause);
    else
        PrintMessage("%s%s cannot be read after record %d (%s); the records from there on are kept.", name,
                     UNDO_SUFFIX, number, cause);
    return EXIT_FAILED;
}

int RunUndo(const CommandLine& line)
{
    char bankFile[MAX_PATH];
    if (!FindBankPath(line.operands[0], bankFile))
        return EXIT_FAILED;
    const char* name = NameAfterFolder(bankFile);
    if (UndoOne(bankFile, name) != UndoResult::TAKEN_BACK)
        return EXIT_FAILED;
    if (!line.Has(ALL_OPTION))
        return EXIT_DONE;
    for (ChangeList left = ListChanges(bankFile); !left.changes.empty() || left.unreadableRest != JournalFault::NONE;
         left = ListChanges(bankFile)) {
        if (UndoOne(bankFile, name) != UndoResult::TAKEN_BACK)
            return EXIT_FAILED;
    }
    return EXIT_DONE;
}
