// The window's side of the recovery at every opening of a bank.
#include "app/bank_recovery.h"

#include <windows.h>

#include "app/main_dialog.h"
#include "bank/final_messages.h"
#include "bank/paths.h"
#include "bank/undo_journal.h"

static UINT IconOf(Recovery recovery)
{
    switch (recovery) {
    case Recovery::TAKEN_BACK:
        return MB_ICONINFORMATION;
    case Recovery::SET_ASIDE:
        return MB_ICONWARNING;
    case Recovery::NOTHING_TO_DO:
    case Recovery::NOT_TAKEN_BACK:
        break;
    }
    return MB_ICONERROR;
}

bool TakeBackBeforeOperation(const char* caption)
{
    const RecoveryOutcome recovery = TakeBackInterruptedChange(bankPath);
    if (recovery.result == Recovery::NOTHING_TO_DO)
        return true;
    char message[RECOVERY_MESSAGE_SIZE];
    DescribeRecovery(recovery, NameAfterFolder(bankPath), message, sizeof message);
    MessageBoxA(mainWindow, message, caption, MB_OK | IconOf(recovery.result));
    return recovery.result != Recovery::NOT_TAKEN_BACK;
}
