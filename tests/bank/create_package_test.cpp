// Create Package's file work on real folders: the scan, the log and the package bytes.
#include <gtest/gtest.h>

#include <algorithm>

#include "bank/create_package.h"
#include "bank/growing_block.h"
#include "tests/bank/bank_test_folder.h"

namespace {

class CreatePackageTest : public BankFolderTest {
protected:
    void SetUp() override
    {
        BankFolderTest::SetUp();
        waves = folder + "waves\\";
        ASSERT_TRUE(CreateDirectoryA(waves.c_str(), nullptr));
    }
    // A bank named like the waves of the tests, and one name that no wave uses.
    void WriteBank(const std::vector<std::string>& names)
    {
        std::vector<int32_t> sizes(names.size(), 64);
        bankEntries = PackedBankEntries(names, sizes);
        ASSERT_TRUE(WriteBankFile(Path("soundz.rwv"), bankEntries, 16 + 84 * names.size() + 64 * names.size()));
    }
    void Build() { outcome = BuildPackage(waves.c_str(), Path("soundz.rwv").c_str()); }
    Bytes Package() const { return ReadWholeFile(waves + "NewPack.rwv"); }
    std::string Log() const
    {
        const Bytes bytes = ReadWholeFile(waves + "pack.log");
        return std::string(bytes.begin(), bytes.end());
    }
    // The package's entries, as written.
    std::vector<RwvEntry> PackageEntries() const
    {
        const Bytes bytes = Package();
        std::vector<RwvEntry> entries;
        for (size_t at = 16; at + 84 <= bytes.size() && entries.size() < static_cast<size_t>(bytes[4]); at += 84) {
            RwvEntry entry;
            std::memcpy(&entry, bytes.data() + at, 84);
            entries.push_back(entry);
        }
        return entries;
    }
    // The names of the folder's waves in the order the directory search delivers them.
    std::vector<std::string> SearchOrder() const
    {
        return NamesInSearchOrder(waves + "*.wav");
    }
    std::string waves;
    CreateOutcome outcome = {};
    std::vector<RwvEntry> bankEntries;
};

const Bytes EMPTY_PACKAGE = {0xFC, 0xCF, 0xFC, 0xCF, 0, 0, 0, 0, 0x00, 0x44, 0x00, 0x00, 0xE0, 0x0E, 0xE0, 0x0E};

}  // namespace

TEST_F(CreatePackageTest, OneWaveOfAThousandBytesMakesAPackageOfElevenHundred)
{
    WriteBank({"other.wav", "shot.wav"});
    const Bytes data = ToneData(1000, 1);
    ASSERT_TRUE(WriteWaveFile(waves + "shot.wav", 16, data));
    Build();
    EXPECT_EQ(CreateResult::PACKAGE_WRITTEN, outcome.result);
    const Bytes package = Package();
    ASSERT_EQ(1100u, package.size());
    Bytes expected = GoodHeaderBytes(1);
    RwvEntry entry = bankEntries[1];
    entry.offset = 84;
    entry.size = 1000;
    const Bytes format = WaveFormatBytes();
    std::memcpy(entry.format, format.data(), 16);
    const Bytes entryBytes = EntryBytes(entry);
    expected.insert(expected.end(), entryBytes.begin(), entryBytes.end());
    expected.insert(expected.end(), data.begin(), data.end());
    EXPECT_EQ(expected, package) << "name bytes after the NUL, opaque1 and opaque2 come from the bank";
    EXPECT_EQ("shot.wav OK\r\n1 files -> 1 OK, 0 NOTOK\r\n", Log());
}

