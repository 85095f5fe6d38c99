// Insert Package's file work on real folders: REPLACE, APPEND, the log, and every refusal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "bank/final_messages.h"
#include "bank/insert_package.h"
#include "tests/bank/bank_test_folder.h"

namespace {

const int32_t BANK_SIZE = 90000;

class InsertPackageTest : public BankFolderTest {
protected:
    void SetUp() override
    {
        BankFolderTest::SetUp();
        packages = folder + "pkg\\";
        ASSERT_TRUE(CreateDirectoryA(packages.c_str(), nullptr));
        bankPath = Path("soundz.rwv");
    }
    // A bank of BANK_SIZE bytes: shot.wav of 1200 bytes at 5000, then the entries given.
    void WriteBank(std::vector<RwvEntry> more = {})
    {
        bankEntries = {MakeEntry("shot.wav", 5000, 1200)};
        bankEntries.insert(bankEntries.end(), more.begin(), more.end());
        ASSERT_TRUE(WriteBankFile(bankPath, bankEntries, BANK_SIZE));
        bankBefore = ReadWholeFile(bankPath);
    }
    PackageItem Item(const std::string& name, size_t size, int seed)
    {
        PackageItem item = {MakeEntry(name, 0, static_cast<int32_t>(size)), ToneData(size, seed)};
        item.entry.format[0] = 0xA1;  // format tag and channels differ from the bank's
        item.entry.format[3] = 0xA4;
        item.entry.format[4] = 0xA5;
        return item;
    }
    void Merge(const std::vector<PackageItem>& items)
    {
        ASSERT_TRUE(WritePackageFile(packages + "new.rwv", items));
        MergeAgain();
    }
    void MergeAgain() { outcome = MergePackage((packages + "new.rwv").c_str(), bankPath.c_str()); }
    std::string Log() const
    {
        const Bytes bytes = ReadWholeFile(packages + "Unpack.log");
        return std::string(bytes.begin(), bytes.end());
    }
    RwvEntry BankEntry(size_t i) const
    {
        RwvEntry entry;
        const Bytes bytes = ReadFileRange(bankPath, 16 + 84 * static_cast<int64_t>(i), 84);
        std::memcpy(&entry, bytes.data(), 84);
        return entry;
    }
    std::string Message() const
    {
        char text[256];
        FormatInsertMessage(outcome, text, sizeof text);
        return text;
    }
    static std::string Line(const char* name, const char* action, int oldSize, int oldOffset, int newSize, int newOffset)
    {
        char line[256];
        std::snprintf(line, sizeof line, "%-19s|%-8s - Size/offset before:%6d/%10d,Size/offset after :%6d/%10d\r\n",
                      name, action, oldSize, oldOffset, newSize, newOffset);
        return line;
    }

    std::string packages;
    std::string bankPath;
    std::vector<RwvEntry> bankEntries;
    Bytes bankBefore;
    InsertOutcome outcome = {};
};

}  // namespace

TEST_F(InsertPackageTest, AShorterEntryReplacesInPlaceAndKeepsTheOldTail)
{
    WriteBank();
    const PackageItem item = Item("SHOT.WAV", 1000, 1);
    Merge({item});
    EXPECT_EQ("shot.wav           |REPLACE  - Size/offset before:  1200/      5000,Size/offset after :  1000/      5000\r\n",
              Log());
    const Bytes bank = ReadWholeFile(bankPath);
    ASSERT_EQ(static_cast<size_t>(BANK_SIZE), bank.size());
    EXPECT_EQ(item.data, Bytes(bank.begin() + 5000, bank.begin() + 6000));
    EXPECT_EQ(Bytes(bankBefore.begin() + 6000, bankBefore.end()), Bytes(bank.begin() + 6000, bank.end()));
    EXPECT_EQ(Bytes(bankBefore.begin(), bankBefore.begin() + 16), Bytes(bank.begin(), bank.begin() + 16));
    RwvEntry expected = bankEntries[0];
    expected.size = 1000;
    EXPECT_EQ(EntryBytes(expected), EntryBytes(BankEntry(0))) << "offset and format stay";
    EXPECT_EQ(InsertResult::ALL_MERGED, outcome.result);
}

