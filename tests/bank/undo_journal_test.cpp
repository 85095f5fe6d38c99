// The undo record of every merge: taken back on request, or at the next opening when the
// merge was interrupted; refused when the bank has moved on; ignored when cut short.
#include <gtest/gtest.h>

#include "bank/checksum.h"
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

    // The record's sum made again after a field was changed, as a forger would.
    static void Resum(Bytes& record)
    {
        const uint64_t packageBytes = Field<uint32_t>(record, 72), headBytes = Field<uint32_t>(record, 56);
        const uint64_t rangeBytes = 32ull * Field<uint32_t>(record, 68);
        const uint64_t saved = record.size() - 96 - packageBytes - headBytes - rangeBytes;
        uint64_t sum = CHECKSUM_START, at = 16;
        for (const uint64_t length : {uint64_t{64}, uint64_t{16}, packageBytes, headBytes, saved, rangeBytes}) {
            sum = Checksum(sum, record.data() + at, static_cast<size_t>(length));
            at += length;
        }
        std::memcpy(record.data() + 8, &sum, sizeof sum);
    }
    template <typename Value>
    static Value Field(const Bytes& bytes, size_t at)
    {
        Value value;
        std::memcpy(&value, bytes.data() + at, sizeof value);
        return value;
    }
    template <typename Value>
    static void SetField(Bytes& bytes, size_t at, Value value)
    {
        std::memcpy(bytes.data() + at, &value, sizeof value);
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
    ASSERT_EQ(3u, ListChanges(bank.c_str()).changes.size());
    EXPECT_EQ(1, ListChanges(bank.c_str()).changes[0].replaced);
    EXPECT_EQ(1, ListChanges(bank.c_str()).changes[0].appended);
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
    EXPECT_EQ(1u, ListChanges(bank.c_str()).changes.size());
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
    EXPECT_EQ(Recovery::NOTHING_TO_DO, TakeBackInterruptedChange(bank.c_str()).result);
    EXPECT_EQ(merged, ReadWholeFile(bank));
    EXPECT_EQ(1u, ListChanges(bank.c_str()).changes.size());

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
    EXPECT_EQ(Recovery::TAKEN_BACK, TakeBackInterruptedChange(bank.c_str()).result);
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

// The bank was put back from a copy after a merge was cut short: the record no longer
// describes it, so it is left alone and the record set aside whole.
TEST_F(UndoJournalTest, ARestoredBankBesideAnInterruptedRecordIsLeftAlone)
{
    ASSERT_EQ(InsertResult::ALL_MERGED, Merge(1));
    MarkLastRecordInterrupted();
    const Bytes record = ReadWholeFile(undo);
    ASSERT_TRUE(WriteBankFile(bank, {MakeEntry("c.wav", 100, 400)}, 500));
    const Bytes restored = ReadWholeFile(bank);
    const RecoveryOutcome recovery = TakeBackInterruptedChange(bank.c_str());
    EXPECT_EQ(Recovery::SET_ASIDE, recovery.result);
    EXPECT_EQ("soundz.rwv.undo.stale", recovery.setAsideAs);
    EXPECT_EQ(restored, ReadWholeFile(bank));
    EXPECT_FALSE(PathExists(undo));
    EXPECT_EQ(record, ReadWholeFile(undo + ".stale"));
}

// Undo writes nothing over a byte another program rewrote where the merge wrote, even at
// the same size; a byte the merge never wrote may change, and is kept.
TEST_F(UndoJournalTest, UndoRefusesABankRewrittenWhereTheMergeWrote)
{
    ASSERT_EQ(InsertResult::ALL_MERGED, Merge(1));
    Bytes rewritten = ReadWholeFile(bank);
    rewritten[1000 + 10] ^= 1;  // inside the 300 bytes the merge wrote over a.wav
    ASSERT_TRUE(WriteWholeFile(bank, rewritten));
    EXPECT_EQ(UndoResult::CHANGED_SINCE, UndoNewestChange(bank.c_str()).result);
    EXPECT_EQ(rewritten, ReadWholeFile(bank));

    rewritten[1000 + 10] ^= 1;
    rewritten[1400 + 10] ^= 1;  // b.wav's old bytes, which its append left unused
    ASSERT_TRUE(WriteWholeFile(bank, rewritten));
    EXPECT_EQ(UndoResult::TAKEN_BACK, UndoNewestChange(bank.c_str()).result);
    Bytes expected = original;
    expected[1400 + 10] ^= 1;
    EXPECT_EQ(expected, ReadWholeFile(bank));
}

// A record whose sum is right but whose fields are not (forged, or damaged and summed
// again) is never used: the bank stays as the merge left it, the record stays too.
TEST_F(UndoJournalTest, ARecordWithImpossibleFieldsIsIgnored)
{
    ASSERT_EQ(InsertResult::ALL_MERGED, Merge(1));
    MarkLastRecordInterrupted();
    const Bytes merged = ReadWholeFile(bank);
    const Bytes record = ReadWholeFile(undo);
    const size_t rangesAt = record.size() - 32 * Field<uint32_t>(record, 68);
    Bytes zeroSize = record, hugeRange = record;
    SetField<int64_t>(zeroSize, 24, 0);  // the size before the merge
    SetField<int64_t>(hugeRange, rangesAt + 8, INT64_MAX - 500);  // the first range's length
    for (Bytes* forged : {&zeroSize, &hugeRange}) {
        Resum(*forged);
        ASSERT_TRUE(WriteWholeFile(undo, *forged));
        EXPECT_EQ(Recovery::NOTHING_TO_DO, TakeBackInterruptedChange(bank.c_str()).result);
        EXPECT_EQ(UndoResult::DAMAGED, UndoNewestChange(bank.c_str()).result);
        EXPECT_EQ(merged, ReadWholeFile(bank));
        EXPECT_EQ(*forged, ReadWholeFile(undo));
    }
}

// A scanner holds the undo file (it lets others delete, not write): the merge is refused,
// and the records stay.
TEST_F(UndoJournalTest, AHeldUndoFileRefusesTheMergeAndKeepsItsRecords)
{
    ASSERT_EQ(InsertResult::ALL_MERGED, Merge(1));
    ASSERT_EQ(InsertResult::ALL_MERGED, Merge(2));
    const Bytes merged = ReadWholeFile(bank);
    const Bytes records = ReadWholeFile(undo);
    {
        FileHandle held(CreateFileA(undo.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.IsOpen());
        EXPECT_TRUE(WritePackageFile(Path("p.rwv"), {{MakeEntry("a.wav", 0, 200), ToneData(200, 3)}}));
        const InsertOutcome outcome = MergePackage(Path("p.rwv").c_str(), bank.c_str());
        EXPECT_EQ(InsertResult::UNDO_NOT_WRITTEN, outcome.result);
        EXPECT_EQ(JournalFault::HELD, outcome.journalFault);
    }
    EXPECT_EQ(merged, ReadWholeFile(bank));
    EXPECT_EQ(records, ReadWholeFile(undo));
}

// A damaged record in the middle never costs the records after it: damaged bytes inside it
// leave the walk going, so merges go on; a damaged head stops the next merge instead.
TEST_F(UndoJournalTest, ADamagedMiddleRecordKeepsTheRecordsAfterIt)
{
    std::vector<size_t> ends;
    for (int seed = 1; seed <= 3; ++seed) {
        ASSERT_EQ(InsertResult::ALL_MERGED, Merge(seed));
        ends.push_back(ReadWholeFile(undo).size());
    }
    Bytes records = ReadWholeFile(undo);
    records[ends[1] - 40] ^= 1;  // inside the second record's range table
    ASSERT_TRUE(WriteWholeFile(undo, records));
    ChangeList list = ListChanges(bank.c_str());
    ASSERT_EQ(3u, list.changes.size());
    EXPECT_EQ(RecordStatus::DAMAGED, list.changes[1].status);
    EXPECT_EQ(RecordStatus::GOOD, list.changes[2].status);
    ASSERT_EQ(InsertResult::ALL_MERGED, Merge(4));
    EXPECT_EQ(4u, ListChanges(bank.c_str()).changes.size());
    EXPECT_EQ(UndoResult::TAKEN_BACK, UndoNewestChange(bank.c_str()).result);
    EXPECT_EQ(UndoResult::TAKEN_BACK, UndoNewestChange(bank.c_str()).result);
    EXPECT_EQ(UndoResult::DAMAGED, UndoNewestChange(bank.c_str()).result);

    records = ReadWholeFile(undo);
    SetField<uint64_t>(records, ends[0] + 16, 5);  // the second record's length
    ASSERT_TRUE(WriteWholeFile(undo, records));
    const Bytes before = ReadWholeFile(bank);
    EXPECT_EQ(InsertResult::UNDO_NOT_WRITTEN, Merge(5));
    EXPECT_EQ(before, ReadWholeFile(bank));
    EXPECT_EQ(records, ReadWholeFile(undo));
    list = ListChanges(bank.c_str());
    EXPECT_EQ(1u, list.changes.size());
    EXPECT_EQ(JournalFault::DAMAGED, list.unreadableRest);
}

// Records of the first layout kept no sums of what their merge wrote: they are listed and
// taken back after an interruption, but never on request, and never deleted.
TEST_F(UndoJournalTest, RecordsOfTheFirstLayoutAreKeptButNotTakenBackOnRequest)
{
    ASSERT_EQ(InsertResult::ALL_MERGED, Merge(1));
    const Bytes merged = ReadWholeFile(bank);
    const size_t headBytes = 16 + 2 * 84;
    const std::string package = "p.rwv";
    const int64_t range[2] = {1000, 300};
    Bytes record(80);
    SetField<uint32_t>(record, 0, 0x55565752u);
    SetField<uint32_t>(record, 4, 0x454E4F44u);  // done
    SetField<uint64_t>(record, 16, 80 + package.size() + headBytes + sizeof range + 300);
    SetField<int64_t>(record, 24, 3000);
    SetField<int64_t>(record, 32, 3900);
    SetField<uint64_t>(record, 40, HeadSum(merged.data(), headBytes));
    SetField<uint32_t>(record, 56, headBytes);
    SetField<uint32_t>(record, 68, 1);
    SetField<uint32_t>(record, 72, static_cast<uint32_t>(package.size()));
    record.insert(record.end(), package.begin(), package.end());
    record.insert(record.end(), original.begin(), original.begin() + headBytes);
    const uint8_t* rangeBytes = reinterpret_cast<const uint8_t*>(range);
    record.insert(record.end(), rangeBytes, rangeBytes + sizeof range);
    record.insert(record.end(), original.begin() + 1000, original.begin() + 1300);
    uint64_t sum = CHECKSUM_START, at = 16;
    for (const uint64_t length : {uint64_t{64}, uint64_t{package.size()}, uint64_t{headBytes}, uint64_t{16}, uint64_t{300}}) {
        sum = Checksum(sum, record.data() + at, static_cast<size_t>(length));
        at += length;
    }
    SetField<uint64_t>(record, 8, sum);
    ASSERT_TRUE(WriteWholeFile(undo, record));

    const ChangeList list = ListChanges(bank.c_str());
    ASSERT_EQ(1u, list.changes.size());
    EXPECT_EQ(RecordStatus::EARLIER_LAYOUT, list.changes[0].status);
    EXPECT_EQ(UndoResult::EARLIER_LAYOUT, UndoNewestChange(bank.c_str()).result);
    EXPECT_EQ(merged, ReadWholeFile(bank));
    EXPECT_EQ(record, ReadWholeFile(undo));
    MarkLastRecordInterrupted();
    EXPECT_EQ(Recovery::TAKEN_BACK, TakeBackInterruptedChange(bank.c_str()).result);
    EXPECT_EQ(original, ReadWholeFile(bank));
}
