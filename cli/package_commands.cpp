// pack and insert: the file work of Create Package and Insert Package, with each wave left
// out and each entry merged told, and the window's final message as their last word.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bank/create_package.h"
#include "bank/file_identity.h"
#include "bank/final_messages.h"
#include "bank/insert_package.h"
#include "bank/paths.h"
#include "bank/safe_file_name.h"
#include "bank/sound_format.h"
#include "bank/wave.h"
#include "cli/bank_messages.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/nearest_word.h"
#include "cli/package_check.h"
#include "cli/sound_figures.h"

namespace {

// Room for the longest final message with a 52-byte entry name in it.
const size_t FINAL_MESSAGE_SIZE = 256;
const char ANY_FORMAT_OPTION[] = "--any-format";
const char NOT_INCLUDED[] = "Package not included";

// A folder that holds the bank, or the bank file itself, by its name.
bool HoldsBank(const std::string& operand)
{
    if (!IsFolder(operand.c_str()))
        return PathExists(operand.c_str()) && lstrcmpiA(NameAfterFolder(operand.c_str()), BANK_FILE_NAME) == 0;
    char folder[MAX_PATH];
    char bank[MAX_PATH];
    return FolderPath(operand, folder) && JoinPath(bank, folder, BANK_FILE_NAME) && PathExists(bank);
}

// The bank given first and something else second: the operands were swapped.
bool SwappedOperands(const CommandLine& line, const char* usage)
{
    if (HoldsBank(line.operands[1]) || !HoldsBank(line.operands[0]))
        return false;
    PrintMessage("%s holds the bank and %s does not: the bank comes second (rwvtool %s).", line.operands[0].c_str(),
                 line.operands[1].c_str(), usage);
    return true;
}

// A package file as given, or the one package of a folder.
bool FindPackagePath(const std::string& operand, char (&path)[MAX_PATH])
{
    if (!PathExists(operand.c_str())) {
        PrintMessage("%s: there is no package at %s; give the package file or the folder that holds it.",
                     NOT_INCLUDED, operand.c_str());
        return false;
    }
    if (!IsFolder(operand.c_str()))
        return FilePath(operand, path);
    char folder[MAX_PATH];
    if (!FolderPath(operand, folder))
        return false;
    if (FindOnlyPackage(folder, path))
        return true;
    PrintMessage("The folder %s holds no .rwv package or more than one; give the package file itself.",
                 operand.c_str());
    return false;
}

// What rwvtool refuses to merge although the window would try: the bank into itself,
// something that is no package, a package cut short, a bank that cannot be written.
bool PackageFits(const std::string& operand, const char* packageFile, const char* bankFile)
{
    if (IsSameFile(packageFile, bankFile)) {
        PrintMessage("%s: %s is the bank itself; give the package that rwvtool pack wrote.", NOT_INCLUDED,
                     operand.c_str());
        return false;
    }
    const PackageCheck check = CheckPackageFile(packageFile);
    switch (check.problem) {
    case PackageProblem::NONE:
        break;
    case PackageProblem::NOT_READ:
        PrintMessage("%s: %s could not be opened. It may be in use by another program.", NOT_INCLUDED, operand.c_str());
        return false;
    case PackageProblem::NOT_A_PACKAGE:
        PrintMessage("%s is not a package: its first bytes are not those of a .rwv file.", operand.c_str());
        return false;
    case PackageProblem::DAMAGED:
        PrintMessage("%s: %s is damaged: its header claims %d sounds, but the file holds the records of %lld; "
                     "make it again with rwvtool pack.",
                     NOT_INCLUDED, operand.c_str(), static_cast<int>(check.claimed), static_cast<long long>(check.held));
        return false;
    }
    if (GetFileAttributesA(bankFile) & FILE_ATTRIBUTE_READONLY) {
        PrintMessage("%s: %s is read-only; clear its read-only attribute and try again.", NOT_INCLUDED,
                     NameAfterFolder(bankFile));
        return false;
    }
    return true;
}

// The window's final message for the outcome, with names printable.
template <typename Outcome>
void PrintFinalMessage(const Outcome& outcome, void (*format)(const Outcome&, char*, size_t))
{
    char message[FINAL_MESSAGE_SIZE];
    format(outcome, message, sizeof message);
    PrintMessage("%s", PrintableText(message).c_str());
}

std::vector<std::string> NamesOf(const RwvEntry* entries, int32_t count)
{
    std::vector<std::string> names;
    for (int32_t i = 0; i < count; ++i)
        names.push_back(NameAsUtf8(NameOf(entries[i]).text));
    return names;
}

// Each wave converted (on standard output) or left out with its reason (on standard error),
// as it happens.
class PackPrinter : public PackObserver {
public:
    void Converted(const ConvertedWave& wave) override
    {
        PrintResult("%s: converted from %s to %s", PrintableText(wave.file).c_str(),
                    DescribeSoundFormat(wave.from).c_str(), DescribeSoundFormat(wave.to).c_str());
        if (wave.clipped > 0)
            PrintResult(" (%llu sample%s clipped)", static_cast<unsigned long long>(wave.clipped),
                        wave.clipped == 1 ? "" : "s");
        PrintResult("\n");
    }

