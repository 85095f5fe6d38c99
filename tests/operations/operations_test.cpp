// The three operations end to end in this process: each box answered as a user answers
// it, and the files written compared byte for byte with what they must hold.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/operations.h"
#include "bank/insert_package.h"
#include "res/resource.h"
#include "tests/operations/box_driver.h"
#include "tools/bank_files.h"

namespace {

const char WAVE_CAPTION[] = "Create Sounds Package - <Phase 1>";
const char CREATE_BANK_CAPTION[] = "Create Sounds Package - <phase 2>";
const char CREATE_FINISHED_CAPTION[] = "Create Sounds Package - Finished";
const char PACKAGE_CAPTION[] = "Insert Sounds Package - <phase 1>";
const char INSERT_BANK_CAPTION[] = "Insert Sounds Package - <phase 2>";
const char INSERT_FINISHED_CAPTION[] = "Insert Sounds Package - Finished";
const char STATISTICS_BANK_CAPTION[] = "Total Rebuild - <phase 1>";
const char STATISTICS_CAPTION[] = "Total Rebuild - statistics";

const char WAVE_TEXT[] = "Please select a folder with wav files.";
const char WAVE_COMPLAINT[] = "No files wav in this folder, change or abort.";
const char BANK_TEXT[] = "Please select the folder with the original file soundz.rwv.";
const char BANK_COMPLAINT[] = "No file soundz.rwv in this folder, change or abort.";
const char PACKAGE_TEXT[] = "Please select a folder with only ONE rwv file package.";
const char PACKAGE_COMPLAINT[] = "No file rwv or more than ONE in this folder, change or abort.";
const char STATISTICS_BANK_TEXT[] = "Please select the folder with the file soundz.rwv to rebuild.";
const char CREATED_TEXT[] = "Package created, see 'pack.log' file.";
const char INCLUDED_TEXT[] = "Package included in rwv file, see 'unpack.log' file.";
const char NO_STATISTICS_TEXT[] = "The file soundz.rwv cannot be read or is not a sound bank.";
const char RECOVERED_TEXT[] =
    "The last change to soundz.rwv was interrupted. soundz.rwv has been put back as it was before it.";
const char SET_ASIDE_TEXT[] =
    "soundz.rwv is not the bank that its interrupted change was made to (was it restored or replaced?). It was left "
    "as it is; the change's record was set aside as soundz.rwv.undo.stale.";
// An undo record's state as the process leaves it when it ends before the merge is done.
const uint8_t INTERRUPTED_STATE[] = {'P', 'E', 'N', 'D'};
const char CREATE_BANK_HELD_TEXT[] =
    "Package not created: soundz.rwv could not be opened. It may be in use by another program.";
const char INSERT_BANK_HELD_TEXT[] =
    "Package not included: soundz.rwv could not be opened. It may be in use by another program.";

const int FOLDER_PROMPT_TEXT_WIDTH = 320;
const int OPERATION_BUTTON_WIDTH = 200;
const int OPERATION_BUTTON_HEIGHT = 40;

std::string AsText(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

std::string WithoutBackslash(const std::string& folder)
{
    return folder.substr(0, folder.size() - 1);
}

// The extended form of a path, for the files and folders too long for the plain calls.
std::wstring Extended(const std::string& path)
{
    const std::string extended = "\\\\?\\" + path;
    return std::wstring(extended.begin(), extended.end());
}


// A folder of exactly `length` characters with its backslash, made under root; folders
// this long need the extended path form on some systems.
std::string MakeFolderOfLength(const std::string& root, size_t length)
{
    const std::string folder = root + std::string(length - root.size() - 1, 'l') + "\\";
    if (!CreateDirectoryA(WithoutBackslash(folder).c_str(), nullptr))
        CreateDirectoryW(Extended(WithoutBackslash(folder)).c_str(), nullptr);
    return folder;
}

// The main dialog as the program shows it, modeless so that the test keeps its thread;
// every operation's boxes are owned by it. The current directory is a fresh folder.
class OperationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = MakeTempFolder("ops");
        ASSERT_FALSE(root.empty());
        GetCurrentDirectoryA(MAX_PATH, previousDirectory);
        ASSERT_TRUE(SetCurrentDirectoryA(root.c_str()));
        appInstance = GetModuleHandleA(nullptr);
        dialog = CreateDialogParamA(appInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc,
                                    reinterpret_cast<LPARAM>(appInstance));
        ASSERT_NE(dialog, nullptr);
        ASSERT_EQ(mainWindow, dialog);
        ShowWindow(dialog, SW_SHOW);
    }

    void TearDown() override
    {
        if (dialog)
            DestroyWindow(dialog);
        mainWindow = nullptr;
        SetCurrentDirectoryA(previousDirectory);
        RemoveFolder(root);
    }

    std::string Folder(const char* name)
    {
        const std::string folder = root + name + "\\";
        CreateDirectoryA(folder.c_str(), nullptr);
        return folder;
    }

