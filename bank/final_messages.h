// The final message of Create Package and Insert Package, shared by every front end.
#pragma once

#include <cstddef>

#include "bank/create_package.h"
#include "bank/insert_package.h"
#include "bank/undo_journal.h"

// The final message of each operation as the window shows it, exactly.
void FormatCreateMessage(const CreateOutcome& outcome, char* out, size_t outSize);
void FormatInsertMessage(const InsertOutcome& outcome, char* out, size_t outSize);
// true when the run did what was asked: a package written (even one without entries), or
// every entry of the package merged (even of an empty one).
bool Succeeded(const CreateOutcome& outcome);
bool Succeeded(const InsertOutcome& outcome);
// What every front end tells before it goes on, when opening bankName took back an
// interrupted change; and when it could not.
void FormatRecoveredMessage(const char* bankName, char* out, size_t outSize);
void FormatNotRecoveredMessage(const char* bankName, char* out, size_t outSize);
// The undo file of bankName cannot be read past a damaged record, so nothing is appended.
void FormatDamagedJournalMessage(const char* bankName, char* out, size_t outSize);
// The undo file of bankName was set aside, as setAsideAs, because bankName is not the file
// its interrupted change was made to.
void FormatSetAsideMessage(const char* bankName, const char* setAsideAs, char* out, size_t outSize);
// The text of a recovery that took place (TAKEN_BACK), set its record aside (SET_ASIDE) or
// could not (NOT_TAKEN_BACK).
void DescribeRecovery(const RecoveryOutcome& recovery, const char* bankName, char* out, size_t outSize);
// Room for any of these texts with a whole path in it.
const size_t RECOVERY_MESSAGE_SIZE = MAX_PATH * 2 + 160;
// The statistics box's text when no statistics could be computed.
extern const char NO_STATISTICS_TEXT[];
