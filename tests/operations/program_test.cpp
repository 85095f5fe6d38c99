// The real program, started as its own process on a demo folder and driven from here as a
// user drives it: buttons clicked, folders typed, boxes answered, the window closed.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tools/bank_files.h"

namespace {

const char MAIN_TITLE[] = "Vorlan - Veltrino v1.0";
const char DIALOG_CLASS[] = "#32770";
const int IDC_CREATE_PACKAGE = 1001;
const int IDC_INSERT_PACKAGE = 1002;
const int IDC_FOLDER_EDIT = 101;
// Generous bounds for a slow machine; only reached when the program misbehaves.
const DWORD WINDOW_WAIT_MS = 30000;
const DWORD EXIT_WAIT_MS = 30000;
const DWORD POLL_MS = 50;

// The program beside this test's folder: <build>\tests\operations\x.exe -> <build>\Veltrino.exe.
std::string ProgramPath()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    for (int up = 0; up < 3; ++up)
        path = path.substr(0, path.find_last_of('\\'));
    return path + "\\Veltrino.exe";
}

std::string AsText(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// Text of a window of the other process, asked for with a message (the edit's content
// is not its title).
std::string TextOf(HWND window)
{
    char text[1024] = "";
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

struct WindowSearch {
    DWORD process;
    std::function<bool(HWND)> wanted;
    HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM context)
{
    WindowSearch& search = *reinterpret_cast<WindowSearch*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search.process || !IsWindowVisible(window) || !search.wanted(window))
        return TRUE;
    search.found = window;
    return FALSE;
}

HWND WaitForWindow(DWORD process, const std::function<bool(HWND)>& wanted)
{
    const DWORD start = GetTickCount();
    do {
        WindowSearch search = {process, wanted, nullptr};
        EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        Sleep(POLL_MS);
    } while (GetTickCount() - start < WINDOW_WAIT_MS);
    return nullptr;
}

bool IsDialogCaptioned(HWND window, const char* caption)
{
    char cls[16] = "";
    GetClassNameA(window, cls, sizeof cls);
    char title[256] = "";
    GetWindowTextA(window, title, sizeof title);
    return std::strcmp(cls, DIALOG_CLASS) == 0 && std::strcmp(title, caption) == 0 && IsWindowEnabled(window);
}

// The program under test, on its own current directory; killed if a test leaves it running.
class Program {
public:
    explicit Program(const std::string& currentDirectory)
    {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        std::string commandLine = "\"" + ProgramPath() + "\"";
        started = CreateProcessA(ProgramPath().c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                 currentDirectory.c_str(), &startup, &info) != 0;
    }
    ~Program()
    {
        if (!started)
            return;
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    HWND WaitForBox(const char* caption) const
    {
        return WaitForWindow(info.dwProcessId, [caption](HWND w) { return IsDialogCaptioned(w, caption); });
    }

    bool started = false;
    PROCESS_INFORMATION info = {};
};

// The main window is enabled again once the operation's last box has gone.
bool WaitUntilIdle(const Program& program, HWND main)
{
    return WaitForWindow(program.info.dwProcessId, [main](HWND w) { return w == main && IsWindowEnabled(w); }) != nullptr;
}

// Clicks are posted: the program runs a whole operation inside the click's handling.
void Click(HWND button)
{
    PostMessageA(button, BM_CLICK, 0, 0);
}

// Types the folder into the box's folder field, replacing its text, then presses OK.
void AnswerFolder(HWND box, const std::string& folder)
{
    HWND edit = GetDlgItem(box, IDC_FOLDER_EDIT);
    ASSERT_NE(edit, nullptr);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_CHAR, '\b', 0);
    for (char c : folder.substr(0, folder.size() - 1))
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
    ASSERT_TRUE(IsWindowEnabled(GetDlgItem(box, IDOK)));
    Click(GetDlgItem(box, IDOK));
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        demo = MakeTempFolder("program");
        ASSERT_FALSE(demo.empty());
        waves = demo + "waves\\";
        ASSERT_TRUE(CreateDirectoryA(waves.c_str(), nullptr));
        bankEntries = PackedBankEntries({"door.wav", "bell.wav", "wind.wav"}, {4000, 2000, 3000});
        ASSERT_TRUE(WriteBankFile(demo + "soundz.rwv", bankEntries, BANK_SIZE));
        doorData = ToneData(3000, 7);
        bellData = ToneData(2500, 8);
        ASSERT_TRUE(WriteWaveFile(waves + "door.wav", 16, doorData));
        ASSERT_TRUE(WriteWaveFile(waves + "bell.wav", 16, bellData));
    }

    void TearDown() override { RemoveFolder(demo); }

    // The wave names in the order the folder search delivers them: the order of the log
    // lines and of the package's entries.
    std::vector<std::string> WavesInSearchOrder() const
    {
        return NamesInSearchOrder(waves + "*.wav");
    }

    bool IsDoor(const std::string& name) const { return name == "door.wav"; }

    std::string ExpectedPackLog() const
    {
        std::string log;
        for (const std::string& name : WavesInSearchOrder())
            log += name + " OK\r\n";
        return log + "2 files -> 2 OK, 0 NOTOK\r\n";
    }

    Bytes ExpectedPackage() const
    {
        std::vector<PackageItem> items;
        for (const std::string& name : WavesInSearchOrder()) {
            PackageItem item = {bankEntries[IsDoor(name) ? 0 : 1], IsDoor(name) ? doorData : bellData};
            item.entry.size = static_cast<int32_t>(item.data.size());
            const Bytes format = WaveFormatBytes();
            std::copy(format.begin(), format.end(), item.entry.format);
            items.push_back(item);
        }
        return PackageBytes(items);
    }

    // door.wav: 3000 bytes replace 4000 in place at 268; bell.wav: 2500 bytes outgrow the
    // 2000 at 4268 and go to the end of the bank, 9268.
    std::string ExpectedUnpackLog() const
    {
        std::string log;
        for (const std::string& name : WavesInSearchOrder()) {
            log += IsDoor(name) ? "door.wav           |REPLACE  - Size/offset before:  4000/       268,"
                                  "Size/offset after :  3000/       268\r\n"
                                : "bell.wav           |APPEND   - Size/offset before:  2000/      4268,"
                                  "Size/offset after :  2500/      9268\r\n";
        }
        return log;
    }

    Bytes ExpectedBank() const
    {
        std::vector<RwvEntry> merged = bankEntries;
        merged[0].size = 3000;
        merged[1].offset = BANK_SIZE;
        merged[1].size = 2500;
        const Bytes format = WaveFormatBytes();
        std::copy(format.begin(), format.begin() + RWV_FORMAT_TAG_AND_CHANNELS, merged[1].format);
        Bytes bank = BankBytes(merged, BANK_SIZE);
        std::copy(doorData.begin(), doorData.end(), bank.begin() + bankEntries[0].offset);
        bank.insert(bank.end(), bellData.begin(), bellData.end());
        return bank;
    }

    static const int32_t BANK_SIZE = 16 + 3 * 84 + 9000;
    std::string demo;
    std::string waves;
    std::vector<RwvEntry> bankEntries;
    Bytes doorData;
    Bytes bellData;
};

