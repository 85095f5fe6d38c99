// Splitting the command line and turning its folder and bank operands into paths.
#include "cli/command_line.h"

#include "bank/file_identity.h"
#include "bank/format.h"
#include "bank/paths.h"
#include "cli/bank_messages.h"
#include "cli/console.h"

namespace {

const char OPTION_PREFIX = '-';
const char HELP_WORD[] = "help";
// The one option word that does not start with the prefix: Windows programs' help.
const char WINDOWS_HELP[] = "/?";

// The short and the Windows spellings of options, each with the long one it stands for.
struct Alias {
    const char* given;
    const char* option;
};
const Alias ALIASES[] = {{"-h", HELP_OPTION}, {WINDOWS_HELP, HELP_OPTION}, {"-?", HELP_OPTION}, {"-f", FORCE_OPTION}};

// Options are words as a user types them: "--Help" is "--help".
std::string FoldedOption(const std::string& word)
{
    std::string folded;
    for (const char c : word)
        folded += FoldAsciiLetter(c);
    for (const Alias& alias : ALIASES) {
        if (folded == alias.given)
            return alias.option;
    }
    return folded;
}

bool IsOption(const std::string& word)
{
    return (word.size() > 1 && word[0] == OPTION_PREFIX) || word == WINDOWS_HELP;
}

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
        if (IsOption(word))
            line.options.push_back(FoldedOption(word));
        else if (line.command.empty())
            line.command = word;
        else
            line.operands.push_back(word);
    }
    // "rwvtool help [COMMAND]" asks what "rwvtool [COMMAND] --help" asks.
    if (line.command == HELP_WORD) {
        line.command = line.operands.empty() ? "" : line.operands[0];
        line.operands.clear();
        line.options.push_back(HELP_OPTION);
    }
    return line;
}

const char HELP_OPTION[] = "--help";
const char FORCE_OPTION[] = "--force";

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
    if (PathExists(path))
        return TakeBackBeforeUse(path);
    PrintMessage("The folder %s holds no %s; give a bank file or the folder that holds it.", operand.c_str(),
                 BANK_FILE_NAME);
    return false;
}
