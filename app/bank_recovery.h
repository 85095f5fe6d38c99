// Before an operation uses the chosen bank: an interrupted change of it is taken back, and
// the user is told.
#pragma once

// Takes back an interrupted change of bankPath, with a box of the operation's caption that
// says so; false, after an error box, when one is there and could not be taken back (the
// operation then writes nothing).
bool TakeBackBeforeOperation(const char* caption);