TEST_F(CreatePackageTest, TwoEntriesLieBackToBackAfterTheDirectory)
{
    WriteBank({"a.wav", "b.wav"});
    ASSERT_TRUE(WriteWaveFile(waves + "a.wav", 16, ToneData(100, 1)));
    ASSERT_TRUE(WriteWaveFile(waves + "b.wav", 16, ToneData(50, 2)));
    Build();
    EXPECT_EQ(CreateResult::PACKAGE_WRITTEN, outcome.result);
    const Bytes package = Package();
    ASSERT_EQ(334u, package.size());
    EXPECT_EQ(GoodHeaderBytes(2), Bytes(package.begin(), package.begin() + 16));
    const std::vector<RwvEntry> entries = PackageEntries();
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(168, entries[0].offset);
    EXPECT_EQ(168 + entries[0].size, entries[1].offset);
    for (const RwvEntry& entry : entries) {
        const Bytes data = ToneData(entry.size, entry.size == 100 ? 1 : 2);
        EXPECT_EQ(data, Bytes(package.begin() + 16 + entry.offset, package.begin() + 16 + entry.offset + entry.size));
    }
    EXPECT_EQ(entries[0].size == 100 ? 268 : 218, entries[1].offset);
}

TEST_F(CreatePackageTest, RejectedFilesNeverCauseLaterOnesToBeRejected)
{
    WriteBank({"c.wav", "a.wav"});
    ASSERT_TRUE(WriteWaveFile(waves + "a.wav", 16, ToneData(40, 1)));
    ASSERT_TRUE(WriteWholeFile(waves + "b.wav", Bytes(64, 'x')));
    ASSERT_TRUE(WriteWaveFile(waves + "c.wav", 16, ToneData(60, 3)));
    Build();
    EXPECT_EQ(CreateResult::PACKAGE_WRITTEN, outcome.result);
    std::string expected;
    std::vector<std::string> accepted;
    for (const std::string& name : SearchOrder()) {
        expected += name + (name == "b.wav" ? " NOT OK\r\n" : " OK\r\n");
        if (name != "b.wav")
            accepted.push_back(name);
    }
    expected += "3 files -> 2 OK, 1 NOTOK\r\n";
    EXPECT_EQ(expected, Log());
    const std::vector<RwvEntry> entries = PackageEntries();
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(accepted[0], NameOf(entries[0]).text) << "package order is the search's order";
    EXPECT_EQ(accepted[1], NameOf(entries[1]).text);
}

// A format chunk shorter than the 16 bytes a package carries is refused (the record would
// take bytes of the next chunk's id); longer ones are taken, with the data after them, and a
// LIST chunk between them is skipped, not packed as the sound.
TEST_F(CreatePackageTest, TheSoundIsTheDataChunkWhateverTheFormatsLengthOrTheChunksBetween)
{
    WriteBank({"f14.wav", "f16.wav", "f18.wav", "list.wav"});
    const Bytes data16 = ToneData(30, 1), data18 = ToneData(32, 2), listBody = {'I', 'N', 'F', 'O', 1, 2, 3, 4};
    const Bytes afterList = ToneData(90, 3);
    ASSERT_TRUE(WriteWaveFile(waves + "f14.wav", 14, data16));
    ASSERT_TRUE(WriteWaveFile(waves + "f16.wav", 16, data16));
    ASSERT_TRUE(WriteWaveFile(waves + "f18.wav", 18, data18));
    ASSERT_TRUE(WriteWaveFile(waves + "list.wav", 16, afterList, &listBody));
    EXPECT_EQ(44u, WaveBytes(16, data16).size() - data16.size());
    EXPECT_EQ(46u, WaveBytes(18, data18).size() - data18.size());
    Build();
    EXPECT_NE(std::string::npos, Log().find("f14.wav NOT OK\r\n"));
    const Bytes package = Package();
    for (const RwvEntry& entry : PackageEntries()) {
        const Bytes got(package.begin() + 16 + entry.offset, package.begin() + 16 + entry.offset + entry.size);
        const std::string name = NameOf(entry).text;
        EXPECT_EQ(0, std::memcmp(WaveFormatBytes().data(), entry.format, 16)) << name;
        if (name == "f16.wav")
            EXPECT_EQ(data16, got);
        else if (name == "f18.wav")
            EXPECT_EQ(data18, got);
        else
            EXPECT_EQ(afterList, got) << "the LIST chunk is no sound";
    }
    EXPECT_EQ(3u, PackageEntries().size());
}