TEST_F(InsertPackageTest, ALongerEntryIsAppendedWithItsFormatTagAndChannels)
{
    WriteBank();
    const PackageItem item = Item("shot.wav", 1300, 2);
    Merge({item});
    EXPECT_EQ("shot.wav           |APPEND   - Size/offset before:  1200/      5000,Size/offset after :  1300/     90000\r\n",
              Log());
    const Bytes bank = ReadWholeFile(bankPath);
    ASSERT_EQ(91300u, bank.size());
    EXPECT_EQ(item.data, Bytes(bank.begin() + 90000, bank.end()));
    EXPECT_EQ(Bytes(bankBefore.begin() + 5000, bankBefore.end()), Bytes(bank.begin() + 5000, bank.begin() + 90000));
    RwvEntry expected = bankEntries[0];
    expected.size = 1300;
    expected.offset = 90000;
    std::memcpy(expected.format, item.entry.format, 4);
    EXPECT_EQ(EntryBytes(expected), EntryBytes(BankEntry(0)));
}

TEST_F(InsertPackageTest, EqualLengthReplacesAndOneByteMoreAppends)
{
    WriteBank({MakeEntry("b.wav", 7000, 500)});
    Merge({Item("shot.wav", 1200, 1), Item("b.wav", 501, 2)});
    EXPECT_EQ(Line("shot.wav", "REPLACE", 1200, 5000, 1200, 5000) + Line("b.wav", "APPEND", 500, 7000, 501, 90000), Log());
}

TEST_F(InsertPackageTest, TwoAppendsLieBackToBackAndTheHeaderStays)
{
    WriteBank({MakeEntry("b.wav", 7000, 10)});
    const PackageItem first = Item("shot.wav", 1300, 1), second = Item("B.wav", 700, 2);
    Merge({first, second});
    const Bytes bank = ReadWholeFile(bankPath);
    ASSERT_EQ(static_cast<size_t>(BANK_SIZE + 1300 + 700), bank.size());
    EXPECT_EQ(Bytes(bankBefore.begin(), bankBefore.begin() + 16), Bytes(bank.begin(), bank.begin() + 16));
    EXPECT_EQ(first.data, Bytes(bank.begin() + 90000, bank.begin() + 91300));
    EXPECT_EQ(second.data, Bytes(bank.begin() + 91300, bank.end()));
    EXPECT_EQ(91300, BankEntry(1).offset);
    EXPECT_EQ(Line("shot.wav", "APPEND", 1200, 5000, 1300, 90000) + Line("b.wav", "APPEND", 10, 7000, 700, 91300), Log());
}

TEST_F(InsertPackageTest, ALongNamePushesTheRestOfTheLineRight)
{
    const std::string name = "a_name_of_25_characters.x";
    ASSERT_EQ(25u, name.size());
    WriteBank({MakeEntry(name, 8000, 100)});
    Merge({Item(name, 50, 1)});
    const std::string log = Log();
    EXPECT_EQ(name + "|REPLACE  - Size/offset before:   100/      8000,Size/offset after :    50/      8000\r\n", log);
}

// Windows takes a slash for a backslash, and so must the log's place beside the package.
TEST_F(InsertPackageTest, TheLogLiesBesideAPackageNamedWithSlashes)
{
    WriteBank();
    ASSERT_TRUE(WritePackageFile(packages + "new.rwv", {Item("shot.wav", 1000, 1)}));
    std::string slashed = packages + "new.rwv";
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    outcome = MergePackage(slashed.c_str(), bankPath.c_str());
    EXPECT_EQ(InsertResult::ALL_MERGED, outcome.result);
    EXPECT_EQ(Line("shot.wav", "REPLACE", 1200, 5000, 1000, 5000), Log());
}

TEST_F(InsertPackageTest, AnEmptyPackageLeavesTheBankAndAnEmptyLog)
{
    WriteBank();
    Merge({});
    EXPECT_TRUE(PathExists(packages + "Unpack.log"));
    EXPECT_EQ("", Log());
    EXPECT_EQ(bankBefore, ReadWholeFile(bankPath));
}

// The missing name fills its 52-byte field without a NUL: the message quotes the field alone.
TEST_F(InsertPackageTest, AMissingNameStopsTheMergeAfterTheEntriesBefore)
{
    const std::string missing(52, 'n');
    WriteBank({MakeEntry("c.wav", 9000, 100)});
    Merge({Item("shot.wav", 1000, 1), Item(missing, 10, 2), Item("c.wav", 50, 3)});
    EXPECT_EQ(BANK_ERR_NOT_IN_BANK, outcome.status);
    EXPECT_EQ("Package partly included: 1 of 3 sounds merged, stopped at " + missing + ", see 'unpack.log' file.",
              Message());
    EXPECT_EQ(Line("shot.wav", "REPLACE", 1200, 5000, 1000, 5000), Log());
    EXPECT_EQ(1000, BankEntry(0).size);
    EXPECT_EQ(100, BankEntry(1).size);
    const Bytes bank = ReadWholeFile(bankPath);
    EXPECT_EQ(Bytes(bankBefore.begin() + 9000, bankBefore.begin() + 9100), Bytes(bank.begin() + 9000, bank.begin() + 9100));
}

