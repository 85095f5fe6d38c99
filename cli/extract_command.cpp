// extract: entries written as wave files, with every entry passed over reported.
#include <string>
#include <vector>

#include "bank/extract_entries.h"
#include "cli/bank_messages.h"
#include "cli/commands.h"
#include "cli/console.h"

namespace {

const char NOTHING_EXTRACTED[] = "Nothing extracted";

// outFolder as the user gave it.
int Report(const ExtractOutcome& outcome, const char* bankFile, const char* outFolder)
{
    switch (outcome.result) {
    case ExtractResult::ALL_EXTRACTED:
        PrintMessage("Extracted %d wave file(s) into %s.", static_cast<int>(outcome.written), outFolder);
        return EXIT_DONE;
    case ExtractResult::PARTLY_EXTRACTED:
        PrintMessage("Extracted %d wave file(s) into %s; %d passed over as listed above%s.",
                     static_cast<int>(outcome.written), outFolder, static_cast<int>(outcome.passedOver),
                     outcome.existing > 0 ? " (add --force to overwrite files that are there already)" : "");
        return EXIT_FAILED;
    case ExtractResult::BANK_NOT_READ:
        PrintReadFailure(NOTHING_EXTRACTED, outcome.read, bankFile);
        return EXIT_FAILED;
    case ExtractResult::NO_MEMORY:
        PrintReadFailure(NOTHING_EXTRACTED, ReadResult::NO_MEMORY, bankFile);
        return EXIT_FAILED;
    case ExtractResult::FOLDER_NOT_MADE:
        PrintMessage("%s: the folder %s could not be made; choose another.", NOTHING_EXTRACTED, outFolder);
        return EXIT_FAILED;
    }
    return EXIT_FAILED;
}

}  // namespace

int RunExtract(const CommandLine& line)
{
    char bankFile[MAX_PATH];
    char outFolder[MAX_PATH];
    if (!FindBankPath(line.operands[0], bankFile) || !FolderPath(line.operands[1], outFolder))
        return EXIT_FAILED;
    const std::vector<std::string> names(line.operands.begin() + 2, line.operands.end());
    ExtractOutcome outcome;
    {
        ConsoleObserver observer("extracting");
        outcome = ExtractEntries(bankFile, outFolder, names, line.Has(FORCE_OPTION), observer);
    }
    return Report(outcome, bankFile, line.operands[1].c_str());
}
