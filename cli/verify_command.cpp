// verify: every problem of the bank on its own line of standard output.
#include <cstdio>

#include "bank/paths.h"
#include "bank/verify_bank.h"
#include "cli/bank_messages.h"
#include "cli/commands.h"
#include "cli/console.h"

int RunVerify(const CommandLine& line)
{
    char bankFile[MAX_PATH];
    if (!FindBankPath(line.operands[0], bankFile))
        return EXIT_FAILED;
    BankReader bank;
    // The records are streamed: a directory far longer than memory is still checked whole.
    const ReadResult read = bank.Open(bankFile, GENERIC_READ, BANK_READER_SHARING, DirectoryLoad::HEADER_ONLY);
    if (read != ReadResult::READ && read != ReadResult::NOT_A_BANK) {
        PrintReadFailure("Not verified", read, bankFile);
        return EXIT_FAILED;
    }
    const VerifyOutcome outcome = VerifyBank(bank, [](const std::string& problem) { PrintResult("%s\n", problem.c_str()); });
    std::fflush(stdout);
    if (!outcome.recordsRead) {
        PrintMessage("Verified in part: the directory of %s could not be read to its end.", NameAfterFolder(bankFile));
        return EXIT_FAILED;
    }
    if (outcome.problems == 0) {
        PrintMessage("%s has no problems.", NameAfterFolder(bankFile));
        return EXIT_DONE;
    }
    PrintMessage("%s has %lld problem(s), listed above; restore it from a copy before changing it.",
                 NameAfterFolder(bankFile), static_cast<long long>(outcome.problems));
    return EXIT_FAILED;
}
