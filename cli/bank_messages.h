// The messages of commands that could not read a bank, worded as the window's final
// messages word the same outcomes.
#pragma once

#include "bank/bank_reader.h"

// "<outcome>: <bank> could not be opened. It may be in use by another program." and the
// like; outcome says what was not done ("Nothing listed").
void PrintReadFailure(const char* outcome, ReadResult read, const char* bankFile);
// Why bankFile could not be opened, after outcome: "Not compacted: soundz.rwv is in use by
// another program." A bank that another program is changing has a sentence of its own.
void PrintNotOpened(const char* outcome, const char* bankFile);

// Resolves what a compaction ended half way left, and takes back an interrupted change of
// bankFile before a command uses it, saying so on standard error; false (message printed) when one is there and could not be taken back.
bool TakeBackBeforeUse(const char* bankFile);
