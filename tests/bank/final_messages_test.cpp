// The final messages: each outcome's text, and which outcomes count as success.
#include <gtest/gtest.h>

#include "bank/final_messages.h"

// The partial merge's text, with its figures, is checked where a merge stops.
TEST(FinalMessages, EachOutcomeHasItsTextAndOnlyRunsThatDidWhatWasAskedSucceed)
{
    const char* const createTexts[] = {  // in the order of CreateResult
        "Package created, see 'pack.log' file.",
        "Package not created: soundz.rwv could not be opened. It may be in use by another program.",
        "Package not created: soundz.rwv is not a sound bank.",
        "Package not created: not enough memory.",
        "Package not created: NewPack.rwv could not be written, see 'pack.log' file.",
    };
    const char* const insertTexts[] = {  // in the order of InsertResult, PARTLY_MERGED aside
        "Package included in rwv file, see 'unpack.log' file.",
        "Package not included: the package file could not be read.",
        "Package not included: soundz.rwv could not be opened. It may be in use by another program.",
        "Package not included: soundz.rwv is not a sound bank.",
        nullptr,
        "Package not included: writing soundz.rwv failed. soundz.rwv will be put back as it was when it is next "
        "opened.",
        "soundz.rwv holds an interrupted change that could not be taken back. Close the programs that use it and try "
        "again.",
        "Package not included: its undo record could not be written beside soundz.rwv (is the disk full?); "
        "soundz.rwv is unchanged.",
    };
    char text[256];
    for (int i = 0; i < 5; ++i) {
        const CreateOutcome outcome = {static_cast<CreateResult>(i), 0, 0, 0, 0};
        FormatCreateMessage(outcome, text, sizeof text);
        EXPECT_STREQ(createTexts[i], text);
        EXPECT_EQ(outcome.result == CreateResult::PACKAGE_WRITTEN, Succeeded(outcome)) << text;
    }
    for (int i = 0; i < 8; ++i) {
        InsertOutcome outcome;
        outcome.result = static_cast<InsertResult>(i);
        outcome.bankName = "soundz.rwv";
        outcome.journalFault = JournalFault::DISK_FULL;
        FormatInsertMessage(outcome, text, sizeof text);
        if (insertTexts[i] != nullptr) {
            EXPECT_STREQ(insertTexts[i], text);
        }
        EXPECT_EQ(outcome.result == InsertResult::ALL_MERGED, Succeeded(outcome)) << text;
    }
    InsertOutcome putBack;
    putBack.result = InsertResult::BANK_NOT_WRITTEN;
    putBack.restored = true;
    putBack.bankName = "soundz.rwv";
    FormatInsertMessage(putBack, text, sizeof text);
    EXPECT_STREQ("Package not included: writing soundz.rwv failed. soundz.rwv has been put back as it was.", text);

    // "(is the disk full?)" only where it is.
    const std::pair<JournalFault, const char*> recordTexts[] = {
        {JournalFault::NO_MEMORY,
         "Package not included: there was not enough memory for its undo record; soundz.rwv is unchanged."},
        {JournalFault::HELD,
         "Package not included: soundz.rwv.undo is in use by another program; soundz.rwv is unchanged. Try again "
         "when it has finished."},
        {JournalFault::DAMAGED,
         "soundz.rwv.undo is damaged; nothing was changed. Move it away to merge without the records it holds."},
        {JournalFault::IO,
         "Package not included: its undo record could not be written beside soundz.rwv; soundz.rwv is unchanged."},
    };
    InsertOutcome notRecorded;
    notRecorded.result = InsertResult::UNDO_NOT_WRITTEN;
    notRecorded.bankName = "soundz.rwv";
    for (const auto& expected : recordTexts) {
        notRecorded.journalFault = expected.first;
        FormatInsertMessage(notRecorded, text, sizeof text);
        EXPECT_STREQ(expected.second, text);
    }
    RecoveryOutcome setAside = {Recovery::SET_ASIDE, "soundz.rwv.undo.stale"};
    DescribeRecovery(setAside, "soundz.rwv", text, sizeof text);
    EXPECT_STREQ("soundz.rwv is not the bank that its interrupted change was made to (was it restored or replaced?). "
                 "It was left as it is; the change's record was set aside as soundz.rwv.undo.stale.",
                 text);
}
