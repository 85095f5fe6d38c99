// The two-question flow of the package operations.
#include "app/package_flow.h"

#include <windows.h>

#include "app/bank_recovery.h"
#include "app/folder_prompt.h"
#include "app/main_dialog.h"
#include "bank/paths.h"
#include "msgbox/ext_message_box.h"

// Room for the longest final message: a fixed text, two counts and a 52-byte name.
static const size_t FINAL_MESSAGE_SIZE = 256;

static bool AskBothQuestions(const PackageFlow& flow)
{
    ExtMessageBox box;
    box.Init(nullptr);
    FillWorkFolderWithCurrentDirectory();
    const bool answered = AskFolderQuestion(box, flow.first) && AskFolderQuestion(box, flow.second);
    box.Release();
    return answered;
}

int RunPackageFlow(const PackageFlow& flow)
{
    if (!AskBothQuestions(flow))
        return 0;
    if (!TakeBackBeforeOperation(flow.caption))
        return 1;
    char message[FINAL_MESSAGE_SIZE];
    const bool succeeded = flow.work(message, sizeof message);
    MessageBoxA(mainWindow, message, flow.finishedCaption, succeeded ? MB_OK : MB_OK | MB_ICONERROR);
    return 1;
}