TEST_F(ProgramTest, CreatesAndInsertsAPackageThenExitsWithZero)
{
    Program program(demo);
    ASSERT_TRUE(program.started) << ProgramPath();
    HWND main = WaitForWindow(program.info.dwProcessId, [](HWND w) { return IsDialogCaptioned(w, MAIN_TITLE); });
    ASSERT_NE(main, nullptr);

    Click(GetDlgItem(main, IDC_CREATE_PACKAGE));
    HWND box = program.WaitForBox("Create Sounds Package - <Phase 1>");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(box, IDC_FOLDER_EDIT)), demo);
    AnswerFolder(box, waves);
    box = program.WaitForBox("Create Sounds Package - <phase 2>");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(box, IDC_FOLDER_EDIT)), waves);
    AnswerFolder(box, demo);
    box = program.WaitForBox("Create Sounds Package - Finished");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(GetWindow(box, GW_OWNER), main);
    Click(GetDlgItem(box, IDOK));

    ASSERT_TRUE(WaitUntilIdle(program, main));
    EXPECT_EQ(ReadWholeFile(waves + "NewPack.rwv"), ExpectedPackage());
    EXPECT_EQ(AsText(ReadWholeFile(waves + "pack.log")), ExpectedPackLog());

    Click(GetDlgItem(main, IDC_INSERT_PACKAGE));
    box = program.WaitForBox("Insert Sounds Package - <phase 1>");
    ASSERT_NE(box, nullptr);
    AnswerFolder(box, waves);
    box = program.WaitForBox("Insert Sounds Package - <phase 2>");
    ASSERT_NE(box, nullptr);
    AnswerFolder(box, demo);
    box = program.WaitForBox("Insert Sounds Package - Finished");
    ASSERT_NE(box, nullptr);
    Click(GetDlgItem(box, IDOK));
    ASSERT_TRUE(WaitUntilIdle(program, main));
    EXPECT_EQ(AsText(ReadWholeFile(waves + "Unpack.log")), ExpectedUnpackLog());
    EXPECT_EQ(ReadWholeFile(demo + "soundz.rwv"), ExpectedBank());

    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(program.info.hProcess, EXIT_WAIT_MS), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(program.info.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace
