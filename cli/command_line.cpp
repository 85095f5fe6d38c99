// Splitting the command line and turning its folder and bank operands into paths.
#include "cli/command_line.h"

#include <cstring>

#include "bank/paths.h"
#include "cli/bank_messages.h"
#include "cli/console.h"

namespace {

const char OPTION_PREFIX[] = "--";

bool EndsInSeparator(const std::string& path)
{
    return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

}  // namespace

bool CommandLine::Has(const char* option) const
{
    for (const std::string& given : options) {
        if (given == option)
            return true;
    }
    return false;
}

CommandLine SplitCommandLine(int argc, char** argv)
{
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word.compare(0, std::strlen(OPTION_PREFIX), OPTION_PREFIX) == 0)
            line.options.push_back(word);
        else if (line.command.empty())
            line.command = word;
        else
            line.operands.push_back(word);
    }
    return line;
}

bool FilePath(const std::string& operand, char (&path)[MAX_PATH])
{
    if (JoinPath(path, operand.c_str(), ""))
        return true;
    PrintMessage("The path %s is too long; move the file to a shorter path.", operand.c_str());
    return false;
}

bool FolderPath(const std::string& operand, char (&folder)[MAX_PATH])
{
    if (JoinPath(folder, operand.c_str(), EndsInSeparator(operand) || operand.empty() ? "" : "\\"))
        return true;
    PrintMessage("The path %s is too long; move the files to a shorter path.", operand.c_str());
    return false;
}

bool FindBankPath(const std::string& operand, char (&path)[MAX_PATH])
{
    const DWORD attributes = GetFileAttributesA(operand.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        PrintMessage("There is no bank at %s; give a bank file or a folder that holds %s.", operand.c_str(),
                     BANK_FILE_NAME);
        return false;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return FilePath(operand, path) && TakeBackBeforeUse(path);
    char folder[MAX_PATH];
    if (!FolderPath(operand, folder))
        return false;
    if (!JoinPath(path, folder, BANK_FILE_NAME)) {
        PrintMessage("The path %s is too long; move the bank to a shorter path.", operand.c_str());
        return false;
    }
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        return TakeBackBeforeUse(path);
    PrintMessage("The folder %s holds no %s; give a bank file or the folder that holds it.", operand.c_str(),
                 BANK_FILE_NAME);
    return false;
}