TEST_F(CreatePackageTest, NamesMatchWithAsciiCaseFoldedAndTheBankKeepsItsSpelling)
{
    WriteBank({"shot.wav"});
    ASSERT_TRUE(WriteWaveFile(waves + "SHOT.WAV", 16, ToneData(20, 1)));
    Build();
    const std::vector<RwvEntry> entries = PackageEntries();
    ASSERT_EQ(1u, entries.size());
    EXPECT_STREQ("shot.wav", NameOf(entries[0]).text);
    EXPECT_EQ("SHOT.WAV OK\r\n1 files -> 1 OK, 0 NOTOK\r\n", Log());
}

TEST_F(CreatePackageTest, EveryRejectedWaveLeavesTheSixteenByteEmptyPackage)
{
    WriteBank({"known.wav"});
    ASSERT_TRUE(WriteWaveFile(waves + "unknown.wav", 16, ToneData(20, 1)));
    ASSERT_TRUE(WriteWholeFile(waves + "NewPack.rwv", Bytes(500, 7)));
    ASSERT_TRUE(WriteWholeFile(waves + "pack.log", Bytes(500, 'z')));
    Build();
    EXPECT_EQ(CreateResult::PACKAGE_WRITTEN, outcome.result);
    EXPECT_EQ(EMPTY_PACKAGE, Package());
    EXPECT_EQ("unknown.wav NOT OK\r\n1 files -> 0 OK, 1 NOTOK\r\n", Log());
}

TEST_F(CreatePackageTest, ABankThatCannotBeOpenedOrCheckedLeavesAnEarlierPackageAlone)
{
    WriteBank({"a.wav"});
    ASSERT_TRUE(WriteWaveFile(waves + "a.wav", 16, ToneData(20, 1)));
    const Bytes earlier(500, 7);
    ASSERT_TRUE(WriteWholeFile(waves + "NewPack.rwv", earlier));
    {
        HeldFile held(Path("soundz.rwv"));
        ASSERT_TRUE(held.IsOpen());
        Build();
    }
    EXPECT_EQ(CreateResult::BANK_NOT_OPENED, outcome.result);
    EXPECT_EQ(BANK_ERR_OPEN, outcome.bankStatus);
    EXPECT_EQ(earlier, Package());
    EXPECT_TRUE(PathExists(waves + "pack.log"));
    EXPECT_EQ("", Log());

    ASSERT_TRUE(WriteWholeFile(Path("soundz.rwv"), GoodHeaderBytes(0)));
    Build();
    EXPECT_EQ(CreateResult::NOT_A_BANK, outcome.result);
    EXPECT_EQ(BANK_ERR_BAD_HEADER, outcome.bankStatus);
    EXPECT_EQ(earlier, Package());
    EXPECT_EQ("", Log());
}

TEST_F(CreatePackageTest, AShortDirectoryMatchesTheEntriesThatArrived)
{
    Bytes bank = BankBytes(PackedBankEntries({"a.wav", "b.wav"}, {1, 1}), 16 + 2 * 84);
    bank.resize(16 + 84 + 3);  // the second name arrives as "b.w"
    ASSERT_TRUE(WriteWholeFile(Path("soundz.rwv"), bank));
    ASSERT_TRUE(WriteWaveFile(waves + "a.wav", 16, ToneData(20, 1)));
    ASSERT_TRUE(WriteWaveFile(waves + "b.wav", 16, ToneData(20, 2)));
    Build();
    EXPECT_EQ(BANK_ERR_NO_MEMORY, outcome.bankStatus);
    EXPECT_EQ(CreateResult::PACKAGE_WRITTEN, outcome.result);
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("a.wav OK\r\n"));
    EXPECT_NE(std::string::npos, log.find("b.wav NOT OK\r\n"));
    EXPECT_EQ(1u, PackageEntries().size());
}

TEST_F(CreatePackageTest, AHeaderClaimingMoreEntriesThanTheFileHoldsMatchesThoseThere)
{
    Bytes bank = GoodHeaderBytes(0x7FFFFFFF);
    const Bytes entry = EntryBytes(MakeEntry("a.wav", 100, 4));
    bank.insert(bank.end(), entry.begin(), entry.end());
    ASSERT_TRUE(WriteWholeFile(Path("soundz.rwv"), bank));
    ASSERT_TRUE(WriteWaveFile(waves + "a.wav", 16, ToneData(20, 1)));
    Build();
    EXPECT_EQ(BANK_ERR_NO_MEMORY, outcome.bankStatus) << "the short-directory path";
    EXPECT_EQ("a.wav OK\r\n1 files -> 1 OK, 0 NOTOK\r\n", Log());
    EXPECT_EQ(1u, PackageEntries().size());
}