    // Asserts what a folder prompt must look like, whichever asking it is.
    void ExpectFolderPrompt(const SeenBox& box, const char* caption, const char* text, const std::string& start)
    {
        EXPECT_EQ(box.caption, caption);
        EXPECT_EQ(box.text, text);
        EXPECT_TRUE(box.hasFolderField);
        EXPECT_EQ(box.startFolder, start);
        EXPECT_EQ(box.owner, mainWindow);
        EXPECT_EQ(box.textWidth, FOLDER_PROMPT_TEXT_WIDTH);
        EXPECT_TRUE(box.hasIcon);
        ExpectOperationButtons(box);
    }

    void ExpectOperationButtons(const SeenBox& box)
    {
        EXPECT_EQ(box.buttonCount, 2);
        EXPECT_EQ(box.okSize.cx, OPERATION_BUTTON_WIDTH);
        EXPECT_EQ(box.okSize.cy, OPERATION_BUTTON_HEIGHT);
        EXPECT_TRUE(box.okHasImage);
    }

    // A failure shows the error icon, success none.
    void ExpectFinalMessage(const SeenBox& box, const char* caption, const char* text, bool failed = false)
    {
        EXPECT_EQ(box.caption, caption);
        EXPECT_EQ(box.text, text);
        EXPECT_FALSE(box.hasFolderField);
        EXPECT_EQ(box.owner, mainWindow);
        EXPECT_EQ(box.buttonCount, 1);
        EXPECT_EQ(box.hasIcon, failed);
        if (failed) {
            EXPECT_EQ(box.icon, LoadIconA(nullptr, IDI_ERROR));
        }
    }

    std::string root;
    char previousDirectory[MAX_PATH] = "";
    HWND dialog = nullptr;
};

// ---------------------------------------------------------------------------------------
// Create Package

// A bank naming a.wav and c.wav (and x.wav, which no wave carries), and a wave folder
// with a.wav and c.wav, a b.wav that is no wave and a d.wav the bank lacks.
class CreatePackageTest : public OperationTest {
protected:
    void SetUp() override
    {
        OperationTest::SetUp();
        waves = Folder("waves");
        bankEntries = PackedBankEntries({"a.wav", "c.wav", "x.wav"}, {100, 200, 50});
        ASSERT_TRUE(WriteBankFile(root + "soundz.rwv", bankEntries, 16 + 3 * 84 + 350));
        waveData = {{"a.wav", ToneData(1000, 1)}, {"c.wav", ToneData(600, 2)}};
        ASSERT_TRUE(WriteWaveFile(waves + "a.wav", 16, waveData[0].second));
        ASSERT_TRUE(WriteWaveFile(waves + "c.wav", 18, waveData[1].second));
        ASSERT_TRUE(WriteWholeFile(waves + "b.wav", Bytes(64, 'b')));
        ASSERT_TRUE(WriteWaveFile(waves + "d.wav", 16, ToneData(300, 3)));
        bankBefore = ReadWholeFile(root + "soundz.rwv");
    }

    const Bytes* DataOf(const std::string& name) const
    {
        for (const auto& wave : waveData) {
            if (wave.first == name)
                return &wave.second;
        }
        return nullptr;
    }

    // pack.log and NewPack.rwv as they must be, following the folder search's order.
    void ExpectPackageOf(const std::string& folder)
    {
        std::string log;
        std::vector<PackageItem> items;
        const std::vector<std::string> names = NamesInSearchOrder(folder + "*.wav");
        for (const std::string& name : names) {
            const Bytes* data = DataOf(name);
            log += name + (data ? " OK\r\n" : " NOT OK\r\n");
            if (!data)
                continue;
            const size_t index = name == "a.wav" ? 0 : 1;
            PackageItem item = {bankEntries[index], *data};
            item.entry.size = static_cast<int32_t>(data->size());
            const Bytes format = WaveFormatBytes();
            std::copy(format.begin(), format.end(), item.entry.format);
            items.push_back(item);
        }
        log += std::to_string(names.size()) + " files -> 2 OK, " + std::to_string(names.size() - 2) + " NOTOK\r\n";
        EXPECT_EQ(AsText(ReadWholeFile(folder + "pack.log")), log);
        EXPECT_EQ(ReadWholeFile(folder + "NewPack.rwv"), PackageBytes(items));
        EXPECT_EQ(ReadWholeFile(root + "soundz.rwv"), bankBefore);
    }

    void ExpectNothingWritten()
    {
        EXPECT_FALSE(PathExists(waves + "pack.log"));
        EXPECT_FALSE(PathExists(waves + "NewPack.rwv"));
        EXPECT_FALSE(PathExists(root + "pack.log"));
        EXPECT_FALSE(PathExists(root + "NewPack.rwv"));
        EXPECT_EQ(ReadWholeFile(root + "soundz.rwv"), bankBefore);
    }

