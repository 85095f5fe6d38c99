// Opening a bank, loading its directory, looking names up, the folder test and the paths.
#include <gtest/gtest.h>

#include "bank/paths.h"
#include "tests/bank/bank_test_folder.h"

using BankDirectoryTest = BankFolderTest;

TEST_F(BankDirectoryTest, LoadsTheWholeDirectoryAndFindsTheFirstOfTwoNames)
{
    std::vector<RwvEntry> entries = PackedBankEntries({"a.wav", "Shot.wav", "SHOT.WAV"}, {10, 20, 30});
    ASSERT_TRUE(WriteBankFile(Path("soundz.rwv"), entries, 16 + 3 * 84 + 60 + 7));
    BankWorkspace ws;
    ASSERT_TRUE(OpenBank(ws.bank, Path("soundz.rwv").c_str()));
    ASSERT_TRUE(ws.bank.LoadBankTable());
    EXPECT_EQ(BANK_UNSET, ws.bank.status);
    EXPECT_EQ(3, ws.bank.count);
    EXPECT_EQ(16u + 3 * 84 + 67, ws.bank.fileSize);
    EXPECT_EQ(0, std::memcmp(entries.data(), ws.bank.entries, 3 * 84));
    EXPECT_EQ(&ws.bank.entries[1], ws.bank.FindEntry("shot.wav"));
    EXPECT_EQ(nullptr, ws.bank.FindEntry("b.wav"));
    EXPECT_EQ(nullptr, ws.bank.FindEntry(""));
}

TEST_F(BankDirectoryTest, AShortDirectoryKeepsWhatArrivedFollowedByZeros)
{
    std::vector<RwvEntry> entries = PackedBankEntries({"a.wav", "b.wav", "c.wav"}, {1, 1, 1});
    Bytes bytes = BankBytes(entries, 16 + 3 * 84);
    bytes.resize(16 + 2 * 84 + 3);
    ASSERT_TRUE(WriteWholeFile(Path("soundz.rwv"), bytes));
    BankWorkspace ws;
    ASSERT_TRUE(OpenBank(ws.bank, Path("soundz.rwv").c_str()));
    EXPECT_FALSE(ws.bank.LoadBankTable());
    EXPECT_EQ(BANK_ERR_NO_MEMORY, ws.bank.status);
    EXPECT_EQ(bytes.size(), ws.bank.fileSize);
    ASSERT_NE(nullptr, ws.bank.entries);
    EXPECT_TRUE(ws.bank.file.IsOpen());
    const uint8_t* third = reinterpret_cast<const uint8_t*>(&ws.bank.entries[2]);
    EXPECT_EQ(0, std::memcmp(third, &entries[2], 3));
    for (size_t i = 3; i < 84; ++i)
        ASSERT_EQ(0, third[i]);
    EXPECT_NE(nullptr, ws.bank.FindEntry("b.wav"));
    EXPECT_EQ(nullptr, ws.bank.FindEntry("c.wav"));
}

// A header may claim millions of entries in a file of a hundred bytes, or a count whose
// byte size wraps 32 bits to 80: only the records the file holds are allocated and
// searched, and the rest is a short directory.
TEST_F(BankDirectoryTest, AHeaderClaimingMoreThanTheFileHoldsCostsOnlyThoseRecords)
{
    for (const int32_t claimed : {25000000, 51130564}) {
        Bytes bytes = GoodHeaderBytes(claimed);
        const Bytes entry = EntryBytes(MakeEntry("a.wav", 0, 0));
        bytes.insert(bytes.end(), entry.begin(), entry.end());
        ASSERT_TRUE(WriteWholeFile(Path("soundz.rwv"), bytes));
        BankWorkspace ws;
        ASSERT_TRUE(OpenBank(ws.bank, Path("soundz.rwv").c_str()));
        EXPECT_FALSE(ws.bank.LoadBankTable());
        EXPECT_EQ(BANK_ERR_NO_MEMORY, ws.bank.status);
        ASSERT_NE(nullptr, ws.bank.entries);
        EXPECT_EQ(84u, GlobalSize(GlobalHandle(ws.bank.entries))) << claimed;
        EXPECT_EQ(&ws.bank.entries[0], ws.bank.FindEntry("a.wav"));
        EXPECT_EQ(nullptr, ws.bank.FindEntry("b.wav"));
        EXPECT_FALSE(ws.bank.WriteDirectory()) << "a directory not loaded whole is never written back";
    }
}

