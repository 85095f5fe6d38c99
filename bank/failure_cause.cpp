// Win32 error codes sorted by what the user can do about them.
#include "bank/failure_cause.h"

FailureCause CauseOf(DWORD error)
{
    switch (error) {
    case NO_ERROR:
        return FailureCause::NONE;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return FailureCause::DISK_FULL;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return FailureCause::NO_MEMORY;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return FailureCause::HELD;
    case ERROR_WRITE_PROTECT:
        return FailureCause::READ_ONLY;
    default:
        return FailureCause::OTHER;
    }
}

const char* CauseWords(FailureCause cause)
{
    switch (cause) {
    case FailureCause::DISK_FULL:
        return " (is the disk full?)";
    case FailureCause::NO_MEMORY:
        return " (there was not enough memory)";
    case FailureCause::HELD:
        return " (another program holds it)";
    case FailureCause::READ_ONLY:
        return " (it is read-only)";
    case FailureCause::NONE:
    case FailureCause::OTHER:
        break;
    }
    return "";
}
