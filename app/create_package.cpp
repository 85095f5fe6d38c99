// Create Package: the wave and bank folder questions, the file work, the final message.
#include "app/operations.h"

#include <iterator>

#include "app/folder_prompt.h"
#include "app/package_flow.h"
#include "bank/create_package.h"
#include "bank/final_messages.h"
#include "bank/paths.h"
#include "bank/workspace.h"

// Every name that the file work appends to the wave folder; a folder that leaves no room
// for one of them could never hold the package.
static const char* const WAVE_FOLDER_NAMES[] = {WAVE_PATTERN, PACK_LOG_NAME, NEW_PACKAGE_NAME};

static bool TakeWaveFolder(const char* folder)
{
    if (!StoreWorkFolder(folder) ||
        !FitsEveryName(workFolder, WAVE_FOLDER_NAMES, std::size(WAVE_FOLDER_NAMES)))
        return false;
    char pattern[MAX_PATH];
    return JoinPath(pattern, workFolder, WAVE_PATTERN) && FileExists(pattern, false);
}

static const FolderQuestion WAVE_QUESTION = {
    "Please select a folder with wav files.",
    "No files wav in this folder, change or abort.",
    "Create Sounds Package - <Phase 1>",
    "Please select a folder with wav files.",
    TakeWaveFolder,
};

static const FolderQuestion BANK_QUESTION = {
    "Please select the folder with the original file soundz.rwv.",
    BANK_FOLDER_COMPLAINT,
    "Create Sounds Package - <phase 2>",
    BANK_FOLDER_BROWSE_TITLE,
    TakeBankFolder,
};

static bool BuildFromAnswers(char* message, size_t messageSize)
{
    const CreateOutcome outcome = BuildPackage(workFolder, bankPath);
    FormatCreateMessage(outcome, message, messageSize);
    return Succeeded(outcome);
}

int CreatePackage()
{
    const PackageFlow flow = {WAVE_QUESTION, BANK_QUESTION, "Create Sounds Package", "Create Sounds Package - Finished",
                              BuildFromAnswers};
    return RunPackageFlow(flow);
}
