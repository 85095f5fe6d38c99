// The header check, the package header bytes and name matching.
#include <gtest/gtest.h>

#include <cstring>

#include "bank/format.h"
#include "tools/bank_files.h"

static RwvHeader HeaderFrom(const Bytes& bytes)
{
    RwvHeader header;
    std::memcpy(&header, bytes.data(), sizeof header);
    return header;
}

TEST(BankHeader, AcceptsOnlyTheConstantsWithAtLeastOneEntry)
{
    EXPECT_TRUE(IsGoodBankHeader(HeaderFrom(GoodHeaderBytes(1))));
    EXPECT_TRUE(IsGoodBankHeader(HeaderFrom(GoodHeaderBytes(0x7FFFFFFF))));
    EXPECT_FALSE(IsGoodBankHeader(HeaderFrom(GoodHeaderBytes(0))));
    EXPECT_FALSE(IsGoodBankHeader(HeaderFrom(GoodHeaderBytes(-1))));
    EXPECT_FALSE(IsGoodBankHeader(HeaderFrom(HeaderBytes(RWV_MAGIC, 1, 0x00004401, RWV_FIXED2))));
    EXPECT_FALSE(IsGoodBankHeader(HeaderFrom(HeaderBytes(0xFCCFFCCF, 1, RWV_FIXED1, RWV_FIXED2))));
    EXPECT_FALSE(IsGoodBankHeader(HeaderFrom(HeaderBytes(RWV_MAGIC, 1, RWV_FIXED1, 0xE00EE00E))));
}

TEST(BankHeader, PackageHeaderHasTheDiskBytes)
{
    const RwvHeader header = MakePackageHeader(0);
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&header);
    const Bytes expected = {0xFC, 0xCF, 0xFC, 0xCF, 0, 0, 0, 0, 0x00, 0x44, 0x00, 0x00, 0xE0, 0x0E, 0xE0, 0x0E};
    EXPECT_EQ(expected, Bytes(p, p + sizeof header));
}

static bool Matches(const std::string& fieldText, const char* name)
{
    const RwvEntry entry = MakeEntry(fieldText, 0, 0);
    return NameMatches(entry.name, name);
}

TEST(NameMatching, FoldsOnlyAsciiLettersAndComparesWholeNames)
{
    EXPECT_TRUE(Matches("shot.wav", "SHOT.WAV"));
    EXPECT_TRUE(Matches("Shot.Wav", "sHOT.wAV"));
    EXPECT_FALSE(Matches("shot.wav", "shot.wa"));
    EXPECT_FALSE(Matches("shot.wa", "shot.wav"));
    EXPECT_FALSE(Matches("shot", "shot.wav"));
    EXPECT_FALSE(Matches("", "shot.wav"));
    // Letters beyond ASCII are compared as they are: the system's code page is no concern.
    EXPECT_FALSE(Matches("\xC9t\xE9.wav", "\xE9t\xE9.wav"));
    EXPECT_TRUE(Matches("\xC9t\xE9.wav", "\xC9T\xE9.WAV"));
    // '[' and '{' sit next to the letters; folding them would be wrong.
    EXPECT_FALSE(Matches("[.wav", "{.wav"));
}

TEST(NameMatching, IsBoundedByTheFiftyTwoByteField)
{
    const std::string longest(51, 'a');
    EXPECT_TRUE(Matches(longest, longest.c_str()));
    const std::string tooLong(52, 'a');
    // A field without a NUL is read no further than its 52 bytes and names nothing.
    const RwvEntry full = MakeEntry(tooLong, 0, 0);
    EXPECT_EQ(0, std::memcmp(full.name, tooLong.data(), 52));
    EXPECT_FALSE(NameMatches(full.name, tooLong.c_str()));
    EXPECT_FALSE(NameMatches(full.name, (tooLong + "b").c_str()));
    EXPECT_FALSE(Matches(longest, (longest + "a").c_str()));
    EXPECT_EQ(tooLong, std::string(NameOf(full).text));
    EXPECT_EQ(std::string("x.wav"), NameOf(MakeEntry("x.wav", 0, 0)).text);
}
