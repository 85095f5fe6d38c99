// The final messages: each outcome's text, and which outcomes count as success.
#include <gtest/gtest.h>

#include "bank/final_messages.h"

TEST(FinalMessages, EachOutcomeHasItsTextAndOnlyRunsThatDidWhatWasAskedSucceed)
{
    const struct {
        CreateResult result;
        const char* text;
    } creates[] = {
        {CreateResult::PACKAGE_WRITTEN, "Package created, see 'pack.log' file."},
        {CreateResult::BANK_NOT_OPENED,
         "Package not created: soundz.rwv could not be opened. It may be in use by another program."},
        {CreateResult::NOT_A_BANK, "Package not created: soundz.rwv is not a sound bank."},
        {CreateResult::NO_MEMORY, "Package not created: not enough memory."},
        {CreateResult::PACKAGE_NOT_WRITTEN, "Package not created: NewPack.rwv could not be written, see 'pack.log' file."},
    };
    char text[256];
    for (const auto& c : creates) {
        const CreateOutcome outcome = {c.result, 0, 0, 0, 0};
        FormatCreateMessage(outcome, text, sizeof text);
        EXPECT_STREQ(c.text, text);
        EXPECT_EQ(c.result == CreateResult::PACKAGE_WRITTEN, Succeeded(outcome)) << c.text;
    }
    const struct {
        InsertResult result;
        const char* text;
    } inserts[] = {
        {InsertResult::ALL_MERGED, "Package included in rwv file, see 'unpack.log' file."},
        {InsertResult::PACKAGE_UNREADABLE, "Package not included: the package file could not be read."},
        {InsertResult::BANK_NOT_OPENED,
         "Package not included: soundz.rwv could not be opened. It may be in use by another program."},
        {InsertResult::NOT_A_BANK, "Package not included: soundz.rwv is not a sound bank."},
        {InsertResult::DIRECTORY_NOT_WRITTEN,
         "Package not included: writing soundz.rwv failed. Its sounds may be damaged; restore it from a copy."},
    };
    for (const auto& c : inserts) {
        const InsertOutcome outcome = {c.result, 0, 0, 0, 0, ""};
        FormatInsertMessage(outcome, text, sizeof text);
        EXPECT_STREQ(c.text, text);
        EXPECT_EQ(c.result == InsertResult::ALL_MERGED, Succeeded(outcome)) << c.text;
    }
}
