// compact: the bank rewritten without wasted space, or left untouched with the reason.
#include "bank/compact_bank.h"
#include "bank/paths.h"
#include "cli/bank_messages.h"
#include "cli/commands.h"
#include "cli/console.h"

namespace {

const char NO_BACKUP_OPTION[] = "--no-backup";
const char NOT_COMPACTED[] = "Not compacted";

void ReportCompacted(const CompactOutcome& outcome, const char* name, bool keepBackup)
{
    const long long before = outcome.sizeBefore;
    const long long after = outcome.sizeAfter;
    if (!keepBackup)
        PrintMessage("%s compacted from %lld to %lld bytes%s.", name, before, after,
                     outcome.hadRecords ? "; its recorded merges were dropped with the old bank" : "");
    else if (!outcome.hadRecords)
        PrintMessage("%s compacted from %lld to %lld bytes; the old bank is %s%s.", name, before, after, name,
                     BACKUP_SUFFIX);
    else
        PrintMessage("%s compacted from %lld to %lld bytes; the old bank is %s%s, and its recorded merges can be "
                     "taken back there (rwvtool undo %s%s).",
                     name, before, after, name, BACKUP_SUFFIX, name, BACKUP_SUFFIX);
}

int Report(const CompactOutcome& outcome, const char* bankFile, bool keepBackup)
{
    const char* name = NameAfterFolder(bankFile);
    const char* cause = CauseWords(outcome.cause);
    switch (outcome.result) {
    case CompactResult::COMPACTED:
        ReportCompacted(outcome, name, keepBackup);
        return EXIT_DONE;
    case CompactResult::NOTHING_TO_COMPACT:
        PrintMessage("%s has no wasted space; nothing to compact.", name);
        return EXIT_DONE;
    case CompactResult::BANK_NOT_READ:
        PrintReadFailure(NOT_COMPACTED, outcome.read, bankFile);
        break;
    case CompactResult::DAMAGED:
        PrintMessage("%s: %s has the problems listed above and was left untouched; restore it from a copy.", NOT_COMPACTED, name);
        break;
    case CompactResult::TOO_LARGE:
        PrintMessage("%s: with each entry its own copy %s would pass 2 GB; it was left untouched.", NOT_COMPACTED, name);
        break;
    case CompactResult::PATH_TOO_LONG:
        PrintMessage("%s: the path of %s leaves no room for its backup's name; move it to a shorter path.", NOT_COMPACTED, name);
        break;
    case CompactResult::NOT_WRITTEN:
        PrintMessage("%s: the new bank could not be written%s; %s was left untouched.", NOT_COMPACTED, cause, name);
        break;
    case CompactResult::BACKUP_NOT_MADE:
        PrintMessage("%s: the backup %s%s could not be made%s and %s was left untouched; check that file.",
                     NOT_COMPACTED, name, BACKUP_SUFFIX, cause, name);
        break;
    case CompactResult::NOT_SWITCHED:
        PrintMessage("%s: the new bank could not take the place of %s%s, which was left as it was.", NOT_COMPACTED,
                     name, cause);
        break;
    }
    return EXIT_FAILED;
}

}  // namespace

int RunCompact(const CommandLine& line)
{
    char bankFile[MAX_PATH];
    if (!FindBankPath(line.operands[0], bankFile))
        return EXIT_FAILED;
    const bool keepBackup = !line.Has(NO_BACKUP_OPTION);
    CompactOutcome outcome;
    {
        ConsoleObserver observer("compacting");
        outcome = CompactBank(bankFile, keepBackup, observer);
    }
    return Report(outcome, bankFile, keepBackup);
}
