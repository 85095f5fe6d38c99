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
}