    std::string waves;
    std::vector<RwvEntry> bankEntries;
    std::vector<std::pair<std::string, Bytes>> waveData;
    Bytes bankBefore;
};

TEST_F(CreatePackageTest, BuildsThePackageAndItsLogFromTheTwoFoldersTyped)
{
    BoxDriver driver({Type(waves, IDOK), Type(root, IDOK), Press(IDOK)});
    EXPECT_EQ(driver.Run(CreatePackage), 1);

    ASSERT_EQ(driver.seen.size(), 3u);
    ExpectFolderPrompt(driver.seen[0], WAVE_CAPTION, WAVE_TEXT, root);
    ExpectFolderPrompt(driver.seen[1], CREATE_BANK_CAPTION, BANK_TEXT, waves);
    ExpectFinalMessage(driver.seen[2], CREATE_FINISHED_CAPTION, CREATED_TEXT);
    for (const SeenBox& box : driver.seen)
        EXPECT_TRUE(box.answered) << box.caption;
    ExpectPackageOf(waves);
}

// A modder's 44.1 kHz stereo wave is converted to its entry's 22.05 kHz mono: the log says OK,
// the entry carries the bank's format and half the frames in one channel.
TEST_F(CreatePackageTest, AWaveOfAnotherFormatIsConvertedToItsEntrysFormat)
{
    const size_t frames = 4410;
    Bytes wave = WaveBytes(16, ToneData(frames * 4, 4));
    const uint8_t stereo44k[] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0};
    std::copy(stereo44k, stereo44k + sizeof stereo44k, wave.begin() + 20);
    ASSERT_TRUE(WriteWholeFile(waves + "c.wav", wave));

    BoxDriver driver({Type(waves, IDOK), Type(root, IDOK), Press(IDOK)});
    EXPECT_EQ(driver.Run(CreatePackage), 1);
    ASSERT_EQ(driver.seen.size(), 3u);
    ExpectFinalMessage(driver.seen[2], CREATE_FINISHED_CAPTION, CREATED_TEXT);
    EXPECT_NE(AsText(ReadWholeFile(waves + "pack.log")).find("c.wav OK\r\n"), std::string::npos);
    const Bytes package = ReadWholeFile(waves + "NewPack.rwv");
    ASSERT_EQ(package.size(), 16 + 2 * 84 + 1000 + frames);
    RwvEntry converted = {};
    for (size_t at = 16; at < 16 + 2 * 84; at += 84) {
        RwvEntry entry;
        std::memcpy(&entry, package.data() + at, sizeof entry);
        if (std::string(NameOf(entry).text) == "c.wav")
            converted = entry;
    }
    EXPECT_STREQ(NameOf(converted).text, "c.wav");
    EXPECT_EQ(converted.size, static_cast<int32_t>(frames));
    EXPECT_EQ(std::memcmp(converted.format, bankEntries[1].format, 16), 0);
}

TEST_F(CreatePackageTest, CancelInEitherQuestionWritesNothing)
{
    BoxDriver atWaves({Type(waves, IDCANCEL)});
    EXPECT_EQ(atWaves.Run(CreatePackage), 0);
    EXPECT_EQ(atWaves.seen.size(), 1u);
    ExpectNothingWritten();

    BoxDriver atBank({Type(waves, IDOK), Type(root, IDCANCEL)});
    EXPECT_EQ(atBank.Run(CreatePackage), 0);
    ASSERT_EQ(atBank.seen.size(), 2u);
    EXPECT_EQ(atBank.seen[1].caption, CREATE_BANK_CAPTION);
    ExpectNothingWritten();
}

// The wave question is asked again from the folder just refused; the bank question from
// the wave folder, never from the folder it refused.
TEST_F(CreatePackageTest, RefusedFoldersAreAskedAgainWithTheirComplaint)
{
    const std::string empty = Folder("empty");
    BoxDriver driver({Type(empty, IDOK),
                      Type(waves, IDOK),
                      Type(empty, IDOK),
                      Type(waves, IDOK),
                      Type(root, IDOK),
                      Press(IDOK)});
    EXPECT_EQ(driver.Run(CreatePackage), 1);

    ASSERT_EQ(driver.seen.size(), 6u);
    ExpectFolderPrompt(driver.seen[0], WAVE_CAPTION, WAVE_TEXT, root);
    ExpectFolderPrompt(driver.seen[1], WAVE_CAPTION, WAVE_COMPLAINT, empty);
    ExpectFolderPrompt(driver.seen[2], CREATE_BANK_CAPTION, BANK_TEXT, waves);
    ExpectFolderPrompt(driver.seen[3], CREATE_BANK_CAPTION, BANK_COMPLAINT, waves);
    ExpectFolderPrompt(driver.seen[4], CREATE_BANK_CAPTION, BANK_COMPLAINT, waves);
    ExpectFinalMessage(driver.seen[5], CREATE_FINISHED_CAPTION, CREATED_TEXT);
    EXPECT_FALSE(PathExists(empty + "pack.log"));
    ExpectPackageOf(waves);
}