TEST_F(CreatePackageTest, DamagedWavesAreRejectedAndNothingOfThemEntersThePackage)
{
    const Bytes good = WaveBytes(16, ToneData(100, 1));
    auto patched = [&](size_t at, uint32_t value) {
        Bytes bytes = good;
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
        return bytes;
    };
    struct Case {
        const char* name;
        Bytes bytes;
    };
    std::vector<Case> cases = {
        {"short.wav", Bytes(good.begin(), good.begin() + 35)},
        {"tags.wav", Bytes(good.begin(), good.begin() + 16)},
        {"riff.wav", [&] { Bytes b = good; b[0] = 'X'; return b; }()},
        {"wave.wav", [&] { Bytes b = good; b[9] = 'X'; return b; }()},
        {"fmt.wav", [&] { Bytes b = good; b[15] = '_'; return b; }()},
        {"fmtsmall.wav", patched(16, 13)},
        {"fmtneg.wav", patched(16, 0xFFFFFFF0u)},
        {"fmthuge.wav", patched(16, 0x7FFFFFF0u)},
        {"noLength.wav", Bytes(good.begin(), good.begin() + 42)},
        {"negative.wav", patched(40, 0x80000000u)},
        {"pastEnd.wav", patched(40, 101)},
        {"folder.wav", Bytes()},
    };
    std::vector<std::string> names = {"good.wav"};
    for (const Case& c : cases)
        names.push_back(c.name);
    WriteBank(names);
    ASSERT_TRUE(WriteWholeFile(waves + "good.wav", good));
    for (const Case& c : cases) {
        if (std::string(c.name) == "folder.wav")
            ASSERT_TRUE(CreateDirectoryA((waves + c.name).c_str(), nullptr));
        else
            ASSERT_TRUE(WriteWholeFile(waves + c.name, c.bytes));
    }
    Build();
    EXPECT_EQ(CreateResult::PACKAGE_WRITTEN, outcome.result);
    const std::string log = Log();
    for (const Case& c : cases)
        EXPECT_NE(std::string::npos, log.find(std::string(c.name) + " NOT OK\r\n")) << c.name;
    EXPECT_NE(std::string::npos, log.find("good.wav OK\r\n"));
    EXPECT_NE(std::string::npos, log.find("13 files -> 1 OK, 12 NOTOK\r\n"));
    EXPECT_EQ(16u + 84 + 100, Package().size());
}

TEST_F(CreatePackageTest, CheckWaveFileRecordsWhyAFileWasRejected)
{
    WriteBank({"a.wav"});
    BankWorkspace ws;
    ASSERT_TRUE(OpenBank(ws.bank, Path("soundz.rwv").c_str()));
    ASSERT_TRUE(ws.bank.LoadBankTable());
    ASSERT_TRUE(WriteWholeFile(waves + "junk.wav", Bytes(100, 0)));
    ASSERT_TRUE(WriteWaveFile(waves + "b.wav", 18, ToneData(10, 1)));
    ASSERT_TRUE(WriteWaveFile(waves + "A.WAV", 18, ToneData(10, 1)));
    EXPECT_EQ(0, ws.CheckWaveFile((waves + "missing.wav").c_str()));
    EXPECT_EQ(BANK_ERR_OPEN, ws.status);
    EXPECT_EQ(0, ws.CheckWaveFile((waves + "junk.wav").c_str()));
    EXPECT_EQ(BANK_ERR_NOT_WAVE, ws.status);
    EXPECT_EQ(0, ws.CheckWaveFile((waves + "b.wav").c_str()));
    EXPECT_EQ(BANK_ERR_NOT_IN_BANK, ws.status);
    EXPECT_EQ(nullptr, ws.matchedEntry);
    EXPECT_FALSE(ws.sourceFile.IsOpen());
    EXPECT_EQ(1, ws.CheckWaveFile((waves + "A.WAV").c_str()));
    EXPECT_EQ(&ws.bank.entries[0], ws.matchedEntry);
    EXPECT_EQ(46u, ws.dataOffset);
    EXPECT_EQ(10, ws.dataSize);
    EXPECT_EQ(0, std::memcmp(WaveFormatBytes().data(), ws.waveFormat, 16));
    EXPECT_TRUE(ws.sourceFile.IsOpen());
    EXPECT_EQ(0, ws.AppendEntry()) << "no package blocks yet";
}

