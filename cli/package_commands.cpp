// pack and insert: the file work of Create Package and Insert Package, with the window's
// final message as their message.
#include "bank/create_package.h"
#include "bank/final_messages.h"
#include "bank/insert_package.h"
#include "bank/paths.h"
#include "cli/commands.h"
#include "cli/console.h"

namespace {

// Room for the longest final message with a 52-byte entry name in it.
const size_t FINAL_MESSAGE_SIZE = 256;

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A package file as given, or the one package of a folder.
bool FindPackagePath(const std::string& operand, char (&path)[MAX_PATH])
{
    if (!IsFolder(operand)) {
        if (JoinPath(path, operand.c_str(), ""))
            return true;
        PrintMessage("The path %s is too long; move the package to a shorter path.", operand.c_str());
        return false;
    }
    char folder[MAX_PATH];
    if (!FolderPath(operand, folder))
        return false;
    if (FindOnlyPackage(folder, path))
        return true;
    PrintMessage("The folder %s holds no .rwv package or more than one; give the package file itself.",
                 operand.c_str());
    return false;
}

}  // namespace

int RunPack(const CommandLine& line)
{
    char waveFolder[MAX_PATH];
    char bankFile[MAX_PATH];
    if (!IsFolder(line.operands[0])) {
        PrintMessage("There is no folder %s; give the folder that holds the waves.", line.operands[0].c_str());
        return EXIT_FAILED;
    }
    if (!FolderPath(line.operands[0], waveFolder) || !FindBankPath(line.operands[1], bankFile))
        return EXIT_FAILED;
    const CreateOutcome outcome = BuildPackage(waveFolder, bankFile);
    char message[FINAL_MESSAGE_SIZE];
    FormatCreateMessage(outcome, message, sizeof message);
    PrintMessage("%s", message);
    return Succeeded(outcome) ? EXIT_DONE : EXIT_FAILED;
}

int RunInsert(const CommandLine& line)
{
    char packageFile[MAX_PATH];
    char bankFile[MAX_PATH];
    if (!FindPackagePath(line.operands[0], packageFile) || !FindBankPath(line.operands[1], bankFile))
        return EXIT_FAILED;
    const InsertOutcome outcome = MergePackage(packageFile, bankFile);
    char message[FINAL_MESSAGE_SIZE];
    FormatInsertMessage(outcome, message, sizeof message);
    PrintMessage("%s", message);
    return Succeeded(outcome) ? EXIT_DONE : EXIT_FAILED;
}