// A bank that another program holds open: the operation ends with the error, an empty
// log and no package.
TEST_F(CreatePackageTest, ABankHeldOpenEndsWithTheErrorAndNoPackage)
{
    HeldFile held(root + "soundz.rwv");
    ASSERT_TRUE(held.IsOpen());
    BoxDriver driver({Type(waves, IDOK), Type(root, IDOK), Press(IDOK)});
    EXPECT_EQ(driver.Run(CreatePackage), 1);

    ASSERT_EQ(driver.seen.size(), 3u);
    ExpectFinalMessage(driver.seen[2], CREATE_FINISHED_CAPTION, CREATE_BANK_HELD_TEXT, true);
    EXPECT_EQ(FileSizeOf(waves + "pack.log"), 0);
    EXPECT_FALSE(PathExists(waves + "NewPack.rwv"));
}

// An empty field means the current folder: waves, bank, log and package all live there.
TEST_F(CreatePackageTest, EmptyAnswersMeanTheCurrentFolder)
{
    ASSERT_TRUE(CopyFileA((root + "soundz.rwv").c_str(), (waves + "soundz.rwv").c_str(), TRUE));
    ASSERT_TRUE(SetCurrentDirectoryA(waves.c_str()));
    BoxDriver driver({Type("", IDOK), Type("", IDOK), Press(IDOK)});
    EXPECT_EQ(driver.Run(CreatePackage), 1);

    ASSERT_EQ(driver.seen.size(), 3u);
    EXPECT_TRUE(driver.seen[0].okEnabled);
    EXPECT_EQ(driver.seen[1].startFolder, "");
    EXPECT_EQ(driver.seen[2].caption, CREATE_FINISHED_CAPTION);
    ExpectPackageOf(waves);
}

// A wave folder whose path leaves no room for "pack.log" or "NewPack.rwv" after it is
// refused like a folder without waves, and asked again from there.
TEST_F(CreatePackageTest, FolderTooLongForItsFilesIsAskedAgain)
{
    const std::string longFolder = MakeFolderOfLength(root, MAX_PATH - 8);
    ASSERT_TRUE(WriteWaveFile(longFolder + "a.wav", 16, ToneData(100, 4)));
    BoxDriver driver({Type(longFolder, IDOK),
                      Type(waves, IDOK),
                      Type(root, IDOK),
                      Press(IDOK)});
    EXPECT_EQ(driver.Run(CreatePackage), 1);

    ASSERT_EQ(driver.seen.size(), 4u);
    EXPECT_TRUE(driver.seen[0].okEnabled);
    ExpectFolderPrompt(driver.seen[1], WAVE_CAPTION, WAVE_COMPLAINT, longFolder);
    ExpectPackageOf(waves);
}

// ---------------------------------------------------------------------------------------
// Insert Package

// A bank with shot.wav (1200 bytes), big.wav (300) and keep.wav (500) and 100 wasted bytes
// at its end; a package folder whose NewPack.rwv replaces shot.wav with 1000 bytes and
// appends 301 bytes for big.wav.
class InsertPackageTest : public OperationTest {
protected:
    void SetUp() override
    {
        OperationTest::SetUp();
        pack = Folder("pack");
        bankEntries = PackedBankEntries({"shot.wav", "big.wav", "keep.wav"}, {1200, 300, 500});
        ASSERT_TRUE(WriteBankFile(root + "soundz.rwv", bankEntries, BANK_SIZE));
        items = {{MakeEntry("SHOT.WAV", 0, 1000), ToneData(1000, 5)}, {MakeEntry("big.wav", 0, 301), ToneData(301, 6)}};
        ASSERT_TRUE(WritePackageFile(pack + "NewPack.rwv", items));
        bankBefore = ReadWholeFile(root + "soundz.rwv");
    }

    // The bank after the merge: shot.wav's data in place, big.wav's at the old end.
    Bytes MergedBank() const
    {
        std::vector<RwvEntry> entries = bankEntries;
        entries[0].size = 1000;
        entries[1].offset = BANK_SIZE;
        entries[1].size = 301;
        std::copy(items[1].entry.format, items[1].entry.format + 4, entries[1].format);
        Bytes bank = BankBytes(entries, BANK_SIZE);
        std::copy(items[0].data.begin(), items[0].data.end(), bank.begin() + bankEntries[0].offset);
        bank.insert(bank.end(), items[1].data.begin(), items[1].data.end());
        return bank;
    }

    void ExpectMerged()
    {
        EXPECT_EQ(ReadWholeFile(root + "soundz.rwv"), MergedBank());
        EXPECT_EQ(AsText(ReadWholeFile(pack + "Unpack.log")),
                  "shot.wav           |REPLACE  - Size/offset before:  1200/       268,"
                  "Size/offset after :  1000/       268\r\n"
                  "big.wav            |APPEND   - Size/offset before:   300/      1468,"
                  "Size/offset after :   301/      2368\r\n");
    }

