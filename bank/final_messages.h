// The final message of Create Package and Insert Package, shared by every front end.
#pragma once

#include <cstddef>

#include "bank/create_package.h"
#include "bank/insert_package.h"

// The final message of each operation as the window shows it, exactly.
void FormatCreateMessage(const CreateOutcome& outcome, char* out, size_t outSize);
void FormatInsertMessage(const InsertOutcome& outcome, char* out, size_t outSize);
// true when the run did what was asked: a package written (even one without entries), or
// every entry of the package merged (even of an empty one).
bool Succeeded(const CreateOutcome& outcome);
bool Succeeded(const InsertOutcome& outcome);
// The statistics box's text when no statistics could be computed.
extern const char NO_STATISTICS_TEXT[];