// A damaged bank whose entry runs past its end: its REPLACE would land on the entry this
// merge has just appended there.
TEST_F(InsertPackageTest, AReplacePastTheBanksEndStopsTheMergeBeforeWriting)
{
    WriteBank({MakeEntry("a.wav", 7000, 10), MakeEntry("b.wav", BANK_SIZE - 50, 100)});
    const PackageItem appended = Item("a.wav", 200, 1);
    Merge({appended, Item("b.wav", 100, 2)});
    EXPECT_EQ("Package partly included: 1 of 2 sounds merged, stopped at b.wav, see 'unpack.log' file.", Message());
    const Bytes bank = ReadWholeFile(bankPath);
    ASSERT_EQ(static_cast<size_t>(BANK_SIZE) + 200, bank.size());
    EXPECT_EQ(appended.data, Bytes(bank.begin() + BANK_SIZE, bank.end()));
    EXPECT_EQ(EntryBytes(bankEntries[2]), EntryBytes(BankEntry(2)));
}

TEST_F(InsertPackageTest, AHeldBankOrPackageIsLeftAlone)
{
    WriteBank();
    {
        HeldFile held(bankPath);
        ASSERT_TRUE(held.IsOpen());
        Merge({Item("shot.wav", 1000, 1)});
    }
    EXPECT_EQ(BANK_ERR_OPEN, outcome.bankStatus);
    EXPECT_EQ(BANK_ERR_BAD_HEADER, outcome.status);
    EXPECT_EQ(InsertResult::BANK_NOT_OPENED, outcome.result);
    EXPECT_EQ("", Log());
    EXPECT_EQ(bankBefore, ReadWholeFile(bankPath));

    DeleteFileA((packages + "Unpack.log").c_str());
    {
        HeldFile held(packages + "new.rwv");
        ASSERT_TRUE(held.IsOpen());
        MergeAgain();
    }
    EXPECT_EQ(BANK_ERR_OPEN, outcome.status);
    EXPECT_EQ(InsertResult::PACKAGE_UNREADABLE, outcome.result);
    EXPECT_FALSE(PathExists(packages + "Unpack.log"));
    EXPECT_EQ(bankBefore, ReadWholeFile(bankPath));
}

TEST_F(InsertPackageTest, TheBankItselfAsPackageCannotBeOpenedTwice)
{
    WriteBank();
    outcome = MergePackage(bankPath.c_str(), bankPath.c_str());
    EXPECT_EQ(BANK_ERR_OPEN, outcome.bankStatus);
    EXPECT_EQ(bankBefore, ReadWholeFile(bankPath));
}

TEST_F(InsertPackageTest, ABadBankHeaderOrShortDirectoryWritesNothing)
{
    WriteBank({MakeEntry("b.wav", 7000, 10)});
    Bytes damaged = bankBefore;
    damaged[8] = 0x45;
    ASSERT_TRUE(WriteWholeFile(bankPath, damaged));
    Merge({Item("shot.wav", 1000, 1)});
    EXPECT_EQ(BANK_ERR_BAD_HEADER, outcome.bankStatus);
    EXPECT_EQ(BANK_ERR_BAD_HEADER, outcome.status);
    EXPECT_EQ(InsertResult::NOT_A_BANK, outcome.result);
    EXPECT_EQ(damaged, ReadWholeFile(bankPath));

    const Bytes shortBank(bankBefore.begin(), bankBefore.begin() + 16 + 84 + 40);
    ASSERT_TRUE(WriteWholeFile(bankPath, shortBank));
    MergeAgain();
    EXPECT_EQ(BANK_ERR_NO_MEMORY, outcome.bankStatus);
    EXPECT_EQ(InsertResult::NOT_A_BANK, outcome.result);
    EXPECT_EQ(shortBank, ReadWholeFile(bankPath));
    EXPECT_EQ("", Log());
}