    // The undo record of a merge into bankFolder's bank, marked as a merge a crash ended.
    Bytes InterruptedRecordOf(const std::string& bankFolder)
    {
        const std::string other = Folder("other");
        EXPECT_TRUE(WritePackageFile(other + "p.rwv", {{MakeEntry("keep.wav", 0, 900), ToneData(900, 7)}}));
        EXPECT_EQ(MergePackage((other + "p.rwv").c_str(), (bankFolder + "soundz.rwv").c_str()).result,
                  InsertResult::ALL_MERGED);
        Bytes record = ReadWholeFile(bankFolder + "soundz.rwv.undo");
        std::copy(INTERRUPTED_STATE, INTERRUPTED_STATE + 4, record.begin() + 4);
        return record;
    }

    // The same questions and box as any operation that finds a record beside the bank: the
    // box of the operation's caption, with text and icon, then the merge as always.
    void ExpectBoxBeforeTheMerge(const std::string& text, LPCSTR icon)
    {
        BoxDriver driver({Type(pack, IDOK), Type(root, IDOK), Press(IDOK), Press(IDOK)});
        EXPECT_EQ(driver.Run(InsertPackage), 1);
        ASSERT_EQ(driver.seen.size(), 4u);
        EXPECT_EQ(driver.seen[2].caption, "Insert Sounds Package");
        EXPECT_EQ(driver.seen[2].text, text);
        EXPECT_EQ(driver.seen[2].icon, LoadIconA(nullptr, icon));
        ExpectFinalMessage(driver.seen[3], INSERT_FINISHED_CAPTION, INCLUDED_TEXT);
        ExpectMerged();
    }

    void ExpectNothingWritten()
    {
        EXPECT_EQ(ReadWholeFile(root + "soundz.rwv"), bankBefore);
        EXPECT_FALSE(PathExists(pack + "Unpack.log"));
        EXPECT_FALSE(PathExists(root + "Unpack.log"));
    }

    static const int32_t BANK_SIZE = 16 + 3 * 84 + 2000 + 100;
    std::string pack;
    std::vector<RwvEntry> bankEntries;
    std::vector<PackageItem> items;
    Bytes bankBefore;
};

TEST_F(InsertPackageTest, MergesThePackageFromTheTwoFoldersTyped)
{
    BoxDriver driver({Type(pack, IDOK), Type(root, IDOK), Press(IDOK)});
    EXPECT_EQ(driver.Run(InsertPackage), 1);

    ASSERT_EQ(driver.seen.size(), 3u);
    ExpectFolderPrompt(driver.seen[0], PACKAGE_CAPTION, PACKAGE_TEXT, root);
    ExpectFolderPrompt(driver.seen[1], INSERT_BANK_CAPTION, BANK_TEXT, pack);
    ExpectFinalMessage(driver.seen[2], INSERT_FINISHED_CAPTION, INCLUDED_TEXT);
    ExpectMerged();
}

// A merge ended half way by a crash: the next Insert Package finds its record, says that
// the bank was put back, and merges into the bank as it was before.
TEST_F(InsertPackageTest, AnInterruptedMergeIsTakenBackBeforeTheMerge)
{
    ASSERT_TRUE(WriteWholeFile(root + "soundz.rwv.undo", InterruptedRecordOf(root)));
    ExpectBoxBeforeTheMerge(RECOVERED_TEXT, IDI_INFORMATION);
}

// The record of an interrupted merge of another bank lies beside this one (as when the bank
// was put back from a copy): the box says it was set aside, and the merge goes on.
TEST_F(InsertPackageTest, ARecordOfAnotherBankIsSetAsideAndTheMergeGoesOn)
{
    const std::string other = Folder("other");
    ASSERT_TRUE(WriteBankFile(other + "soundz.rwv", PackedBankEntries({"keep.wav"}, {500}), 16 + 84 + 500));
    const Bytes record = InterruptedRecordOf(other);
    ASSERT_TRUE(WriteWholeFile(root + "soundz.rwv.undo", record));
    ExpectBoxBeforeTheMerge(SET_ASIDE_TEXT, IDI_WARNING);
    EXPECT_EQ(record, ReadWholeFile(root + "soundz.rwv.undo.stale"));
}

