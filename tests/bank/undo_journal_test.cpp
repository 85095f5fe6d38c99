// The undo record of every merge: taken back on request, or at the next opening when the
// merge was interrupted; refused when the bank has moved on; ignored when cut short.
#include <gtest/gtest.h>

#include "bank/compact_bank.h"
#include "bank/insert_package.h"
#include "bank/undo_journal.h"
#include "tests/bank/bank_test_folder.h"

namespace {

class UndoJournalTest : public BankFolderTest {
protected:
    void SetUp() override
    {
        BankFolderTest::SetUp();
        bank = Path("soundz.rwv");
        undo = bank + ".undo";
        ASSERT_TRUE(WriteBankFile(bank, {MakeEntry("a.wav", 1000, 400), MakeEntry("b.wav", 1400, 400)}, 3000));
        original = ReadWholeFile(bank);
    }
    // A package of a.wav shorter (REPLACE) and b.wav longer (APPEND), its bytes from seed.
    InsertResult Merge(int seed, std::vector<PackageItem> items = {})
    {
        if (items.empty())
            items = {{MakeEntry("a.wav", 0, 300), ToneData(300, seed)}, {MakeEntry("b.wav", 0, 900), ToneData(900, seed)}};
        EXPECT_TRUE(WritePackageFile(Path("p.rwv"), items));
        return MergePackage(Path("p.rwv").c_str(), bank.c_str()).result;
    }
    // The record's state as if the process had ended before it was marked done.
    void MarkLastRecordInterrupted()
    {
        Bytes bytes = ReadWholeFile(undo);
        const uint32_t pending = 0x444E4550u;
        std::memcpy(bytes.data() + 4, &pending, 4);
        ASSERT_TRUE(WriteWholeFile(undo, bytes));
    }

    std::string bank;
    std::string undo;
    Bytes original;
};

}  // namespace

// Three merges taken back one by one come out at each earlier bank in turn, and the last
// leaves no undo file behind.
TEST_F(UndoJournalTest, EachMergeTakenBackGivesTheBankBeforeIt)
{
    std::vector<Bytes> before = {original};
    for (int seed = 1; seed <= 3; ++seed) {
        ASSERT_EQ(InsertResult::ALL_MERGED, Merge(seed));
        before.push_back(ReadWholeFile(bank));
    }
    ASSERT_EQ(3u, ListChanges(bank.c_str()).size());
    EXPECT_EQ(1, ListChanges(bank.c_str())[0].replaced);
    EXPECT_EQ(1, ListChanges(bank.c_str())[0].appended);
    for (int taken = 3; taken >= 1; --taken) {
        EXPECT_EQ(UndoResult::TAKEN_BACK, UndoNewestChange(bank.c_str()).result);
        EXPECT_EQ(before[static_cast<size_t>(taken - 1)], ReadWholeFile(bank)) << "after taking back merge " << taken;
    }
    EXPECT_FALSE(PathExists(undo));
    EXPECT_EQ(UndoResult::NO_RECORD, UndoNewestChange(bank.c_str()).result);
}

// Another program's change since the merge: the stale record must not be written over it.
TEST_F(UndoJournalTest, ABankChangedSinceItsLastMergeIsNotTouched)
{
    ASSERT_EQ(InsertResult::ALL_MERGED, Merge(1));
    Bytes changed = ReadWholeFile(bank);
    changed[16 + 56] ^= 1;  // a.wav's size
    ASSERT_TRUE(WriteWholeFile(bank, changed));
    EXPECT_EQ(UndoResult::CHANGED_SINCE, UndoNewestChange(bank.c_str()).result);
    EXPECT_EQ(changed, ReadWholeFile(bank));
    EXPECT_EQ(1u, ListChanges(bank.c_str()).size());
}

