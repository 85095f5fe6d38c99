// A compaction's backup is never the live bank: what a compaction ended half way left is
// finished or undone by the next opening, and a writer never comes between a compaction
// and its switch.
#include <gtest/gtest.h>

#include "bank/bank_reader.h"
#include "bank/compact_bank.h"
#include "bank/insert_package.h"
#include "bank/undo_journal.h"
#include "tests/bank/bank_test_folder.h"

namespace {

class CompactionTest : public BankFolderTest {
protected:
    void SetUp() override
    {
        BankFolderTest::SetUp();
        bank = Path("soundz.rwv");
        ASSERT_TRUE(WriteBankFile(bank, {MakeEntry("a.wav", 1000, 400), MakeEntry("b.wav", 1400, 400)}, 3000));
        ASSERT_TRUE(WriteWholeFile(bank + ".bak", previousBackup));
    }
    // b.wav grows: appended, so its old range becomes waste.
    InsertResult Merge(int seed)
    {
        EXPECT_TRUE(WritePackageFile(Path("p.rwv"), {{MakeEntry("b.wav", 0, 900), ToneData(900, seed)}}));
        return MergePackage(Path("p.rwv").c_str(), bank.c_str()).result;
    }
    size_t Records() const { return ListChanges(bank.c_str()).changes.size(); }
    bool Exists(const char* suffix) const { return PathExists(bank + suffix); }

    std::string bank;
    const Bytes previousBackup = Bytes(300, 9);
};

}  // namespace

// Killed after setting its backup and records aside, before the switch: the next opening
// (here a merge's) puts the records back and removes the backup's link or copy, so that
// the merge changes neither the previous backup nor a half-made one.
TEST_F(CompactionTest, ACompactionKilledBeforeItsSwitchIsUndoneAndTheBackupStaysAsItWas)
{
    for (const bool linked : {true, false}) {
        ASSERT_EQ(InsertResult::ALL_MERGED, Merge(1));
        ASSERT_TRUE(WriteWholeFile(bank + ".new", Bytes(64, 1)));
        ASSERT_TRUE(linked ? CreateHardLinkA((bank + ".bak.new").c_str(), bank.c_str(), nullptr)
                           : CopyFileA(bank.c_str(), (bank + ".bak.new").c_str(), TRUE));
        ASSERT_TRUE(MoveFileExA((bank + ".undo").c_str(), (bank + ".bak.new.undo").c_str(), 0));

        ASSERT_EQ(InsertResult::ALL_MERGED, Merge(2));
        EXPECT_EQ(previousBackup, ReadWholeFile(bank + ".bak")) << (linked ? "linked" : "copied");
        EXPECT_EQ(2u, Records());
        EXPECT_FALSE(Exists(".bak.new") || Exists(".bak.new.undo") || Exists(".new"));
        ASSERT_TRUE(WriteBankFile(bank, {MakeEntry("a.wav", 1000, 400), MakeEntry("b.wav", 1400, 400)}, 3000));
        ASSERT_TRUE(DeleteFileA((bank + ".undo").c_str()));
    }
}

// One writer at a time: a bank that another writer holds, or whose compaction is switching
// it, is neither merged into, compacted nor taken back, and readers go on. What holds a
// bank is told apart: another writer, a program that only reads, a read-only file.
TEST_F(CompactionTest, ASecondWriterIsRefusedAndReadersGoOn)
{
    ASSERT_EQ(InsertResult::ALL_MERGED, Merge(1));
    const Bytes merged = ReadWholeFile(bank);
    struct : WorkObserver {
        void Problem(const std::string&) override {}
        void Progress(int64_t, int64_t) override {}
    } quiet;
    {
        const FileHandle writer = OpenAsWriter(bank.c_str());
        ASSERT_TRUE(writer.IsOpen());
        EXPECT_EQ(BankHold::BEING_CHANGED, WhoHoldsBank(bank.c_str()));
        EXPECT_EQ(InsertResult::BANK_NOT_OPENED, Merge(2));
        EXPECT_EQ(CompactResult::BANK_NOT_READ, CompactBank(bank.c_str(), true, quiet).result);
        EXPECT_EQ(UndoResult::NOT_OPENED, UndoNewestChange(bank.c_str()).result);
        BankReader reader;
        EXPECT_EQ(ReadResult::READ, reader.Open(bank.c_str(), GENERIC_READ, BANK_READER_SHARING));
    }
    {
        // A compaction that has let go of the old bank and holds its new one.
        ASSERT_TRUE(WriteWholeFile(bank + ".new", Bytes(64, 1)));
        ASSERT_TRUE(CreateHardLinkA((bank + ".bak.new").c_str(), bank.c_str(), nullptr));
        const FileHandle compaction = OpenAsWriter((bank + ".new").c_str());
        EXPECT_EQ(BankHold::BEING_CHANGED, WhoHoldsBank(bank.c_str()));
        EXPECT_EQ(InsertResult::BANK_NOT_OPENED, Merge(2));
        EXPECT_TRUE(Exists(".bak.new"));
    }
    EXPECT_EQ(merged, ReadWholeFile(bank));
    EXPECT_EQ(1u, Records());
    const FileHandle game = OpenExistingFile(bank.c_str(), GENERIC_READ, FILE_SHARE_READ);
    EXPECT_EQ(BankHold::IN_USE, WhoHoldsBank(bank.c_str()));
    ASSERT_TRUE(SetFileAttributesA(bank.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(BankHold::READ_ONLY, WhoHoldsBank(bank.c_str()));
    SetFileAttributesA(bank.c_str(), FILE_ATTRIBUTE_NORMAL);
}
