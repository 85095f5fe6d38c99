// The final messages: what each outcome tells the user.
#include "bank/final_messages.h"

#include <cstdio>

#include "bank/paths.h"

const char NO_STATISTICS_TEXT[] = "The file soundz.rwv cannot be read or is not a sound bank.";

static const char* CreateText(CreateResult result)
{
    switch (result) {
    case CreateResult::PACKAGE_WRITTEN:
        return "Package created, see 'pack.log' file.";
    case CreateResult::BANK_NOT_OPENED:
        return "Package not created: soundz.rwv could not be opened. It may be in use by another program.";
    case CreateResult::NOT_A_BANK:
        return "Package not created: soundz.rwv is not a sound bank.";
    case CreateResult::NO_MEMORY:
        return "Package not created: not enough memory.";
    case CreateResult::BANK_NOT_RECOVERED:
    case CreateResult::PACKAGE_NOT_WRITTEN:
        break;
    }
    return "Package not created: NewPack.rwv could not be written, see 'pack.log' file.";
}

static const char* InsertText(InsertResult result)
{
    switch (result) {
    case InsertResult::ALL_MERGED:
        return "Package included in rwv file, see 'unpack.log' file.";
    case InsertResult::PACKAGE_UNREADABLE:
        return "Package not included: the package file could not be read.";
    case InsertResult::BANK_NOT_OPENED:
        return "Package not included: soundz.rwv could not be opened. It may be in use by another program.";
    case InsertResult::NOT_A_BANK:
        return "Package not included: soundz.rwv is not a sound bank.";
    case InsertResult::PARTLY_MERGED:
        return "Package partly included: %d of %d sounds merged, stopped at %s, see 'unpack.log' file.";
    case InsertResult::BANK_NOT_WRITTEN:
    case InsertResult::BANK_NOT_RECOVERED:
    case InsertResult::UNDO_NOT_WRITTEN:
        break;
    }
    return "";
}

// Why the merge's undo record could not be written, by its real cause.
static void FormatRecordNotWritten(JournalFault fault, const char* name, char* out, size_t outSize)
{
    switch (fault) {
    case JournalFault::DAMAGED:
        FormatDamagedJournalMessage(name, out, outSize);
        return;
    case JournalFault::DISK_FULL:
        std::snprintf(out, outSize,
                      "Package not included: its undo record could not be written beside %s (is the disk full?); "
                      "%s is unchanged.",
                      name, name);
        return;
    case JournalFault::NO_MEMORY:
        std::snprintf(out, outSize,
                      "Package not included: there was not enough memory for its undo record; %s is unchanged.", name);
        return;
    case JournalFault::HELD:
        std::snprintf(out, outSize,
                      "Package not included: %s%s is in use by another program; %s is unchanged. Try again when it "
                      "has finished.",
                      name, UNDO_SUFFIX, name);
        return;
    case JournalFault::NONE:
    case JournalFault::IO:
        break;
    }
    std::snprintf(out, outSize, "Package not included: its undo record could not be written beside %s; %s is unchanged.",
                  name, name);
}

// The texts that name the bank by its own file name.
static void FormatNamedInsertText(const InsertOutcome& outcome, char* out, size_t outSize)
{
    const char* name = outcome.bankName.c_str();
    if (outcome.result == InsertResult::BANK_NOT_RECOVERED)
        FormatNotRecoveredMessage(name, out, outSize);
    else if (outcome.result == InsertResult::UNDO_NOT_WRITTEN)
        FormatRecordNotWritten(outcome.journalFault, name, out, outSize);
    else if (outcome.restored)
        std::snprintf(out, outSize, "Package not included: writing %s failed. %s has been put back as it was.", name,
                      name);
    else
        std::snprintf(out, outSize,
                      "Package not included: writing %s failed. %s will be put back as it was when it is next opened.",
                      name, name);
}

void FormatRecoveredMessage(const char* bankName, char* out, size_t outSize)
{
    std::snprintf(out, outSize, "The last change to %s was interrupted. %s has been put back as it was before it.",
                  bankName, bankName);
}

void FormatNotRecoveredMessage(const char* bankName, char* out, size_t outSize)
{
    std::snprintf(out, outSize,
                  "%s holds an interrupted change that could not be taken back. Close the programs that use it and "
                  "try again.",
                  bankName);
}

void FormatDamagedJournalMessage(const char* bankName, char* out, size_t outSize)
{
    std::snprintf(out, outSize,
                  "%s%s is damaged; nothing was changed. Move it away to merge without the records it holds.",
                  bankName, UNDO_SUFFIX);
}

void FormatSetAsideMessage(const char* bankName, const char* setAsideAs, char* out, size_t outSize)
{
    std::snprintf(out, outSize,
                  "%s is not the bank that its interrupted change was made to (was it restored or replaced?). It was "
                  "left as it is; the change's record was set aside as %s.",
                  bankName, setAsideAs);
}

void FormatCreateMessage(const CreateOutcome& outcome, char* out, size_t outSize)
{
    if (outcome.result == CreateResult::BANK_NOT_RECOVERED)
        FormatNotRecoveredMessage(BANK_FILE_NAME, out, outSize);
    else
        std::snprintf(out, outSize, "%s", CreateText(outcome.result));
}

void FormatInsertMessage(const InsertOutcome& outcome, char* out, size_t outSize)
{
    if (outcome.result == InsertResult::PARTLY_MERGED)
        std::snprintf(out, outSize, InsertText(outcome.result), static_cast<int>(outcome.merged),
                      static_cast<int>(outcome.total), outcome.stoppedAt);
    else if (InsertText(outcome.result)[0] == '\0')
        FormatNamedInsertText(outcome, out, outSize);
    else
        std::snprintf(out, outSize, "%s", InsertText(outcome.result));
}

bool Succeeded(const CreateOutcome& outcome)
{
    return outcome.result == CreateResult::PACKAGE_WRITTEN;
}

bool Succeeded(const InsertOutcome& outcome)
{
    return outcome.result == InsertResult::ALL_MERGED;
}

void DescribeRecovery(const RecoveryOutcome& recovery, const char* bankName, char* out, size_t outSize)
{
    if (recovery.result == Recovery::TAKEN_BACK)
        FormatRecoveredMessage(bankName, out, outSize);
    else if (recovery.result == Recovery::SET_ASIDE)
        FormatSetAsideMessage(bankName, recovery.setAsideAs.c_str(), out, outSize);
    else
        FormatNotRecoveredMessage(bankName, out, outSize);
}