TEST_F(InsertPackageTest, DamagedPackagesAreReadOnlyInsideTheirBody)
{
    WriteBank({MakeEntry("b.wav", 7000, 500)});
    const Bytes good = PackageBytes({Item("shot.wav", 1000, 1), Item("b.wav", 100, 2)});
    auto patched = [&](size_t at, uint32_t value) {
        Bytes bytes = good;
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
        return bytes;
    };
    const size_t second = 16 + 84;  // the second entry's record
    const std::string firstLine = Line("shot.wav", "REPLACE", 1200, 5000, 1000, 5000);
    const struct {
        const char* what;
        Bytes package;
        std::string log;
    } cases[] = {
        {"shorter than its header", Bytes(good.begin(), good.begin() + 10), ""},
        {"negative count", patched(4, 0xFFFFFFFFu), ""},
        {"directory past the body", Bytes(good.begin(), good.begin() + 16 + 84 + 50), ""},
        {"negative offset", patched(second + 52, 0xFFFFFFF0u), firstLine},
        {"negative size", patched(second + 56, 0xFFFFFFF0u), firstLine},
        {"data past the body", patched(second + 56, 1001 + 100), firstLine},
        {"offset past the body", patched(second + 52, 0x7FFFFFF0u), firstLine},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteWholeFile(bankPath, bankBefore));
        ASSERT_TRUE(WriteWholeFile(packages + "new.rwv", c.package));
        MergeAgain();
        EXPECT_EQ(c.log, Log()) << c.what;
        EXPECT_EQ(500, BankEntry(1).size) << c.what;
        EXPECT_EQ(7000, BankEntry(1).offset) << c.what;
        EXPECT_EQ(c.log.empty() ? 1200 : 1000, BankEntry(0).size) << c.what << ": the directory was written back";
        EXPECT_EQ(static_cast<int64_t>(BANK_SIZE), FileSizeOf(bankPath)) << c.what;
    }
}

TEST_F(InsertPackageTest, WritesOntoTheHeaderOrPastTheFormatAreRefused)
{
    // Damaged bank records: one that claims the directory, one with a negative offset.
    WriteBank({MakeEntry("dir.wav", 20, 300), MakeEntry("neg.wav", -100, 300)});
    for (const char* name : {"dir.wav", "neg.wav"}) {
        ASSERT_TRUE(WriteWholeFile(bankPath, bankBefore));
        Merge({Item("shot.wav", 1000, 1), Item(name, 200, 2), Item("shot.wav", 10, 3)});
        EXPECT_EQ(BANK_ERR_WRITE, outcome.status) << name;
        EXPECT_EQ(Line("shot.wav", "REPLACE", 1200, 5000, 1000, 5000), Log()) << name;
        const Bytes bank = ReadWholeFile(bankPath);
        EXPECT_EQ(Bytes(bankBefore.begin() + 16 + 84, bankBefore.begin() + 5000),
                  Bytes(bank.begin() + 16 + 84, bank.begin() + 5000)) << name;
        EXPECT_EQ(1000, BankEntry(0).size) << name;
    }
}

TEST_F(InsertPackageTest, AnAppendPastTheFormatIsRefusedBeforeAnythingIsWritten)
{
    WriteBank();
    // A sparse bank just short of 2 GiB: the APPEND would end past 2^31 - 1.
    HANDLE file = CreateFileA(bankPath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    LONG high = 0;
    SetFilePointer(file, 0x7FFFFF00, &high, FILE_BEGIN);
    ASSERT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
    Merge({Item("shot.wav", 1300, 1)});
    EXPECT_EQ(BANK_ERR_WRITE, outcome.status);
    EXPECT_EQ("", Log());
    EXPECT_EQ(0x7FFFFF00, FileSizeOf(bankPath));
    EXPECT_EQ(EntryBytes(bankEntries[0]), EntryBytes(BankEntry(0)));
}

// The undo record fits the disk, the APPEND after it does not: the merge is taken back at
// once, REPLACE included, and its record dropped.
TEST_F(InsertPackageTest, AFailedDataWritePutsTheBankBackAsItWas)
{
    const std::string disk = SmallDiskFolder();
    if (disk.empty())
        GTEST_SKIP() << "no small disk in VORLAN_FULL_DISK_DIR (needs root to mount a tmpfs)";
    bankPath = disk + "soundz.rwv";
    bankEntries = {MakeEntry("a.wav", 200, 100), MakeEntry("b.wav", 300, 100)};
    ASSERT_TRUE(WriteBankFile(bankPath, bankEntries, 40000));
    const PackageItem small = Item("a.wav", 80, 1), big = Item("b.wav", 40000, 2);
    ASSERT_TRUE(WritePackageFile(packages + "new.rwv", {small, big}));
    const Bytes before = ReadWholeFile(bankPath);
    MergeAgain();
    EXPECT_EQ(InsertResult::BANK_NOT_WRITTEN, outcome.result);
    EXPECT_TRUE(outcome.restored);
    EXPECT_EQ("", Log());
    EXPECT_EQ(before, ReadWholeFile(bankPath));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((bankPath + ".undo").c_str()));
    RemoveFolder(disk);
}

