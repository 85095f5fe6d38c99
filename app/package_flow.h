// The flow that Create Package and Insert Package share: two folder questions, the file
// work, the final message.
#pragma once

#include <cstddef>

struct FolderQuestion;

struct PackageFlow {
    const FolderQuestion& first;   // the operation's own folder; its answer goes to workFolder
    const FolderQuestion& second;  // the bank folder; its answer goes to bankPath
    const char* caption;           // the operation's name, caption of boxes between questions and end
    const char* finishedCaption;
    // The file work on the two answers; writes the final message and tells whether the run
    // did what was asked.
    bool (*work)(char* message, size_t messageSize);
};

// Asks both questions from the current folder, does the work and shows its message (MB_OK,
// with the error icon when the work failed). 1 when it ran to its end, 0 when the user
// cancelled a question.
int RunPackageFlow(const PackageFlow& flow);
