// Messages for a bank that could not be read.
#include "cli/bank_messages.h"

#include "bank/bank_sharing.h"
#include "bank/compaction_files.h"
#include "bank/final_messages.h"
#include "bank/paths.h"
#include "bank/undo_journal.h"
#include "cli/console.h"

void PrintReadFailure(const char* outcome, ReadResult read, const char* bankFile)
{
    const char* name = NameAfterFolder(bankFile);
    switch (read) {
    case ReadResult::NOT_OPENED:
        PrintNotOpened(outcome, bankFile);
        return;
    case ReadResult::NOT_A_BANK:
        PrintMessage("%s: %s is not a sound bank.", outcome, name);
        return;
    case ReadResult::NO_MEMORY:
        PrintMessage("%s: not enough memory.", outcome);
        return;
    case ReadResult::NOT_RECOVERED: {
        char message[RECOVERY_MESSAGE_SIZE];
        FormatNotRecoveredMessage(name, message, sizeof message);
        PrintMessage("%s", message);
        return;
    }
    case ReadResult::READ:
        return;
    }
}

void PrintNotOpened(const char* outcome, const char* bankFile)
{
    const char* name = NameAfterFolder(bankFile);
    switch (WhoHoldsBank(bankFile)) {
    case BankHold::BEING_CHANGED:
        PrintMessage("%s is being changed by another program; try again when it has finished.", name);
        return;
    case BankHold::READ_ONLY:
        PrintMessage("%s: %s is read-only; clear its read-only attribute and try again.", outcome, name);
        return;
    case BankHold::IN_USE:
        PrintMessage("%s: %s is in use by another program.", outcome, name);
        return;
    case BankHold::NONE:
        PrintMessage("%s: %s could not be opened.", outcome, name);
        return;
    }
}

bool TakeBackBeforeUse(const char* bankFile)
{
    ResolveLeftoverCompaction(bankFile);
    const RecoveryOutcome recovery = TakeBackInterruptedChange(bankFile);
    if (recovery.result == Recovery::NOTHING_TO_DO)
        return true;
    char message[RECOVERY_MESSAGE_SIZE];
    DescribeRecovery(recovery, NameAfterFolder(bankFile), message, sizeof message);
    PrintMessage("%s", message);
    return recovery.result != Recovery::NOT_TAKEN_BACK;
}
