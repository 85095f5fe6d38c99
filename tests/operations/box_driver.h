// BoxDriver: answers the boxes of an operation the way a user does, on the operation's
// own thread, and records what each box showed.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// One answer: type a folder into the folder field (or leave the field alone), then press
// the button with id `button`.
struct BoxAnswer {
    bool typeFolder;
    std::string folder;
    int button;
};
// Types folder as a user does, without the trailing backslash that the box adds itself.
BoxAnswer Type(const std::string& folder, int button);
BoxAnswer Press(int button);

// What one box showed when it opened, and how it was left.
struct SeenBox {
    std::string caption;
    std::string text;
    bool hasFolderField = false;
    std::string startFolder;  // the folder field's text as the box opened
    HWND owner = nullptr;
    int textWidth = 0;        // of the message text
    bool hasIcon = false;
    HICON icon = nullptr;     // the one shown, when hasIcon
    int buttonCount = 0;      // visible push buttons, the folder field's own aside
    SIZE okSize = {};
    bool okHasImage = false;
    bool okEnabled = false;   // OK's state just before the answer
    bool answered = false;    // false: no answer was left, the driver cancelled it
    // With openBrowser: the texts of the folder browser opened from the box's folder field.
    std::vector<std::string> browserTexts;
};

class BoxDriver {
public:
    explicit BoxDriver(std::vector<BoxAnswer> answers);
    BoxDriver(const BoxDriver&) = delete;
    BoxDriver& operator=(const BoxDriver&) = delete;

    // Runs `operation` on this thread; every modal box it shows is answered with the next
    // answer. A box beyond the answers, or whose OK is disabled when OK is the answer, is
    // cancelled, so a faulty operation ends instead of waiting for a user.
    int Run(const std::function<int()>& operation);

    std::vector<SeenBox> seen;
    // Before answering a box with a folder field, open its folder browser, read it and
    // cancel it, as a user who looks and then types instead.
    bool openBrowser = false;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void OnTick();
    void OnBrowsing(HWND box);
    void Answer(HWND box);
    void Press(HWND box, int button);

    std::vector<BoxAnswer> answers;
    size_t nextAnswer = 0;
    HWND answeredBox = nullptr;  // still open until the posted answer has been handled
    DWORD answeredAt = 0;
    HWND browsingBox = nullptr;  // the prompt whose folder browser is being looked at
    bool browserClosed = false;
};

// The caption, text, owner and folder field of a box, as a user would read them.
SeenBox ReadBox(HWND box);
// Types text into the folder field character by character, replacing what it held.
void TypeFolder(HWND box, const char* folder);