TEST_F(CreatePackageTest, AnEmptyFolderTextMeansTheCurrentDirectory)
{
    WriteBank({"a.wav"});
    ASSERT_TRUE(WriteWaveFile(waves + "a.wav", 16, ToneData(20, 1)));
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(waves.c_str()));
    outcome = BuildPackage("", Path("soundz.rwv").c_str());
    SetCurrentDirectoryA(saved);
    EXPECT_EQ(CreateResult::PACKAGE_WRITTEN, outcome.result);
    EXPECT_EQ(16u + 84 + 20, Package().size());
    EXPECT_EQ("a.wav OK\r\n1 files -> 1 OK, 0 NOTOK\r\n", Log());
}

TEST_F(CreatePackageTest, APackageThatDoesNotFitTheDiskIsDeleted)
{
    const std::string disk = SmallDiskFolder();
    if (disk.empty())
        GTEST_SKIP() << "no small disk in VORLAN_FULL_DISK_DIR (needs root to mount a tmpfs)";
    WriteBank({"a.wav", "b.wav", "c.wav"});
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        ASSERT_TRUE(WriteWaveFile(disk + name, 16, ToneData(16000, 1)));
    outcome = BuildPackage(disk.c_str(), Path("soundz.rwv").c_str());
    EXPECT_EQ(CreateResult::PACKAGE_NOT_WRITTEN, outcome.result);
    EXPECT_EQ(BANK_ERR_WRITE, outcome.status);
    EXPECT_FALSE(PathExists(disk + "NewPack.rwv"));
    const Bytes log = ReadWholeFile(disk + "pack.log");
    EXPECT_NE(std::string::npos, std::string(log.begin(), log.end()).find("3 files -> 3 OK, 0 NOTOK\r\n"));

    // A disk so full that not even the header fits leaves no short file either.
    for (int i = 0; WriteWholeFile(disk + "filler" + std::to_string(i), Bytes(4096, 0)); ++i) {
    }
    outcome = BuildPackage(disk.c_str(), Path("soundz.rwv").c_str());
    EXPECT_EQ(BANK_ERR_WRITE, outcome.status);
    EXPECT_FALSE(PathExists(disk + "NewPack.rwv"));
    RemoveFolder(disk);
}

TEST_F(CreatePackageTest, AppendEntryAddsWholeEntriesOrNothing)
{
    WriteBank({"a.wav"});
    const Bytes data = ToneData(300, 4);
    ASSERT_TRUE(WriteWaveFile(waves + "a.wav", 16, data));
    BankWorkspace ws;
    ws.growingPackage = true;
    ws.packageEntries = static_cast<RwvEntry*>(CreateGrowingBlock(0));
    ws.packageData = static_cast<uint8_t*>(CreateGrowingBlock(0));
    ASSERT_TRUE(OpenBank(ws.bank, Path("soundz.rwv").c_str()));
    ASSERT_TRUE(ws.bank.LoadBankTable());
    ASSERT_EQ(1, ws.CheckWaveFile((waves + "a.wav").c_str()));

    // A package that would pass the format's 2 GiB is refused like a block that cannot grow.
    ws.packageDataSize = static_cast<int32_t>(RWV_FORMAT_LIMIT - 200);
    EXPECT_EQ(0, ws.AppendEntry());
    EXPECT_EQ(BANK_ERR_NO_MEMORY, ws.status);
    EXPECT_EQ(0, ws.entryCount);
    EXPECT_EQ(1u, GrowingBlockSize(ws.packageEntries));
    EXPECT_EQ(1u, GrowingBlockSize(ws.packageData));

    ws.packageDataSize = 0;
    EXPECT_EQ(1, ws.AppendEntry());
    EXPECT_EQ(1, ws.entryCount);
    EXPECT_EQ(300, ws.packageDataSize);
    EXPECT_EQ(84u, GrowingBlockSize(ws.packageEntries));
    EXPECT_EQ(300u, GrowingBlockSize(ws.packageData));
    EXPECT_EQ(data, Bytes(ws.packageData, ws.packageData + 300));
    EXPECT_EQ(300, ws.packageEntries[0].size);
    EXPECT_EQ(bankEntries[0].offset, ws.packageEntries[0].offset) << "set only when the package is written";
}

