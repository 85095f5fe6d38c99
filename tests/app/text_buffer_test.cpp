// TextBuffer: the cases where an owned, nullable text can go wrong.
#include "app/text_buffer.h"

#include <gtest/gtest.h>

TEST(TextBuffer, AssignOfEmptyTextIsOneByteNotNull)
{
    TextBuffer t;
    t.Assign("");
    ASSERT_NE(t.chars, nullptr);
    EXPECT_STREQ(t.chars, "");
}
