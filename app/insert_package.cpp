// Insert Package: the package and bank folder questions, the merge, the final message.
#include "app/operations.h"

#include <iterator>

#include "app/folder_prompt.h"
#include "app/package_flow.h"
#include "bank/final_messages.h"
#include "bank/insert_package.h"
#include "bank/paths.h"

// Every fixed name that the file work appends to the package folder; a folder that leaves
// no room for one of them could never be merged from.
static const char* const PACKAGE_FOLDER_NAMES[] = {PACKAGE_PATTERN, UNPACK_LOG_NAME};

// The package the accepted answer holds, found by the one search of that answer.
static char packagePath[MAX_PATH];

static bool TakePackageFolder(const char* folder)
{
    return StoreWorkFolder(folder) &&
           FitsEveryName(workFolder, PACKAGE_FOLDER_NAMES, std::size(PACKAGE_FOLDER_NAMES)) &&
           FindOnlyPackage(workFolder, packagePath);
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

static bool MergeFromAnswers(char* message, size_t messageSize)
{
    const InsertOutcome outcome = MergePackage(packagePath, bankPath);
    FormatInsertMessage(outcome, message, messageSize);
    return Succeeded(outcome);
}

int InsertPackage()
{
    const PackageFlow flow = {PACKAGE_QUESTION, BANK_QUESTION, "Insert Sounds Package", "Insert Sounds Package - Finished",
                              MergeFromAnswers};
    return RunPackageFlow(flow);
}
