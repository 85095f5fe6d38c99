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
    if (!IsFolder(operand))
        return FilePath(operand, path);
    char folder[MAX_PATH];
    if (!FolderPath(operand, folder))
        return false;
    if (FindOnlyPackage(folder, path))
        return true;
    PrintMessage("The folder %s holds no .rwv package or more than one; give the package file itself.",
                 operand.c_str());
    return false;
}

// The window's final message for the outcome, and the exit status it stands for.
template <typename Outcome>
int Finish(const Outcome& outcome, void (*format)(const Outcome&, char*, size_t))
{
    char message[FINAL_MESSAGE_SIZE];
    format(outcome, message, sizeof message);
    PrintMessage("%s", message);
    return Succeeded(outcome) ? EXIT_DONE : EXIT_FAILED;
}

}  // namespace

int RunPack(const CommandLine& line)
{
    char waveFolder[MAX_PATH];
    char bankFile[MAX_PATH];
    char pattern[MAX_PATH];
    if (!FolderPath(line.operands[0], waveFolder) || !FindBankPath(line.operands[1], bankFile))
        return EXIT_FAILED;
    // The window takes no folder without waves either, so it writes no package for one.
    if (!JoinPath(pattern, waveFolder, WAVE_PATTERN) || !FileExists(pattern, false)) {
        PrintMessage("Package not created: there are no .wav files in %s; give the folder that holds the waves.",
                     line.operands[0].c_str());
        return EXIT_FAILED;
    }
    return Finish(BuildPackage(waveFolder, bankFile), FormatCreateMessage);
}

int RunInsert(const CommandLine& line)
{
    char packageFile[MAX_PATH];
    char bankFile[MAX_PATH];
    if (!FindPackagePath(line.operands[0], packageFile) || !FindBankPath(line.operands[1], bankFile))
        return EXIT_FAILED;
    return Finish(MergePackage(packageFile, bankFile), FormatInsertMessage);
}
