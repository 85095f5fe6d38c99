// rwvtool on real folders: its file work called here, and the program itself started as a
// child process with its output in files, as a script would run it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bank/compact_bank.h"
#include "bank/create_package.h"
#include "bank/extract_entries.h"
#include "bank/final_messages.h"
#include "bank/insert_package.h"
#include "bank/statistics.h"
#include "tools/bank_files.h"

namespace {

const DWORD TOOL_WAIT_MS = 60000;

struct ToolRun {
    DWORD exitCode;
    std::string out;
    std::string err;
};

// The program writes text mode (CR LF); the expectations are written with LF.
std::string WithoutCarriageReturns(const Bytes& bytes)
{
    std::string text;
    for (const uint8_t byte : bytes) {
        if (byte != '\r')
            text += static_cast<char>(byte);
    }
    return text;
}

// A path as one argument; a trailing backslash is doubled so that it does not escape the quote.
std::string Quote(const std::string& path)
{
    return "\"" + path + (!path.empty() && path.back() == '\\' ? "\\" : "") + "\"";
}

// <build>\tests\cli\cli_tests.exe -> <build>\rwvtool.exe
std::string ToolPath()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    for (int up = 0; up < 3; ++up)
        path = path.substr(0, path.find_last_of('\\'));
    return path + "\\rwvtool.exe";
}

HANDLE InheritableFile(const std::string& path)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// Runs rwvtool with standard output and error redirected to files in logs.
ToolRun RunTool(const std::string& logs, const std::string& arguments)
{
    ToolRun run = {~0u, "", ""};
    HANDLE out = InheritableFile(logs + "out.txt");
    HANDLE err = InheritableFile(logs + "err.txt");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::string commandLine = Quote(ToolPath()) + " " + arguments;
    PROCESS_INFORMATION process;
    if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        if (WaitForSingleObject(process.hProcess, TOOL_WAIT_MS) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &run.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    CloseHandle(err);
    run.out = WithoutCarriageReturns(ReadWholeFile(logs + "out.txt"));
    run.err = WithoutCarriageReturns(ReadWholeFile(logs + "err.txt"));
    return run;
}

class Collector : public WorkObserver {
public:
    void Problem(const std::string& line) override { problems.push_back(line); }
    void Progress(int64_t done, int64_t total) override { lastDone = done, lastTotal = total; }
    std::vector<std::string> problems;
    int64_t lastDone = 0;
    int64_t lastTotal = -1;
};

// A bank with waste before, between and after its entries, an odd size, two entries on the
// very same bytes and an empty one.
const int32_t MIXED_FILE_SIZE = 7000;
std::vector<RwvEntry> MixedEntries()
{
    return {MakeEntry("shot.wav", 536, 1001), MakeEntry("engine.wav", 2000, 3000), MakeEntry("echo.wav", 2000, 3000),
            MakeEntry("silence.wav", 6000, 0), MakeEntry("horn.wav", 5000, 900)};
}

// The list columns but the offset, which compaction changes.
std::string WithoutOffsets(const std::string& tsv)
{
    std::string result;
    size_t start = 0;
    while (start < tsv.size()) {
        const size_t end = tsv.find('\n', start);
        const std::string row = tsv.substr(start, end - start);
        const size_t a = row.find('\t', row.find('\t', row.find('\t') + 1) + 1);
        const size_t b = row.find('\t', a + 1);
        result += row.substr(0, a) + row.substr(b) + "\n";
        start = end == std::string::npos ? tsv.size() : end + 1;
    }
    return result;
}

class RwvtoolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = MakeTempFolder("cli");
        logs = MakeTempFolder("clilog");
        ASSERT_FALSE(folder.empty());
        ASSERT_FALSE(logs.empty());
        bank = folder + "soundz.rwv";
    }
    void TearDown() override
    {
        RemoveFolder(folder);
        RemoveFolder(logs);
    }
    ToolRun Run(const std::string& arguments) { return RunTool(logs, arguments); }

    std::string folder;
    std::string logs;
    std::string bank;
};

}  // namespace