// Another writer (a merge or compaction of another program) holds the bank: Insert Package
// ends with its "could not be opened" error and the bank is as it was.
TEST_F(InsertPackageTest, ABankAnotherWriterHoldsEndsWithTheErrorAndIsLeftAlone)
{
    HANDLE writer = CreateFileA((root + "soundz.rwv").c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    BoxDriver driver({Type(pack, IDOK), Type(root, IDOK), Press(IDOK)});
    EXPECT_EQ(driver.Run(InsertPackage), 1);
    CloseHandle(writer);

    ASSERT_EQ(driver.seen.size(), 3u);
    ExpectFinalMessage(driver.seen[2], INSERT_FINISHED_CAPTION, INSERT_BANK_HELD_TEXT, true);
    EXPECT_EQ(ReadWholeFile(root + "soundz.rwv"), bankBefore);
    EXPECT_FALSE(PathExists(root + "soundz.rwv.undo"));
}

TEST_F(InsertPackageTest, CancelInEitherQuestionWritesNothing)
{
    BoxDriver atPackage({Type(pack, IDCANCEL)});
    EXPECT_EQ(atPackage.Run(InsertPackage), 0);
    EXPECT_EQ(atPackage.seen.size(), 1u);
    ExpectNothingWritten();

    BoxDriver atBank({Type(pack, IDOK), Type(root, IDCANCEL)});
    EXPECT_EQ(atBank.Run(InsertPackage), 0);
    ASSERT_EQ(atBank.seen.size(), 2u);
    EXPECT_EQ(atBank.seen[1].caption, INSERT_BANK_CAPTION);
    ExpectNothingWritten();
}

// A folder without a package and one with two ".rwv" files (the bank folder itself) are
// refused, each asked again from there; the bank question repeats from the package folder.
TEST_F(InsertPackageTest, RefusedFoldersAreAskedAgainWithTheirComplaint)
{
    const std::string empty = Folder("empty");
    ASSERT_TRUE(WritePackageFile(root + "Other.rwv", items));
    BoxDriver driver({Type(empty, IDOK),
                      Type(root, IDOK),
                      Type(pack, IDOK),
                      Type(empty, IDOK),
                      Type(root, IDOK),
                      Press(IDOK)});
    EXPECT_EQ(driver.Run(InsertPackage), 1);

    ASSERT_EQ(driver.seen.size(), 6u);
    ExpectFolderPrompt(driver.seen[0], PACKAGE_CAPTION, PACKAGE_TEXT, root);
    ExpectFolderPrompt(driver.seen[1], PACKAGE_CAPTION, PACKAGE_COMPLAINT, empty);
    ExpectFolderPrompt(driver.seen[2], PACKAGE_CAPTION, PACKAGE_COMPLAINT, root);
    ExpectFolderPrompt(driver.seen[3], INSERT_BANK_CAPTION, BANK_TEXT, pack);
    ExpectFolderPrompt(driver.seen[4], INSERT_BANK_CAPTION, BANK_COMPLAINT, pack);
    ExpectFinalMessage(driver.seen[5], INSERT_FINISHED_CAPTION, INCLUDED_TEXT);
    EXPECT_FALSE(PathExists(empty + "Unpack.log"));
    EXPECT_FALSE(PathExists(root + "Unpack.log"));
    ExpectMerged();
}

// soundz.rwv as the package folder's one ".rwv" and as the bank: the package holds the
// file unshared, so the bank is held open by another handle; it is left alone and the
// user is told so.
TEST_F(InsertPackageTest, SameFolderForPackageAndBankLeavesTheBankAlone)
{
    BoxDriver driver({Type(root, IDOK), Type(root, IDOK), Press(IDOK)});
    EXPECT_EQ(driver.Run(InsertPackage), 1);

    ASSERT_EQ(driver.seen.size(), 3u);
    EXPECT_EQ(driver.seen[1].caption, INSERT_BANK_CAPTION);
    ExpectFinalMessage(driver.seen[2], INSERT_FINISHED_CAPTION, INSERT_BANK_HELD_TEXT, true);
    EXPECT_EQ(ReadWholeFile(root + "soundz.rwv"), bankBefore);
    EXPECT_EQ(FileSizeOf(root + "Unpack.log"), 0);
}

// A package folder with no room for "Unpack.log", or for its package's own name, after it.
TEST_F(InsertPackageTest, FolderTooLongForItsFilesIsAskedAgain)
{
    const std::string noRoomForLog = MakeFolderOfLength(root, MAX_PATH - 6);
    ASSERT_TRUE(WritePackageFile(noRoomForLog + "p.rwv", items));
    const std::string noRoomForName = MakeFolderOfLength(root, MAX_PATH - 20);
    const std::string longName = noRoomForName + "a_rather_long_name.rwv";
    ASSERT_TRUE(WritePackageFile(noRoomForName + "p.rwv", items));
    ASSERT_TRUE(MoveFileW(Extended(noRoomForName + "p.rwv").c_str(), Extended(longName).c_str()));
    BoxDriver driver({Type(noRoomForLog, IDOK),
                      Type(noRoomForName, IDOK),
                      Type(pack, IDOK),
                      Type(root, IDOK),
                      Press(IDOK)});
    EXPECT_EQ(driver.Run(InsertPackage), 1);

    ASSERT_EQ(driver.seen.size(), 5u);
    EXPECT_TRUE(driver.seen[0].okEnabled);
    EXPECT_TRUE(driver.seen[1].okEnabled);
    ExpectFolderPrompt(driver.seen[1], PACKAGE_CAPTION, PACKAGE_COMPLAINT, noRoomForLog);
    ExpectFolderPrompt(driver.seen[2], PACKAGE_CAPTION, PACKAGE_COMPLAINT, noRoomForName);
    ExpectMerged();
    DeleteFileW(Extended(longName).c_str());
}

// ---------------------------------------------------------------------------------------
// Compress statistics

class StatisticsTest : public OperationTest {
protected:
    // The worked example: 3 MB, two entries of 1,000,000 and 1,500,000 bytes.
    void WriteExampleBank()
    {
        ASSERT_TRUE(WriteBankFile(root + "soundz.rwv", PackedBankEntries({"one.wav", "two.wav"}, {1000000, 1500000}),
                                  3145728));
        bankBefore = ReadWholeFile(root + "soundz.rwv");
    }

    void ExpectStatisticsBox(const SeenBox& box, const char* text)
    {
        EXPECT_EQ(box.caption, STATISTICS_CAPTION);
        EXPECT_EQ(box.text, text);
        EXPECT_FALSE(box.hasFolderField);
        EXPECT_EQ(box.owner, mainWindow);
        EXPECT_TRUE(box.hasIcon);
        EXPECT_NE(box.textWidth, FOLDER_PROMPT_TEXT_WIDTH);  // its natural width
        ExpectOperationButtons(box);
    }

    Bytes bankBefore;
};

TEST_F(StatisticsTest, ReportsTheWorkedExampleAndWritesNothing)
{
    WriteExampleBank();
    BoxDriver driver({Type(root, IDOK), Press(IDOK)});
    EXPECT_EQ(driver.Run(RebuildStatistics), 1);

    ASSERT_EQ(driver.seen.size(), 2u);
    ExpectFolderPrompt(driver.seen[0], STATISTICS_BANK_CAPTION, STATISTICS_BANK_TEXT, root);
    ExpectStatisticsBox(driver.seen[1],
                        "Size of soundz.rwv file: 3 MB\n\nWasted space: 0.616 MB (20.52%)\n\n"
                        "Would you like to compress the file? (disabled)");
    EXPECT_EQ(ReadWholeFile(root + "soundz.rwv"), bankBefore);
}

TEST_F(StatisticsTest, CancelAnswersZeroAndWritesNothing)
{
    WriteExampleBank();
    BoxDriver inQuestion({Type(root, IDCANCEL)});
    EXPECT_EQ(inQuestion.Run(RebuildStatistics), 0);
    EXPECT_EQ(inQuestion.seen.size(), 1u);

    BoxDriver inReport({Type(root, IDOK), Press(IDCANCEL)});
    EXPECT_EQ(inReport.Run(RebuildStatistics), 0);
    ASSERT_EQ(inReport.seen.size(), 2u);
    EXPECT_EQ(inReport.seen[1].caption, STATISTICS_CAPTION);
    EXPECT_EQ(ReadWholeFile(root + "soundz.rwv"), bankBefore);
}

// Not a bank, and a bank held open by another program: no figures, the failure text.
TEST_F(StatisticsTest, ABankThatCannotBeReadGetsTheFailureText)
{
    const Bytes notABank(400, 'n');
    ASSERT_TRUE(WriteWholeFile(root + "soundz.rwv", notABank));
    BoxDriver garbage({Type(root, IDOK), Press(IDOK)});
    EXPECT_EQ(garbage.Run(RebuildStatistics), 1);
    ASSERT_EQ(garbage.seen.size(), 2u);
    ExpectStatisticsBox(garbage.seen[1], NO_STATISTICS_TEXT);
    EXPECT_EQ(ReadWholeFile(root + "soundz.rwv"), notABank);

    WriteExampleBank();
    HeldFile held(root + "soundz.rwv");
    ASSERT_TRUE(held.IsOpen());
    BoxDriver locked({Type(root, IDOK), Press(IDOK)});
    EXPECT_EQ(locked.Run(RebuildStatistics), 1);
    ASSERT_EQ(locked.seen.size(), 2u);
    ExpectStatisticsBox(locked.seen[1], NO_STATISTICS_TEXT);
}

// The bank question never moves the work folder: every asking starts at the current one.
// A folder whose soundz.rwv lies beyond the path buffers is refused like one without it.
TEST_F(StatisticsTest, RefusedFoldersAreAskedAgainFromTheCurrentFolder)
{
    WriteExampleBank();
    const std::string empty = Folder("empty");
    const std::string tooLong = MakeFolderOfLength(root, MAX_PATH - 6);
    ASSERT_TRUE(CopyFileW(Extended(root + "soundz.rwv").c_str(), Extended(tooLong + "soundz.rwv").c_str(), TRUE));
    BoxDriver driver({Type(empty, IDOK), Type(tooLong, IDOK), Type(root, IDOK), Press(IDOK)});
    EXPECT_EQ(driver.Run(RebuildStatistics), 1);

    ASSERT_EQ(driver.seen.size(), 4u);
    EXPECT_TRUE(driver.seen[1].okEnabled);
    ExpectFolderPrompt(driver.seen[1], STATISTICS_BANK_CAPTION, BANK_COMPLAINT, root);
    ExpectFolderPrompt(driver.seen[2], STATISTICS_BANK_CAPTION, BANK_COMPLAINT, root);
    EXPECT_EQ(driver.seen[3].caption, STATISTICS_CAPTION);
    DeleteFileW(Extended(tooLong + "soundz.rwv").c_str());
}

// ---------------------------------------------------------------------------------------
// The folder browser behind each question

bool Shows(const SeenBox& box, const char* browseTitle)
{
    return std::find(box.browserTexts.begin(), box.browserTexts.end(), browseTitle) != box.browserTexts.end();
}

const char WAVE_BROWSE_TITLE[] = "Please select a folder with wav files.";
const char PACKAGE_BROWSE_TITLE[] = "Please select a folder with only ONE rwv file package.";
const char BANK_BROWSE_TITLE[] = "Please select the folder with the original file soundz.rwv";

// The browser's instruction belongs to the question: it stays when the box's text turns
// into the complaint.
TEST_F(CreatePackageTest, EachQuestionGivesTheFolderBrowserItsTitle)
{
    const std::string empty = Folder("empty");
    BoxDriver driver({Type(empty, IDOK), Type(waves, IDOK), Type(empty, IDOK), Type(root, IDOK), Press(IDOK)});
    driver.openBrowser = true;
    EXPECT_EQ(driver.Run(CreatePackage), 1);

    ASSERT_EQ(driver.seen.size(), 5u);
    EXPECT_TRUE(Shows(driver.seen[0], WAVE_BROWSE_TITLE));
    EXPECT_TRUE(Shows(driver.seen[1], WAVE_BROWSE_TITLE));
    EXPECT_EQ(driver.seen[1].text, WAVE_COMPLAINT);
    EXPECT_TRUE(Shows(driver.seen[2], BANK_BROWSE_TITLE));
    EXPECT_TRUE(Shows(driver.seen[3], BANK_BROWSE_TITLE));
    EXPECT_EQ(driver.seen[3].text, BANK_COMPLAINT);
    EXPECT_TRUE(driver.seen[4].browserTexts.empty());
    ExpectPackageOf(waves);
}

TEST_F(InsertPackageTest, EachQuestionGivesTheFolderBrowserItsTitle)
{
    BoxDriver driver({Type(pack, IDOK), Type(root, IDOK), Press(IDOK)});
    driver.openBrowser = true;
    EXPECT_EQ(driver.Run(InsertPackage), 1);

    ASSERT_EQ(driver.seen.size(), 3u);
    EXPECT_TRUE(Shows(driver.seen[0], PACKAGE_BROWSE_TITLE));
    EXPECT_TRUE(Shows(driver.seen[1], BANK_BROWSE_TITLE));
    ExpectMerged();
}

TEST_F(StatisticsTest, TheQuestionGivesTheFolderBrowserItsTitle)
{
    WriteExampleBank();
    BoxDriver driver({Type(root, IDOK), Press(IDOK)});
    driver.openBrowser = true;
    EXPECT_EQ(driver.Run(RebuildStatistics), 1);

    ASSERT_EQ(driver.seen.size(), 2u);
    EXPECT_TRUE(Shows(driver.seen[0], BANK_BROWSE_TITLE));
}

// ---------------------------------------------------------------------------------------
// The main dialog's buttons

// A click as the dialog receives it: the operation runs inside the button's notification.
int Click(HWND dialog, int button)
{
    SendMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
    return 0;
}

TEST_F(OperationTest, EachButtonStartsItsOperationFromTheCurrentFolder)
{
    const struct {
        int button;
        const char* caption;
    } buttons[] = {{IDC_CREATE_PACKAGE, WAVE_CAPTION},
                   {IDC_INSERT_PACKAGE, PACKAGE_CAPTION},
                   {IDC_COMPRESS_SOUNDZ, STATISTICS_BANK_CAPTION}};
    const std::string elsewhere = Folder("elsewhere");
    for (const auto& b : buttons) {
        // A first run leaves a folder typed; the second starts afresh all the same.
        for (int run = 0; run < 2; ++run) {
            BoxDriver driver({Type(elsewhere, IDCANCEL)});
            driver.Run([&] { return Click(dialog, b.button); });
            ASSERT_EQ(driver.seen.size(), 1u) << b.caption;
            EXPECT_EQ(driver.seen[0].caption, b.caption);
            EXPECT_EQ(driver.seen[0].startFolder, root);
            EXPECT_EQ(driver.seen[0].owner, dialog);
        }
    }
    EXPECT_TRUE(IsWindowEnabled(dialog));
}

}  // namespace
