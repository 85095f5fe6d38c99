// Compress statistics: the figures and the report text, from real banks that stay unwritten.
#include <gtest/gtest.h>

#include "bank/statistics.h"
#include "tests/bank/bank_test_folder.h"

namespace {

class StatisticsTest : public BankFolderTest {
protected:
    BankStatistics Measure(const std::vector<RwvEntry>& entries, uint64_t fileSize)
    {
        EXPECT_TRUE(WriteBankFile(Path("soundz.rwv"), entries, fileSize));
        return MeasureBank(Path("soundz.rwv").c_str());
    }
    std::string Report(const BankStatistics& stats) const
    {
        char text[512];
        FormatStatisticsReport(stats, text, sizeof text);
        return text;
    }
};

std::string Expected(const char* megabytes, const char* wasted, const char* percent)
{
    return std::string("Size of soundz.rwv file: ") + megabytes + " MB\n\nWasted space: " + wasted + " MB (" +
           percent + "%)\n\nWould you like to compress the file? (disabled)";
}

}  // namespace

TEST_F(StatisticsTest, TheThreeMegabyteExample)
{
    const BankStatistics stats =
        Measure({MakeEntry("a.wav", 184, 1000000), MakeEntry("b.wav", 1000184, 1500000)}, 3145728);
    ASSERT_TRUE(stats.computed);
    EXPECT_EQ(3145728u, stats.fileSize);
    EXPECT_EQ(2500184, stats.usedSize);
    EXPECT_EQ(Expected("3", "0.616", "20.52"), Report(stats));
}

// Shares whose last digit depends on rounding every float step: extended-precision
// intermediates print 36.72 and 17.89 for these.
TEST_F(StatisticsTest, PercentsOnARoundingBoundaryPrintTheSameInEveryBuild)
{
    const BankStatistics upward =
        Measure({MakeEntry("a.wav", 184, 1000000), MakeEntry("b.wav", 1000184, 990590)}, 3145728);
    EXPECT_EQ(Expected("3", "1.101", "36.71"), Report(upward));
    const BankStatistics downward =
        Measure({MakeEntry("a.wav", 184, 1000000), MakeEntry("b.wav", 1000184, 1582616)}, 3145728);
    EXPECT_EQ(Expected("3", "0.537", "17.90"), Report(downward));
}

TEST_F(StatisticsTest, WholeMegabytesDropTheRemainderAndFullBanksWasteNothing)
{
    std::vector<RwvEntry> entries = {MakeEntry("a.wav", 100, 1048576 - 100)};
    EXPECT_EQ(Expected("1", "0.000", "0.00"), Report(Measure(entries, 1048576)));
    entries[0].size = 1048575 - 100;
    EXPECT_EQ(Expected("0", "0.000", "0.00"), Report(Measure(entries, 1048575)));
}

TEST_F(StatisticsTest, OvercountedEntriesShowNegativeWasteWithoutOverflow)
{
    const BankStatistics stats =
        Measure({MakeEntry("a.wav", 184, 0x7FFFFFFF), MakeEntry("b.wav", 184, 0x7FFFFFFF)}, 2 * 1048576);
    ASSERT_TRUE(stats.computed);
    EXPECT_EQ(16 + 168 + 2 * int64_t(0x7FFFFFFF), stats.usedSize);
    EXPECT_LT(stats.wastedMegabytes, -4000.0f);
    EXPECT_EQ(Expected("2", "-4094.000", "-204700.02"), Report(stats));
}

TEST_F(StatisticsTest, NothingIsComputedFromABankThatWasNotRead)
{
    const std::string bank = Path("soundz.rwv");
    ASSERT_TRUE(WriteBankFile(bank, {MakeEntry("a.wav", 100, 10)}, 200));
    {
        HeldFile held(bank);
        const BankStatistics stats = MeasureBank(bank.c_str());
        EXPECT_FALSE(stats.computed);
        EXPECT_EQ(BANK_ERR_OPEN, stats.bankStatus);
        EXPECT_EQ("", Report(stats));
    }
    ASSERT_TRUE(WriteWholeFile(bank, GoodHeaderBytes(-1)));
    EXPECT_FALSE(MeasureBank(bank.c_str()).computed);
    EXPECT_EQ(BANK_ERR_BAD_HEADER, MeasureBank(bank.c_str()).bankStatus);
    ASSERT_TRUE(WriteWholeFile(bank, GoodHeaderBytes(2)));
    EXPECT_FALSE(MeasureBank(bank.c_str()).computed);
    EXPECT_EQ(BANK_ERR_NO_MEMORY, MeasureBank(bank.c_str()).bankStatus);
}

TEST_F(StatisticsTest, MeasuringNeverWritesTheBank)
{
    const std::string bank = Path("soundz.rwv");
    ASSERT_TRUE(WriteBankFile(bank, PackedBankEntries({"a.wav", "b.wav"}, {300, 400}), 5000));
    const Bytes before = ReadWholeFile(bank);
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    ASSERT_TRUE(GetFileAttributesExA(bank.c_str(), GetFileExInfoStandard, &attributes));
    const FILETIME written = attributes.ftLastWriteTime;
    Sleep(20);
    EXPECT_TRUE(MeasureBank(bank.c_str()).computed);
    EXPECT_EQ(before, ReadWholeFile(bank));
    ASSERT_TRUE(GetFileAttributesExA(bank.c_str(), GetFileExInfoStandard, &attributes));
    EXPECT_EQ(0, CompareFileTime(&written, &attributes.ftLastWriteTime));
}