// A complete record not marked done belongs to a merge that was interrupted: the next
// opening puts the bank back, however far the merge had got; a record cut short is ignored.
TEST_F(UndoJournalTest, AnInterruptedMergeIsTakenBackAndARecordCutShortIgnored)
{
    ASSERT_EQ(InsertResult::ALL_MERGED, Merge(1));
    const Bytes merged = ReadWholeFile(bank);
    const Bytes record = ReadWholeFile(undo);
    // A second record whose last bytes never reached the disk.
    Bytes torn = record;
    torn.insert(torn.end(), record.begin(), record.end());
    const uint32_t pending = 0x444E4550u;
    std::memcpy(torn.data() + record.size() + 4, &pending, 4);
    torn[torn.size() - 10] ^= 0xFF;
    ASSERT_TRUE(WriteWholeFile(undo, torn));
    EXPECT_EQ(Recovery::NOTHING_TO_DO, TakeBackInterruptedChange(bank.c_str()));
    EXPECT_EQ(merged, ReadWholeFile(bank));
    EXPECT_EQ(1u, ListChanges(bank.c_str()).size());

    ASSERT_TRUE(WriteWholeFile(undo, record));
    MarkLastRecordInterrupted();
    Bytes half = merged;
    half.resize(original.size() + 100);  // the append half written, the directory not yet
    ASSERT_TRUE(WriteWholeFile(bank, half));
    BankReader reader;
    EXPECT_EQ(ReadResult::READ, reader.Open(bank.c_str(), GENERIC_READ, FILE_SHARE_READ));
    EXPECT_TRUE(reader.Recovered());
    reader.Close();
    EXPECT_EQ(original, ReadWholeFile(bank));
    EXPECT_FALSE(PathExists(undo));
}

// Held by another program, the bank cannot be put back: it is left alone, record and all.
TEST_F(UndoJournalTest, AnInterruptedMergeOfAHeldBankIsLeftForLater)
{
    ASSERT_EQ(InsertResult::ALL_MERGED, Merge(1));
    MarkLastRecordInterrupted();
    const Bytes merged = ReadWholeFile(bank);
    {
        FileHandle held(CreateFileA(bank.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.IsOpen());
        BankReader reader;
        EXPECT_EQ(ReadResult::NOT_RECOVERED, reader.Open(bank.c_str(), GENERIC_READ, FILE_SHARE_READ));
    }
    EXPECT_EQ(merged, ReadWholeFile(bank));
    EXPECT_EQ(Recovery::TAKEN_BACK, TakeBackInterruptedChange(bank.c_str()));
    EXPECT_EQ(original, ReadWholeFile(bank));
}

// An entry named twice, larger then smaller: the second lands in the range the first was
// appended to, and taking the merge back cuts both off.
TEST_F(UndoJournalTest, AnEntryNamedTwiceGoesWhereTheMergeAppendedIt)
{
    ASSERT_EQ(InsertResult::ALL_MERGED,
              Merge(1, {{MakeEntry("a.wav", 0, 700), ToneData(700, 1)}, {MakeEntry("A.WAV", 0, 500), ToneData(500, 2)}}));
    const Bytes merged = ReadWholeFile(bank);
    ASSERT_EQ(original.size() + 700, merged.size());
    EXPECT_EQ(ToneData(500, 2), Bytes(merged.begin() + 3000, merged.begin() + 3500));
    RwvEntry a;
    std::memcpy(&a, merged.data() + 16, 84);
    EXPECT_EQ(3000, a.offset);
    EXPECT_EQ(500, a.size);
    EXPECT_EQ(UndoResult::TAKEN_BACK, UndoNewestChange(bank.c_str()).result);
    EXPECT_EQ(original, ReadWholeFile(bank));
}

// Compaction ends the records: they go with the backup, which they still take back; a bank
// without waste is left alone, backup included.
TEST_F(UndoJournalTest, CompactionHandsTheRecordsToTheBackup)
{
    ASSERT_EQ(InsertResult::ALL_MERGED, Merge(1));
    const Bytes merged = ReadWholeFile(bank);
    ASSERT_TRUE(WriteWholeFile(bank + ".new", Bytes(5, 1)));  // left by a compaction that was killed
    struct : WorkObserver {
        void Problem(const std::string&) override {}
        void Progress(int64_t, int64_t) override {}
    } quiet;
    const CompactOutcome compacted = CompactBank(bank.c_str(), true, quiet);
    ASSERT_EQ(CompactResult::COMPACTED, compacted.result);
    EXPECT_TRUE(compacted.hadRecords);
    EXPECT_FALSE(PathExists(undo));
    EXPECT_FALSE(PathExists(bank + ".new"));
    EXPECT_EQ(merged, ReadWholeFile(bank + ".bak"));
    const Bytes compactBank = ReadWholeFile(bank);
    EXPECT_EQ(CompactResult::NOTHING_TO_COMPACT, CompactBank(bank.c_str(), true, quiet).result);
    EXPECT_EQ(compactBank, ReadWholeFile(bank));
    EXPECT_EQ(merged, ReadWholeFile(bank + ".bak"));
    EXPECT_EQ(UndoResult::TAKEN_BACK, UndoNewestChange((bank + ".bak").c_str()).result);
    EXPECT_EQ(original, ReadWholeFile(bank + ".bak"));
}