TEST_F(BankDirectoryTest, OpeningRefusesHeldBadAndShortBanks)
{
    const std::string bank = Path("soundz.rwv");
    ASSERT_TRUE(WriteBankFile(bank, PackedBankEntries({"a.wav"}, {4}), 104));
    {
        HeldFile held(bank);
        ASSERT_TRUE(held.IsOpen());
        BankWorkspace ws;
        EXPECT_FALSE(OpenBank(ws.bank, bank.c_str()));
        EXPECT_EQ(BANK_ERR_OPEN, ws.bank.status);
        EXPECT_FALSE(ws.bank.file.IsOpen());
    }
    const struct {
        Bytes bytes;
        int32_t count;
    } bad[] = {
        {GoodHeaderBytes(0), 0},
        {GoodHeaderBytes(-3), -3},
        {HeaderBytes(RWV_MAGIC, 2, 0x4401, RWV_FIXED2), 2},
        {[] { Bytes b = GoodHeaderBytes(1); b.resize(15); return b; }(), 1},
        {Bytes(), 0},
    };
    for (const auto& c : bad) {
        ASSERT_TRUE(WriteWholeFile(bank, c.bytes));
        BankWorkspace ws;
        EXPECT_FALSE(OpenBank(ws.bank, bank.c_str()));
        EXPECT_EQ(BANK_ERR_BAD_HEADER, ws.bank.status);
        EXPECT_EQ(c.count, ws.bank.count) << "taken from the header before the check";
    }
    BankWorkspace ws;
    EXPECT_FALSE(OpenBank(ws.bank, Path("missing.rwv").c_str()));
    EXPECT_EQ(BANK_ERR_OPEN, ws.bank.status);
}

TEST_F(BankDirectoryTest, DataAndDirectoryWritesLandWhereTold)
{
    const std::string bank = Path("soundz.rwv");
    ASSERT_TRUE(WriteBankFile(bank, PackedBankEntries({"a.wav"}, {4}), 104));
    const Bytes data = {1, 2, 3};
    {
        BankWorkspace ws;
        ASSERT_TRUE(OpenBank(ws.bank, bank.c_str()));
        ASSERT_TRUE(ws.bank.LoadBankTable());
        EXPECT_TRUE(ws.bank.WriteData(120, data.data(), 3));
        EXPECT_FALSE(ws.bank.WriteData(-1, data.data(), 3));
        ws.bank.entries[0].size = 77;
        EXPECT_TRUE(ws.bank.WriteDirectory());
    }
    const Bytes after = ReadWholeFile(bank);
    ASSERT_EQ(123u, after.size());
    EXPECT_EQ(data, Bytes(after.begin() + 120, after.end()));
    EXPECT_EQ(77, after[16 + 56]);
}

TEST_F(BankDirectoryTest, FileExistsCountsMatchesOfFilesAndFolders)
{
    EXPECT_FALSE(FileExists(Path("*.rwv").c_str(), true));
    EXPECT_FALSE(FileExists(Path("*.rwv").c_str(), false));
    ASSERT_TRUE(WriteWholeFile(Path("one.rwv"), Bytes{1}));
    EXPECT_TRUE(FileExists(Path("*.rwv").c_str(), true));
    ASSERT_TRUE(WriteWholeFile(Path("two.rwv"), Bytes{1}));
    EXPECT_FALSE(FileExists(Path("*.rwv").c_str(), true));
    EXPECT_TRUE(FileExists(Path("*.rwv").c_str(), false));
    ASSERT_TRUE(CreateDirectoryA(Path("soundz.rwv").c_str(), nullptr));
    EXPECT_TRUE(FileExists(Path("soundz.rwv").c_str(), false));
    BankWorkspace ws;
    EXPECT_FALSE(OpenBank(ws.bank, Path("soundz.rwv").c_str())) << "a folder cannot be opened as the bank";
    EXPECT_EQ(BANK_ERR_OPEN, ws.bank.status);
    EXPECT_FALSE(FileExists(Path("no such folder\\*.wav").c_str(), false));
    const std::string tooLong = folder + std::string(MAX_PATH, 'x');
    EXPECT_FALSE(FileExists(tooLong.c_str(), false));
}

TEST(Paths, JoinRefusesWhatDoesNotFitAndTheWorkFolderEndsInABackslash)
{
    char out[MAX_PATH];
    EXPECT_TRUE(JoinPath(out, "C:\\a\\", "soundz.rwv"));
    EXPECT_STREQ("C:\\a\\soundz.rwv", out);
    const std::string folder(MAX_PATH - 10, 'f');
    EXPECT_TRUE(JoinPath(out, folder.c_str(), "123456789"));
    EXPECT_FALSE(JoinPath(out, folder.c_str(), "1234567890"));
    EXPECT_STREQ("", out);

    char saved[MAX_PATH];
    ASSERT_NE(0u, GetCurrentDirectoryA(MAX_PATH, saved));
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    FillWorkFolderWithCurrentDirectory();
    EXPECT_STREQ("C:\\", workFolder);
    const std::string temp = MakeTempFolder("paths");
    ASSERT_TRUE(SetCurrentDirectoryA(temp.c_str()));
    FillWorkFolderWithCurrentDirectory();
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_EQ(std::string(current) + "\\", workFolder);
    SetCurrentDirectoryA(saved);
    RemoveFolder(temp);
}
