// PLACEHOLDER: replaced by the operation's questions and final message.
#include "app/operations.h"

int RebuildStatistics()
{
    return 0;
}
