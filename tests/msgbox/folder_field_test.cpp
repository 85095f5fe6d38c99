// The folder prompt for real: where its field and buttons sit, what typing does to OK,
// the browse button, the folder browser and the answer read when the box closes.
#include "msgbox/ext_message_box.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "res/resource.h"
#include "tests/msgbox/box_session.h"

namespace {

const int PROMPT_ICON_SIZE = 32;
const int PROMPT_ROW_WIDTH = 414;  // 2 x 2 + 10 + 2 x 200

struct Place {
    int x, y, width, height;
};

Place PlaceOf(HWND box, HWND child)
{
    const RECT r = ClientRectOfChild(box, child);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void ExpectPlace(const Place& actual, const Place& expected, const char* what)
{
    EXPECT_EQ(actual.x, expected.x) << what;
    EXPECT_EQ(actual.y, expected.y) << what;
    EXPECT_EQ(actual.width, expected.width) << what;
    EXPECT_EQ(actual.height, expected.height) << what;
}

BOOL CALLBACK FindWhiteFrame(HWND child, LPARAM found)
{
    char cls[16] = "";
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_WHITERECT) {
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
    }
    return TRUE;
}

HWND WhiteFrameOf(HWND box)
{
    HWND frame = nullptr;
    EnumChildWindows(box, FindWhiteFrame, reinterpret_cast<LPARAM>(&frame));
    return frame;
}

// A folder of its own under the temporary folder, with one file in it.
class TempFolder {
public:
    TempFolder()
    {
        char base[MAX_PATH] = "";
        GetTempPathA(MAX_PATH, base);
        path = std::string(base) + "mblayout-field-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(path.c_str(), nullptr);
        file = path + "\\take.wav";
        HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
    ~TempFolder()
    {
        DeleteFileA(file.c_str());
        RemoveDirectoryA(path.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string path;
    std::string file;
};

class FolderFieldTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        object.Init(nullptr);
        ASSERT_NE(GetFileAttributesA(folder.file.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    void TearDown() override { object.Release(); }

    // Shows the program's folder prompt, types text into its field and ends it with a button.
    int AnswerWith(const char* typed, int button)
    {
        ConfigureFolderPrompt(object, folder.path.c_str());
        return ShowAndProbe(object, FolderPromptArgs(owner.window), [&](HWND box) {
            TypeIntoFolderField(box, typed);
            PressButton(box, button);
        });
    }

    ExtMessageBox object;
    TempFolder folder;
    OwnerWindow owner{100, 80, 640, 420};
};

}  // namespace

TEST_F(FolderFieldTest, PromptIsLaidOutFromTheRealEdgeMetrics)
{
    ConfigureFolderPrompt(object, folder.path.c_str());
    Place frame = {}, edit = {}, browse = {}, text = {}, ok = {}, cancel = {};
    RECT window = {}, client = {}, frameRect = {};
    int imageRect[4] = {};
    ShowAndProbe(object, FolderPromptArgs(owner.window), [&](HWND box) {
        frame = PlaceOf(box, WhiteFrameOf(box));
        edit = PlaceOf(box, GetDlgItem(box, IDC_EXTRA));
        browse = PlaceOf(box, GetDlgItem(box, IDC_BROWSE));
        text = PlaceOf(box, object.textWindow);
        ok = PlaceOf(box, GetDlgItem(box, IDOK));
        cancel = PlaceOf(box, GetDlgItem(box, IDCANCEL));
        GetWindowRect(box, &window);
        GetClientRect(box, &client);
        frameRect = object.frameRect;
        std::copy(object.imageRect, object.imageRect + 4, imageRect);
        PressButton(box, IDCANCEL);
    });
    const int cx = GetSystemMetrics(SM_CXEDGE);
    const int cy = GetSystemMetrics(SM_CYEDGE);
    const int dlgFrame = GetSystemMetrics(SM_CXDLGFRAME);

    // The icon at its own 32 pixels, the text forced to 320 and moved to the top margin.
    EXPECT_EQ(imageRect[0], 11);
    EXPECT_EQ(imageRect[1], 11);
    EXPECT_EQ(imageRect[2], PROMPT_ICON_SIZE);
    EXPECT_EQ(imageRect[3], PROMPT_ICON_SIZE);
    EXPECT_EQ(text.width, 320);
    EXPECT_EQ(text.y, 11);

    // The box: as wide as the button row and both frames, unless the text is wider.
    const int textArea = 11 + text.x + text.width;
    const int expectedWidth = textArea < PROMPT_ROW_WIDTH ? PROMPT_ROW_WIDTH + 2 * dlgFrame : (textArea + 11) & ~1;
    const int boxWidth = window.right - window.left;
    EXPECT_EQ(boxWidth, expectedWidth);

    // The folder field 16 below the text area, filling the box less the edges and 14.
    const int top = 11 + std::max(PROMPT_ICON_SIZE, text.height) + 16;
    const int w = boxWidth - 2 * cx - 14;
    ExpectPlace(frame, {6, top, w, 20}, "frame");
    ExpectPlace(edit, {6 + cx, top + cy + 1, w - 2 * cx - 26, 19 - 2 * cy}, "edit");
    ExpectPlace(browse, {w - cx - 20, top + cy, 26, 20 - 2 * cy}, "browse button");

    // The etched line 9 below the field, the buttons 11 below the line's top.
    const int lineTop = top + 20 + 6 + 3;
    EXPECT_EQ(frameRect.left, 6);
    EXPECT_EQ(frameRect.top, lineTop);
    EXPECT_EQ(frameRect.right, 6 + boxWidth - (2 * dlgFrame + 12));
    EXPECT_EQ(frameRect.bottom, lineTop + 2);
    ExpectPlace(ok, {boxWidth - PROMPT_ROW_WIDTH, lineTop + 11, 200, 40}, "OK");
    ExpectPlace(cancel, {boxWidth - PROMPT_ROW_WIDTH + 202, lineTop + 11, 200, 40}, "Cancel");
    EXPECT_EQ(cancel.x + cancel.width, boxWidth - 12);
    EXPECT_EQ(client.bottom, lineTop + 11 + 40 + 6);
}

TEST_F(FolderFieldTest, EditUsesTheStockFontAndTwoPixelMargins)
{
    ConfigureFolderPrompt(object, folder.path.c_str());
    HFONT font = nullptr;
    LRESULT margins = 0;
    std::string initial;
    ShowAndProbe(object, FolderPromptArgs(owner.window), [&](HWND box) {
        HWND edit = GetDlgItem(box, IDC_EXTRA);
        font = reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0));
        margins = SendMessageA(edit, EM_GETMARGINS, 0, 0);
        initial = WindowTextOf(edit);
        PressButton(box, IDCANCEL);
    });
    EXPECT_EQ(font, GetStockObject(ANSI_VAR_FONT));
    EXPECT_EQ(LOWORD(margins), 2);
    EXPECT_EQ(HIWORD(margins), 2);
    EXPECT_EQ(initial, folder.path);
}

TEST_F(FolderFieldTest, OkIsEnabledOnlyWhileThePathNamesSomething)
{
    ConfigureFolderPrompt(object, folder.path.c_str());
    const std::string nothing = folder.path + "\\no such thing";
    struct Step {
        std::string typed;
        bool enabled;
    };
    const Step steps[] = {
        {nothing, false}, {folder.path, true}, {nothing, false}, {folder.file, true},
        {nothing, false}, {"C:\\", true},  // no file search matches a drive root
        {nothing, false}, {"", true},      // an absent path: the drive test looks at the current drive
    };
    std::string failures;
    ShowAndProbe(object, FolderPromptArgs(owner.window), [&](HWND box) {
        HWND ok = GetDlgItem(box, IDOK);
        for (const Step& step : steps) {
            TypeIntoFolderField(box, step.typed.c_str());
            if ((IsWindowEnabled(ok) != FALSE) != step.enabled)
                failures += "'" + step.typed + "' ";
        }
        PressButton(box, IDCANCEL);
    });
    EXPECT_EQ(failures, "") << "OK had the wrong state after these";
}

TEST_F(FolderFieldTest, WithoutValidationOkStaysAsConfigured)
{
    object.SetFolderField(folder.path.c_str(), "title", IDI_BROWSE, 1, 0, 0);
    ShowArgs args = FolderPromptArgs(owner.window);
    bool enabledAtStart = true, enabledAfterTyping = true;
    ShowAndProbe(object, args, [&](HWND box) {
        HWND ok = GetDlgItem(box, IDOK);
        enabledAtStart = IsWindowEnabled(ok) != FALSE;
        TypeIntoFolderField(box, "C:\\");
        enabledAfterTyping = IsWindowEnabled(ok) != FALSE;
        PressButton(box, IDCANCEL);
    });
    EXPECT_FALSE(enabledAtStart);
    EXPECT_FALSE(enabledAfterTyping);
}

TEST_F(FolderFieldTest, AnswerIsTheTypedFolderWithOneTrailingBackslash)
{
    EXPECT_EQ(AnswerWith(folder.path.c_str(), IDOK), IDOK);
    EXPECT_EQ(std::string(object.text.Text()), folder.path + "\\");

    const std::string withBackslash = folder.path + "\\";
    AnswerWith(withBackslash.c_str(), IDOK);
    EXPECT_EQ(std::string(object.text.Text()), withBackslash);
}

TEST_F(FolderFieldTest, AnswerIsReadWhicheverButtonEndedTheBox)
{
    EXPECT_EQ(AnswerWith(folder.path.c_str(), IDCANCEL), IDCANCEL);
    EXPECT_EQ(std::string(object.text.Text()), folder.path + "\\");
}

TEST_F(FolderFieldTest, UntouchedFieldAnswersTheInitialFolder)
{
    ConfigureFolderPrompt(object, folder.path.c_str());
    ShowAndProbe(object, FolderPromptArgs(owner.window), [&](HWND box) { PressButton(box, IDOK); });
    EXPECT_EQ(std::string(object.text.Text()), folder.path + "\\");
}

TEST_F(FolderFieldTest, EmptyFieldAnswersTheEmptyText)
{
    EXPECT_EQ(AnswerWith("", IDOK), IDOK);
    ASSERT_NE(object.text.chars, nullptr) << "a folder box always leaves a text";
    EXPECT_STREQ(object.text.chars, "");
}

TEST_F(FolderFieldTest, LongPathIsCutTo259CharactersBeforeTheBackslash)
{
    for (size_t length : {259u, 260u, 300u}) {
        const std::string typed = "C:\\" + std::string(length - 3, 'a');
        AnswerWith(typed.c_str(), IDOK);
        EXPECT_EQ(std::string(object.text.Text()), typed.substr(0, 259) + "\\") << length;
    }
}

TEST_F(FolderFieldTest, BrowseButtonShowsTheFolderImage)
{
    ConfigureFolderPrompt(object, folder.path.c_str());
    LONG style = 0;
    HANDLE shown = nullptr, loaded = nullptr;
    std::string caption = "?";
    ShowAndProbe(object, FolderPromptArgs(owner.window), [&](HWND box) {
        HWND browse = GetDlgItem(box, IDC_BROWSE);
        style = GetWindowLongA(browse, GWL_STYLE);
        shown = reinterpret_cast<HANDLE>(SendMessageA(browse, BM_GETIMAGE, IMAGE_ICON, 0));
        loaded = object.extension->browseImage;
        caption = WindowTextOf(browse);
        PressButton(box, IDCANCEL);
    });
    EXPECT_EQ(static_cast<DWORD>(style), static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_ICON));
    EXPECT_NE(loaded, nullptr);
    EXPECT_EQ(shown, loaded);
    EXPECT_EQ(caption, "");
}

TEST_F(FolderFieldTest, BrowseButtonWithoutItsImageShowsThreeDots)
{
    for (UINT imageId : {999u, 0u}) {
        object.SetFolderField(folder.path.c_str(), "title", imageId, 1, 1, 1);
        LONG style = 0;
        std::string caption;
        ShowAndProbe(object, FolderPromptArgs(owner.window), [&](HWND box) {
            HWND browse = GetDlgItem(box, IDC_BROWSE);
            style = GetWindowLongA(browse, GWL_STYLE);
            caption = WindowTextOf(browse);
            PressButton(box, IDCANCEL);
        });
        EXPECT_EQ(caption, "\xB7\xB7\xB7") << imageId;
        EXPECT_EQ(style & (BS_ICON | BS_BITMAP), 0) << imageId;
    }
}

namespace {

// Drives the shell's folder browser from a timer that fires inside its modal loop.
struct BrowserDriver {
    HWND box = nullptr;
    std::string select;  // empty: cancel the browser
    HWND browser = nullptr;
    std::string title;
    const ExtMessageBox* object = nullptr;
    WNDPROC editProc = nullptr;
    bool setFromOwnText = false;  // the edit was handed the buffer its EN_CHANGE frees
};
BrowserDriver* driver = nullptr;

LRESULT CALLBACK WatchSetText(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT && reinterpret_cast<const char*>(lParam) == driver->object->text.chars)
        driver->setFromOwnText = true;
    return CallWindowProcA(driver->editProc, edit, message, wParam, lParam);
}

BOOL CALLBACK FindBrowser(HWND window, LPARAM)
{
    if (window != driver->box && GetWindow(window, GW_OWNER) == driver->box && IsWindowVisible(window)) {
        driver->browser = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM)
{
    const std::string text = WindowTextOf(child);
    if (text == "Pick the wave folder")
        driver->title = text;
    return TRUE;
}

// The shell fills its tree while it opens; selecting once more after it settled sticks.
void CALLBACK ConfirmBrowser(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    SendMessageA(driver->browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(driver->select.c_str()));
    PostMessageA(driver->browser, WM_COMMAND, IDOK, 0);
}

void CALLBACK AnswerBrowser(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    EnumThreadWindows(GetCurrentThreadId(), FindBrowser, 0);
    if (!driver->browser) {
        SetTimer(nullptr, 0, 200, AnswerBrowser);  // the shell may take its time
        return;
    }
    EnumChildWindows(driver->browser, CollectStaticText, 0);
    if (driver->select.empty()) {
        PostMessageA(driver->browser, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    SendMessageA(driver->browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(driver->select.c_str()));
    SetTimer(nullptr, 0, 500, ConfirmBrowser);
}

void CALLBACK OpenBrowser(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    SetTimer(nullptr, 0, 300, AnswerBrowser);
    SendMessageA(driver->box, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(driver->box, IDC_BROWSE)));
}

}  // namespace

TEST_F(FolderFieldTest, FolderChosenInTheBrowserFillsTheField)
{
    object.SetFolderField("", "Pick the wave folder", IDI_BROWSE, 1, 1, 1);
    BrowserDriver drive;
    drive.select = folder.path;
    drive.object = &object;
    driver = &drive;
    std::string edited;
    HWND focus = nullptr, edit = nullptr;
    ShowAndProbe(object, FolderPromptArgs(owner.window), [&](HWND box) {
        drive.box = box;
        edit = GetDlgItem(box, IDC_EXTRA);
        drive.editProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchSetText)));
        // The browser runs its own modal loop: open it from a timer, check afterwards.
        SetTimer(nullptr, 0, 10, OpenBrowser);
        const DWORD until = GetTickCount() + 10000;
        while (!drive.browser && static_cast<LONG>(until - GetTickCount()) > 0) {
            PumpPendingMessages();
            Sleep(10);
        }
        PumpPendingMessages();
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(drive.editProc));
        edited = WindowTextOf(edit);
        focus = GetFocus();
        PressButton(box, IDOK);
    });
    driver = nullptr;
    ASSERT_NE(drive.browser, nullptr) << "the folder browser did not open";
    EXPECT_EQ(drive.title, "Pick the wave folder");
    EXPECT_EQ(lstrcmpiA(edited.c_str(), folder.path.c_str()), 0) << edited;
    EXPECT_FALSE(drive.setFromOwnText);
    EXPECT_EQ(focus, edit);
    EXPECT_EQ(lstrcmpiA(object.text.Text(), (folder.path + "\\").c_str()), 0) << object.text.Text();
}

TEST_F(FolderFieldTest, CancelledBrowserLeavesTheFieldAlone)
{
    ConfigureFolderPrompt(object, folder.path.c_str());
    BrowserDriver drive;
    driver = &drive;
    std::string edited;
    ShowAndProbe(object, FolderPromptArgs(owner.window), [&](HWND box) {
        drive.box = box;
        SetTimer(nullptr, 0, 10, OpenBrowser);
        const DWORD until = GetTickCount() + 10000;
        while (!drive.browser && static_cast<LONG>(until - GetTickCount()) > 0) {
            PumpPendingMessages();
            Sleep(10);
        }
        PumpPendingMessages();
        edited = WindowTextOf(GetDlgItem(box, IDC_EXTRA));
        PressButton(box, IDOK);
    });
    driver = nullptr;
    ASSERT_NE(drive.browser, nullptr) << "the folder browser did not open";
    EXPECT_EQ(edited, folder.path);
    EXPECT_EQ(std::string(object.text.Text()), folder.path + "\\");
}
