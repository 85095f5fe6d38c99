// rwvtool's commands: each takes its command line (operand count already checked) and
// returns the exit status.
#pragma once

#include "cli/command_line.h"

// Exit status: all done; failed or done in part; the command line was not understood.
const int EXIT_DONE = 0;
const int EXIT_FAILED = 1;
const int EXIT_USAGE = 2;

int RunList(const CommandLine& line);
int RunExtract(const CommandLine& line);
int RunVerify(const CommandLine& line);
int RunPack(const CommandLine& line);
int RunInsert(const CommandLine& line);
int RunStats(const CommandLine& line);
int RunCompact(const CommandLine& line);
int RunUndo(const CommandLine& line);
int RunHistory(const CommandLine& line);
