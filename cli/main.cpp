// rwvtool: the bank's file work from a command line, beside the window that asks for folders.
#include <cstdio>
#include <cstring>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/console.h"

namespace {

const char VERSION_TEXT[] = "rwvtool 1.0";
const char HELP_OPTION[] = "--help";
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
     "Prints one line per entry: index, name, size, offset, format tag, channels, samples per\n"
     "second and bits per sample; in aligned columns, or with --tsv tab-separated after a\n"
     "header line, for scripts. Reads only the header and the directory.\n\n"
     "Example:\n  rwvtool list C:\\Games\\Veltrino --tsv > entries.txt\n"},
    {"extract", RunExtract, 2, UNLIMITED, "--force", "extract BANK OUTDIR [NAME...] [--force]",
     "Writes each entry (or each one named, matched as Create Package matches wave names) as\n"
     "the wave file OUTDIR\\name. Existing files are kept unless --force. Entries whose name\n"
     "is no plain file name or whose bytes lie outside the bank are reported and skipped.\n\n"
     "Example:\n  rwvtool extract C:\\Games\\Veltrino\\soundz.rwv waves shot.wav engine.wav\n"},
    {"verify", RunVerify, 1, 1, nullptr, "verify BANK",
     "Checks the header and the directory and prints each problem on its own line: entries\n"
     "with negative sizes or offsets, bytes outside the file or on the directory, names with\n"
     "no end, names two entries share, entries that overlap in part. Exit status 0 when\n"
     "there is nothing to report.\n\n"
     "Example:\n  rwvtool verify C:\\Games\\Veltrino\n"},
    {"pack", RunPack, 2, 2, nullptr, "pack WAVEFOLDER BANK",
     "Create Package: every wave of WAVEFOLDER named like an entry of the bank goes into\n"
     "NewPack.rwv in WAVEFOLDER, with pack.log beside it, as the window writes them.\n\n"
     "Example:\n  rwvtool pack C:\\Mods\\waves C:\\Games\\Veltrino\n"},
    {"insert", RunInsert, 2, 2, nullptr, "insert PACKAGE BANK",
     "Insert Package: merges the package (a .rwv file, or a folder holding exactly one) into\n"
     "the bank and writes Unpack.log beside the package, as the window does.\n\n"
     "Example:\n  rwvtool insert C:\\Mods\\waves\\NewPack.rwv C:\\Games\\Veltrino\n"},
    {"stats", RunStats, 1, 1, nullptr, "stats BANK",
     "Prints the bank's size and wasted space as the window's statistics box shows them.\n\n"
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
    std::fprintf(out, "\nBANK is a bank file or a folder that holds soundz.rwv.\n"
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

}  // namespace

int main(int argc, char** argv)
{
    const CommandLine line = SplitCommandLine(argc, argv);
    if (line.command.empty()) {
        if (line.Has(VERSION_OPTION)) {
            std::printf("%s\n", VERSION_TEXT);
            return EXIT_DONE;
        }
        const bool asked = line.Has(HELP_OPTION);
        PrintOverview(asked ? stdout : stderr);
        return asked ? EXIT_DONE : EXIT_USAGE;
    }
    const Command* command = FindCommand(line.command);
    if (command == nullptr) {
        PrintMessage("There is no command %s; rwvtool --help lists the commands.", line.command.c_str());
        return EXIT_USAGE;
    }
    const int status = RunCommand(*command, line);
    std::fflush(stdout);
    return status;
}