// A full disk leaves no room for the undo record: the bank is not touched at all.
TEST_F(InsertPackageTest, AnUndoRecordThatCannotBeWrittenLeavesTheBankUntouched)
{
    const std::string disk = SmallDiskFolder();
    if (disk.empty())
        GTEST_SKIP() << "no small disk in VORLAN_FULL_DISK_DIR (needs root to mount a tmpfs)";
    const int32_t page = 4096, count = 100;
    bankPath = disk + "soundz.rwv";
    std::vector<RwvEntry> entries(count, MakeEntry("", 0, 0));
    entries[0] = MakeEntry("a.wav", 3 * page, 100);
    Bytes bank = BankBytes(entries, 4 * page);
    HANDLE file = CreateFileA(bankPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    WriteFile(file, bank.data(), page, &written, nullptr);
    SetFilePointer(file, 3 * page, nullptr, FILE_BEGIN);
    WriteFile(file, bank.data() + 3 * page, page, &written, nullptr);
    CloseHandle(file);
    const Bytes filler(page, 0);
    for (int i = 0; WriteWholeFile(disk + "filler" + std::to_string(i), filler); ++i) {
    }
    ASSERT_TRUE(WritePackageFile(packages + "new.rwv", {Item("a.wav", 80, 1)}));
    const Bytes before = ReadWholeFile(bankPath);
    MergeAgain();
    EXPECT_EQ(InsertResult::UNDO_NOT_WRITTEN, outcome.result);
    EXPECT_EQ(before, ReadWholeFile(bankPath));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((bankPath + ".undo").c_str()));
    RemoveFolder(disk);
}

TEST_F(InsertPackageTest, APackageFolderTooLongForThePathBuffersIsRefused)
{
    WriteBank();
    const std::string longFolder = folder + std::string(MAX_PATH - 3 - folder.size(), 'd') + "\\";
    outcome = MergePackage((longFolder + "p.rwv").c_str(), bankPath.c_str());
    EXPECT_EQ(BANK_ERR_OPEN, outcome.status);
    EXPECT_EQ(bankBefore, ReadWholeFile(bankPath));
}

namespace {

// A sparse file of the given size, holding first and zeros after it.
bool WriteSparseFile(const std::string& path, const Bytes& first, int64_t size)
{
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return file.IsOpen() && WriteExactly(file, first.data(), static_cast<DWORD>(first.size())) &&
           SetFileSize(file.Get(), size) && file.Close();
}

}  // namespace

// The old bytes of a REPLACE larger than half a 32-bit address space: the package is held
// in memory, its saved bytes never are, so the merge that fitted before the undo record
// fits still. Only a 32-bit process has so small an address space; the files are sparse,
// but the record and the merge write about 2.2 GB.
TEST_F(InsertPackageTest, AReplaceOfMoreThanHalfTheAddressSpaceMergesIn32Bit)
{
    if (sizeof(void*) != 4)
        GTEST_SKIP() << "only a 32-bit process has an address space that the saved bytes could fill";
    const int32_t sound = 1100 << 20;
    ULARGE_INTEGER free;
    ASSERT_TRUE(GetDiskFreeSpaceExA(folder.c_str(), &free, nullptr, nullptr));
    if (free.QuadPart < 3ull * sound)
        GTEST_SKIP() << "needs 3.3 GB free beside the test's folder";
    bankEntries = {MakeEntry("big.wav", 4096, sound)};
    ASSERT_TRUE(WriteSparseFile(bankPath, BankBytes(bankEntries, 100), 4096 + static_cast<int64_t>(sound)));
    const Bytes package = PackageBytes({{MakeEntry("big.wav", 0, sound), Bytes(16, 1)}});
    ASSERT_TRUE(WriteSparseFile(packages + "new.rwv", Bytes(package.begin(), package.begin() + 16 + 84),
                                16 + 84 + static_cast<int64_t>(sound)));
    MergeAgain();
    EXPECT_EQ(InsertResult::ALL_MERGED, outcome.result) << Message();
    EXPECT_LT(static_cast<int64_t>(sound), FileSizeOf(bankPath + ".undo"));
}
