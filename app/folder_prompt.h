// The folder prompt every operation asks its folders with, and the look of all their boxes.
#pragma once

#include <windows.h>

#include <cstddef>

class ExtMessageBox;

// One folder question of an operation.
struct FolderQuestion {
    const char* text;         // box text of the first asking
    const char* complaint;    // box text of every asking after an unusable answer
    const char* caption;
    const char* browseTitle;  // instruction of the folder browser; the same at every asking
    // Stores the chosen folder ("" = the current folder) where the operation keeps it and
    // tells whether it holds what the operation needs.
    bool (*takeAnswer)(const char* folder);
};

// Asks the question, starting each time at workFolder, until takeAnswer accepts an answer
// (true) or the user gives up (false).
bool AskFolderQuestion(ExtMessageBox& box, const FolderQuestion& question);

// The first question's answer goes into workFolder, so that a refused folder is asked
// again from there; false, and workFolder left as it was, when it does not fit.
bool StoreWorkFolder(const char* folder);
// true when each of the count names, appended to folder, still fits a path buffer.
bool FitsEveryName(const char* folder, const char* const* names, size_t count);

// The bank question's answer: bankPath = folder + "soundz.rwv", which must exist.
// The work folder is left as it is.
bool TakeBankFolder(const char* folder);
extern const char BANK_FOLDER_BROWSE_TITLE[];
extern const char BANK_FOLDER_COMPLAINT[];

// The OK and Cancel buttons of every operation box: 200 x 40, with the tick and cross images.
void SetOperationButtons(ExtMessageBox& box);
// Shows an operation box as configured: owned by mainWindow, OK and Cancel, client-edged
// buttons under an etched line, the prompt icon. Returns the button id (0: not shown).
int ShowOperationBox(ExtMessageBox& box, const char* text, const char* caption);