    void LeftOut(const LeftOutWave& wave) override
    {
        ++count;
        const std::string file = PrintableText(wave.file);
        switch (wave.why) {
        case WaveRefusal::OTHER_FORMAT:
            PrintFormatRefusal(file, wave);
            return;
        case WaveRefusal::NOT_IN_BANK:
            PrintNameRefusal(file, wave);
            return;
        case WaveRefusal::COMPRESSED:
            PrintMessage("%s: left out, its sound is compressed (%s); save it as uncompressed PCM first", file.c_str(),
                         wave.detail);
            return;
        case WaveRefusal::NOT_CONVERTIBLE:
            PrintMessage("%s: left out, its sound cannot be converted: it has %s", file.c_str(), wave.detail);
            return;
        default:
            PrintMessage("%s: left out, %s", file.c_str(), Reason(wave.why));
        }
    }

    int count = 0;

private:
    static void PrintNameRefusal(const std::string& file, const LeftOutWave& wave)
    {
        const std::string nearest = NearestWord(wave.file, NamesOf(wave.bankEntries, wave.bankCount));
        PrintMessage("%s: left out, the bank has no entry of this name%s%s%s", file.c_str(),
                     nearest.empty() ? "" : " (did you mean ", PrintableText(nearest).c_str(),
                     nearest.empty() ? "" : "?)");
    }

    static void PrintFormatRefusal(const std::string& file, const LeftOutWave& wave)
    {
        uint8_t format[RWV_FORMAT_SIZE];
        std::memcpy(format, wave.waveFormat, sizeof format);
        PrintMessage("%s: left out, it is %s, but the bank plays %s as %s, which nothing is converted to: only a wave "
                     "of exactly that format can replace it",
                     file.c_str(), DescribeFormatFigures(DecodeWaveFormat(format)).c_str(),
                     PrintableNameOf(*wave.bankEntry).c_str(),
                     DescribeFormatFigures(DecodeWaveFormat(wave.bankEntry->format)).c_str());
    }

