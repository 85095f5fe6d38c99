// The folder prompt and the look of every operation box.
#include "app/folder_prompt.h"

#include <cstring>
#include <iterator>

#include "app/main_dialog.h"
#include "bank/paths.h"
#include "bank/workspace.h"
#include "msgbox/ext_message_box.h"
#include "res/resource.h"

const char BANK_FOLDER_BROWSE_TITLE[] = "Please select the folder with the original file soundz.rwv";
const char BANK_FOLDER_COMPLAINT[] = "No file soundz.rwv in this folder, change or abort.";

static const int TEXT_WIDTH = 320;
// The folder field: the answer ends in a backslash, OK follows what is typed, OK starts enabled.
static const int APPEND_BACKSLASH = 1;
static const int VALIDATE_ON_CHANGE = 1;
static const int ACTION_ENABLED = 1;
static const int BUTTON_LABELS_ARE_IMAGES = 0;
static const int BUTTON_SIZES[] = {200, 40, 200, 40};  // width, height of OK, then of Cancel
static const UINT_PTR BUTTON_IMAGES[] = {IDI_BUTTON_OK, IDI_BUTTON_CANCEL};
static const UINT BOX_STYLE = MB_OKCANCEL;
static const UINT BOX_OPTIONS = EMB_OPT_CLIENT_EDGE | EMB_OPT_ETCHED_LINE;

void SetOperationButtons(ExtMessageBox& box)
{
    box.SetButtons(BUTTON_LABELS_ARE_IMAGES, BUTTON_SIZES, static_cast<int>(std::size(BUTTON_SIZES)), BUTTON_IMAGES,
                   static_cast<int>(std::size(BUTTON_IMAGES)));
}

int ShowOperationBox(ExtMessageBox& box, const char* text, const char* caption)
{
    return box.Show(mainWindow, text, caption, BOX_STYLE, BOX_OPTIONS, IDI_PROMPT, 0, 0);
}

// Show consumes the whole configuration, so every asking sets all of it again.
static int ShowFolderPrompt(ExtMessageBox& box, const char* text, const FolderQuestion& question)
{
    box.SetFolderField(workFolder, question.browseTitle, IDI_BROWSE, APPEND_BACKSLASH, VALIDATE_ON_CHANGE,
                       ACTION_ENABLED);
    box.textWidth = TEXT_WIDTH;
    box.textHeight = 0;
    SetOperationButtons(box);
    return ShowOperationBox(box, text, question.caption);
}

bool AskFolderQuestion(ExtMessageBox& box, const FolderQuestion& question)
{
    const char* text = question.text;
    for (;;) {
        const int result = ShowFolderPrompt(box, text, question);
        // A box that could not be shown gave no answer either: nothing may be written on
        // the strength of a folder that the user never confirmed.
        if (result == IDCANCEL || result == 0)
            return false;
        if (question.takeAnswer(box.text.Text()))
            return true;
        text = question.complaint;
    }
}

bool StoreWorkFolder(const char* folder)
{
    if (std::strlen(folder) >= MAX_PATH)
        return false;
    std::strcpy(workFolder, folder);
    return true;
}

bool FitsEveryName(const char* folder, const char* const* names, size_t count)
{
    char path[MAX_PATH];
    for (size_t i = 0; i < count; ++i) {
        if (!JoinPath(path, folder, names[i]))
            return false;
    }
    return true;
}

bool TakeBankFolder(const char* folder)
{
    return JoinPath(bankPath, folder, BANK_FILE_NAME) && FileExists(bankPath, false);
}
