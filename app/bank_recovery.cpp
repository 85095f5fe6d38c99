// The window's side of the recovery at every opening of a bank.
#include "app/bank_recovery.h"

#include <windows.h>

#include "app/main_dialog.h"
#include "bank/final_messages.h"
#include "bank/paths.h"
#include "bank/undo_journal.h"

bool TakeBackBeforeOperation(const char* caption)
{
    const Recovery recovery = TakeBackInterruptedChange(bankPath);
    if (recovery == Recovery::NOTHING_TO_DO)
        return true;
    char message[RECOVERY_MESSAGE_SIZE];
    DescribeRecovery(recovery, NameAfterFolder(bankPath), message, sizeof message);
    const bool takenBack = recovery == Recovery::TAKEN_BACK;
    MessageBoxA(mainWindow, message, caption, MB_OK | (takenBack ? MB_ICONINFORMATION : MB_ICONERROR));
    return takenBack;
}