    static const char* Reason(WaveRefusal why)
    {
        switch (why) {
        case WaveRefusal::NOT_OPENED:
            return "it could not be opened";
        case WaveRefusal::NOT_A_WAVE:
            return "it is not a wave file that can be packed: RIFF WAVE, a format record of 16 bytes or more, then the sound";
        case WaveRefusal::EMPTY:
            return "the file is empty";
        case WaveRefusal::NO_ROOM:
            return "the package has no room for it (memory, or the 2 GB a package can hold)";
        case WaveRefusal::NOT_READ:
            return "its sound could not be read";
        case WaveRefusal::NONE:
        case WaveRefusal::NOT_IN_BANK:
        case WaveRefusal::OTHER_FORMAT:
        case WaveRefusal::COMPRESSED:
        case WaveRefusal::NOT_CONVERTIBLE:
            break;
        }
        return "it cannot be used";
    }
};

bool FindWaveFolder(const std::string& operand, char (&folder)[MAX_PATH])
{
    if (!PathExists(operand.c_str())) {
        PrintMessage("Package not created: there is no folder %s; give the folder that holds the waves.",
                     operand.c_str());
        return false;
    }
    if (!IsFolder(operand.c_str())) {
        PrintMessage("Package not created: %s is a file, not a folder; give the folder that holds the waves.",
                     operand.c_str());
        return false;
    }
    return FolderPath(operand, folder);
}

// A summary goes to standard output with the lines of the converted waves; a failure is a
// message.
int FinishPack(const CreateOutcome& outcome, int leftOut)
{
    char message[FINAL_MESSAGE_SIZE];
    FormatCreateMessage(outcome, message, sizeof message);
    if (!Succeeded(outcome))
        PrintMessage("%s", PrintableText(message).c_str());
    else if (leftOut == 0)
        PrintResult("%s\n", PrintableText(message).c_str());
    else if (leftOut == 1)
        PrintResult("Package created with %d of %d waves, see 'pack.log' file; the one left out is listed above.\n",
                    static_cast<int>(outcome.filesOk), static_cast<int>(outcome.filesOk + outcome.filesNotOk));
    else
        PrintResult("Package created with %d of %d waves, see 'pack.log' file; the %d left out are listed above.\n",
                    static_cast<int>(outcome.filesOk), static_cast<int>(outcome.filesOk + outcome.filesNotOk),
                    leftOut);
    FinishResults();
    return Succeeded(outcome) && leftOut == 0 ? EXIT_DONE : EXIT_FAILED;
}

// One line per merged entry: what became of it, its size before and after, how long it plays.
void PrintMergedEntries(const std::vector<MergedEntry>& entries)
{
    int width = 0;
    for (const MergedEntry& entry : entries) {
        const int columns = ColumnsOf(PrintableText(NameAsUtf8(entry.name.text)));
        width = columns > width ? columns : width;
    }
    for (const MergedEntry& entry : entries) {
        const std::string name = PrintableText(NameAsUtf8(entry.name.text));
        const char* action = entry.unchanged ? "unchanged" : entry.append ? "APPEND" : "REPLACE";
        PrintResult("%-9s  %s%*s  %7.1f KB -> %7.1f KB  %s\n", action, name.c_str(), width - ColumnsOf(name), "",
                    Kilobytes(entry.oldSize), Kilobytes(entry.newSize),
                    DurationOf(entry.packageFormat, entry.newSize).c_str());
    }
}

// The merge keeps the bank's rate and bits, so a sound of another format plays wrong.
void WarnOfFormat(const MergedEntry& entry)
{
    const WaveFormat package = DecodeWaveFormat(entry.packageFormat);
    const WaveFormat bank = DecodeWaveFormat(entry.oldFormat);
    if (PlaysAlike(package, bank))
        return;
    const std::string name = PrintableText(NameAsUtf8(entry.name.text));
    PrintMessage("Warning: %s: the package holds %s, but the bank plays %s as %s; it will play wrong until a wave "
                 "of that format replaces it.",
                 name.c_str(), DescribeFormatFigures(package).c_str(), name.c_str(), DescribeFormatFigures(bank).c_str());
}

// The log's full path, for a user who ran the command from anywhere.
void PrintLogPath(const char* packageFile)
{
    char folder[MAX_PATH];
    char log[MAX_PATH];
    char full[MAX_PATH];
    FolderOf(packageFile, folder);
    const DWORD length = JoinPath(log, folder, UNPACK_LOG_NAME) ? GetFullPathNameA(log, MAX_PATH, full, nullptr) : 0;
    if (length > 0 && length < MAX_PATH && PathExists(full))
        PrintResult("Log: %s\n", full);
}

}  // namespace

int RunPack(const CommandLine& line)
{
    if (SwappedOperands(line, "pack WAVEFOLDER BANK"))
        return EXIT_USAGE;
    char waveFolder[MAX_PATH];
    char bankFile[MAX_PATH];
    char pattern[MAX_PATH];
    if (!FindWaveFolder(line.operands[0], waveFolder) || !FindBankPath(line.operands[1], bankFile))
        return EXIT_FAILED;
    // The window takes no folder without waves either, so it writes no package for one.
    if (!JoinPath(pattern, waveFolder, WAVE_PATTERN) || !FileExists(pattern, false)) {
        PrintMessage("Package not created: there are no .wav files in %s; give the folder that holds the waves.",
                     line.operands[0].c_str());
        return EXIT_FAILED;
    }
    const PackRules rules = {!line.Has(ANY_FORMAT_OPTION)};
    PackPrinter printer;
    const CreateOutcome outcome = BuildPackage(waveFolder, bankFile, rules, &printer);
    return FinishPack(outcome, printer.count);
}

int RunInsert(const CommandLine& line)
{
    if (SwappedOperands(line, "insert PACKAGE BANK"))
        return EXIT_USAGE;
    char packageFile[MAX_PATH];
    char bankFile[MAX_PATH];
    if (!FindPackagePath(line.operands[0], packageFile) || !FindBankPath(line.operands[1], bankFile) ||
        !PackageFits(line.operands[0], packageFile, bankFile))
        return EXIT_FAILED;
    const InsertOutcome outcome = MergePackage(packageFile, bankFile);
    PrintMergedEntries(outcome.entries);
    PrintLogPath(packageFile);
    FinishResults();
    for (const MergedEntry& entry : outcome.entries)
        WarnOfFormat(entry);
    if (outcome.result == InsertResult::BANK_NOT_OPENED)
        PrintNotOpened(NOT_INCLUDED, bankFile);
    else
        PrintFinalMessage(outcome, FormatInsertMessage);
    return Succeeded(outcome) ? EXIT_DONE : EXIT_FAILED;
}
