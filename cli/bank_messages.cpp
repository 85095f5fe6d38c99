// Messages for a bank that could not be read.
#include "cli/bank_messages.h"

#include "bank/paths.h"
#include "cli/console.h"

void PrintReadFailure(const char* outcome, ReadResult read, const char* bankFile)
{
    const char* name = NameAfterFolder(bankFile);
    switch (read) {
    case ReadResult::NOT_OPENED:
        PrintMessage("%s: %s could not be opened. It may be in use by another program.", outcome, name);
        return;
    case ReadResult::NOT_A_BANK:
        PrintMessage("%s: %s is not a sound bank.", outcome, name);
        return;
    case ReadResult::NO_MEMORY:
        PrintMessage("%s: not enough memory.", outcome);
        return;
    case ReadResult::READ:
        return;
    }
}
