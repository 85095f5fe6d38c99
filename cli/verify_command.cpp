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
    const ReadResult read = bank.Open(bankFile, GENERIC_READ, FILE_SHARE_READ);
    if (read == ReadResult::NOT_OPENED || read == ReadResult::NO_MEMORY) {
        PrintReadFailure("Not verified", read, bankFile);
        return EXIT_FAILED;
    }
    const std::vector<std::string> problems = FindBankProblems(bank);
    for (const std::string& problem : problems)
        PrintResult("%s\n", problem.c_str());
    if (problems.empty()) {
        PrintMessage("%s has no problems.", NameAfterFolder(bankFile));
        return EXIT_DONE;
    }
    std::fflush(stdout);
    PrintMessage("%s has %d problem(s), listed above; restore it from a copy before changing it.",
                 NameAfterFolder(bankFile), static_cast<int>(problems.size()));
    return EXIT_FAILED;
}