TEST_F(CreatePackageTest, FoldersTooLongForThePathBuffersAreRefused)
{
    WriteBank({"a.wav"});
    const std::string longFolder = folder + std::string(MAX_PATH - 8 - folder.size(), 'd') + "\\";
    outcome = BuildPackage(longFolder.c_str(), Path("soundz.rwv").c_str());
    EXPECT_EQ(CreateResult::PACKAGE_NOT_WRITTEN, outcome.result);
    EXPECT_EQ(BANK_ERR_OPEN, outcome.status) << "\"NewPack.rwv\" does not fit after the folder";
}

#ifndef _WIN64

namespace {

// Holds every range of the address space of at least `smallest` bytes while it lives, so
// that nothing that large can be reserved; smaller ranges stay free for the heap.
class AddressSpaceHog {
public:
    explicit AddressSpaceHog(size_t smallest)
    {
        for (size_t size = size_t(1) << 30; size >= smallest;) {
            void* range = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS);
            if (range != nullptr)
                held_.push_back(range);
            else
                size /= 2;
        }
    }
    ~AddressSpaceHog()
    {
        for (void* range : held_)
            VirtualFree(range, 0, MEM_RELEASE);
    }
    AddressSpaceHog(const AddressSpaceHog&) = delete;
    AddressSpaceHog& operator=(const AddressSpaceHog&) = delete;

private:
    std::vector<void*> held_;
};

}  // namespace

// The 2 GB of a 32-bit process with no 4 MB range left: the waves' total cannot be reserved,
// and the moving fallback runs out part way. The package holds exactly the waves accepted.
TEST_F(CreatePackageTest, AnAddressSpaceThatRunsOutLeavesAPackageOfTheAcceptedWaves)
{
    const std::vector<std::string> names = {"a.wav", "b.wav", "c.wav", "d.wav"};
    WriteBank(names);
    const int32_t waveBytes = 3 << 19;  // two fit in less than 4 MB, three do not
    for (size_t i = 0; i < names.size(); ++i)
        ASSERT_TRUE(WriteWaveFile(waves + names[i], 16, ToneData(waveBytes, static_cast<int>(i))));
    {
        AddressSpaceHog hog(4 << 20);
        Build();
    }
    EXPECT_EQ(CreateResult::PACKAGE_WRITTEN, outcome.result);
    const std::vector<RwvEntry> entries = PackageEntries();
    ASSERT_GE(entries.size(), 1u) << "the fallback took no wave";
    ASSERT_LE(entries.size(), 2u) << "the waves found room: nothing ran out";
    const std::vector<std::string> order = SearchOrder();
    std::string log;
    for (size_t i = 0; i < order.size(); ++i)
        log += order[i] + (i < entries.size() ? " OK\r\n" : " NOT OK\r\n");
    const size_t k = entries.size();
    EXPECT_EQ(log + "4 files -> " + std::to_string(k) + " OK, " + std::to_string(4 - k) + " NOTOK\r\n", Log());
    const Bytes package = Package();
    ASSERT_EQ(16 + k * (84 + waveBytes), package.size());
    for (size_t i = 0; i < k; ++i) {
        EXPECT_EQ(static_cast<int32_t>(84 * k + i * waveBytes), entries[i].offset);
        const int seed = order[i][0] - 'a';
        const auto data = package.begin() + 16 + entries[i].offset;
        EXPECT_EQ(ToneData(waveBytes, seed), Bytes(data, data + waveBytes)) << order[i];
    }
}

#endif