// Extract every entry, pack the waves against the same bank, insert the package: nothing may
// change. rwvtool does it on one copy, the window's file work on another: same files.
TEST_F(RwvtoolTest, RoundTripChangesNothingAndMatchesTheWindow)
{
    ASSERT_TRUE(WriteBankFile(bank, MixedEntries(), MIXED_FILE_SIZE));
    const Bytes original = ReadWholeFile(bank);
    const ToolRun extracted = Run("extract " + Quote(folder) + " " + Quote(folder + "waves"));
    EXPECT_EQ(0u, extracted.exitCode) << extracted.err;
    EXPECT_EQ(5u, NamesInSearchOrder(folder + "waves\\*.wav").size());

    const std::string window = MakeTempFolder("cliwin");
    ASSERT_TRUE(CreateDirectoryA((window + "waves").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(window + "soundz.rwv", original));
    for (const std::string& name : NamesInSearchOrder(folder + "waves\\*.wav"))
        ASSERT_TRUE(WriteWholeFile(window + "waves\\" + name, ReadWholeFile(folder + "waves\\" + name)));

    EXPECT_EQ(0u, Run("pack " + Quote(folder + "waves") + " " + Quote(folder)).exitCode);
    EXPECT_EQ(0u, Run("insert " + Quote(folder + "waves") + " " + Quote(bank)).exitCode);
    const ToolRun stats = Run("stats " + Quote(folder));
    EXPECT_TRUE(Succeeded(BuildPackage((window + "waves\\").c_str(), (window + "soundz.rwv").c_str())));
    char package[MAX_PATH];
    ASSERT_TRUE(FindOnlyPackage((window + "waves\\").c_str(), package));
    EXPECT_TRUE(Succeeded(MergePackage(package, (window + "soundz.rwv").c_str())));
    char report[256];
    FormatStatisticsReport(MeasureBank((window + "soundz.rwv").c_str()), report, sizeof report);

    EXPECT_EQ(original, ReadWholeFile(bank));
    const std::string unpackLog = WithoutCarriageReturns(ReadWholeFile(folder + "waves\\Unpack.log"));
    size_t replaces = 0;
    for (size_t at = unpackLog.find("|REPLACE"); at != std::string::npos; at = unpackLog.find("|REPLACE", at + 1))
        ++replaces;
    EXPECT_EQ(5u, replaces) << unpackLog;
    for (const char* name : {"NewPack.rwv", "pack.log", "Unpack.log"})
        EXPECT_EQ(ReadWholeFile(window + "waves\\" + name), ReadWholeFile(folder + "waves\\" + name)) << name;
    EXPECT_EQ(ReadWholeFile(window + "soundz.rwv"), ReadWholeFile(bank));
    EXPECT_EQ(std::string(report) + "\n", stats.out);
    RemoveFolder(window);
}

TEST_F(RwvtoolTest, CompactionKeepsEveryWaveAndLeavesNoWaste)
{
    ASSERT_TRUE(WriteBankFile(bank, MixedEntries(), MIXED_FILE_SIZE));
    const Bytes original = ReadWholeFile(bank);
    const ToolRun before = Run("list --tsv " + Quote(bank));
    ASSERT_EQ(0u, Run("extract " + Quote(bank) + " " + Quote(folder + "before")).exitCode);

    // Something in the backup's way: refused before the switch, nothing left behind.
    ASSERT_TRUE(CreateDirectoryA((bank + ".bak").c_str(), nullptr));
    const ToolRun blocked = Run("compact " + Quote(folder));
    EXPECT_EQ(1u, blocked.exitCode);
    EXPECT_EQ(original, ReadWholeFile(bank));
    EXPECT_EQ(std::vector<std::string>({".", "..", "before", "soundz.rwv", "soundz.rwv.bak"}),
              NamesInSearchOrder(folder + "*"));
    ASSERT_TRUE(RemoveDirectoryA((bank + ".bak").c_str()));

    const ToolRun compacted = Run("compact " + Quote(folder));
    EXPECT_EQ(0u, compacted.exitCode) << compacted.err;
    EXPECT_EQ("soundz.rwv compacted from 7000 to 8337 bytes; the old bank is soundz.rwv.bak.\n", compacted.err);
    EXPECT_EQ(original, ReadWholeFile(bank + ".bak"));
    EXPECT_EQ(WithoutOffsets(before.out), WithoutOffsets(Run("list --tsv " + Quote(bank)).out));
    ASSERT_EQ(0u, Run("extract " + Quote(bank) + " " + Quote(folder + "after")).exitCode);
    for (const std::string& name : NamesInSearchOrder(folder + "before\\*.wav"))
        EXPECT_EQ(ReadWholeFile(folder + "before\\" + name), ReadWholeFile(folder + "after\\" + name)) << name;
    // Back to back in directory order, each entry its own copy.
    const Bytes after = ReadWholeFile(bank);
    int64_t expected = 16 + 84 * 5;
    for (size_t i = 0; i < 5; ++i) {
        RwvEntry entry;
        std::memcpy(&entry, after.data() + 16 + 84 * i, sizeof entry);
        EXPECT_EQ(expected, entry.offset) << i;
        expected += entry.size;
    }
    const BankStatistics stats = MeasureBank(bank.c_str());
    EXPECT_EQ(static_cast<int64_t>(stats.fileSize), stats.usedSize);
    EXPECT_EQ(0u, Run("verify " + Quote(bank)).exitCode);
}

TEST_F(RwvtoolTest, CompactionOnAFullDiskLeavesTheBankAsItWas)
{
    const char* dir = std::getenv("VORLAN_FULL_DISK_DIR");
    ULARGE_INTEGER available, total, free;
    if (dir == nullptr || !GetDiskFreeSpaceExA(dir, &available, &total, &free) || total.QuadPart > (1u << 20))
        GTEST_SKIP() << "no small disk in VORLAN_FULL_DISK_DIR (needs root to mount a tmpfs)";
    const std::string disk = std::string(dir) + "compact\\";
    RemoveFolder(disk);
    ASSERT_TRUE(CreateDirectoryA(disk.c_str(), nullptr));
    const std::vector<RwvEntry> entries = PackedBankEntries({"a.wav", "b.wav"}, {20000, 20000});
    ASSERT_TRUE(WriteBankFile(disk + "soundz.rwv", entries, 40184 + 500));
    const Bytes original = ReadWholeFile(disk + "soundz.rwv");
    Collector observer;
    EXPECT_EQ(CompactResult::NOT_WRITTEN, CompactBank((disk + "soundz.rwv").c_str(), true, observer).result);
    EXPECT_EQ(original, ReadWholeFile(disk + "soundz.rwv"));
    EXPECT_EQ(std::vector<std::string>({".", "..", "soundz.rwv"}), NamesInSearchOrder(disk + "*"));
    RemoveFolder(disk);
}

// Names chosen to escape OUTDIR, open a device or be renamed by Windows, a range past the
// end, and a shadowed name: each reported, nothing written outside OUTDIR, the rest extracted.
TEST_F(RwvtoolTest, HostileNamesAndRangesAreRefusedOneByOne)
{
    const std::string noNul(52, 'x');
    const char* hostile[] = {"..\\up.wav", "sub/x.wav", "C:x.wav", "..", "con.wav", "Nul .wav", "COM7", "LPT1.txt",
                             "a<b.wav", "tab\tx.wav", "dot.wav.", "GOOD.WAV"};
    std::vector<RwvEntry> entries = {MakeEntry("good.wav", 600, 100), MakeEntry("outside.wav", 1900, 200),
                                     MakeEntry(noNul, 700, 10), MakeEntry("com10.wav", 800, 10)};
    for (const char* name : hostile)
        entries.push_back(MakeEntry(name, 900, 10));
    ASSERT_TRUE(WriteBankFile(bank, entries, 2000));
    const std::string out = folder + "out\\";
    Collector observer;
    const ExtractOutcome outcome = ExtractEntries(bank.c_str(), out.c_str(), {}, false, observer);
    EXPECT_EQ(ExtractResult::PARTLY_EXTRACTED, outcome.result);
    EXPECT_EQ(2, outcome.written);
    EXPECT_EQ(14, outcome.passedOver);
    EXPECT_EQ(14u, observer.problems.size());
    EXPECT_EQ(110, observer.lastTotal);
    EXPECT_EQ(110, observer.lastDone);
    EXPECT_EQ(std::vector<std::string>({".", "..", "out", "soundz.rwv"}), NamesInSearchOrder(folder + "*"));
    EXPECT_EQ(std::vector<std::string>({".", "..", "com10.wav", "good.wav"}), NamesInSearchOrder(out + "*"));
    const Bytes wave = ReadWholeFile(out + "good.wav");
    ASSERT_EQ(144u, wave.size());
    EXPECT_EQ(ReadFileRange(bank, 600, 100), Bytes(wave.begin() + 44, wave.end()));
    EXPECT_EQ(0, std::memcmp(wave.data() + 20, entries[0].format, 16));

    // Again through the program: the same refusals, and files there already are kept.
    const ToolRun again = Run("extract " + Quote(bank) + " " + Quote(out));
    EXPECT_EQ(1u, again.exitCode);
    EXPECT_NE(std::string::npos, again.err.find("entry 4 \"..\\up.wav\": not extracted, its name holds a path separator"));
    EXPECT_NE(std::string::npos, again.err.find("entry 0 \"good.wav\": not extracted, the file is there already"));
    EXPECT_NE(std::string::npos, again.err.find("Extracted 0 wave file(s) into " + out + "; 16 passed over as listed above (add --force"));
    EXPECT_EQ(0u, Run("extract --force " + Quote(bank) + " " + Quote(out) + " good.wav").exitCode);
}

TEST_F(RwvtoolTest, DamagedBanksAreReportedAndNeverCompacted)
{
    ASSERT_TRUE(WriteBankFile(bank, {MakeEntry("a.wav", 700, -1), MakeEntry("b.wav", 1900, 200),
                                     MakeEntry("c.wav", 20, 10), MakeEntry(std::string(52, 'n'), 700, 10),
                                     MakeEntry("A.WAV", 700, 10), MakeEntry("d.wav", 1000, 100),
                                     MakeEntry("e.wav", 1050, 100)},
                              2000));
    const Bytes original = ReadWholeFile(bank);
    const ToolRun verify = Run("verify " + Quote(bank));
    EXPECT_EQ(1u, verify.exitCode);
    EXPECT_EQ("entry 0 \"a.wav\": negative size (offset 700, size -1)\n"
              "entry 1 \"b.wav\": its bytes 1900 to 2100 lie outside the file of 2000 bytes\n"
              "entry 2 \"c.wav\": its bytes 20 to 30 lie on the header or the directory\n"
              "entry 3 \"" + std::string(52, 'n') + "\": its name has no end within its 52 bytes\n"
              "entry 4 \"A.WAV\": its name is that of entry 0 \"a.wav\", which is found instead\n"
              "entry 6 \"e.wav\": its bytes overlap those of entry 5 \"d.wav\" in part\n",
              verify.out);
    const ToolRun compact = Run("compact " + Quote(folder));
    EXPECT_EQ(1u, compact.exitCode);
    EXPECT_NE(std::string::npos, compact.err.find("Not compacted: soundz.rwv has the problems listed above"));
    EXPECT_EQ(original, ReadWholeFile(bank));
    EXPECT_EQ(std::vector<std::string>({".", "..", "soundz.rwv"}), NamesInSearchOrder(folder + "*"));

    // A header that claims far more entries than the file holds costs nothing.
    Bytes liar = GoodHeaderBytes(25000000);
    liar.resize(100);
    ASSERT_TRUE(WriteWholeFile(folder + "liar.rwv", liar));
    EXPECT_EQ("directory: 25000000 entries need 2100000016 bytes, but the file holds 100\n",
              Run("verify " + Quote(folder + "liar.rwv")).out);
}

TEST_F(RwvtoolTest, ExitStatusAndMessagesTellWhatHappened)
{
    ASSERT_TRUE(WriteBankFile(bank, MixedEntries(), MIXED_FILE_SIZE));
    const ToolRun version = Run("--version");
    EXPECT_EQ(0u, version.exitCode);
    EXPECT_EQ("rwvtool 1.0\n", version.out);
    EXPECT_EQ(2u, Run("list").exitCode);
    EXPECT_EQ(2u, Run("list " + Quote(bank) + " --force").exitCode);
    EXPECT_EQ(2u, Run("unpack " + Quote(bank)).exitCode);
    const ToolRun help = Run("compact --help");
    EXPECT_EQ(0u, help.exitCode);
    EXPECT_NE(std::string::npos, help.out.find("Example:\n  rwvtool compact "));
    {
        HeldFile game(bank);
        ASSERT_TRUE(game.IsOpen());
        const ToolRun held = Run("list " + Quote(folder));
        EXPECT_EQ(1u, held.exitCode);
        EXPECT_EQ("Nothing listed: soundz.rwv could not be opened. It may be in use by another program.\n", held.err);
        ASSERT_TRUE(WriteWaveFile(folder + "shot.wav", 16, ToneData(100, 1)));
        const ToolRun pack = Run("pack " + Quote(folder) + " " + Quote(bank));
        EXPECT_EQ(1u, pack.exitCode);
        EXPECT_EQ("Package not created: soundz.rwv could not be opened. It may be in use by another program.\n",
                  pack.err);
    }
    const ToolRun listed = Run("list " + Quote(bank));
    EXPECT_EQ(0u, listed.exitCode);
    EXPECT_NE(std::string::npos, listed.out.find("     0  shot.wav    "));
    EXPECT_EQ("", listed.err);
}
