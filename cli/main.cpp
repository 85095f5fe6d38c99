// rwvtool: the bank's file work from a command line, beside the window that asks for folders.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/nearest_word.h"

namespace {

const char VERSION_TEXT[] = "rwvtool 1.0";
const char VERSION_OPTION[] = "--version";
const size_t UNLIMITED = static_cast<size_t>(-1);

struct Command {
    const char* name;
    int (*run)(const CommandLine&);
    size_t minOperands;
    size_t maxOperands;
    const char* option;  // the one option the command takes, or null
    const char* usage;
    const char* help;
};

const Command COMMANDS[] = {
    {"list", RunList, 1, 1, "--tsv", "list BANK [--tsv]",
     "Prints one line per entry: index, name, size in KB, how long it plays and its format in\n"
     "words, then a line of totals. With --tsv: tab-separated raw numbers after a header line,\n"
     "for scripts (index, name, size, offset, format tag, channels, samples per second, bits\n"
     "per sample). Reads only the header and the directory.\n\n"
     "Example:\n  rwvtool list C:\\Games\\Veltrino --tsv > entries.txt\n"},
    {"extract", RunExtract, 2, UNLIMITED, "--force", "extract BANK OUTDIR [NAME...] [--force]",
     "Writes each entry (or each one named, matched as Create Package matches wave names) as\n"
     "the wave file OUTDIR\\name. Existing files are kept unless --force (or -f); a file the\n"
     "same run wrote is never overwritten. Entries whose name is no plain file name or whose\n"
     "bytes lie outside the bank are reported and skipped.\n\n"
     "Example:\n  rwvtool extract C:\\Games\\Veltrino\\soundz.rwv waves shot.wav engine.wav\n"},
    {"verify", RunVerify, 1, 1, nullptr, "verify BANK",
     "Checks the header and the directory and prints each problem on its own line: entries\n"
     "with negative sizes or offsets, bytes outside the file or on the directory, names with\n"
     "no end, names two entries share, entries that overlap in part. Exit status 0 when\n"
     "there is nothing to report.\n\n"
     "Example:\n  rwvtool verify C:\\Games\\Veltrino\n"},
    {"pack", RunPack, 2, 2, "--any-format", "pack WAVEFOLDER BANK [--any-format]",
     "Create Package: every wave of WAVEFOLDER named like an entry of the bank goes into\n"
     "NewPack.rwv in WAVEFOLDER, with pack.log beside it. A wave of another format (rate,\n"
     "channels, bits) than the bank plays for its entry is converted to that format, as the\n"
     "window does, and listed. Each wave left out is listed with its reason: not a wave, no\n"
     "entry of its name, a compressed sound, or a format that cannot be converted.\n"
     "--any-format packs every wave in its own format, unconverted. Exit status 1 when any\n"
     "wave was left out.\n\n"
     "Example:\n  rwvtool pack C:\\Mods\\waves C:\\Games\\Veltrino\n"},
    {"insert", RunInsert, 2, 2, nullptr, "insert PACKAGE BANK",
     "Insert Package: merges the package (a .rwv file, or a folder holding exactly one) into\n"
     "the bank and writes Unpack.log beside the package. Prints one line per entry (REPLACE,\n"
     "APPEND or unchanged, the old and new size and the duration) and warns of each entry\n"
     "whose format differs from the bank's.\n\n"
     "Example:\n  rwvtool insert C:\\Mods\\waves\\NewPack.rwv C:\\Games\\Veltrino\n"},
    {"stats", RunStats, 1, 1, "--tsv", "stats BANK [--tsv]",
     "Prints the bank's size, its entries, its sound data and its wasted space, and the\n"
     "command that reclaims the waste. With --tsv: a header line and one line of raw numbers\n"
     "(file bytes, entries, sound data bytes, wasted bytes), for scripts.\n\n"
     "Example:\n  rwvtool stats C:\\Games\\Veltrino\n"},
    {"compact", RunCompact, 1, 1, "--no-backup", "compact BANK [--no-backup]",
     "Rewrites the bank without wasted space, each entry its own copy in directory order. The\n"
     "new bank is written beside the old one and flushed before it takes its place; the old\n"
     "one is kept as soundz.rwv.bak unless --no-backup. A bank verify finds damaged is left\n"
     "untouched.\n\n"
     "Example:\n  rwvtool compact C:\\Games\\Veltrino\n"},
    {"history", RunHistory, 1, 1, nullptr, "history BANK",
     "Lists the merges recorded in the bank's undo file (soundz.rwv.undo beside soundz.rwv),\n"
     "newest last: number, date and time, the package, the entries replaced and appended,\n"
     "and the bytes the record keeps to take the merge back.\n\n"
     "Example:\n  rwvtool history C:\\Games\\Veltrino\n"},
    {"undo", RunUndo, 1, 1, "--all", "undo BANK [--all]",
     "Takes back the newest recorded merge (with --all every one, newest first): the bank\n"
     "becomes byte for byte what it was before. A bank that has changed since that merge is\n"
     "left untouched.\n\n"
     "Example:\n  rwvtool undo C:\\Games\\Veltrino\n"},
};

void PrintOverview(FILE* out)
{
    std::fprintf(out, "%s: lists, extracts, verifies, packs, merges, takes back and compacts sound banks.\n\n",
                 VERSION_TEXT);
    std::fprintf(out, "Usage: rwvtool COMMAND ...   (rwvtool COMMAND --help explains one command)\n\n");
    for (const Command& command : COMMANDS)
        std::fprintf(out, "  rwvtool %s\n", command.usage);
    std::fprintf(out, "\nBANK is a bank file or a folder that holds soundz.rwv. rwvtool help COMMAND, -h and /? work\n"
                      "as --help does.\n"
                      "Exit status: 0 all done, 1 failed or done in part, 2 command line not understood.\n");
}

void PrintCommandHelp(const Command& command)
{
    std::printf("Usage: rwvtool %s\n\n%s", command.usage, command.help);
}

const Command* FindCommand(const std::string& name)
{
    for (const Command& command : COMMANDS) {
        if (name == command.name)
            return &command;
    }
    return nullptr;
}

int UsageError(const Command& command, const char* what)
{
    PrintMessage("%s; usage: rwvtool %s (rwvtool %s --help explains it).", what, command.usage, command.name);
    return EXIT_USAGE;
}

int RunCommand(const Command& command, const CommandLine& line)
{
    if (line.Has(HELP_OPTION)) {
        PrintCommandHelp(command);
        return EXIT_DONE;
    }
    for (const std::string& option : line.options) {
        if (command.option == nullptr || option != command.option)
            return UsageError(command, ("The option " + option + " is not known to " + command.name).c_str());
    }
    if (line.operands.size() < command.minOperands)
        return UsageError(command, "Too few arguments");
    if (line.operands.size() > command.maxOperands)
        return UsageError(command, "Too many arguments");
    return command.run(line);
}

int UnknownCommand(const std::string& name)
{
    std::vector<std::string> names;
    for (const Command& command : COMMANDS)
        names.push_back(command.name);
    const std::string nearest = NearestWord(name, names);
    if (nearest.empty())
        PrintMessage("There is no command %s; rwvtool --help lists the commands.", name.c_str());
    else
        PrintMessage("There is no command %s. Did you mean %s?", name.c_str(), nearest.c_str());
    return EXIT_USAGE;
}

// rwvtool with no command: the version, the overview, or what was not understood.
int RunWithoutCommand(const CommandLine& line)
{
    if (line.Has(VERSION_OPTION)) {
        std::printf("%s\n", VERSION_TEXT);
        return EXIT_DONE;
    }
    if (line.Has(HELP_OPTION)) {
        PrintOverview(stdout);
        return EXIT_DONE;
    }
    if (line.options.empty()) {
        PrintOverview(stderr);
        return EXIT_USAGE;
    }
    PrintMessage("The option %s is not known; rwvtool --help lists the commands and their options.",
                 line.options[0].c_str());
    return EXIT_USAGE;
}

int RunLine(const CommandLine& line)
{
    if (line.command.empty())
        return RunWithoutCommand(line);
    const Command* command = FindCommand(line.command);
    if (command == nullptr)
        return UnknownCommand(line.command);
    return RunCommand(*command, line);
}

}  // namespace

int main(int argc, char** argv)
{
    // Names are UTF-8 where the manifest's code page is honoured; the console shows them so.
    const UINT consoleCodePage = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
    const CommandLine line = SplitCommandLine(argc, argv);
    int status = RunLine(line);
    if (!FinishResults()) {
        PrintMessage("The output could not be written in full (is the disk full?); what was written is incomplete.");
        status = EXIT_FAILED;
    }
    if (consoleCodePage != 0)
        SetConsoleOutputCP(consoleCodePage);
    return status;
}
