// The words of an rwvtool command line: the command, its operands and its options.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct CommandLine {
    std::string command;
    std::vector<std::string> operands;
    std::vector<std::string> options;  // every word starting with "-", and "/?": letters folded, short forms long

    bool Has(const char* option) const;
};

extern const char HELP_OPTION[];
extern const char FORCE_OPTION[];

CommandLine SplitCommandLine(int argc, char** argv);

// A BANK operand: a bank file, or a folder holding "soundz.rwv", with any interrupted change
// of it taken back. false (message printed) when nothing is there, the path does not fit or
// an interrupted change could not be taken back.
bool FindBankPath(const std::string& operand, char (&path)[MAX_PATH]);
// A file operand as a path; false (message printed) when it does not fit.
bool FilePath(const std::string& operand, char (&path)[MAX_PATH]);
// A folder operand with the backslash the file work appends names to; false (message
// printed) when it does not fit.
bool FolderPath(const std::string& operand, char (&folder)[MAX_PATH]);
