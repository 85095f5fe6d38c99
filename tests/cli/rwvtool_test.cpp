// rwvtool on real folders: its file work called here, and the program itself started as a
// child process with its output in files, as a script would run it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
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

// Runs rwvtool with standard output and error redirected to files in logs; with
// readOnlyOutput, standard output is a file it may not write to.
ToolRun RunTool(const std::string& logs, const std::string& arguments, bool readOnlyOutput = false)
{
    ToolRun run = {~0u, "", ""};
    HANDLE out = InheritableFile(logs + "out.txt");
    if (readOnlyOutput) {
        CloseHandle(out);
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        out = CreateFileA((logs + "out.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    }
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
    ToolRun Run(const std::string& arguments, bool readOnlyOutput = false)
    {
        return RunTool(logs, arguments, readOnlyOutput);
    }

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
    const ToolRun stats = Run("stats --tsv " + Quote(folder));
    EXPECT_TRUE(Succeeded(BuildPackage((window + "waves\\").c_str(), (window + "soundz.rwv").c_str())));
    char package[MAX_PATH];
    ASSERT_TRUE(FindOnlyPackage((window + "waves\\").c_str(), package));
    EXPECT_TRUE(Succeeded(MergePackage(package, (window + "soundz.rwv").c_str())));
    const BankStatistics measured = MeasureBank((window + "soundz.rwv").c_str());

    EXPECT_EQ(original, ReadWholeFile(bank));
    const std::string unpackLog = WithoutCarriageReturns(ReadWholeFile(folder + "waves\\Unpack.log"));
    size_t replaces = 0;
    for (size_t at = unpackLog.find("|REPLACE"); at != std::string::npos; at = unpackLog.find("|REPLACE", at + 1))
        ++replaces;
    EXPECT_EQ(5u, replaces) << unpackLog;
    for (const char* name : {"NewPack.rwv", "pack.log", "Unpack.log"})
        EXPECT_EQ(ReadWholeFile(window + "waves\\" + name), ReadWholeFile(folder + "waves\\" + name)) << name;
    EXPECT_EQ(ReadWholeFile(window + "soundz.rwv"), ReadWholeFile(bank));
    EXPECT_EQ("file_bytes\tentries\tsound_bytes\twasted_bytes\n" + std::to_string(measured.fileSize) + "\t5\t" +
                  std::to_string(measured.usedSize - 16 - 5 * 84) + "\t" +
                  std::to_string(static_cast<int64_t>(measured.fileSize) - measured.usedSize) + "\n",
              stats.out);
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
    // Devices also: the console's input and output, and ports numbered with a superscript
    // digit, in code page 1252 and in UTF-8.
    const char* hostile[] = {"..\\up.wav", "sub/x.wav", "C:x.wav", "..", "con.wav", "Nul .wav", "COM7", "LPT1.txt",
                             "a<b.wav", "tab\tx.wav", "dot.wav.", "GOOD.WAV", "CONIN$", "conout$.wav",
                             "COM\xB9.wav", "lpt\xB2", "Com\xC2\xB3.wav"};
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
    EXPECT_EQ(19, outcome.passedOver);
    EXPECT_EQ(19u, observer.problems.size());
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
    EXPECT_NE(std::string::npos, again.err.find("Extracted 0 wave file(s) into " + out + "; 21 passed over as listed above (add --force"));
    EXPECT_NE(std::string::npos, again.err.find("entry 18 \"COM\xC2\xB9.wav\": not extracted, its name is a reserved device name"));
    EXPECT_NE(std::string::npos, again.err.find("entry 13 \"tab\\x09x.wav\": not extracted")) << "no raw control bytes";
    EXPECT_EQ("", again.out) << "no device was written to";
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
    // Nor one whose file holds 1.9 GB of (sparse, zero) records: they are streamed, not held.
    const std::string sparse = folder + "sparse.rwv";
    ASSERT_TRUE(WriteWholeFile(sparse, GoodHeaderBytes(25000000)));
    HANDLE file = CreateFileA(sparse.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = 1900000000;
    ASSERT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file));
    CloseHandle(file);
    const ToolRun streamed = Run("verify " + Quote(sparse));
    EXPECT_EQ("directory: 25000000 entries need 2100000016 bytes, but the file holds 1900000000\n", streamed.out);
    EXPECT_EQ("sparse.rwv has 1 problem(s), listed above; restore it from a copy before changing it.\n", streamed.err);
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
        EXPECT_EQ("Nothing listed: soundz.rwv is in use by another program.\n", held.err);
        ASSERT_TRUE(WriteWaveFile(folder + "shot.wav", 16, ToneData(100, 1)));
        const ToolRun pack = Run("pack " + Quote(folder) + " " + Quote(bank));
        EXPECT_EQ(1u, pack.exitCode);
        EXPECT_EQ("Package not created: soundz.rwv could not be opened. It may be in use by another program.\n",
                  pack.err);
    }
    const ToolRun listed = Run("list " + Quote(bank));
    EXPECT_EQ(0u, listed.exitCode);
    EXPECT_NE(std::string::npos, listed.out.find("     0  shot.wav         1.0 KB"));
    EXPECT_EQ("", listed.err);
    // Output that cannot be written is a failure, not a listing.
    const ToolRun lost = Run("list " + Quote(bank), true);
    EXPECT_EQ(1u, lost.exitCode);
    EXPECT_NE(std::string::npos, lost.err.find("The output could not be written in full"));

    // The words a user types: short and Windows spellings, letter case, typing slips.
    for (const char* asked : {"--Help", "/?", "help", "list -h"})
        EXPECT_EQ(0u, Run(asked).exitCode) << asked;
    const ToolRun slip = Run("lst " + Quote(bank));
    EXPECT_EQ(2u, slip.exitCode);
    EXPECT_EQ("There is no command lst. Did you mean list?\n", slip.err);
    EXPECT_NE(std::string::npos, Run("extract " + Quote(bank) + " out -x").err.find("The option -x is not known"));
    // A wave given as the package is refused before any merge, with no Unpack.log.
    const ToolRun wave = Run("insert " + Quote(folder + "shot.wav") + " " + Quote(bank));
    EXPECT_EQ(1u, wave.exitCode);
    EXPECT_EQ(folder + "shot.wav is not a package: its first bytes are not those of a .rwv file.\n",
              wave.err);
    EXPECT_FALSE(PathExists(folder + "Unpack.log"));
}

// A second writer through the program is refused untouched with the sentence that names
// the cause, while readers go on.
TEST_F(RwvtoolTest, ASecondWriterIsRefused)
{
    ASSERT_TRUE(WriteBankFile(bank, MixedEntries(), MIXED_FILE_SIZE));
    const Bytes original = ReadWholeFile(bank);
    const std::string package = folder + "p.rwv";
    ASSERT_TRUE(WritePackageFile(package, {{MakeEntry("horn.wav", 0, 2000), ToneData(2000, 1)}}));
    const std::string insert = "insert " + Quote(package) + " " + Quote(bank);
    const std::string changing = "soundz.rwv is being changed by another program; try again when it has finished.\n";
    {
        HANDLE writer = CreateFileA(bank.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, writer);
        const ToolRun merge = Run(insert);
        const ToolRun compact = Run("compact " + Quote(bank));
        const ToolRun list = Run("list " + Quote(bank));
        CloseHandle(writer);
        EXPECT_EQ(1u, merge.exitCode);
        EXPECT_EQ(changing, merge.err);
        EXPECT_EQ(1u, compact.exitCode);
        EXPECT_EQ(changing, compact.err);
        EXPECT_EQ(0u, list.exitCode);
    }
    EXPECT_EQ(original, ReadWholeFile(bank));
}

// The merges of a bank through the program: listed, taken back, refused once the bank has
// moved on, and an interrupted one taken back by whatever command opens the bank next.
TEST_F(RwvtoolTest, MergesAreListedAndTakenBack)
{
    ASSERT_TRUE(WriteBankFile(bank, MixedEntries(), MIXED_FILE_SIZE));
    const Bytes original = ReadWholeFile(bank);
    const std::string package = folder + "p.rwv";
    ASSERT_TRUE(WritePackageFile(package, {{MakeEntry("shot.wav", 0, 500), ToneData(500, 1)}}));
    const std::string insert = "insert " + Quote(package) + " " + Quote(bank);
    ASSERT_EQ(0u, Run(insert).exitCode);
    const ToolRun history = Run("history " + Quote(folder));
    EXPECT_EQ(0u, history.exitCode);
    EXPECT_NE(std::string::npos, history.out.find("  " + package + "  1 replaced, 0 appended, ")) << history.out;

    Bytes record = ReadWholeFile(bank + ".undo");
    std::memcpy(record.data() + 4, "PEND", 4);  // as a merge leaves it when the process ends
    ASSERT_TRUE(WriteWholeFile(bank + ".undo", record));
    const ToolRun listed = Run("list " + Quote(bank));
    EXPECT_EQ(0u, listed.exitCode);
    EXPECT_EQ("The last change to soundz.rwv was interrupted. soundz.rwv has been put back as it was before it.\n",
              listed.err);
    EXPECT_EQ(original, ReadWholeFile(bank));

    ASSERT_EQ(0u, Run(insert).exitCode);
    const ToolRun undone = Run("undo " + Quote(bank));
    EXPECT_EQ(0u, undone.exitCode);
    EXPECT_EQ(0u, undone.err.find("Took back the merge of " + package + " made ")) << undone.err;
    EXPECT_EQ(original, ReadWholeFile(bank));
    EXPECT_EQ("soundz.rwv has no recorded merges.\n", Run("history " + Quote(bank)).out);
    EXPECT_EQ(1u, Run("undo " + Quote(bank)).exitCode);

    ASSERT_EQ(0u, Run(insert).exitCode);
    Bytes moved = ReadWholeFile(bank);
    moved[16 + 60] ^= 1;  // another program touched shot.wav's record
    ASSERT_TRUE(WriteWholeFile(bank, moved));
    const ToolRun stale = Run("undo " + Quote(bank));
    EXPECT_EQ(1u, stale.exitCode);
    EXPECT_EQ("soundz.rwv has changed since its last recorded merge; nothing was taken back.\n", stale.err);
    EXPECT_EQ(moved, ReadWholeFile(bank));

    // A record whose length is damaged: history says so, undo and the next merge refuse,
    // and the undo file is kept as it is.
    Bytes damaged = ReadWholeFile(bank + ".undo");
    const uint64_t shortened = damaged.size() - 64;
    std::memcpy(damaged.data() + 16, &shortened, sizeof shortened);  // the record's length
    ASSERT_TRUE(WriteWholeFile(bank + ".undo", damaged));
    EXPECT_EQ("  1  damaged record of " + std::to_string(shortened) + " bytes\n", Run("history " + Quote(bank)).out);
    const ToolRun refused = Run("undo " + Quote(bank));
    EXPECT_EQ(1u, refused.exitCode);
    EXPECT_EQ("Nothing taken back: the newest record of soundz.rwv.undo is damaged; soundz.rwv is unchanged.\n",
              refused.err);
    const ToolRun notMerged = Run(insert);
    EXPECT_EQ(1u, notMerged.exitCode);
    EXPECT_EQ("soundz.rwv.undo is damaged; nothing was changed. Move it away to merge without the records it "
              "holds.\n",
              notMerged.err);
    EXPECT_EQ(moved, ReadWholeFile(bank));
    EXPECT_EQ(damaged, ReadWholeFile(bank + ".undo"));

    ASSERT_TRUE(WriteBankFile(bank, PackedBankEntries({"a.wav"}, {100}), 16 + 84 + 100));
    const ToolRun compact = Run("compact " + Quote(bank));
    EXPECT_EQ(0u, compact.exitCode);
    EXPECT_EQ("soundz.rwv has no wasted space; nothing to compact.\n", compact.err);
    EXPECT_FALSE(PathExists(bank + ".bak"));
}

// Two entries whose names lead to one file: letters the file system folds alike ("Ä" and
// "ä" in code page 1252) and a long name beside another entry's short alias. Even with
// --force the first file stays, and the second entry's refusal names the first.
TEST_F(RwvtoolTest, ExtractNeverOverwritesAFileItWroteInTheSameRun)
{
    const std::string longName = "averyverylongname.wav";
    ASSERT_TRUE(CreateDirectoryA((folder + "probe").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(folder + "probe\\" + longName, Bytes(1, 0)));
    char shortPath[MAX_PATH];
    ASSERT_NE(0u, GetShortPathNameA((folder + "probe\\" + longName).c_str(), shortPath, MAX_PATH));
    const std::string alias = std::string(shortPath).substr(std::string(shortPath).find_last_of('\\') + 1);
    ASSERT_NE(longName, alias) << "no short names on this file system";
    ASSERT_TRUE(WriteBankFile(bank, {MakeEntry("\xC4.wav", 600, 100), MakeEntry("\xE4.wav", 700, 50),
                                     MakeEntry(longName, 800, 30), MakeEntry(alias, 850, 20),
                                     MakeEntry("x.wav", 2000, 10), MakeEntry("X.WAV", 900, 10)},
                              2000));
    const std::string out = folder + "out\\";
    for (int run = 0; run < 2; ++run) {
        const ToolRun forced = Run("extract -f " + Quote(bank) + " " + Quote(out));
        EXPECT_EQ(1u, forced.exitCode);
        EXPECT_NE(std::string::npos, forced.err.find("entry 1 \"\xC3\xA4.wav\": not extracted: its file would be the one "
                                                     "written for entry 0 \"\xC3\x84.wav\""))
            << forced.err;
        EXPECT_NE(std::string::npos, forced.err.find("entry 3 \"" + alias + "\": not extracted: its file would be the "
                                                     "one written for entry 2 \"" + longName + "\""));
        EXPECT_NE(std::string::npos, forced.err.find("entry 5 \"X.WAV\": not extracted, its name is that of entry 4 "
                                                     "\"x.wav\", which is found instead"));
        EXPECT_NE(std::string::npos, forced.err.find("Extracted 2 wave file(s)")) << forced.err;
        EXPECT_EQ(144u, ReadWholeFile(out + "\xC3\x84.wav").size());
        EXPECT_EQ(74u, ReadWholeFile(out + longName).size());
    }
    EXPECT_EQ(std::vector<std::string>({".", "..", "averyverylongname.wav", "\xC3\x84.wav"}), NamesInSearchOrder(out + "*"));

    const ToolRun twice = Run("extract " + Quote(bank) + " " + Quote(folder + "twice") + " \xC3\x84.wav \xC3\x84.WAV");
    EXPECT_EQ(0u, twice.exitCode) << twice.err;
    EXPECT_EQ("Extracted 1 wave file(s) into " + folder + "twice.\n", twice.err);
    const ToolRun onFile = Run("extract " + Quote(bank) + " " + Quote(bank));
    EXPECT_EQ(1u, onFile.exitCode);
    EXPECT_EQ("Nothing extracted: the folder " + bank + " could not be made; choose another.\n", onFile.err);
}

// A 44.1 kHz stereo wave for an entry the bank plays as 22.05 kHz mono would play at the
// wrong speed: pack converts it and says so, leaves a compressed one out with its reason,
// and packs both as they are with --any-format, which insert then warns of.
TEST_F(RwvtoolTest, AWaveOfAnotherFormatIsNeverTakenSilently)
{
    std::vector<RwvEntry> entries = MixedEntries();
    for (RwvEntry& entry : entries)
        std::memcpy(entry.format, WaveFormatBytes().data(), sizeof entry.format);
    ASSERT_TRUE(WriteBankFile(bank, entries, MIXED_FILE_SIZE));
    const std::string waves = folder + "waves\\";
    ASSERT_TRUE(CreateDirectoryA(waves.c_str(), nullptr));
    ASSERT_TRUE(WriteWaveFile(waves + "shot.wav", 16, ToneData(100, 1)));
    Bytes stereo = WaveBytes(16, ToneData(200, 2));
    stereo[22] = 2;
    stereo[24] = 0x44, stereo[25] = 0xAC;  // 44100
    stereo[32] = 4;
    ASSERT_TRUE(WriteWholeFile(waves + "horn.wav", stereo));
    Bytes adpcm = WaveBytes(16, ToneData(10, 3));
    adpcm[20] = 0x11;
    ASSERT_TRUE(WriteWholeFile(waves + "echo.wav", adpcm));
    ASSERT_TRUE(WriteWholeFile(waves + "empty.wav", Bytes()));

    const ToolRun converting = Run("pack " + Quote(waves) + " " + Quote(folder));
    EXPECT_EQ(1u, converting.exitCode);
    EXPECT_EQ("horn.wav: converted from 44.1 kHz stereo 16-bit to 22.05 kHz mono 16-bit\n"
              "Package created with 2 of 4 waves, see 'pack.log' file; the 2 left out are listed above.\n",
              converting.out);
    for (const char* line : {"echo.wav: left out, its sound is compressed (IMA ADPCM); save it as uncompressed PCM first\n",
                             "empty.wav: left out, the file is empty\n"})
        EXPECT_NE(std::string::npos, converting.err.find(line)) << line << converting.err;
    EXPECT_EQ(16u + 2 * 84 + 100 + 50, ReadWholeFile(waves + "NewPack.rwv").size()) << "50 stereo frames to 25 mono";

    ASSERT_TRUE(DeleteFileA((waves + "empty.wav").c_str()));
    const ToolRun one = Run("pack " + Quote(waves) + " " + Quote(folder));
    EXPECT_NE(std::string::npos, one.out.find("the one left out is listed above.\n")) << one.out;

    const ToolRun any = Run("pack --any-format " + Quote(waves) + " " + Quote(folder));
    EXPECT_EQ(std::string::npos, any.out.find("converted"));
    EXPECT_EQ(16u + 3 * 84 + 310, ReadWholeFile(waves + "NewPack.rwv").size());

    const ToolRun insert = Run("insert " + Quote(waves) + " " + Quote(folder));
    EXPECT_EQ(0u, insert.exitCode) << insert.err;
    EXPECT_NE(std::string::npos, insert.out.find("REPLACE    horn.wav      0.9 KB ->     0.2 KB  0.00 s\n"))
        << insert.out;
    EXPECT_NE(std::string::npos, insert.out.find("\nLog: " + waves + "Unpack.log\n"));
    EXPECT_NE(std::string::npos, insert.err.find("Warning: horn.wav: the package holds 44100 Hz 2 channels 16 bit, but "
                                                 "the bank plays horn.wav as 22050 Hz 1 channel 16 bit"));
    EXPECT_NE(std::string::npos, Run("insert " + Quote(waves) + " " + Quote(folder)).out.find("unchanged  shot.wav"));
}

// Cyrillic folders and entry names, one of them in code page 1252 as older banks hold
// them: extract, pack, insert, verify and stats all reach the files, and the round trip
// changes nothing.
TEST_F(RwvtoolTest, TheWholeLoopWorksInACyrillicFolder)
{
    ASSERT_EQ(static_cast<UINT>(CP_UTF8), GetACP()) << "the manifest's code page is not in force";
    const std::string sounds = folder + "\xD0\x97\xD0\xB2\xD1\x83\xD0\xBA\xD0\xB8";  // Звуки
    const std::string horn = "\xD0\x93\xD1\x83\xD0\xB4\xD0\xBE\xD0\xBA.wav";       // Гудок.wav
    ASSERT_TRUE(CreateDirectoryA(sounds.c_str(), nullptr));
    ASSERT_TRUE(WriteBankFile(sounds + "\\soundz.rwv", PackedBankEntries({horn, "\xC4.wav", "shot.wav"}, {100, 60, 40}),
                              16 + 3 * 84 + 200));
    const Bytes original = ReadWholeFile(sounds + "\\soundz.rwv");
    const std::string waves = sounds + "\\" + "\xD0\xB2\xD0\xBE\xD0\xBB\xD0\xBD\xD1\x8B";  // волны
    for (const std::string& command : {"extract " + Quote(sounds) + " " + Quote(waves), "pack " + Quote(waves) + " " + Quote(sounds),
                                       "insert " + Quote(waves) + " " + Quote(sounds), "verify " + Quote(sounds),
                                       "stats " + Quote(sounds)}) {
        const ToolRun run = Run(command);
        EXPECT_EQ(0u, run.exitCode) << command << "\n" << run.err;
    }
    std::vector<std::string> names = NamesInSearchOrder(waves + "\\*");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::vector<std::string>({".", "..", "NewPack.rwv", "Unpack.log", "pack.log", "shot.wav", "\xC3\x84.wav", horn}),
              names);
    EXPECT_EQ(original, ReadWholeFile(sounds + "\\soundz.rwv"));
    EXPECT_NE(std::string::npos, Run("list " + Quote(sounds)).out.find("     0  " + horn + "  "));
}
