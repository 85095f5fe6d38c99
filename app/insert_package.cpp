// Insert Package: the package and bank folder questions, the merge, the final message.
#include "app/operations.h"

#include <iterator>

#include "app/folder_prompt.h"
#include "app/main_dialog.h"
#include "bank/insert_package.h"
#include "bank/paths.h"
#include "bank/workspace.h"
#include "msgbox/ext_message_box.h"

// Every fixed name that the file work appends to the package folder; a folder that leaves
// no room for one of them could never be merged from.
static const char* const PACKAGE_FOLDER_NAMES[] = {PACKAGE_PATTERN, UNPACK_LOG_NAME};

static bool TakePackageFolder(const char* folder)
{
    if (!StoreWorkFolder(folder) || !FitsEveryName(workFolder, PACKAGE_FOLDER_NAMES, std::size(PACKAGE_FOLDER_NAMES)))
        return false;
    char pattern[MAX_PATH];
    char package[MAX_PATH];
    // The merge opens the package by its own name after the folder, so that must fit too.
    return JoinPath(pattern, workFolder, PACKAGE_PATTERN) && FileExists(pattern, true) &&
           FindPackage(workFolder, package);
}

static const FolderQuestion PACKAGE_QUESTION = {
    "Please select a folder with only ONE rwv file package.",
    "No file rwv or more than ONE in this folder, change or abort.",
    "Insert Sounds Package - <phase 1>",
    "Please select a folder with only ONE rwv file package.",
    TakePackageFolder,
};

static const FolderQuestion BANK_QUESTION = {
    "Please select the folder with the original file soundz.rwv.",
    BANK_FOLDER_COMPLAINT,
    "Insert Sounds Package - <phase 2>",
    BANK_FOLDER_BROWSE_TITLE,
    TakeBankFolder,
};

int InsertPackage()
{
    ExtMessageBox box;
    box.Init(nullptr);
    FillWorkFolderWithCurrentDirectory();
    if (!AskFolderQuestion(box, PACKAGE_QUESTION) || !AskFolderQuestion(box, BANK_QUESTION)) {
        box.Release();
        return 0;
    }
    BankWorkspace workspace;
    MergePackage(workspace, workFolder, bankPath);
    MessageBoxA(mainWindow, "Package included in rwv file, see 'unpack.log' file.",
                "Insert Sounds Package - Finished", MB_OK);
    box.Release();
    return 1;
}
